#include "platform/file_head.h"

#include "platform/entry_at.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

int openFlags(OpenAccess access, std::size_t n) {
  int flags = O_RDONLY;
  if (access == OpenAccess::ReadWrite || (access == OpenAccess::Write && n > 0)) flags = O_RDWR;
  else if (access == OpenAccess::Write) flags = O_WRONLY;
  // O_NONBLOCK: a FIFO swapped in after the type check must not block the run.
  return flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
}

}  // namespace

HeldFile& HeldFile::operator=(HeldFile&& other) noexcept {
  if (this != &other) {
    reset(other.fd_);
    seen_ = other.seen_;
    hasSeen_ = other.hasSeen_;
    throughLink_ = other.throughLink_;
    other.fd_ = -1;
    other.hasSeen_ = other.throughLink_ = false;
  }
  return *this;
}

void HeldFile::reset(int fd) {
  if (fd_ >= 0 && fd_ != fd) ::close(fd_);
  fd_ = fd;
  hasSeen_ = throughLink_ = false;
}

void HeldFile::reset(int fd, const struct stat& seen) {
  reset(fd);
  seen_ = seen;
  hasSeen_ = fd >= 0;
}

int HeldFile::release() {
  const int fd = fd_;
  fd_ = -1;
  hasSeen_ = throughLink_ = false;
  return fd;
}

int HeldFile::read(std::uint64_t offset, std::size_t length, char* into, std::size_t& got) const {
  got = 0;
  if (fd_ < 0) return EBADF;
  while (got < length) {
    const ssize_t r = ::pread(fd_, into + got, length - got, static_cast<off_t>(offset + got));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) {
      const int err = errno;
      got = 0;
      return err;
    }
    if (r == 0) break;  // the file ends here
    got += static_cast<std::size_t>(r);
  }
  return 0;
}

int HeldFile::prefetch(std::uint64_t length) const {
  if (fd_ < 0) return EBADF;
  return ::posix_fadvise(fd_, 0, static_cast<off_t>(length), POSIX_FADV_WILLNEED);
}

int openAndReadHead(std::string_view path, OpenAccess access, std::size_t n, FileHead& out, HeldFile* keep,
                    TypeCheck check) {
  out = FileHead{};
  if (keep) keep->reset();
  const EntryAt at(path);
  if (at.error() != 0) return at.error();

  // Devices, FIFOs and sockets are system files that are never opened: the type is checked on the
  // name first (or was, by the caller's listing), and again on the open descriptor in case the name
  // changed in between.
  struct stat st {};
  const auto typeByName = [&]() -> int {
    if (::fstatat(at.dir(), at.name(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
    out.type = fileTypeOfMode(st.st_mode);
    return out.type == FileType::Regular ? 0 : EINVAL;
  };
  if (check == TypeCheck::ByName) {
    if (const int err = typeByName(); err != 0) return err;
  }

  const int fd = ::openat(at.dir(), at.name(), openFlags(access, n));
  if (fd < 0) {
    const int err = errno;
    if (err == ENOENT) {
      out.type = FileType::Missing;
      return err;
    }
    if (err == ELOOP) out.type = FileType::Symlink;
    if (err == EISDIR) out.type = FileType::Directory;
    if (err == ELOOP || err == EISDIR) return EINVAL;
    // A listed entry that would not open may no longer be a regular file (a FIFO without a
    // writer refuses a non-blocking write open): its type says which failure it is.
    if (check == TypeCheck::Listed) {
      if (const int typeErr = typeByName(); typeErr != 0) return typeErr;
    }
    return err;
  }
  int result = 0;
  if (::fstat(fd, &st) != 0) {
    result = errno;
  } else if (out.type = fileTypeOfMode(st.st_mode); out.type != FileType::Regular) {
    result = EINVAL;
  } else {
    out.size = static_cast<std::uint64_t>(st.st_size);
    out.mode = static_cast<std::uint32_t>(st.st_mode & 07777);
    const std::size_t want = n < out.size ? n : static_cast<std::size_t>(out.size);
    out.head.resize(want);
    std::size_t got = 0;
    while (got < want) {
      const ssize_t r = ::read(fd, out.head.data() + got, want - got);
      if (r < 0 && errno == EINTR) continue;
      if (r < 0) {
        result = errno;
        break;
      }
      if (r == 0) break;  // shrank since fstat
      got += static_cast<std::size_t>(r);
    }
    out.head.resize(got);
  }
  if (result != 0) out.head.clear();
  if (result == 0 && keep) keep->reset(fd, st);
  else ::close(fd);
  return result;
}

}  // namespace platform
