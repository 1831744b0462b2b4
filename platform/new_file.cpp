#include "platform/new_file.h"

#include "platform/entry_at.h"
#include "platform/fd_io.h"

#include <algorithm>
#include <cerrno>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace platform {

namespace {

// The next data at or after at in from, below end: false when the rest up to end is a hole.
// A file system that cannot tell (or an error) counts as all data.
bool nextData(int from, std::uint64_t at, std::uint64_t end, std::uint64_t& dataAt, std::uint64_t& dataEnd) {
  dataAt = at;
  dataEnd = end;
  const off_t data = ::lseek(from, static_cast<off_t>(at), SEEK_DATA);
  if (data < 0) return errno != ENXIO;  // ENXIO: nothing but a hole to the end of the file
  if (static_cast<std::uint64_t>(data) >= end) return false;
  dataAt = static_cast<std::uint64_t>(data);
  const off_t hole = ::lseek(from, data, SEEK_HOLE);
  if (hole > data) dataEnd = std::min<std::uint64_t>(static_cast<std::uint64_t>(hole), end);
  return true;
}

// True where setting room aside ahead of an append helps: ext4 (and ext2/3 mounted through it,
// which refuse it harmlessly). Not where copy_file_range shares extents instead of copying (Btrfs,
// XFS), whose room set aside would be thrown away, nor tmpfs, where it fills pages with zeros.
bool reservingHelps(int fd) {
  constexpr unsigned long kExt = 0xEF53;
  struct statfs fs {};
  return ::fstatfs(fd, &fs) == 0 && (static_cast<unsigned long>(fs.f_type) & 0xFFFFFFFFUL) == kExt;
}

}  // namespace

NewFile::~NewFile() { (void)abandon(); }

int NewFile::create(const std::string& path, unsigned mode) {
  (void)abandon();
  path_ = path;
  end_ = 0;
  holes_ = false;
  reserved_ = 0;
  return out_.create(path, mode);
}

int NewFile::write(std::string_view data) {
  if (out_.fd() < 0) return EBADF;
  if (holes_ && ::ftruncate(out_.fd(), static_cast<off_t>(end_)) != 0) return errno;
  holes_ = false;
  if (const int err = writeFully(out_.fd(), data, static_cast<std::int64_t>(end_)); err != 0) return err;
  end_ += data.size();
  return 0;
}

int NewFile::appendFrom(int from, std::uint64_t offset, std::uint64_t length) {
  const int fd = out_.fd();
  if (fd < 0) return EBADF;
  const std::uint64_t end = offset + length;
  // A source shorter than the range (it shrank since it was measured) is refused before a hole
  // would stand for its missing end.
  struct stat st {};
  if (::fstat(from, &st) != 0) return errno;
  if (static_cast<std::uint64_t>(st.st_size) < end) return EIO;
  // Holes are looked for only in a file that takes less room than its size: finding where data
  // ends makes some file systems walk the cached pages of the rest of the file, each time.
  const bool mayHaveHoles = st.st_blocks * 512 < st.st_size;
  std::vector<char> buffer;
  for (std::uint64_t at = offset; at < end;) {
    std::uint64_t dataAt = at, dataEnd = end;
    if (mayHaveHoles && !nextData(from, at, end, dataAt, dataEnd)) {
      // A hole to the end of the range: the length is set when something follows or at finish.
      end_ += end - at;
      holes_ = true;
      break;
    }
    if (dataAt > at) {
      end_ += dataAt - at;
      holes_ = true;
    }
    auto in = static_cast<off64_t>(dataAt), outAt = static_cast<off64_t>(end_);
    std::uint64_t left = dataEnd - dataAt;
    // The kernel's copy first; file systems or kernels without it take the read and write below.
    while (left > 0) {
      const ssize_t n = ::copy_file_range(from, &in, fd, &outAt, left, 0);
      if (n > 0) {
        left -= static_cast<std::uint64_t>(n);
        continue;
      }
      if (n == 0) return EIO;
      if (errno == EINTR) continue;
      if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return errno;
      break;
    }
    if (left > 0 && buffer.empty()) buffer.resize(1 << 20);
    while (left > 0) {
      const ssize_t n = ::pread(from, buffer.data(), std::min<std::uint64_t>(left, buffer.size()), in);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return errno;
      if (n == 0) return EIO;
      if (const int err = writeFully(fd, std::string_view(buffer.data(), static_cast<std::size_t>(n)), outAt))
        return err;
      in += n;
      outAt += n;
      left -= static_cast<std::uint64_t>(n);
    }
    end_ = static_cast<std::uint64_t>(outAt);
    at = dataEnd;
  }
  return 0;
}

int NewFile::reserveFor(int from, std::uint64_t length) {
  const int fd = out_.fd();
  if (fd < 0) return EBADF;
  if (length == 0 || end_ + length <= reserved_) return 0;
  struct stat st {};
  if (::fstat(from, &st) != 0) return errno;
  if (st.st_blocks * 512 < st.st_size) return 0;  // holes, which must stay holes here
  if (reserved_ == 0 && !reservingHelps(fd)) return 0;
  // Past the size (KEEP_SIZE): a file kept unfinished shows only what was written.
  if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, static_cast<off_t>(end_), static_cast<off_t>(length)) != 0) return errno;
  reserved_ = end_ + length;
  return 0;
}

// Room set aside past what was written (a source that ended early, a file kept unfinished) is
// given back, so that no file of ours holds more of the disk than its size.
int NewFile::releaseReserve() {
  if (reserved_ <= end_) return 0;
  reserved_ = 0;
  return ::ftruncate(out_.fd(), static_cast<off_t>(end_)) != 0 ? errno : 0;
}

int NewFile::sync() {
  if (out_.fd() < 0) return EBADF;
  if (holes_ && ::ftruncate(out_.fd(), static_cast<off_t>(end_)) != 0) return errno;
  holes_ = false;
  return out_.sync();
}

int NewFile::finish(Durability durability) {
  if (out_.fd() < 0) return EBADF;
  if (holes_ && ::ftruncate(out_.fd(), static_cast<off_t>(end_)) != 0) return errno;
  holes_ = false;
  if (const int err = releaseReserve(); err != 0) return err;
  return out_.commitNew(durability);
}

int NewFile::keepAs(const std::string& otherPath) {
  if (out_.fd() < 0) return EBADF;
  if (holes_ && ::ftruncate(out_.fd(), static_cast<off_t>(end_)) != 0) return errno;
  holes_ = false;
  if (const int err = releaseReserve(); err != 0) return err;
  if (const int err = out_.sync(); err != 0) return err;
  if (const int err = renameReplacing(out_.path(), otherPath); err != 0) return err;
  // Gone from its temporary name: the removal below finds nothing there.
  (void)out_.discard();
  return 0;
}

int NewFile::abandon() { return out_.discard(); }

int openSource(std::string_view path, HeldFile& into) {
  into.reset();
  const EntryAt at(path);
  if (at.error() != 0) return at.error();
  const int fd = ::openat(at.dir(), at.name(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return errno;
  struct stat st {};
  const int err = ::fstat(fd, &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : EINVAL;
  if (err != 0) {
    ::close(fd);
    return err;
  }
  into.reset(fd, st);
  return 0;
}

}  // namespace platform
