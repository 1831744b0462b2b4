// The run of the copy and move tool: every file the main window's filters select (in its folder,
// and the folders below it when asked) goes to the folder its target pattern names, under its own
// name, copied or moved; optionally only files whose contents hold given words. Each transfer is
// logged and journalled for undo (copy_journal.h).
//
// Phases, in order:
//   1. refusals before anything starts: a pattern that is not a full folder (message 43), no
//      words to look for (40), overwrite not confirmed (19), a move from a folder that cannot be
//      written (the core's notice);
//   2. the walk (core::runFiles): per file the target folder, the content filter, the checks of
//      the source and the target, and the transfer (copy_transfer.h); a plain copy has the next
//      files of the folder copied ahead by worker threads (copy_ahead.h), each taking its name
//      in its turn as if the run had copied it then;
//   3. the end: the count and the words in front of the report, the journal finished.
//
// What it guarantees besides: a file this run created or moved is never taken as a source again
// in the same run; a target that is the source itself is never replaced; an existing target is
// replaced only in overwrite mode and only by a complete copy.
//
//   const CopyJobResult r = runCopyJob(run.pipe, run.form, {
//       .pattern = "<FilePath>/archive", .mode = CopyMode::Move, .exists = TargetExists::Numbered,
//       .withSubfolders = true}, run.msg);
#pragma once

#include "core/message_table.h"
#include "core/pipeline.h"
#include "core/run_driver.h"
#include "tools/file_ops/copy_transfer.h"
#include "tools/file_ops/copy_words.h"

#include <string>

namespace tools::file_ops {

// What happens when a file's target exists.
enum class TargetExists { Skip, Numbered, Overwrite };

struct ContentFilterOptions {
  bool on = false;           // only files whose contents hold the words
  std::string text{};        // the words box
  text::TargetParse words{};  // phrases, case
  WordMatch match = WordMatch::Any;  // without phrases the one word is always "any"
};

struct CopyJobOptions {
  std::string pattern{};        // the path box, long handles
  CopyMode mode = CopyMode::Copy;
  TargetExists exists = TargetExists::Skip;
  bool keepStructure = false;   // the file's folder below the main folder is kept under the target
  bool emptyFolders = false;    // with keepStructure: target folders for folders without files too
  ContentFilterOptions content{};
  bool withSubfolders = false;  // the main window's boxes
  bool withHidden = false;
  std::string mainFolder{};     // "": the main window's folder
  // Threads that copy the next files of a folder ahead of the run (copy_ahead.h), for a plain
  // copy to a pattern without handles; 0: each file is copied in its turn.
  int copyAheadWorkers = 3;
};

enum class CopyJobEnd {
  PatternRefused,     // message 43 shown; the window puts the focus in the path box
  NoWords,            // message 40 shown
  NotConfirmed,       // overwrite not confirmed
  FolderNotWritable,  // a move from a folder that cannot be written
  Ran,                // the run ran (outcome says how it ended)
};

struct CopyJobResult {
  CopyJobEnd end = CopyJobEnd::Ran;
  core::RunOutcome outcome{};
  int journalSlot = 0;  // the slot the run's journal took (0: nothing journalled)
  long long copiedAhead = 0;  // files whose copy a worker made ahead (copyAheadWorkers)
};

CopyJobResult runCopyJob(core::Pipeline& pipe, core::ToolForm* form, const CopyJobOptions& options,
                         const core::MessageTable& msg);

}  // namespace tools::file_ops
