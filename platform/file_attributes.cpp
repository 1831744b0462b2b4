#include "platform/file_attributes.h"

#include "platform/dir_listing.h"
#include "platform/fs.h"
#include "platform/hidden_list.h"

#include <algorithm>
#include <unordered_set>
#include <cerrno>
#include <cstdint>
#include <vector>

#include <fcntl.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr std::uint32_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

struct SplitPath {
  std::string folder;  // without trailing "/" ("/" for the root)
  std::string name;
};

SplitPath splitPath(std::string_view path) {
  std::string p(path);
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  const std::size_t pos = p.rfind('/');
  if (pos == std::string::npos) return {".", p};
  return {pos == 0 ? "/" : p.substr(0, pos), p.substr(pos + 1)};
}

std::string hiddenFileOf(const std::string& folder) {
  return folder == "/" ? "/.hidden" : folder + "/.hidden";
}

// Read by path, following a symlinked ".hidden" as writeFileAtomic writes through one, so that
// changing the list keeps the names the link's target holds.
std::vector<std::string> readHiddenList(const std::string& folder) {
  const ReadResult r = readRange(hiddenFileOf(folder), 0, 0);
  if (r.error != 0) return {};
  return splitHiddenList(r.data);
}

int writeHiddenList(const std::string& folder, const std::vector<std::string>& names) {
  const std::string file = hiddenFileOf(folder);
  if (names.empty()) {
    const int err = removeFile(file);
    return err == ENOENT ? 0 : err;
  }
  std::string text;
  for (const std::string& n : names) text += n + "\n";
  return writeFileAtomic(file, text);
}

bool onVfat(const std::string& path) {
  struct statfs sf {};
  return ::statfs(path.c_str(), &sf) == 0 && sf.f_type == MSDOS_SUPER_MAGIC;
}

// The DOS attribute byte of a file on vfat, or -1 (errno set) when it cannot be had.
int readDosAttributes(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  std::uint32_t attr = 0;
  const int rc = ::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &attr);
  const int err = errno;
  ::close(fd);
  errno = err;
  return rc == 0 ? static_cast<int>(attr) : -1;
}

}  // namespace

Attributes readAttributes(std::string_view path, const std::unordered_set<std::string>* listed) {
  Attributes a;
  const FileStatus st = fileStatus(path, false);
  if (st.error != 0) {
    a.error = st.error;
    return a;
  }
  const SplitPath sp = splitPath(path);
  a.directory = st.type == FileType::Directory;
  a.system = st.type == FileType::Other;
  a.readOnly = st.type != FileType::Symlink && (st.mode & kWriteBits) == 0;
  a.hiddenByName = !sp.name.empty() && sp.name.front() == '.' && sp.name != "." && sp.name != "..";
  a.hidden = a.hiddenByName || (listed ? listed->contains(sp.name) : isListedHidden(path));

  const std::string p(path);
  if (st.type == FileType::Symlink || st.type == FileType::Other) return a;  // never opened
  if (onVfat(p)) {
    const int dos = readDosAttributes(p);
    if (dos >= 0) {
      a.archiveSupported = true;
      a.archive = (dos & ATTR_ARCH) != 0;
    }
    return a;
  }
  const XattrArchive x = readArchiveXattr(p);
  a.archiveSupported = x.supported;
  a.archive = x.set;
  return a;
}

int setReadOnly(std::string_view path, bool on) {
  const FileStatus st = fileStatus(path, false);
  if (st.error != 0) return st.error;
  if (st.type == FileType::Symlink) return ENOTSUP;
  const std::uint32_t mode = on ? (st.mode & ~kWriteBits) : (st.mode | S_IWUSR);
  const std::string p(path);
  if (::fchmodat(AT_FDCWD, p.c_str(), mode, 0) != 0) return errno;
  return 0;
}

int setHidden(std::string_view path, bool on) {
  const FileStatus st = fileStatus(path, false);
  if (st.error != 0) return st.error;
  const SplitPath sp = splitPath(path);
  if (sp.name.empty() || sp.name == "." || sp.name == "..") return EINVAL;
  const bool dotName = sp.name.front() == '.';
  if (dotName) return on ? 0 : ENOTSUP;
  if (sp.name.find_first_of("\r\n") != std::string::npos) return EINVAL;
  return setHiddenNames(sp.folder, std::span(&sp.name, 1), on);
}

int setHiddenNames(std::string_view folder, std::span<const std::string> names, bool on) {
  for (const std::string& n : names) {
    if (n.empty() || n.front() == '.' || n.find_first_of("\r\n/") != std::string::npos) return EINVAL;
  }
  std::string dir(folder);
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  std::vector<std::string> list = readHiddenList(dir);
  std::unordered_set<std::string> present(list.begin(), list.end());
  bool changed = false;
  if (on) {
    for (const std::string& n : names) {
      if (present.insert(n).second) {
        list.push_back(n);
        changed = true;
      }
    }
  } else {
    const std::unordered_set<std::string> gone(names.begin(), names.end());
    changed = std::erase_if(list, [&](const std::string& n) { return gone.contains(n); }) > 0;
  }
  return changed ? writeHiddenList(dir, list) : 0;
}

int setArchive(std::string_view path, bool on) {
  const FileStatus st = fileStatus(path, false);
  if (st.error != 0) return st.error;
  if (st.type == FileType::Symlink || st.type == FileType::Other) return ENOTSUP;
  const std::string p(path);
  if (onVfat(p)) {
    const int dos = readDosAttributes(p);
    if (dos < 0) return ENOTSUP;
    std::uint32_t attr = on ? (static_cast<std::uint32_t>(dos) | ATTR_ARCH)
                            : (static_cast<std::uint32_t>(dos) & ~static_cast<std::uint32_t>(ATTR_ARCH));
    const int fd = ::open(p.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return errno;
    const int rc = ::ioctl(fd, FAT_IOCTL_SET_ATTRIBUTES, &attr);
    const int err = errno;
    ::close(fd);
    return rc == 0 ? 0 : err;
  }
  int rc = 0;
  if (on) rc = ::lsetxattr(p.c_str(), kArchiveXattr, "1", 1, 0);
  else {
    rc = ::lremovexattr(p.c_str(), kArchiveXattr);
    if (rc != 0 && errno == ENODATA) rc = 0;
  }
  if (rc == 0) return 0;
  return (errno == ENOTSUP || errno == EOPNOTSUPP) ? ENOTSUP : errno;
}

bool isListedHidden(std::string_view path) {
  const SplitPath sp = splitPath(path);
  if (sp.name.empty()) return false;
  const std::vector<std::string> names = readHiddenList(sp.folder);
  return std::find(names.begin(), names.end(), sp.name) != names.end();
}

void forgetHiddenEntry(std::string_view path) {
  const SplitPath sp = splitPath(path);
  if (sp.name.empty()) return;
  std::vector<std::string> names = readHiddenList(sp.folder);
  if (std::erase(names, sp.name) == 0) return;
  (void)writeHiddenList(sp.folder, names);
}

}  // namespace platform
