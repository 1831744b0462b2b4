// What the delete tool's window hands its run: the mode, the number of wipe passes, the main
// window's folder and filters, and for the free-space wipe the chosen mount and the folders the
// fill files may go in when the mount's own folder refuses them.
#pragma once

#include <string>
#include <vector>

namespace tools::file_ops {

enum class DeleteMode {
  Delete,         // deleted for good
  Recycle,        // to the trash; a file the trash cannot take is kept
  WipeFiles,      // overwritten with random data, cut to zero length, renamed, then deleted
  WipeFreeSpace,  // the free space of a mount filled with random data, then released
};

struct DeleteOptions {
  DeleteMode mode = DeleteMode::Delete;
  int passes = 1;               // the wipe modes: 1 or 3
  std::string folder{};         // the main window's folder (ending "/"); "" takes the host's
  bool withSubfolders = false;  // the main window's include-subfolders box
  bool withHidden = false;      // the main window's include-hidden box
  std::string pattern{};        // the main window's extension pattern, for the summary
  // Free-space wipe: the mount point chosen (ending "/"), and in order the folders where the fill
  // folder may be made when the mount point itself cannot take it (the home folder, the main
  // window's folder); each is used only when it lies on that same file system.
  std::string mountPoint{};
  std::vector<std::string> fillFolderParents{};
};

}  // namespace tools::file_ops
