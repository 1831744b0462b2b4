// The case changer's run: the letter case of the names of the listed files, of the folders below
// the current folder, or of the contents of the listed files, in the styles of case_styles.h.
// The phases, in order:
//   1. checks: contents mode needs the trash question of the drive (checkDriveForRecycle); the
//      folder must be writable; a style must change something (message 1 otherwise);
//   2. the question (message 2 when subfolders are included, then common 24 or 104);
//   3. files: each name converted and renamed (never replacing another file; a case-only rename
//      works on file systems that fold case too); a line "  old -> new" for each rename done;
//   4. folders: the folders below the current one, deepest first, so that renaming a folder never
//      changes the path of one still to come;
//   5. contents: each usable file rewritten through core/contents_rewrite.h in pieces, the
//      conversion carried across pieces; a file the style leaves as it is stays untouched.
//
//   const tools::CaseRunOptions options{.mode = tools::CaseMode::Files,
//                                       .styles = {.name = tools::CaseStyle::EveryWord,
//                                                  .extension = tools::CaseStyle::Lower},
//                                       .withSubfolders = main.includeSubfolders()};
//   tools::runCaseChanger(run.pipe, run.form, options, run.msg);
#pragma once

#include "core/contents_rewrite.h"
#include "core/message_table.h"
#include "core/pipeline.h"
#include "core/run_driver.h"
#include "tools/renaming/case_styles.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace tools {

// What the run changes (the window's optFile, optFold, optContents).
enum class CaseMode { Files, Folders, Contents };

struct CaseRunOptions {
  CaseMode mode = CaseMode::Files;
  CaseStyles styles{};             // folders and contents use the name style alone
  std::string folder{};            // "": the main window's folder
  bool withSubfolders = false;     // the main window's include-subfolders box
  bool withHidden = false;         // the main window's include-hidden box
  std::uint64_t pieceSize = 1000000;  // bytes per piece of a contents rewrite (the state carries over)
};

// The numbers of the case changer's own messages (its form table).
namespace case_msg {
inline constexpr int kNothingToDo = 1;       // both styles "Default"
inline constexpr int kWithSubfolders = 2;    // before the question when subfolders are included
inline constexpr int kProgressCaption = 4;
inline constexpr int kFilesHeading = 5;
inline constexpr int kContentsHeading = 7;
inline constexpr int kReadFailed = 8;        // + path
inline constexpr int kWriteFailed = 9;       // + path: its new contents could not be written
inline constexpr int kRenameLabel = 10;      // in the line of a failed final rename
inline constexpr int kNotRestored = 11;      // path + this
inline constexpr int kFoldersHeading = 12;
inline constexpr int kNameFrame = 13;        // framName in files and folders mode
inline constexpr int kStyleFrame = 14;       // framName in contents mode
inline constexpr int kSampleName = 15;       // the preview's sample when the main list is empty
inline constexpr int kColumnName = 16;
inline constexpr int kColumnNewName = 17;
}  // namespace case_msg

// Runs the case changer as its Start does, with msg the window's messages (the contents rewrite
// reads the form table, core::msgForm, which the window's Start has made the same). Returns
// nullopt when a check or the question stopped it before anything was touched; otherwise how the
// run ended. The run ends in finishOperation (or showRunError) either way.
std::optional<core::RunOutcome> runCaseChanger(core::Pipeline& pipe, core::ToolForm* form,
                                               const CaseRunOptions& options, const core::MessageTable& msg);

// The contents run both tools share: heading, then each listed file that is usable for a rewrite
// (readable and writable, not binary, not empty) given to step, then a tab in the results text.
// run keeps its folders and caption; its cadence becomes one progress line per file.
core::RunOutcome runContentsOverFiles(core::Pipeline& pipe, core::ToolForm* form, core::RunOptions run,
                                      const std::string& heading,
                                      const std::function<core::StepResult(core::RunItem&)>& step);

// How a contents run counts a file by what its rewrite reported: Rewritten is Done, Failed is
// Failed, anything else (unchanged, skipped with a line, cancelled) Skipped.
[[nodiscard]] core::StepResult rewriteStepResult(core::RewriteOutcome outcome);

// The contents conversion as the rewrite uses it: one style over a file's pieces; changed() is
// false when the style left every byte as it was.
class CaseContentTransform : public core::ContentTransform {
 public:
  explicit CaseContentTransform(CaseStyle style) : stream_(style) {}
  void begin(std::uint64_t size) override;
  void piece(std::string_view in, std::uint64_t offset, std::string& out) override;
  void finish(std::string& out) override;
  [[nodiscard]] bool changed() const override { return changed_; }

 private:
  CaseTextStream stream_;
  std::string held_;  // input bytes not yet answered by output (a split sequence), to compare
  bool changed_ = false;
};

}  // namespace tools
