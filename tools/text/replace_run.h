// The replace tool's run: one run, or every run of a run list in order, over the main window's
// folder (and the folders below it when asked), each replacing in the contents of the files, in
// the names of the files, or in the names of the folders (deepest first). The window has checked
// the input, asked its question and the recycle question; this does the work and the report.
//
//   const ReplaceRunsOutcome out = runReplace(run.pipe, run.form, {options}, {
//       .withSubfolders = main->panel()->chkInclude->Value() != 0,
//       .extensionPattern = main->myPattern(),
//   }, run.msg);
//
// Phases of each run: the folder list (kept from the run before when both walk files, rebuilt
// otherwise, so that a run after a folder rename walks the new paths); the header; the items
// through the run driver (core/run_driver.h); the run's summary. The report of every run stays in
// the results, in order; the run after a Cancel or an error does not start. Contents go through
// core::rewriteContents in pieces of a fixed size: the file holds its old or its new contents,
// never a mix. A new name that would be empty, "." or "..", or hold a "/" or a NUL is refused with
// a line, and no rename replaces an existing file or folder.
#pragma once

#include "core/message_table.h"
#include "core/pipeline.h"
#include "tools/text/replace_options.h"
#include "tools/text/replace_scan.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tools::text {

// Contents are read and rewritten in pieces of this size, whatever the machine's memory.
inline constexpr std::uint64_t kReplacePieceSize = std::uint64_t{4} << 20;

struct ReplaceRunSetup {
  bool withSubfolders = false;          // the main window's chkInclude
  bool withHidden = false;              // the main window's chkIncHidden
  std::string extensionPattern = "*";   // the main window's myPattern (the file-names report's headings)
  bool multiRun = false;                // the runs are a run list ("Run i of n" headers)
  std::uint64_t pieceSize = kReplacePieceSize;
  std::size_t holdLimit = ReplaceScanner::kDefaultHoldLimit;
};

struct ReplaceRunsOutcome {
  int runsStarted = 0;
  long long changed = 0;    // files or folders changed, over all runs
  bool cancelled = false;   // a Cancel (or Skip) ended a run
  bool error = false;       // a run-time error ended the runs (already reported)
};

// Runs runs (checked already) in order over the main window's folder, then finishes the operation
// (the report, the refresh of list and tree); after a run-time error only that error's report is
// shown. msg is the window's message table.
ReplaceRunsOutcome runReplace(core::Pipeline& pipe, core::ToolForm* form, const std::vector<ReplaceOptions>& runs,
                              const ReplaceRunSetup& setup, const core::MessageTable& msg);

// Whether a name can be given to a file or folder here: not empty, "." or "..", no "/" or NUL.
[[nodiscard]] bool usableNewName(std::string_view name);

}  // namespace tools::text
