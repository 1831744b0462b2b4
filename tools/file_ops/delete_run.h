// The delete tool's Start: the checks and the question before anything happens, then the run of
// the chosen mode: delete, move to the trash, wipe files (wipe_files.h) or wipe the free space of
// a mount (wipe_free_space.h). Every question and result line goes through the pipeline.
//
//   tools::file_ops::deleteStart(run.pipe, run.form, {
//       .mode = tools::file_ops::DeleteMode::Recycle,
//       .folder = main->currentFolder(),
//       .withSubfolders = true,
//       .pattern = main->myPattern(),
//   }, run.msg);
//
// Before a run over files: the folder must be writable (checkFolderWritable's notice otherwise);
// the user confirms (OK/Cancel, messages 3, 28, 2 or 1 by mode); the recycle mode stops with
// common message 112 (OK only) when the folder is not on a fixed drive, since no file there could
// go to the trash. Each file must pass checkFileUsable as an entry to remove (Access::None: any
// file or symbolic link whatever its permissions, since deleting it needs only the folder's; a
// link is removed as itself and counts its own size); wiping asks for write access only.
// Delete and recycle walk with the main window's filters, 11 files between looks at Cancel; a file
// the trash cannot take is kept and reported, never deleted for good.
#pragma once

#include "core/message_table.h"
#include "core/run_driver.h"
#include "tools/file_ops/delete_options.h"
#include "tools/file_ops/delete_summary.h"

namespace tools::file_ops {

struct DeleteOutcome {
  bool started = false;  // false: refused by a check, or the user said Cancel (nothing done)
  core::RunEnd end = core::RunEnd::Completed;
  RemovalTally tally{};
};

DeleteOutcome deleteStart(core::Pipeline& pipe, core::ToolForm* form, const DeleteOptions& options,
                          const core::MessageTable& msg);

// The delete or recycle run itself, without the checks and the question.
DeleteOutcome removeFiles(core::Pipeline& pipe, core::ToolForm* form, const DeleteOptions& options,
                          const core::MessageTable& msg);

}  // namespace tools::file_ops
