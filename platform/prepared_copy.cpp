#include "platform/prepared_copy.h"

#include "platform/fd_io.h"
#include "platform/own_temporary.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

// Closes fd keeping errno as it was.
void closeQuietly(int fd) {
  const int saved = errno;
  (void)::close(fd);
  errno = saved;
}

}  // namespace

SharedFolder::SharedFolder(int fd) : fd_(fd >= 0 ? ::fcntl(fd, F_DUPFD_CLOEXEC, 0) : -1) {}

SharedFolder::~SharedFolder() {
  if (fd_ >= 0) ::close(fd_);
}

PreparedCopy::~PreparedCopy() { close(); }

void PreparedCopy::close() {
  if (fd_ >= 0) closeQuietly(fd_);
  fd_ = -1;
}

int PreparedCopy::prepare(int sourceFolderFd, const char* name, int targetFolderFd, std::uint64_t maxBytes) {
  close();
  timesKept_ = false;
  if (!canNameUnnamedFiles()) return ENOTSUP;
  // O_NONBLOCK: a FIFO is never waited on; the fstat refuses it. O_NOFOLLOW: a link is the
  // usual way's to read.
  const int in = ::openat(sourceFolderFd, name, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
  if (in < 0) return errno;
  struct InClose {
    int fd;
    ~InClose() { closeQuietly(fd); }
  } inClose{in};
  if (::fstat(in, &seen_) != 0) return errno;
  if (!S_ISREG(seen_.st_mode)) return EINVAL;
  const auto size = static_cast<std::uint64_t>(seen_.st_size);
  if (size > maxBytes) return EFBIG;
  // Fewer blocks than the length: holes (or a compressed or inline file), which the usual way
  // keeps as holes.
  if (static_cast<std::uint64_t>(seen_.st_blocks) * 512 < size) return ENOTSUP;
  const int out = ::openat(targetFolderFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, seen_.st_mode & 0777);
  if (out < 0) return errno == EISDIR || errno == EOPNOTSUPP ? ENOTSUP : errno;
  fd_ = out;
  std::uint64_t done = 0;
  while (done < size) {
    loff_t offIn = static_cast<loff_t>(done), offOut = offIn;
    const ssize_t n = ::copy_file_range(in, &offIn, out, &offOut, static_cast<std::size_t>(size - done), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // A source that shrank, or no kernel copy here: the usual way says which.
      const int err = n == 0 ? ENODATA : errno;
      close();
      return err == EXDEV || err == EINVAL || err == ENOSYS || err == EOPNOTSUPP || err == EPERM ? ENOTSUP : err;
    }
    done += static_cast<std::uint64_t>(n);
  }
  const struct timespec times[2] = {seen_.st_atim, seen_.st_mtim};
  timesKept_ = ::futimens(out, times) == 0;
  struct stat st {};
  if (::fstat(out, &st) != 0) {
    const int err = errno;
    close();
    return err;
  }
  identity_ = {.device = static_cast<std::uint64_t>(st.st_dev), .inode = static_cast<std::uint64_t>(st.st_ino)};
  mode_ = static_cast<long>(st.st_mode & 07777);
  return 0;
}

int PreparedCopy::link(int folderFd, const char* name) {
  if (fd_ < 0) return EBADF;
  if (linkUnnamed(fd_, folderFd, name) != 0) return errno;
  const int err = closeChecked(fd_);
  fd_ = -1;
  return err;
}

}  // namespace platform
