#include "platform/own_temporary.h"

#include "platform/replacement_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr int kNameTries = 100;
constexpr std::size_t kMarkRoom = 96;  // the longest value binding() writes, and more

// What the mark binds to: the file's device and inode, and its birth time where the file system
// records one (an inode number given to a new file later is another file). Empty when the file
// cannot be looked at or is not a regular file of this user.
std::string binding(const struct statx& sx) {
  if (!S_ISREG(sx.stx_mode) || sx.stx_uid != ::geteuid()) return {};
  const bool born = (sx.stx_mask & STATX_BTIME) != 0;
  char out[kMarkRoom];
  const int n = std::snprintf(out, sizeof out, "1 %x:%x %llx %llx.%x", sx.stx_dev_major, sx.stx_dev_minor,
                              static_cast<unsigned long long>(sx.stx_ino),
                              static_cast<unsigned long long>(born ? sx.stx_btime.tv_sec : 0),
                              born ? sx.stx_btime.tv_nsec : 0U);
  return n > 0 && static_cast<std::size_t>(n) < sizeof out ? std::string(out, static_cast<std::size_t>(n)) : std::string();
}

constexpr unsigned kWanted = STATX_TYPE | STATX_UID | STATX_INO | STATX_BTIME;

std::string bindingOf(int fd) {
  struct statx sx {};
  if (::statx(fd, "", AT_EMPTY_PATH, kWanted, &sx) != 0) return {};
  return binding(sx);
}

// The mark fd carries, or "" when none can be read.
std::string markOf(int fd) {
  char value[kMarkRoom];
  const ssize_t n = ::fgetxattr(fd, kTemporaryXattr, value, sizeof value);
  return n > 0 ? std::string(value, static_cast<std::size_t>(n)) : std::string();
}

bool sameEntry(const struct statx& a, const struct statx& b) {
  return a.stx_ino == b.stx_ino && a.stx_dev_major == b.stx_dev_major && a.stx_dev_minor == b.stx_dev_minor;
}

}  // namespace

bool canNameUnnamedFiles() {
  static const bool can = ::access("/proc/self/fd", X_OK) == 0;
  return can;
}

int linkUnnamed(int fd, int dirFd, const char* name) {
  static std::atomic<bool> byDescriptor{true};
  const bool tried = byDescriptor.load(std::memory_order_relaxed);
  if (tried) {
    if (::linkat(fd, "", dirFd, name, AT_EMPTY_PATH) == 0) return 0;
    if (errno != ENOENT && errno != EPERM) return -1;
  }
  const std::string procPath = "/proc/self/fd/" + std::to_string(fd);
  if (::linkat(AT_FDCWD, procPath.c_str(), dirFd, name, AT_SYMLINK_FOLLOW) != 0) return -1;
  if (tried) byDescriptor.store(false, std::memory_order_relaxed);  // not allowed here: /proc from now on
  return 0;
}

bool lockAndMarkOwnTemporary(int fd) {
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return false;
  const std::string value = bindingOf(fd);
  return !value.empty() && ::fsetxattr(fd, kTemporaryXattr, value.data(), value.size(), 0) == 0;
}

void unmarkOwnTemporary(int fd) {
  const int saved = errno;
  (void)::fremovexattr(fd, kTemporaryXattr);
  errno = saved;
}

int nameOwnTemporary(int fd, int dirFd, std::string_view forName, std::string& name) {
  (void)lockAndMarkOwnTemporary(fd);
  for (int tries = 0; tries < kNameTries; ++tries) {
    name = temporaryNameFor(forName);
    if (linkUnnamed(fd, dirFd, name.c_str()) == 0) return 0;
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

int createOwnTemporary(int dirFd, std::string_view forName, unsigned mode, std::string& name) {
  // Marked before it has a name: nobody ever sees it named and unmarked, or marked and unlocked.
  if (canNameUnnamedFiles()) {
    const int fd = ::openat(dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd >= 0) {
      if (nameOwnTemporary(fd, dirFd, forName, name) == 0) return fd;
      ::close(fd);
    }
    // A file system without such files (vfat, some network ones), or a folder we may not write
    // to, which the named create below reports as it would.
  }
  for (int tries = 0; tries < kNameTries; ++tries) {
    name = temporaryNameFor(forName);
    const int fd = ::openat(dirFd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0) {
      // Named and unmarked for a moment: a sweep passes over it then, and a marked file is locked.
      (void)lockAndMarkOwnTemporary(fd);
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  errno = EEXIST;
  return -1;
}

bool carriesOwnMark(int fd) {
  const std::string bound = bindingOf(fd);
  return !bound.empty() && markOf(fd) == bound;
}

bool isOwnTemporaryAt(int dirFd, const char* name) {
  if (!isTemporaryName(name)) return false;
  struct statx sx {};
  if (::statx(dirFd, name, AT_SYMLINK_NOFOLLOW, kWanted, &sx) != 0 || binding(sx).empty()) return false;
  const int fd = ::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ours = carriesOwnMark(fd);
  ::close(fd);
  return ours;
}

int openOwnLeftoverAt(int dirFd, const char* name) {
  if (!isTemporaryName(name)) return -1;
  const int fd = ::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  // The mark first: a writer marks only once it holds the lock, so a marked file whose lock we
  // get is one nobody writes.
  struct statx held {}, there {};
  if (carriesOwnMark(fd) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
      ::statx(fd, "", AT_EMPTY_PATH, STATX_INO, &held) == 0 &&
      ::statx(dirFd, name, AT_SYMLINK_NOFOLLOW, STATX_INO, &there) == 0 && sameEntry(held, there))
    return fd;
  ::close(fd);
  return -1;
}

bool removeOwnLeftoverAt(int dirFd, const char* name) {
  const int fd = openOwnLeftoverAt(dirFd, name);
  if (fd < 0) return false;
  const bool removed = ::unlinkat(dirFd, name, 0) == 0;
  ::close(fd);
  return removed;
}

}  // namespace platform
