// The keyword extractor's run: walks what the setup's source names through the pipeline and
// writes the kept keywords into the results text, which the results viewer shows at the end.
//
// Phases:
//   contents     each usable file (read access suffices) is read in pieces of 200,000 bytes and
//                scanned as one text; after every 5,000 bytes the run yields: Cancel ends the run,
//                Skip ends the file (its list says so). One list per file, or one for the run.
//   file names   the names of the files the main window lists in each folder, one after another.
//   folder names the names of the folders below the main window's folder (not that folder itself).
//
// Results text (messages of the window's table; sep is the setup's separator):
//   contents, per file: [heading] 4, then per file with keywords [3 7] path CR LF kw sep kw CR LF CR LF
//                       (a file without keywords only with listEmpty: path CR LF 6 CR LF CR LF)
//   contents, combined: [heading] 4 [3 8] kw sep kw ... (or 6) CR LF CR LF
//   file names:         10 [heading] kw sep kw sep ... CR LF
//   folder names:       9 [heading] kw sep kw sep ... CR LF
// Message 3 with 7 or 8 notes a list that grew past 15,000 characters with no-repeats on. Nothing
// is written anywhere but the results text; the main window is not refreshed.
//
//   const tools::text::ExtractPlan plan = tools::text::prepareExtract(options, run.msg);
//   if (!plan.refusal) tools::text::runExtract(run.pipe, run.form, plan.setup, run.msg, {.withSubfolders = true});
#pragma once

#include "core/message_table.h"
#include "core/run_driver.h"
#include "tools/text/extract_setup.h"

#include <cstdint>

namespace tools::text {

// The main window's boxes that decide which folders a run walks.
struct ExtractWalk {
  bool withSubfolders = false;
  bool withHidden = false;
  std::string startFolder{};  // "": the main window's folder
};

// Bytes read from a file at a time.
inline constexpr std::uint64_t kExtractPiece = 200000;

// Runs one extraction with a prepared setup (never a refused plan's) and finishes the operation.
core::RunOutcome runExtract(core::Pipeline& pipe, core::ToolForm* form, const ExtractSetup& setup,
                            const core::MessageTable& msg, const ExtractWalk& walk);

}  // namespace tools::text
