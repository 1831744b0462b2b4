#include "platform/file_attributes.h"

#include "platform/dir_listing.h"
#include "platform/entry_at.h"
#include "platform/fs.h"
#include "platform/hidden_list.h"

#include <algorithm>
#include <functional>
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

// A line of ".hidden" names an entry of this folder by itself.
bool listableName(const std::string& n) {
  return !n.empty() && n.front() != '.' && n.find_first_of("\r\n/") == std::string::npos;
}

std::string hiddenFileOf(const std::string& folder) {
  return folder == "/" ? "/.hidden" : folder + "/.hidden";
}

// The names of the folder's ".hidden" file. A ".hidden" that is a link is no list of this folder's
// (it is read as none and never written through).
std::vector<std::string> readHiddenList(const std::string& folder) {
  // One open where the folder has none, as in most folders: a delete asks for every file.
  const std::string file = hiddenFileOf(folder);
  const EntryAt at(file);
  if (at.error() != 0) return {};
  return splitHiddenList(readHiddenEntry(at.dir(), at.name()));
}

// Changes the folder's ".hidden" under its lock, on a fresh read (hidden_list.h).
int updateHiddenList(const std::string& folder, const std::function<bool(std::vector<std::string>&)>& change) {
  const int dirFd = openFolderFd(folder, O_RDONLY);
  if (dirFd < 0) return errno;
  const int err = updateHiddenFileAt(dirFd, folder, change).error;
  ::close(dirFd);
  return err;
}

bool onVfat(const std::string& path) {
  struct statfs sf {};
  return ::statfs(path.c_str(), &sf) == 0 && sf.f_type == MSDOS_SUPER_MAGIC;
}

// The DOS attribute byte of the open file fd on vfat, or -1 (errno set) when it cannot be had.
int dosAttributesOf(int fd) {
  std::uint32_t attr = 0;
  return ::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &attr) == 0 ? static_cast<int>(attr) : -1;
}

// The same for the file at path.
int readDosAttributes(const std::string& path) {
  const EntryAt at(path);
  const int fd = at.error() != 0 ? -1 : ::openat(at.dir(), at.name(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    if (at.error() != 0) errno = at.error();
    return -1;
  }
  const int attr = dosAttributesOf(fd);
  const int err = errno;
  ::close(fd);
  errno = err;
  return attr;
}

// The archive flag from a DOS attribute byte (-1: unknown) or from the extended attribute.
void archiveFromDos(Attributes& a, int dos) {
  if (dos < 0) return;
  a.archiveSupported = true;
  a.archive = (dos & ATTR_ARCH) != 0;
}

void archiveFromXattr(Attributes& a, const XattrArchive& x) {
  a.archiveSupported = x.supported;
  a.archive = x.set;
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
    archiveFromDos(a, readDosAttributes(p));
  } else {
    archiveFromXattr(a, readArchiveXattr(p));
  }
  return a;
}

FolderAttributes::FolderAttributes(std::string_view folder) : folder_(folder) {
  std::string f(folder);
  while (f.size() > 1 && f.back() == '/') f.pop_back();
  if (f.empty()) f = ".";
  for (std::string& n : readHiddenList(f)) listed_.insert(std::move(n));
  vfat_ = onVfat(f);
}

Attributes FolderAttributes::ofNewFile(std::string_view name, std::uint32_t mode) const {
  Attributes a;
  a.readOnly = (mode & kWriteBits) == 0;
  a.hiddenByName = !name.empty() && name.front() == '.';
  a.hidden = a.hiddenByName || listed_.contains(std::string(name));
  a.archiveSupported = !vfat_;
  return a;
}

Attributes FolderAttributes::ofOpenFile(int fd, std::string_view name, std::uint32_t mode) const {
  Attributes a = ofNewFile(name, mode);
  if (vfat_) {
    archiveFromDos(a, dosAttributesOf(fd));
  } else {
    archiveFromXattr(a, readArchiveXattrOf(fd));
  }
  return a;
}

