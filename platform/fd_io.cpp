#include "platform/fd_io.h"

#include "platform/entry_at.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace platform {

int writeFully(int fd, std::string_view data, std::int64_t offset) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = offset < 0
        ? ::write(fd, data.data() + done, data.size() - done)
        : ::pwrite(fd, data.data() + done, data.size() - done,
                   static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return EIO;
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

int closeChecked(int fd) {
  if (::close(fd) != 0 && errno != EINTR) return errno;
  return 0;
}

void syncFolder(const std::string& folder) {
  const int dfd = openFolderFd(folder, O_RDONLY);
  if (dfd < 0) return;
  (void)::fsync(dfd);
  ::close(dfd);
}

int syncFile(const std::string& path) {
  const EntryAt at(path);
  if (at.error() != 0) return at.error();
  const int fd = ::openat(at.dir(), at.name(), O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  const int err = ::fsync(fd) == 0 ? 0 : errno;
  ::close(fd);
  return err;
}

std::string folderOf(const std::string& path) {
  const auto pos = path.find_last_of('/');
  if (pos == std::string::npos) return ".";
  if (pos == 0) return "/";
  return path.substr(0, pos);
}

std::string nameOf(const std::string& path) {
  const auto pos = path.find_last_of('/');
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

}  // namespace platform
