#include "platform/write_through.h"

#include "platform/entry_at.h"
#include "platform/fd_io.h"

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// Opens path for writing when it is a regular file and not a link. The descriptor, or -errno.
// A device or FIFO is refused before it is opened (opening one can have effects of its own); the
// fstat catches one swapped in between.
int openRegularForWrite(std::string_view path) {
  const EntryAt at(path);
  if (at.error() != 0) return -at.error();
  struct stat before {};
  if (::fstatat(at.dir(), at.name(), &before, AT_SYMLINK_NOFOLLOW) != 0) return -errno;
  if (S_ISLNK(before.st_mode)) return -ELOOP;
  if (!S_ISREG(before.st_mode)) return -EINVAL;
  const int fd = ::openat(at.dir(), at.name(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -errno;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -EINVAL;
  }
  return fd;
}

}  // namespace

int syncFileData(std::string_view path) {
  const int fd = openRegularForWrite(path);
  if (fd < 0) return -fd;
  const int err = ::fdatasync(fd) != 0 ? errno : 0;
  const int cerr = closeChecked(fd);
  return err != 0 ? err : cerr;
}

int truncateToZero(std::string_view path) {
  const int fd = openRegularForWrite(path);
  if (fd < 0) return -fd;
  int err = ::ftruncate(fd, 0) != 0 ? errno : 0;
  if (err == 0 && ::fsync(fd) != 0) err = errno;
  const int cerr = closeChecked(fd);
  return err != 0 ? err : cerr;
}

}  // namespace platform
