// The batch job: the builder's four templates compiled into one POSIX shell script for the folders
// and files the main window chooses, then (Compile And Run) started in a terminal.
//
// The job is, in this order: the head; for each folder of the walk (the deepest folders first, the
// start folder last) its folder text, then the file text of each chosen file of that folder in the
// main window's order; the closing lines; the tail as typed. Head, folder and file texts end with a
// line break (one is added when missing). The closing lines are the shipped "cmdLinEnd.txt" (a
// user's copy in the data folder overrides it) with each "ockbnd" replaced by the path of Wendle,
// quoted: when the job runs, Wendle makes the main window refresh.
//
// Names are quoted for where they land (batch_template.h). A file whose value cannot be put
// where its template places it is left out of the job with a result line; a folder whose folder
// text cannot be written is left out with all its files (their commands may rely on it).
//
// The job is built in a temporary file beside the job path and put in its place only when
// complete: a cancelled or failed compile leaves no job at all (the previous job is deleted first,
// so Launch never runs a job that no longer matches the templates).
//
// Example (the builder's Compile And Run):
//   const BatchJobResult r = compileBatchJob(run.pipe, run.form, {
//       .code = code, .withSubfolders = ..., .jobPath = tempPath + "QWBatchJob.sh",
//       .endText = cmdLinEnd, .wendlePath = exeDir + "Wendle", .todayStamp = today,
//       .pattern = main.myPattern(), .runAfter = true, .launch = launchBatchJob}, run.msg);
#pragma once

#include "core/message_table.h"
#include "core/pipeline.h"
#include "core/run_driver.h"
#include "core/shell_quote.h"
#include "tools/file_ops/batch_code.h"

#include <functional>
#include <string>

namespace tools::file_ops {

// The job file's name in the private temporary folder, and the log of a job run without a terminal.
inline constexpr std::string_view kJobName = "QWBatchJob.sh";
inline constexpr std::string_view kJobLogName = "QWBatchJob.log";
// The shipped closing lines and the word in them that becomes Wendle's quoted path.
inline constexpr std::string_view kEndTextName = "cmdLinEnd.txt";
inline constexpr std::string_view kTriggerToken = "ockbnd";

// How a job was started.
struct JobLaunch {
  bool started = false;
  bool inTerminal = false;  // false: detached, its output in logPath
  std::string logPath{};
};
using JobLauncher = std::function<JobLaunch(const std::string& jobPath)>;

// Starts the job with sh in a terminal, else detached with its output in logPath; the job's
// working folder is the home folder.
[[nodiscard]] JobLaunch launchBatchJob(const std::string& jobPath, const std::string& logPath);

struct BatchJobOptions {
  BatchCode code{};
  bool withSubfolders = false;   // the main window's boxes
  bool withHidden = false;
  std::string startFolder{};     // "": the main window's folder
  std::string jobPath{};
  std::string endText{};         // the closing lines as read ("" when the file is missing)
  std::string wendlePath{};
  std::string todayStamp{};      // the Today stamp of date tokens
  std::string pattern{};         // the main window's extension pattern, for the summary
  bool runAfter = false;         // Compile And Run: ask first, start the job when it is complete
  JobLauncher launch{};          // how the job is started (runAfter)
};

struct BatchJobResult {
  bool asked = false;     // runAfter: the user was asked
  bool declined = false;  // ... and did not answer OK (nothing was done)
  bool written = false;   // a complete job is at jobPath
  bool launched = false;
  long long files = 0;        // file texts written
  std::size_t folders = 0;    // folders walked
  core::RunEnd end = core::RunEnd::Completed;
};

// Compiles the job as described above: a run on the pipeline (progress, Cancel every 61 files and
// after each folder) that ends in the results viewer with msg's summary and lines. Messages of the
// builder's table: 3 progress caption; 4 old job not deleted; 5, 6 a piece not written; 7-12 the
// summary; 13, 14 the job not saved; 15 the job's place; 17, 26, 33 the question of runAfter; 27,
// 28 started; 34-36 names left out; 37 closing lines left out; 38, 39 the job's start; 30, 31 the
// folder and file templates' names, 41-43 their lines that hand a name to a second shell (listed
// in the results and, with runAfter, in the question; the job is still written as typed).
BatchJobResult compileBatchJob(core::Pipeline& pipe, core::ToolForm* form, const BatchJobOptions& options,
                               const core::MessageTable& msg);

// The closing lines with kTriggerToken replaced by wendlePath, appended to job. False (job
// unchanged) when the path cannot be quoted where a token stands.
bool appendEndText(core::ShellScriptBuilder& job, std::string_view endText, const std::string& wendlePath);

}  // namespace tools::file_ops
