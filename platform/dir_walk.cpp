#include "platform/dir_walk.h"

#include <cerrno>
#include <cstring>
#include <deque>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// The ".hidden" file of a folder; an unreadable or oversized one counts as empty (hiding is a
// display preference, not a reason to fail a listing).
std::string readHiddenFile(int dirFd) {
  constexpr std::size_t kMax = 4 << 20;
  const int fd = ::openat(dirFd, ".hidden", O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return {};
  std::string data;
  struct stat st{};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    char buf[16384];
    for (;;) {
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      data.append(buf, static_cast<std::size_t>(n));
      if (data.size() > kMax) {
        data.clear();
        break;
      }
    }
  }
  ::close(fd);
  return data;
}

bool isDotOrDotDot(const char* n) {
  return n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'));
}

// Lists the open folder `fd` (taken over and closed). Returns 0 or the errno of a failed read.
int listOpenFolder(int fd, bool includeHidden, std::vector<std::string>& names) {
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    const int err = errno;
    ::close(fd);
    return err;
  }
  const std::size_t first = names.size();
  bool sawHiddenFile = false;
  int err = 0;
  for (;;) {
    errno = 0;
    const dirent* e = ::readdir(dir);
    if (!e) {
      err = errno;
      break;
    }
    const char* n = e->d_name;
    if (isDotOrDotDot(n)) continue;
    if (n[0] == '.') {
      if (!includeHidden) {
        if (std::strcmp(n, ".hidden") == 0) sawHiddenFile = true;
        continue;
      }
    }
    bool isDir = e->d_type == DT_DIR;
    if (e->d_type == DT_UNKNOWN) {
      struct stat st{};
      isDir = ::fstatat(::dirfd(dir), n, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
    }
    if (isDir) names.emplace_back(n);
  }
  if (sawHiddenFile && names.size() > first) {
    const std::string list = readHiddenFile(::dirfd(dir));
    if (!list.empty()) {
      std::size_t out = first;
      for (std::size_t i = first; i < names.size(); ++i)
        if (!isHiddenName(names[i], list)) {
          if (out != i) names[out] = std::move(names[i]);
          ++out;
        }
      names.resize(out);
    }
  }
  ::closedir(dir);
  return err;
}

int openFolder(const std::string& folder, bool followFinalLink) {
  const std::string& path = folder.empty() ? std::string(".") : folder;
  int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  if (!followFinalLink) flags |= O_NOFOLLOW;
  int fd;
  do {
    fd = ::open(path.c_str(), flags);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

bool isHiddenName(std::string_view name, std::string_view hiddenList) {
  if (!name.empty() && name.front() == '.') return true;
  std::size_t pos = 0;
  while (pos < hiddenList.size()) {
    std::size_t end = hiddenList.find('\n', pos);
    if (end == std::string_view::npos) end = hiddenList.size();
    std::string_view line = hiddenList.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty() && line == name) return true;
    pos = end + 1;
  }
  return false;
}

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
