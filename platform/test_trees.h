// For tests: folder trees deeper than PATH_MAX, made and removed through descriptors (no path
// to them may be passed to the kernel whole), folders made out of name order, and sparse files.
// Header-only.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace platform::testing {

// Twelve folder names in name order.
inline const std::vector<std::string> kOrderedNames = {
    "Alpha", "Bravo", "Charlie", "Delta", "Echo", "Foxtrot", "Golf", "Hotel", "India", "Juliett", "Kilo", "Lima"};

// Makes the folders of kOrderedNames in folder in a shuffled order, so that neither a listing in
// creation order nor one in the file system's hash order gives name order by chance.
inline bool makeFoldersOutOfOrder(const std::string& folder) {
  bool ok = true;
  for (const std::size_t i : {5u, 8u, 0u, 11u, 2u, 7u, 1u, 10u, 4u, 6u, 3u, 9u})
    ok = ::mkdir((folder + "/" + kOrderedNames[i]).c_str(), 0755) == 0 && ok;
  return ok;
}

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

// makeDeepTree below root ("/"-terminated); the deepest folder's path ("/"-terminated), or "" when
// a folder could not be made.
inline std::string makeDeepFolder(const std::string& root, const std::string& name, int levels) {
  if (!makeDeepTree(root, name, levels)) return {};
  std::string deep = root;
  for (int i = 0; i < levels; ++i) deep += name + "/";
  return deep;
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

// Makes path a file of size bytes that holds only pieces (offset, bytes), holes elsewhere on a
// file system that keeps them; false when it cannot be written.
inline bool makeSparseFile(const std::string& path, std::uint64_t size,
                           const std::vector<std::pair<std::uint64_t, std::string>>& pieces) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = ::ftruncate(fd, static_cast<off_t>(size)) == 0;
  for (const auto& [offset, bytes] : pieces)
    ok = ok && ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)) ==
                   static_cast<ssize_t>(bytes.size());
  return ::close(fd) == 0 && ok;
}

}  // namespace platform::testing
