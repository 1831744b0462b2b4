// lstat and open(O_NOFOLLOW) with fstat: the identity of a path and of the file actually opened.
#include "platform/file_identity.h"

#include "platform/entry_at.h"

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

LinkStatus linkStatus(std::string_view path) {
  LinkStatus out;
  const EntryAt at(path);
  struct stat st {};
  if (at.error() != 0 || ::fstatat(at.dir(), at.name(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    out.error = at.error() != 0 ? at.error() : errno;
    return out;
  }
  out.type = fileTypeOfMode(st.st_mode);
  out.identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  out.size = static_cast<std::uint64_t>(st.st_size);
  return out;
}

IdentifiedFile::~IdentifiedFile() { close(); }

int IdentifiedFile::open(std::string_view path) {
  close();
  // O_NONBLOCK: a FIFO put in the file's place must not hang the run before fstat refuses it.
  const EntryAt at(path);
  if (at.error() != 0) return at.error();
  const int fd = ::openat(at.dir(), at.name(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return errno;
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int err = errno;
    ::close(fd);
    return err;
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return EINVAL;
  }
  fd_ = fd;
  identity_ = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  size_ = static_cast<std::uint64_t>(st.st_size);
  return 0;
}

int IdentifiedFile::readAt(char* buf, std::size_t n, std::uint64_t offset, std::size_t& got) {
  got = 0;
  if (fd_ < 0) return EBADF;
  while (got < n) {
    const ssize_t r = ::pread(fd_, buf + got, n - got, static_cast<off_t>(offset + got));
    if (r < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (r == 0) break;
    got += static_cast<std::size_t>(r);
  }
  return 0;
}

void IdentifiedFile::adviseSequential() {
  if (fd_ >= 0) (void)::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
}

void IdentifiedFile::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  identity_ = {};
  size_ = 0;
}

}  // namespace platform
