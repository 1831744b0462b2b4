// The batch rename run: every file of the folder (and of the folders below it when the main
// window asks), or every folder below it, renamed by the start rule, the sequence number and the
// end rule, one result line per rename, and an undo journal of what was done.
//
//   const tools::ren::RenameRunResult r = tools::ren::renameRun(run.pipe, run.form, {
//       .mode = tools::ren::RenameMode::Files,
//       .startRule = "<oldFileNameNoExt>_", .endRule = ".<oldFileExtension>",
//       .sequence = true, .startNumber = 1, .width = 3,
//       .withSubfolders = false, .withHidden = false, .pattern = "*",
//   }, run.msg);
//
// Phases, in order: the folder check (checkFolderWritable) and, with subfolders, the question
// (messages 11 and 8 pattern 9, or 10); then the run over files (runFiles) or folders
// (runFolders), each item:
//   - files: a name that blocked an earlier rename of the folder is left alone; the file must be
//     usable as an entry (checkFileUsable with Access::None: any file whatever its permissions,
//     a symbolic link renamed itself, never a FIFO or device);
//   - the new name: start rule + sequence text + end rule, finished (finishName); the same name
//     is left alone, a name no entry can take is refused with message 34;
//   - the rename never replaces: a taken name goes into the folder's skip list and the item is
//     tried again with the next number; taken a second time it is reported (15, folders 21);
//     any other failure is reported (16, folders 21);
//   - a folder renamed before the folders inside it are reached moves them with it
//     (RunItem::folderRenamed); with the restart option folders go deepest first instead.
// Numbers: files count on across folders, or start again in each folder (restart); folders count
// up in list order (the tree breadth-first, siblings in name order), or (restart) deepest first
// counting down from start + folders - 1 so that the list order gets rising numbers, then on
// upwards past the highest. Every folder moves the number on, also one left alone because its
// name blocked an earlier rename.
// The journal (core/undo_journal.h) listens to the pipeline's renames; its slot is taken at the
// first rename. When it cannot be written the user is asked (message 18): either way journaling
// stops, and No ends the run. The summary counts successful renames only.
#pragma once

#include "core/message_table.h"
#include "core/run_driver.h"
#include "tools/renaming/rename_rules.h"

#include <cstdint>
#include <string>

namespace core {
class Pipeline;
class ToolForm;
}

namespace tools::ren {

struct RenameRunOptions {
  RenameMode mode = RenameMode::Files;
  // The rules as the boxes hold them (long forms); "" for a box that is not ticked.
  std::string startRule{};
  std::string endRule{};
  bool sequence = false;
  std::int64_t startNumber = 0;
  int width = 0;
  bool restart = false;         // the restart option is chosen (and offered)
  bool withSubfolders = false;  // the main window's include-subfolders box
  bool withHidden = false;      // the main window's include-hidden box
  std::string pattern = "*";    // the main window's extension pattern (shown in the question)
  std::string folder{};         // "": the main window's folder
};

struct RenameRunResult {
  bool started = false;       // false: the folder check failed or the user cancelled the question
  long long renamed = 0;      // successful renames
  int journalSlot = 0;        // the slot of this run's journal; 0 when none was written
  core::RunEnd end = core::RunEnd::Completed;
};

// Runs the rename. Messages are the window's (msg); the run's stamp (dates of "Today" and of
// folders) is taken when it starts. Never throws (the run driver reports errors).
RenameRunResult renameRun(core::Pipeline& pipe, core::ToolForm* form, const RenameRunOptions& options,
                          const core::MessageTable& msg);

}  // namespace tools::ren
