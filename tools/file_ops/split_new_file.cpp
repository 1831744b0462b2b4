#include "tools/file_ops/split_new_file.h"

#include "platform/fd_io.h"

#include <cerrno>
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
