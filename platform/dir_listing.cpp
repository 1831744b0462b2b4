#include "platform/dir_listing.h"

#include "platform/entry_at.h"
#include "platform/hidden_list.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <utility>

namespace platform {

namespace {

constexpr long kFatMagic = 0x4d44;                      // MSDOS_SUPER_MAGIC
constexpr std::uint32_t kFatArchive = 0x20;             // ATTR_ARCH

DirEntryKind kindOf(unsigned char type) {
  switch (type) {
    case DT_REG: return DirEntryKind::File;
    case DT_DIR: return DirEntryKind::Folder;
    case DT_LNK: return DirEntryKind::Symlink;
    case DT_UNKNOWN: return DirEntryKind::Unknown;
    default: return DirEntryKind::Other;  // FIFO, socket, devices
  }
}

unsigned statxMask(unsigned want) {
  unsigned mask = STATX_TYPE | STATX_MODE;
  if (want & kStatSize) mask |= STATX_SIZE;
  if (want & kStatTimes) mask |= STATX_MTIME | STATX_ATIME;
  if (want & kStatCreated) mask |= STATX_BTIME;
  return mask;
}

}  // namespace

namespace {

// What a read of kArchiveXattr that gave n (errno set when negative) says.
XattrArchive archiveFromRead(ssize_t n, const char* value) {
  XattrArchive a;
  if (n >= 0) {
    a.supported = true;
    a.set = !(n == 1 && value[0] == '0');
  } else if (errno == ENODATA) {
    a.supported = true;
  } else if (errno == ERANGE) {  // present with a long value
    a.supported = true;
    a.set = true;
  }
  return a;
}

}  // namespace

XattrArchive readArchiveXattr(const std::string& path) {
  char value[8];
  const EntryAt at(path);
  if (at.error() != 0) return {};
  ssize_t n = -1;
  if (at.dir() == AT_FDCWD) {
    n = ::lgetxattr(path.c_str(), kArchiveXattr, value, sizeof value);
  } else {
    // Inside a run's folders: the attribute of that very entry, not of whatever its path leads to.
    const int fd = openEntryItself(at);
    if (fd < 0) return {};
    n = getXattrOf(fd, kArchiveXattr, value, sizeof value);
    const int err = errno;
    ::close(fd);
    errno = err;
  }
  return archiveFromRead(n, value);
}

XattrArchive readArchiveXattrOf(int fd) {
  char value[8];
  const ssize_t n = ::fgetxattr(fd, kArchiveXattr, value, sizeof value);
  return archiveFromRead(n, value);
}

FolderReader::~FolderReader() {
  if (fd_ >= 0) ::close(fd_);
}

FolderReader::FolderReader(FolderReader&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)), fat_(other.fat_) {}

FolderReader& FolderReader::operator=(FolderReader&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
    fat_ = other.fat_;
  }
  return *this;
}

int FolderReader::open(const std::string& folder) { return openWith(folder, O_RDONLY); }

int FolderReader::openForLookups(const std::string& folder) { return openWith(folder, O_PATH); }

int FolderReader::openWith(const std::string& folder, int flags) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  fat_ = -1;  // asked only where an archive flag is wanted: most listings never need it
  path_ = folder;
  if (path_.empty() || path_.back() != '/') path_ += '/';
  const int fd = openFolderFd(path_, flags);
  if (fd < 0) return errno;
  fd_ = fd;
  return 0;
}

int forEachEntry(int dirFd, const std::function<void(const char* name, DirEntryKind kind)>& onEntry) {
  return forEachEntryUntil(dirFd, [&](const char* name, DirEntryKind kind) {
    onEntry(name, kind);
    return false;
  });
}

