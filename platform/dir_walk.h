// Raw folder enumeration on POSIX: the direct subfolders of one folder, and a breadth-first walk
// of a whole tree. Directory symlinks are never followed, entries whose type readdir leaves
// unknown are stat'ed, and a folder that cannot be read is reported through a callback rather
// than skipped silently. Names are bytes, returned as readdir gives them.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace platform {

// Called once for each folder that could not be opened or read completely: the folder (as passed
// to the listing, trailing "/" included) and the errno value.
using UnreadableFolderFn = std::function<void(const std::string& folder, int err)>;

// Lists the direct subfolders of `folder` (a trailing "/" is optional; "/" is the root) into
// `names`, appended in the order the file system returns them. "." and ".." never appear.
// A symlink to a folder is not a subfolder. Without `includeHidden`, names starting with "." and
// names listed in the folder's ".hidden" file (hidden_list.h) are left out.
// With `followLink` false, a `folder` that is itself a symlink fails with ELOOP or ENOTDIR (for
// folders found by a walk, so that one swapped for a link meanwhile leads nowhere).
// Returns 0, or the errno value when the folder could not be opened (names unchanged) or read to
// the end (names holds what was read before the error).
[[nodiscard]] int listSubfolders(const std::string& folder, bool includeHidden,
                                 std::vector<std::string>& names, bool followLink = true);

struct WalkStats {
  std::size_t folders = 0;     // folders reported to the visitor, the root included
  std::size_t unreadable = 0;  // folders reported to onUnreadable
  bool stopped = false;        // the visitor asked to stop
};

// Walks the tree below `root` breadth-first. `visit` gets every folder path with a trailing "/",
// the root first; returning false stops the walk. Subfolders are listed as by listSubfolders.
// The root itself may be reached through a symlink; nothing below it is.
WalkStats walkFolders(const std::string& root, bool includeHidden,
                      const std::function<bool(const std::string& folder)>& visit,
                      const UnreadableFolderFn& onUnreadable);

}  // namespace platform
