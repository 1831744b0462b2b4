#include "platform/record_file.h"

#include "platform/entry_at.h"
#include "platform/fd_io.h"

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

RecordFile::~RecordFile() { (void)close(); }

int RecordFile::open(std::string_view path) {
  (void)close();
  const std::string p(path);
  const EntryAt at(p);
  if (at.error() != 0) return at.error();
  // No O_APPEND: Linux would then ignore the offset of a patch in place.
  const int fd = ::openat(at.dir(), at.name(), O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  struct stat sb {};
  int err = 0;
  if (::fstat(fd, &sb) != 0) err = errno;
  else if (!S_ISREG(sb.st_mode)) err = EINVAL;
  if (err != 0) {
    ::close(fd);
    return err;
  }
  fd_ = fd;
  end_ = static_cast<std::uint64_t>(sb.st_size);
  return 0;
}

int RecordFile::append(std::string_view data) {
  if (fd_ < 0) return EBADF;
  const int err = writeFully(fd_, data, static_cast<std::int64_t>(end_));
  // A failed write may have left part of data; later records go after it, never over it.
  if (err != 0) {
    struct stat sb {};
    if (::fstat(fd_, &sb) == 0) end_ = static_cast<std::uint64_t>(sb.st_size);
    return err;
  }
  end_ += data.size();
  return 0;
}

int RecordFile::writeAt(std::uint64_t offset, std::string_view data) {
  if (fd_ < 0) return EBADF;
  return writeFully(fd_, data, static_cast<std::int64_t>(offset));
}

int RecordFile::truncate(std::uint64_t size) {
  if (fd_ < 0) return EBADF;
  if (size >= end_) return 0;
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) return errno;
  end_ = size;
  return 0;
}

int RecordFile::sync() {
  if (fd_ < 0) return EBADF;
  return ::fsync(fd_) == 0 ? 0 : errno;
}

int RecordFile::close() {
  if (fd_ < 0) return 0;
  const int err = closeChecked(fd_);
  fd_ = -1;
  end_ = 0;
  return err;
}

}  // namespace platform
