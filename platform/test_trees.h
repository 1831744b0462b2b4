// For tests: folder trees deeper than PATH_MAX, made and removed through descriptors (no path
// to them may be passed to the kernel whole). Header-only.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace platform::testing {

// Makes `levels` nested folders named `name` below folder; false when one cannot be made.
inline bool makeDeepTree(const std::string& folder, const std::string& name, int levels) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (int i = 0; i < levels && fd >= 0; ++i) {
    const int next = ::mkdirat(fd, name.c_str(), 0755) == 0
                         ? ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)
                         : -1;
    ::close(fd);
    fd = next;
  }
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

// Removes the entry name of the open folder dirFd and, for a folder (never followed through a
// link), everything below it.
inline void removeTreeAt(int dirFd, const char* name) {
  const int fd = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    ::unlinkat(dirFd, name, 0);
    return;
  }
  if (DIR* d = ::fdopendir(fd)) {
    while (const dirent* e = ::readdir(d)) {
      const std::string n = e->d_name;
      if (n != "." && n != "..") removeTreeAt(fd, n.c_str());
    }
    ::closedir(d);
  } else {
    ::close(fd);
  }
  ::unlinkat(dirFd, name, AT_REMOVEDIR);
}

// Removes folder and everything below it, however deep.
inline void removeTree(const std::string& folder) { removeTreeAt(AT_FDCWD, folder.c_str()); }

}  // namespace platform::testing
