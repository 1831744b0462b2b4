#include "platform/wipe_io.h"

#include "platform/entry_at.h"
#include "platform/fd_io.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr int kOpenFlags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

// The identity of what dirfd/name names (a link itself, never what it names); name "" means the
// open file dirfd. The birth time stays 0 where the file system does not record it.
WipeIdentity identityAt(int dirfd, const char* name, const struct stat& st) {
  WipeIdentity id{.file = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)}};
  struct statx sx {};
  const int flags = AT_SYMLINK_NOFOLLOW | (*name == '\0' ? AT_EMPTY_PATH : 0);
  if (::statx(dirfd, name, flags, STATX_BTIME, &sx) == 0 && (sx.stx_mask & STATX_BTIME) != 0) {
    id.bornSec = sx.stx_btime.tv_sec;
    id.bornNsec = sx.stx_btime.tv_nsec;
  }
  return id;
}
WipeIdentity identityOf(int fd, const struct stat& st) { return identityAt(fd, "", st); }

// Opens the entry for writing when it is the regular file seen before (identity `was`); -errno
// otherwise.
int openSame(const EntryAt& at, const WipeIdentity& was) {
  const int fd = ::openat(at.dir(), at.name(), O_WRONLY | kOpenFlags);
  if (fd < 0) return -errno;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !(identityOf(fd, st) == was)) {
    ::close(fd);
    return -ESTALE;
  }
  return fd;
}

// Sets the file's permission bits through a descriptor of the file seen before, so that a name
// swapped meanwhile is never changed. 0 or errno.
int setModeOfSame(const EntryAt& at, const WipeIdentity& was, unsigned mode) {
  const int fd = openEntryItself(at);
  if (fd < 0) return errno;
  struct stat st {};
  int err = 0;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !(identityOf(fd, st) == was)) {
    err = ESTALE;
  } else {
    err = setModeOf(fd, mode);
  }
  ::close(fd);
  return err;
}

}  // namespace

WipeFile::~WipeFile() {
  if (fd_ >= 0) ::close(fd_);
}

int WipeFile::open(std::string_view path, const WipeIdentity* expected) {
  if (fd_ >= 0) return EBUSY;
  const EntryAt at(path);
  if (at.error() != 0) return at.error();
  struct stat before {};
  if (::fstatat(at.dir(), at.name(), &before, AT_SYMLINK_NOFOLLOW) != 0) return errno;
  if (S_ISLNK(before.st_mode)) return ELOOP;
  if (!S_ISREG(before.st_mode)) return EINVAL;
  if (before.st_nlink > 1) return EMLINK;
  const WipeIdentity was = identityAt(at.dir(), at.name(), before);
  if (expected && !(was == *expected)) return ESTALE;
  int fd = openSame(at, was);
  if (fd == -EACCES && (before.st_mode & S_IWUSR) == 0 && before.st_uid == ::geteuid()) {
    // Read-only for its owner: the owner may take that back; the wipe does so for its time.
    if (const int err = setModeOfSame(at, was, (before.st_mode & 07777) | S_IWUSR); err != 0) return err;
    fd = openSame(at, was);
    if (fd < 0) {
      (void)setModeOfSame(at, was, before.st_mode & 07777);
      return -fd;
    }
    oldMode_ = before.st_mode & 07777;
    modeChanged_ = true;
  }
  if (fd < 0) return -fd;
  fd_ = fd;
  size_ = static_cast<std::uint64_t>(before.st_size);
  identity_ = was;
  return 0;
}

int WipeFile::create(std::string_view path) {
  if (fd_ >= 0) return EBUSY;
  const EntryAt at(path);
  if (at.error() != 0) return at.error();
  const int fd = ::openat(at.dir(), at.name(), O_WRONLY | O_CREAT | O_EXCL | kOpenFlags, 0600);
  if (fd < 0) return errno;
  struct stat st {};
  if (::fstat(fd, &st) == 0) identity_ = identityOf(fd, st);
  fd_ = fd;
  size_ = 0;
  modeChanged_ = false;
  return 0;
}

int WipeFile::writeAt(std::uint64_t offset, std::string_view data, std::uint64_t& written) {
  written = 0;
  if (fd_ < 0) return EBADF;
  while (written < data.size()) {
    const ssize_t n = ::pwrite(fd_, data.data() + written, data.size() - written,
                               static_cast<off_t>(offset + written));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return EIO;
    written += static_cast<std::uint64_t>(n);
  }
  return 0;
}

int WipeFile::sync() {
  if (fd_ < 0) return EBADF;
  return ::fdatasync(fd_) != 0 ? errno : 0;
}

int WipeFile::truncate() {
  if (fd_ < 0) return EBADF;
  if (::ftruncate(fd_, 0) != 0) return errno;
  size_ = 0;
  return ::fsync(fd_) != 0 ? errno : 0;
}

int WipeFile::restoreMode() {
  if (!modeChanged_ || fd_ < 0) return 0;
  modeChanged_ = false;
  return ::fchmod(fd_, oldMode_) != 0 ? errno : 0;
}

int WipeFile::close() {
  if (fd_ < 0) return 0;
  const int fd = fd_;
  fd_ = -1;
  return closeChecked(fd);
}

WipeCandidate describeForWipe(std::string_view path) {
  WipeCandidate c;
  const EntryAt at(path);
  struct stat st {};
  if (at.error() != 0 || ::fstatat(at.dir(), at.name(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    c.error = at.error() != 0 ? at.error() : errno;
    return c;
  }
  c.regular = S_ISREG(st.st_mode);
  c.symlink = S_ISLNK(st.st_mode);
  c.links = static_cast<std::uint64_t>(st.st_nlink);
  c.size = static_cast<std::uint64_t>(st.st_size);
  c.identity = identityAt(at.dir(), at.name(), st);
  return c;
}

int systemRandomBytes(void* buf, std::size_t n) {
  auto* out = static_cast<unsigned char*>(buf);
  std::size_t done = 0;
  while (done < n) {
    const ssize_t got = ::getrandom(out + done, n - done, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<std::size_t>(got);
  }
  return 0;
}

BlockCounts fileSystemBlocks(std::string_view path) {
  BlockCounts b;
  const std::string p(path);
  struct statvfs sv {};
  if (::statvfs(p.c_str(), &sv) != 0) {
    b.error = errno;
    return b;
  }
  b.blockSize = sv.f_frsize != 0 ? sv.f_frsize : sv.f_bsize;
  b.freeBlocks = sv.f_bfree;
  b.availBlocks = sv.f_bavail;
  return b;
}

bool runsAsAdministrator() { return ::geteuid() == 0; }

int makePrivateFolder(std::string_view parent, std::string_view prefix, std::string& made) {
  made.clear();
  std::string tmpl(parent);
  if (tmpl.empty() || tmpl.back() != '/') tmpl += '/';
  tmpl += prefix;
  tmpl += "XXXXXX";
  if (::mkdtemp(tmpl.data()) == nullptr) return errno;
  made = tmpl + "/";
  return 0;
}

}  // namespace platform
