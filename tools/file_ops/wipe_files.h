// Wiping files: each file the main window's filters select is overwritten with fresh random data
// in one or three passes, flushed to the disk, cut to zero length, given the times 01/01/1981
// 01:01:01, renamed to a random name and deleted.
//
//   DeleteOutcome out = wipeFiles(pipe, form, {.mode = DeleteMode::WipeFiles, .passes = 3,
//                                              .folder = "/home/me/old/"}, msg);
//
// The files are listed once, at the start (a pass changes their modification times, so a date
// filter applied again would find none of them), and that list serves every pass and the removal;
// a name that meanwhile leads to another file is left alone. Refused, with a line each: a symbolic
// link (the file it names is not the user's choice), a file with other hard links (they would
// keep the data) and a locked one (not writable, or read-only: checkFileUsable for Write). A file
// whose overwrite or flush fails is kept with its permission bits as they were, reported with
// message 19, and neither overwritten again nor deleted. A Cancel during the passes
// deletes nothing. Wiping reaches what the file system shows: copies kept by copy-on-write file
// systems, SSD firmware or snapshots are out of its reach (the window says so).
#pragma once

#include "core/message_table.h"
#include "core/run_driver.h"
#include "tools/file_ops/delete_options.h"
#include "tools/file_ops/delete_run.h"

#include <cstddef>

namespace tools::file_ops {

// Bytes written at a time (and between looks at Cancel).
inline constexpr std::size_t kWipeBlockSize = 640000;

DeleteOutcome wipeFiles(core::Pipeline& pipe, core::ToolForm* form, const DeleteOptions& options,
                        const core::MessageTable& msg);

}  // namespace tools::file_ops
