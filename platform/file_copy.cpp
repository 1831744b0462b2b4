#include "platform/file_copy.h"

#include "platform/entry_at.h"
#include "platform/fd_io.h"
#include "platform/file_head.h"
#include "platform/fs.h"
#include "platform/replacement_file.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr std::size_t kBufferSize = std::size_t{1} << 20;

bool sameTimes(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Errors after which copy_file_range cannot work for this pair of files at all (another file
// system, a kernel or file system without it): the buffer takes over.
bool kernelCopyUnsupported(int err) {
  return err == EXDEV || err == EINVAL || err == ENOSYS || err == EOPNOTSUPP || err == EPERM || err == EBADF;
}

}  // namespace

struct FileCopy::State {
  std::string source, target;
  CopyTarget how = CopyTarget::New;
  int in = -1;
  int out = -1;  // the temporary file's descriptor, owned by the replacement
  ReplacementFile replacement;
  struct stat seen {};
  std::uint64_t offset = 0;
  bool created = false;    // the temporary file exists and is ours to remove
  bool synced = false;
  bool committed = false;
  bool useBuffer = false;  // copy_file_range refused this pair
  bool sparse = true;      // the source may hold holes that SEEK_DATA finds; cleared where not
  bool skipped = false;    // a hole was left out: the copy's length is set at the end
  bool anyCopied = false;  // the kernel copied a byte already: a failure now is a real one
  std::vector<char> buffer;

  int bufferRange(std::uint64_t want) {
    if (buffer.empty()) buffer.resize(kBufferSize);
    std::uint64_t done = 0;
    while (done < want) {
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(want - done, buffer.size()));
      const ssize_t got = ::pread(in, buffer.data(), n, static_cast<off_t>(offset));
      if (got < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      if (got == 0) return ENODATA;
      if (const int err = writeFully(out, std::string_view(buffer.data(), static_cast<std::size_t>(got)),
                                     static_cast<std::int64_t>(offset));
          err != 0)
        return err;
      offset += static_cast<std::uint64_t>(got);
      done += static_cast<std::uint64_t>(got);
    }
    return 0;
  }

  int kernelRange(std::uint64_t want) {
    std::uint64_t done = 0;
    while (done < want) {
      loff_t offIn = static_cast<loff_t>(offset), offOut = static_cast<loff_t>(offset);
      const ssize_t n = ::copy_file_range(in, &offIn, out, &offOut, static_cast<std::size_t>(want - done), 0);
      if (n < 0) {
        if (errno == EINTR) continue;
        const int err = errno;
        // Only before the first byte: a failure midway is a real one.
        if (!anyCopied && kernelCopyUnsupported(err)) {
          useBuffer = true;
          return bufferRange(want - done);
        }
        return err;
      }
      if (n == 0) return ENODATA;
      anyCopied = true;
      offset += static_cast<std::uint64_t>(n);
      done += static_cast<std::uint64_t>(n);
    }
    return 0;
  }

  int copyRange(std::uint64_t want) { return useBuffer ? bufferRange(want) : kernelRange(want); }

  // Moves offset past a hole of the source (below end); false when there is nothing more to
  // copy before end. err is set when the source shrank.
  bool skipHole(std::uint64_t end, std::uint64_t& dataEnd, int& err) {
    dataEnd = end;
    if (!sparse) return true;
    const off_t data = ::lseek(in, static_cast<off_t>(offset), SEEK_DATA);
    if (data < 0) {
      if (errno != ENXIO) {
        sparse = false;  // the file system cannot tell: copy every byte
        return true;
      }
      // No data past offset: a hole to the end, unless the file shrank.
      struct stat now {};
      if (::fstat(in, &now) != 0 || static_cast<std::uint64_t>(now.st_size) < size()) {
        err = ENODATA;
        return false;
      }
      skipped = true;
      offset = end;
      return false;
    }
    if (static_cast<std::uint64_t>(data) > offset) {
      skipped = true;
      offset = std::min<std::uint64_t>(static_cast<std::uint64_t>(data), end);
      if (offset >= end) return false;
    }
    const off_t hole = ::lseek(in, static_cast<off_t>(offset), SEEK_HOLE);
    if (hole > 0) dataEnd = std::min<std::uint64_t>(static_cast<std::uint64_t>(hole), end);
    return true;
  }

  [[nodiscard]] std::uint64_t size() const { return static_cast<std::uint64_t>(seen.st_size); }

  void closeAll() {
    if (in >= 0) ::close(in);
    in = -1;
    out = -1;
  }
};

FileCopy::FileCopy() : s_(std::make_unique<State>()) {}

FileCopy::~FileCopy() { (void)abandon(); }

int FileCopy::open(std::string_view source, std::string_view target, CopyTarget how) {
  return start(-1, nullptr, source, target, how, false, -1);
}

int FileCopy::openFrom(HeldFile& source, std::string_view sourcePath, std::string_view target, CopyTarget how,
                       bool targetFree, int targetFolderFd) {
  struct stat seen {};
  const bool hasSeen = source.seen() != nullptr;
  if (hasSeen) seen = *source.seen();
  const int fd = source.release();
  if (fd < 0) return EBADF;
  return start(fd, hasSeen ? &seen : nullptr, sourcePath, target, how, targetFree, targetFolderFd);
}

int FileCopy::start(int sourceFd, const struct stat* seen, std::string_view source, std::string_view target,
                    CopyTarget how, bool targetFree, int targetFolderFd) {
  (void)abandon();
  s_ = std::make_unique<State>();
  State& s = *s_;
  s.source = std::string(source);
  s.target = std::string(target);
  s.how = how;
  if (sourceFd >= 0) {
    s.in = sourceFd;
  } else {
    const EntryAt at(s.source);
    if (at.error() != 0) return at.error();
    struct stat st {};
    if (::fstatat(at.dir(), at.name(), &st, 0) != 0) return errno;
    if (!S_ISREG(st.st_mode)) return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    // O_NONBLOCK: a FIFO swapped in after the check is never waited on; fstat refuses it below.
    s.in = ::openat(at.dir(), at.name(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (s.in < 0) return errno;
  }
  if (seen) s.seen = *seen;
  if ((!seen && ::fstat(s.in, &s.seen) != 0) || !S_ISREG(s.seen.st_mode)) {
    s.closeAll();
    return EINVAL;
  }
  // A file whose blocks cover its length has no holes to look for (two seeks saved on every
  // file); one that takes fewer blocks than its length holds holes, or is compressed or inline,
  // and SEEK_DATA tells which. A hole beside blocks reserved past the end is copied as zeros.
  s.sparse = static_cast<std::uint64_t>(s.seen.st_blocks) * 512 < static_cast<std::uint64_t>(s.seen.st_size);
  const auto mode = static_cast<unsigned>(s.seen.st_mode & 0777);
  if (const int refused = refuseAsNewName(s.target); refused != 0) {
    s.closeAll();
    return refused;
  }
  if (how == CopyTarget::New && !targetFree) {
    // Told at once rather than after the copy; commit() still never replaces what came meanwhile.
    const EntryAt there(s.target);
    struct stat tst {};
    if (there.error() == 0 && ::fstatat(there.dir(), there.name(), &tst, AT_SYMLINK_NOFOLLOW) == 0) {
      s.closeAll();
      return EEXIST;
    }
  }
  // A new file appears under its name only whole: until commit it is a temporary file beside it.
  if (const int err = how == CopyTarget::New ? s.replacement.createUnnamedIn(targetFolderFd, s.target, mode)
                                             : s.replacement.createIn(targetFolderFd, s.target, mode);
      err != 0) {
    s.closeAll();
    return err;
  }
  s.out = s.replacement.fd();
  s.created = true;
  return 0;
}

int FileCopy::copyPiece(std::uint64_t maxBytes) {
  State& s = *s_;
  if (s.in < 0 || s.out < 0) return EBADF;
  const std::uint64_t end = s.offset + std::min<std::uint64_t>(maxBytes, size() - s.offset);
  while (s.offset < end) {
    std::uint64_t dataEnd = end;
    int err = 0;
    if (!s.skipHole(end, dataEnd, err)) {
      if (err != 0) return err;
      continue;
    }
    if (const int e = s.copyRange(dataEnd - s.offset); e != 0) return e;
  }
  // Holes at the end: the copy gets the source's length without a byte written there.
  if (s.offset >= size() && s.skipped && ::ftruncate(s.out, static_cast<off_t>(size())) != 0) return errno;
  return 0;
}

bool FileCopy::complete() const { return s_->offset >= size(); }

int FileCopy::sync() {
  State& s = *s_;
  if (s.out < 0) return EBADF;
  if (const int err = s.replacement.sync(); err != 0) return err;
  s.synced = true;
  return 0;
}

int FileCopy::keepMetadata() {
  State& s = *s_;
  if (s.in < 0 || s.out < 0) return EBADF;
  return s.replacement.keepMetadataOf(s.in);
}

int FileCopy::keepTimes() {
  State& s = *s_;
  const int fd = s.replacement.fd();
  if (fd < 0) return EBADF;
  const struct timespec times[2] = {s.seen.st_atim, s.seen.st_mtim};
  return ::futimens(fd, times) != 0 ? errno : 0;
}

bool FileCopy::sourceUnchanged() const {
  const State& s = *s_;
  struct stat now {}, atPath {};
  const EntryAt at(s.source);
  if (s.in < 0 || ::fstat(s.in, &now) != 0 || at.error() != 0 || ::fstatat(at.dir(), at.name(), &atPath, 0) != 0)
    return false;
  return now.st_size == s.seen.st_size && sameTimes(now.st_mtim, s.seen.st_mtim) &&
         sameTimes(now.st_ctim, s.seen.st_ctim) && atPath.st_dev == s.seen.st_dev && atPath.st_ino == s.seen.st_ino;
}

int FileCopy::commit() { return finish(true); }

int FileCopy::commitUnsynced() { return finish(false); }

int FileCopy::finish(bool durable) {
  State& s = *s_;
  if (s.committed) return 0;
  if (!s.created) return EBADF;
  if (s.in >= 0) ::close(s.in);
  s.in = -1;
  const int err = s.how == CopyTarget::Replacing
                      ? s.replacement.commit()
                      : s.replacement.commitNew(durable ? Durability::OnlyCopyAtStake : Durability::SourceStays);
  if (err != 0) return err;
  s.out = -1;
  s.committed = true;
  return 0;
}

int FileCopy::abandon() {
  if (!s_) return 0;
  State& s = *s_;
  s.closeAll();
  if (s.committed || !s.created) return 0;
  s.created = false;
  return s.replacement.discard();
}

std::uint64_t FileCopy::size() const { return s_->size(); }
std::int64_t FileCopy::modifiedSec() const { return static_cast<std::int64_t>(s_->seen.st_mtim.tv_sec); }
std::uint32_t FileCopy::modifiedNsec() const { return static_cast<std::uint32_t>(s_->seen.st_mtim.tv_nsec); }
long FileCopy::copyMode() const {
  struct stat st {};
  const int fd = s_->replacement.fd();
  return fd >= 0 && ::fstat(fd, &st) == 0 ? static_cast<long>(st.st_mode & 07777) : -1;
}
FileIdentity FileCopy::copyIdentity() const {
  struct stat st {};
  const int fd = s_->replacement.fd();
  if (fd < 0 || ::fstat(fd, &st) != 0) return {};
  return {.device = static_cast<std::uint64_t>(st.st_dev), .inode = static_cast<std::uint64_t>(st.st_ino)};
}
std::uint64_t FileCopy::copied() const { return s_->offset; }
const std::string& FileCopy::copyPath() const { return s_->replacement.path(); }

}  // namespace platform
