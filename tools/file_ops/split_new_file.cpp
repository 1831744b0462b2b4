#include "tools/file_ops/split_new_file.h"

#include "platform/fd_io.h"

#include <algorithm>
#include <cerrno>
#include <vector>
#include <fcntl.h>
#include <unistd.h>

namespace tools::file_ops {

NewFile::~NewFile() { (void)abandon(); }

int NewFile::create(const std::string& path) {
  (void)abandon();
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  fd_ = fd;
  path_ = path;
  return 0;
}

int NewFile::adopt(const std::string& path) {
  (void)abandon();
  const int fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return errno;
  fd_ = fd;
  path_ = path;
  return 0;
}

int NewFile::write(std::string_view data) { return fd_ < 0 ? EBADF : platform::writeFully(fd_, data); }

int NewFile::appendFrom(int from, std::uint64_t offset, std::uint64_t length) {
  if (fd_ < 0) return EBADF;
  auto at = static_cast<off64_t>(offset);
  std::uint64_t left = length;
  // The kernel's copy first; file systems or kernels without it take the read and write below.
  while (left > 0) {
    const ssize_t n = ::copy_file_range(from, &at, fd_, nullptr, left, 0);
    if (n > 0) {
      left -= static_cast<std::uint64_t>(n);
      continue;
    }
    if (n == 0) return EIO;
    if (errno == EINTR) continue;
    if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return errno;
    break;
  }
  std::vector<char> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(left, 1 << 20)));
  while (left > 0) {
    const ssize_t n = ::pread(from, buffer.data(), std::min<std::uint64_t>(left, buffer.size()), at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return EIO;
    if (const int err = platform::writeFully(fd_, std::string_view(buffer.data(), static_cast<std::size_t>(n))))
      return err;
    at += n;
    left -= static_cast<std::uint64_t>(n);
  }
  return 0;
}

int NewFile::finish(bool sync) {
  if (fd_ < 0) return EBADF;
  if (sync && ::fsync(fd_) != 0) return errno;
  const int err = platform::closeChecked(fd_);
  fd_ = -1;
  if (err != 0) {
    // Closed already: what was written may be incomplete, so the name goes too.
    ::unlink(path_.c_str());
    return err;
  }
  if (sync) platform::syncFolder(platform::folderOf(path_));
  return 0;
}

int NewFile::abandon() {
  if (fd_ < 0) return 0;
  (void)platform::closeChecked(fd_);
  fd_ = -1;
  return ::unlink(path_.c_str()) == 0 ? 0 : errno;
}

}  // namespace tools::file_ops