int setReadOnly(std::string_view path, bool on) {
  // The bits are read and written on one descriptor of the entry itself: a link swapped in for the
  // file between the two is never followed to another file.
  const EntryAt at(path);
  const int fd = openEntryItself(at);
  if (fd < 0) return errno;
  struct stat st {};
  int err = 0;
  if (::fstat(fd, &st) != 0) {
    err = errno;
  } else if (S_ISLNK(st.st_mode)) {
    err = ENOTSUP;
  } else {
    const std::uint32_t mode = st.st_mode & 07777;
    err = setModeOf(fd, on ? (mode & ~kWriteBits) : (mode | S_IWUSR));
  }
  ::close(fd);
  return err;
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
    if (!listableName(n)) return EINVAL;
  }
  return on ? changeHiddenNames(folder, names, {}) : changeHiddenNames(folder, {}, names);
}

int changeHiddenNames(std::string_view folder, std::span<const std::string> add,
                      std::span<const std::string> remove) {
  if (!std::all_of(add.begin(), add.end(), listableName)) return EINVAL;
  std::string dir(folder);
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (dir.empty()) dir = ".";
  const std::unordered_set<std::string> gone(remove.begin(), remove.end());
  return updateHiddenList(dir, [&](std::vector<std::string>& list) {
    bool changed = std::erase_if(list, [&](const std::string& n) { return gone.contains(n); }) > 0;
    std::unordered_set<std::string> present(list.begin(), list.end());
    for (const std::string& n : add) {
      if (present.insert(n).second) {
        list.push_back(n);
        changed = true;
      }
    }
    return changed;
  });
}

int setArchive(std::string_view path, bool on) {
  const EntryAt at(path);
  const int fd = openEntryItself(at);
  if (fd < 0) return errno;
  struct stat st {};
  int err = 0;
  struct statfs sf {};
  if (::fstat(fd, &st) != 0) {
    err = errno;
  } else if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
    err = ENOTSUP;  // links and system files carry no flag of ours
  } else if (::fstatfs(fd, &sf) == 0 && sf.f_type == MSDOS_SUPER_MAGIC) {
    const int real = reopenEntry(fd, O_RDONLY | O_NONBLOCK | O_NOCTTY);
    std::uint32_t attr = 0;
    if (real < 0 || ::ioctl(real, FAT_IOCTL_GET_ATTRIBUTES, &attr) != 0) {
      err = ENOTSUP;
    } else {
      attr = on ? (attr | ATTR_ARCH) : (attr & ~static_cast<std::uint32_t>(ATTR_ARCH));
      if (::ioctl(real, FAT_IOCTL_SET_ATTRIBUTES, &attr) != 0) err = errno;
    }
    if (real >= 0) ::close(real);
  } else {
    const auto change = [&] {
      int e = on ? setXattrOf(fd, kArchiveXattr, "1", 1) : removeXattrOf(fd, kArchiveXattr);
      return !on && e == ENODATA ? 0 : e;
    };
    err = change();
    // The system asks for write permission to change an attribute: the owner of a read-only file
    // lifts the owner's write bit for that one step, on this very inode, and puts it back.
    if (err == EACCES && st.st_uid == ::geteuid() && (st.st_mode & S_IWUSR) == 0 &&
        setModeOf(fd, (st.st_mode & 07777) | S_IWUSR) == 0) {
      err = change();
      if (const int back = setModeOf(fd, st.st_mode & 07777); err == 0) err = back;
    }
    if (err == EOPNOTSUPP) err = ENOTSUP;
  }
  ::close(fd);
  return err;
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
  // Most folders have no such file, and most names no line: a look first, the lock only for a line.
  const std::vector<std::string> names = readHiddenList(sp.folder);
  if (std::find(names.begin(), names.end(), sp.name) == names.end()) return;
  (void)updateHiddenList(sp.folder, [&](std::vector<std::string>& list) { return std::erase(list, sp.name) > 0; });
}

}  // namespace platform