int forEachEntryUntil(int dirFd, const std::function<bool(const char* name, DirEntryKind kind)>& onEntry) {
  if (dirFd < 0) return EBADF;
  // The folder's records are read straight from the descriptor (no directory stream on a
  // duplicate of it): a folder of a few names then costs a seek and two reads.
  if (::lseek(dirFd, 0, SEEK_SET) < 0) return errno;  // earlier reads moved the offset
  constexpr std::size_t kBuffer = 32 << 10;
  const auto buffer = std::make_unique_for_overwrite<char[]>(kBuffer);
  for (;;) {
    const ssize_t n = ::getdents64(dirFd, buffer.get(), kBuffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return 0;
    for (ssize_t at = 0; at < n;) {
      const auto* d = reinterpret_cast<const dirent64*>(buffer.get() + at);
      at += d->d_reclen;
      const char* name = d->d_name;
      if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
      if (onEntry(name, kindOf(d->d_type))) return 0;
    }
  }
}

int FolderReader::readNames(std::vector<DirName>& out) const {
  return forEachEntry(fd_, [&](const char* name, DirEntryKind kind) {
    out.push_back(DirName{std::string(name), kind});
  });
}

EntryStatus FolderReader::status(const std::string& name, unsigned want) const {
  EntryStatus st;
  if (fd_ < 0 || name.empty()) return st;
  struct statx sx {};
  const unsigned mask = statxMask(want);
  if (::statx(fd_, name.c_str(), AT_STATX_SYNC_AS_STAT, mask, &sx) != 0) {
    // A dangling symlink: report the link itself so that it is listed like a file.
    if (errno != ENOENT && errno != ELOOP) return st;
    if (::statx(fd_, name.c_str(), AT_STATX_SYNC_AS_STAT | AT_SYMLINK_NOFOLLOW, mask, &sx) != 0)
      return st;
    st.isSymlink = true;
  }
  st.ok = true;
  st.isFolder = S_ISDIR(sx.stx_mode);
  st.isRegular = S_ISREG(sx.stx_mode);
  st.readOnly = (sx.stx_mode & 0222) == 0;
  st.size = sx.stx_size;
  st.modified = sx.stx_mtime.tv_sec;
  st.accessed = sx.stx_atime.tv_sec;
  // Some file systems (overlays among them) answer the birth-time request with a zero time
  // instead of leaving it out: that is no creation time either.
  if ((want & kStatCreated) && (sx.stx_mask & STATX_BTIME) &&
      (sx.stx_btime.tv_sec != 0 || sx.stx_btime.tv_nsec != 0)) {
    st.created = sx.stx_btime.tv_sec;
    st.hasCreated = true;
  }
  return st;
}

FileStatus FolderReader::entryStatus(const std::string& name) const {
  FileStatus st;
  struct statx sx {};
  if (fd_ < 0 || name.empty() || name.find('/') != std::string::npos) {
    st.error = fd_ < 0 ? EBADF : EINVAL;
    return st;
  }
  if (::statx(fd_, name.c_str(), AT_STATX_SYNC_AS_STAT | AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) {
    st.error = errno;
    return st;
  }
  return statusFromStatx(sx);
}

bool FolderReader::archive(const std::string& name) const {
  if (fd_ < 0 || name.empty()) return false;
  if (fat_ < 0) {
    struct statfs fs {};
    fat_ = ::fstatfs(fd_, &fs) == 0 && static_cast<long>(fs.f_type) == kFatMagic ? 1 : 0;
  }
  if (fat_ != 0) {
    struct stat sb {};
    if (::fstatat(fd_, name.c_str(), &sb, 0) != 0 || !S_ISREG(sb.st_mode)) return false;
    // O_NONBLOCK: should the entry have been swapped for a FIFO since, the open does not wait.
    const int fd = ::openat(fd_, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    std::uint32_t attrs = 0;
    const bool ok = ::fstat(fd, &sb) == 0 && S_ISREG(sb.st_mode) &&
                    ::ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, &attrs) == 0;
    ::close(fd);
    return ok && (attrs & kFatArchive);
  }
  return readArchiveXattr(path_ + name).set;
}

std::unordered_set<std::string> FolderReader::hiddenNames() const { return hiddenNamesAt(fd_); }

}  // namespace platform
