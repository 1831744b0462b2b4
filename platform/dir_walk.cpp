#include "platform/dir_walk.h"

#include "platform/dir_listing.h"
#include "platform/hidden_list.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <deque>
#include <unordered_set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// Lists the open folder `fd` (taken over and closed). Returns 0 or the errno of a failed read.
int listOpenFolder(int fd, bool includeHidden, std::vector<std::string>& names) {
  const std::size_t first = names.size();
  bool sawHiddenFile = false;
  const int err = forEachEntry(fd, [&](const char* n, DirEntryKind kind) {
    if (n[0] == '.' && !includeHidden) {
      if (std::strcmp(n, ".hidden") == 0) sawHiddenFile = true;
      return;
    }
    bool isDir = kind == DirEntryKind::Folder;
    if (kind == DirEntryKind::Unknown) {
      struct stat st{};
      isDir = ::fstatat(fd, n, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
    }
    if (isDir) names.emplace_back(n);
  });
  // The ".hidden" file is read only where the listing showed one and it could hide something.
  if (sawHiddenFile && names.size() > first) {
    const std::unordered_set<std::string> listed = hiddenNamesAt(fd);
    if (!listed.empty())
      names.erase(std::remove_if(names.begin() + static_cast<std::ptrdiff_t>(first), names.end(),
                                 [&](const std::string& n) { return listed.count(n) != 0; }),
                  names.end());
  }
  ::close(fd);
  return err;
}

int openFolder(const std::string& folder, bool followFinalLink) {
  const char* path = folder.empty() ? "." : folder.c_str();
  int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  if (!followFinalLink) flags |= O_NOFOLLOW;
  int fd;
  do {
    fd = ::open(path, flags);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

int listSubfolders(const std::string& folder, bool includeHidden, std::vector<std::string>& names,
                   bool followLink) {
  const int fd = openFolder(folder, followLink);
  if (fd < 0) return errno;
  return listOpenFolder(fd, includeHidden, names);
}

WalkStats walkFolders(const std::string& root, bool includeHidden,
                      const std::function<bool(const std::string& folder)>& visit,
                      const UnreadableFolderFn& onUnreadable) {
  WalkStats stats;
  std::deque<std::string> queue;
  queue.push_back(root.empty() || root.back() == '/' ? root : root + '/');
  std::vector<std::string> names;
  bool isRoot = true;
  while (!queue.empty()) {
    std::string folder = std::move(queue.front());
    queue.pop_front();
    ++stats.folders;
    if (visit && !visit(folder)) {
      stats.stopped = true;
      break;
    }
    names.clear();
    // Below the root a folder we found as a real directory must still be one when we open it:
    // O_NOFOLLOW keeps a folder swapped for a symlink meanwhile from leading the walk elsewhere.
    const int fd = openFolder(folder, isRoot);
    isRoot = false;
    const int err = fd < 0 ? errno : listOpenFolder(fd, includeHidden, names);
    if (err != 0) {
      ++stats.unreadable;
      if (onUnreadable) onUnreadable(folder, err);
    }
    for (auto& n : names) {
      std::string child;
      child.reserve(folder.size() + n.size() + 1);
      child.append(folder).append(n).push_back('/');
      queue.push_back(std::move(child));
    }
  }
  return stats;
}

}  // namespace platform
