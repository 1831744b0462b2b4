#include "platform/sequential_file.h"

#include "platform/entry_at.h"
#include "platform/fs.h"

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

SequentialFile::~SequentialFile() { close(); }

int SequentialFile::open(std::string_view path) {
  close();
  const std::string p(path);
  const FileStatus st = fileStatus(p, true);
  if (st.error != 0) return st.error;
  if (st.type != FileType::Regular) return st.type == FileType::Directory ? EISDIR : EINVAL;
  const EntryAt at(p);
  if (at.error() != 0) return at.error();
  const int fd = ::openat(at.dir(), at.name(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return errno;
  struct stat sb {};
  if (::fstat(fd, &sb) != 0 || !S_ISREG(sb.st_mode)) {
    ::close(fd);
    return EINVAL;
  }
  (void)::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  fd_ = fd;
  return 0;
}

int SequentialFile::read(char* buf, std::size_t n, std::size_t& got) {
  got = 0;
  if (fd_ < 0) return EBADF;
  for (;;) {
    const ssize_t r = ::read(fd_, buf, n);
    if (r >= 0) {
      got = static_cast<std::size_t>(r);
      return 0;
    }
    if (errno != EINTR) return errno;
  }
}

void SequentialFile::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace platform
