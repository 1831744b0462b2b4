// The duplicate finder's run: among the files the main window's filters select (its folder, with
// subfolders when ticked), finds files of equal contents, or files of the same name, and lists
// them, deletes them, or copies or moves them into a target folder. The first file of each group
// is always kept.
//
//   const tools::file_ops::DupesOptions options{
//       .mode = tools::file_ops::DupesMode::MoveByContents,
//       .withSubfolders = main->chkInclude->isChecked(),
//       .withHidden = main->chkIncHidden->isChecked(),
//       .targetFolder = bpath(txtPath->text()),
//   };
//   tools::file_ops::findDuplicates(pipe, form, options, msg);
//
// ---- contract ----
// Only regular files are collected: a symbolic link is neither kept nor acted on, and linked
// folders are not walked. Files are grouped by size, then by contents (each file read about once,
// and only when another file has its size); an empty file is only listed. Two names of one inode
// are never duplicates of each other. A file that cannot be read is "not a duplicate" and is
// logged (common message 85; 23 for what is not a regular file). Before a duplicate is deleted or moved,
// its bytes are compared with the kept file's again, and it is left alone when either changed. The
// kept file of a group is never deleted, moved or copied. A copy or move never replaces a file in
// the target folder: a taken name becomes the next free numbered name ("report1.txt").
//
// Messages of the finder's table (msg): 1..4, 19, 20 the modes; 5 target folder not created;
// 6 subfolders warning; 7 delete/move warning; 8 collecting caption; 9 empty files heading;
// 10 comparing caption; 11 duplicates heading; 12 deleted; 13 not copied; 14 copied; 15 not moved;
// 16 moved; 18 name modes need subfolders; 21 left alone because a file changed.
#pragma once

#include "core/message_table.h"
#include "core/pipeline.h"

#include <string>

namespace tools::file_ops {

// What decides a duplicate and what is done with it (the index of the window's mode list).
enum class DupesMode {
  ListByContents = 0,
  DeleteByContents = 1,
  CopyByContents = 2,
  MoveByContents = 3,
  ListByName = 4,    // names compared without regard to letter case
  DeleteByName = 5,  // every later file of the same name, whatever its size and contents
};

struct DupesOptions {
  DupesMode mode = DupesMode::ListByContents;
  bool withSubfolders = false;  // the main window's include-subfolders box
  bool withHidden = false;      // the main window's include-hidden box
  std::string targetFolder{};   // copy and move modes: an absolute folder, created when missing
};

enum class DupesStart {
  Ran,      // the run happened (finished, cancelled or ended by an error report)
  Refused,  // a check before the run refused it (its message was shown), or the warning was declined
};

// Runs the finder over the main window's folder (the pipeline host's dir1).
DupesStart findDuplicates(core::Pipeline& pipe, core::ToolForm* form, const DupesOptions& options,
                          const core::MessageTable& msg);

// The message numbers of the modes' names, in the order of DupesMode.
inline constexpr int kDupesModeMessages[] = {1, 2, 3, 4, 19, 20};

// Whether a mode moves or deletes, and whether it needs a target folder.
[[nodiscard]] bool dupesModeRemoves(DupesMode mode);
[[nodiscard]] bool dupesModeNeedsTarget(DupesMode mode);

}  // namespace tools::file_ops
