// Raw folder enumeration on POSIX: the direct subfolders of one folder, and a breadth-first walk
// of a whole tree. Directory symlinks are never followed, entries whose type readdir leaves
// unknown are stat'ed, and a folder that cannot be read is reported through a callback rather
// than skipped silently. Names are bytes, returned as readdir gives them. Walks open each folder
// through its parent's descriptor, so a folder swapped for a symlink after it was found is never
// entered and paths longer than PATH_MAX are walked like any other.
#pragma once

#include "platform/file_identity_type.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
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

// Opens the folders of a walk by descriptor: a start folder by its path, every folder found
// below it by its name relative to its parent's descriptor (O_NOFOLLOW | O_DIRECTORY), so that
// a folder swapped for a symlink after it was found is refused (ELOOP or ENOTDIR) and no path
// length limit applies. Folders are numbered from 0 in the order they are added. Holds at most a
// few hundred descriptors at once: those of the last listed folder and its parents, and of listed
// folders whose subfolders are still to be opened (a breadth-first walk reaches them a level
// later: kept, their subfolders are opened from the descriptor the listing used, not from a
// second open by name).
class FolderTreeReader {
 public:
  FolderTreeReader() = default;
  ~FolderTreeReader();
  FolderTreeReader(const FolderTreeReader&) = delete;
  FolderTreeReader& operator=(const FolderTreeReader&) = delete;

  // Adds a start folder ("" is the current folder; a trailing "/" is optional). With followLink
  // false a start folder that is itself a symlink is refused when listed. Returns its number.
  std::size_t addRoot(const std::string& path, bool followLink);
  // Adds the subfolder `name` of the folder numbered `parent`. Returns its number.
  std::size_t addChild(std::size_t parent, std::string name);
  // Lists the direct subfolders of folder `id` into names (appended) as listSubfolders does.
  // Returns 0, or the errno value when the folder could not be opened or read to the end.
  // A folder whose link count shows it holds no folder (2, on file systems where a folder's count
  // is 2 plus its subfolders: ext2/3/4, XFS, tmpfs) is not read at all, unless this reader removes
  // stale temporary files, which needs every name.
  [[nodiscard]] int listSubfolders(std::size_t id, bool includeHidden, std::vector<std::string>& names);
  // From now on each folder listed loses the temporary files a killed writer of this program left
  // in it (those it can prove its own, held by no process: own_temporary.h), in the same pass over
  // its names. Only for runs that write.
  void removeStaleTemporaries(bool on) { sweep_ = on; }
  // The identity of folder `id` as it was when first opened (all zero before, or when it could
  // not be opened): what a later step checks it still is.
  [[nodiscard]] FileIdentity identity(std::size_t id) const { return id < nodes_.size() ? nodes_[id].seen : FileIdentity{}; }

 private:
  struct Node {
    std::size_t parent;  // own number for a start folder
    std::string name;    // the path of a start folder
    bool followLink;
    FileIdentity seen{};
    std::uint64_t links = 0;  // its link count when first opened (0: unknown)
  };
  struct Link {
    std::size_t node;
    int fd;  // -1 once closed to stay below the cap; opened again when needed
  };
  int openNode(std::size_t id);
  int fdAt(std::size_t depth);
  void closeFrom(std::size_t depth);
  void capOpen();

  std::vector<Node> nodes_;
  std::vector<Link> chain_;  // a start folder and its subfolders down to the last one opened
  std::unordered_map<std::size_t, int> kept_;  // listed folders with subfolders, until one is opened
  bool sweep_ = false;       // removeStaleTemporaries
  // Whether link counts tell subfolders on the file system last asked about (by device).
  std::uint64_t countsDevice_ = 0;
  bool countsSubfolders_ = false;
  bool linksCountSubfolders(std::uint64_t device, int fd);
};

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
