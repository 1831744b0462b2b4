#include "platform/file_copy.h"

#include "platform/fd_io.h"
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
  int out = -1;  // the new file (CopyTarget::New); the replacement's own descriptor otherwise
  ReplacementFile replacement;
  struct stat seen {};
  std::uint64_t offset = 0;
  bool created = false;    // a new target exists and is ours to remove
  bool synced = false;
  bool committed = false;
  bool useBuffer = false;  // copy_file_range refused this pair
  std::vector<char> buffer;

  int bufferPiece(std::uint64_t want) {
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

  int kernelPiece(std::uint64_t want) {
    std::uint64_t done = 0;
    while (done < want) {
      loff_t offIn = static_cast<loff_t>(offset), offOut = static_cast<loff_t>(offset);
      const ssize_t n = ::copy_file_range(in, &offIn, out, &offOut, static_cast<std::size_t>(want - done), 0);
      if (n < 0) {
        if (errno == EINTR) continue;
        const int err = errno;
        // Only before the first byte: a failure midway is a real one.
        if (offset == 0 && kernelCopyUnsupported(err)) {
          useBuffer = true;
          return bufferPiece(want - done);
        }
        return err;
      }
      if (n == 0) return ENODATA;
      offset += static_cast<std::uint64_t>(n);
      done += static_cast<std::uint64_t>(n);
    }
    return 0;
  }

  void closeAll() {
    if (in >= 0) ::close(in);
    in = -1;
    if (how == CopyTarget::New && out >= 0) ::close(out);
    out = -1;
  }
};

FileCopy::FileCopy() : s_(std::make_unique<State>()) {}

FileCopy::~FileCopy() { (void)abandon(); }

int FileCopy::open(std::string_view source, std::string_view target, CopyTarget how) {
  (void)abandon();
  s_ = std::make_unique<State>();
  State& s = *s_;
  s.source = std::string(source);
  s.target = std::string(target);
  s.how = how;
  const FileStatus st = fileStatus(s.source, true);
  if (st.error != 0) return st.error;
  if (st.type != FileType::Regular) return st.type == FileType::Directory ? EISDIR : EINVAL;
  // O_NONBLOCK: a FIFO swapped in after the check is never waited on; fstat refuses it below.
  s.in = ::open(s.source.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (s.in < 0) return errno;
  if (::fstat(s.in, &s.seen) != 0 || !S_ISREG(s.seen.st_mode)) {
    s.closeAll();
    return EINVAL;
  }
  const auto mode = static_cast<unsigned>(s.seen.st_mode & 0777);
  if (how == CopyTarget::New) {
    s.out = ::open(s.target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (s.out < 0) {
      const int err = errno;
      s.closeAll();
      return err;
    }
    s.created = true;
  } else {
    if (const int err = s.replacement.create(s.target, mode); err != 0) {
      s.closeAll();
      return err;
    }
    s.out = s.replacement.fd();
  }
  return 0;
}

int FileCopy::copyPiece(std::uint64_t maxBytes) {
  State& s = *s_;
  if (s.in < 0 || s.out < 0) return EBADF;
  const std::uint64_t want = std::min<std::uint64_t>(maxBytes, size() - s.offset);
  if (want == 0) return 0;
  return s.useBuffer ? s.bufferPiece(want) : s.kernelPiece(want);
}

bool FileCopy::complete() const { return s_->offset >= size(); }

int FileCopy::sync() {
  State& s = *s_;
  if (s.out < 0) return EBADF;
  if (::fsync(s.out) != 0) return errno;
  s.synced = true;
  return 0;
}

bool FileCopy::sourceUnchanged() const {
  const State& s = *s_;
  struct stat now {}, atPath {};
  if (s.in < 0 || ::fstat(s.in, &now) != 0 || ::stat(s.source.c_str(), &atPath) != 0) return false;
  return now.st_size == s.seen.st_size && sameTimes(now.st_mtim, s.seen.st_mtim) &&
         sameTimes(now.st_ctim, s.seen.st_ctim) && atPath.st_dev == s.seen.st_dev && atPath.st_ino == s.seen.st_ino;
}

int FileCopy::commit() {
  State& s = *s_;
  if (s.committed) return 0;
  if (s.how == CopyTarget::Replacing) {
    s.closeAll();
    if (const int err = s.replacement.commit(); err != 0) return err;
  } else {
    if (s.out < 0) return EBADF;
    const int err = closeChecked(s.out);
    s.out = -1;
    s.closeAll();
    if (err != 0) return err;
    if (s.synced) syncFolder(folderOf(s.target));
  }
  s.committed = true;
  return 0;
}

int FileCopy::abandon() {
  if (!s_) return 0;
  State& s = *s_;
  s.closeAll();
  if (s.committed) return 0;
  if (s.how == CopyTarget::Replacing) return s.replacement.discard();
  if (!s.created) return 0;
  s.created = false;
  if (::unlink(s.target.c_str()) != 0 && errno != ENOENT) return errno;
  return 0;
}

std::uint64_t FileCopy::size() const { return static_cast<std::uint64_t>(s_->seen.st_size); }
std::uint64_t FileCopy::copied() const { return s_->offset; }
const std::string& FileCopy::copyPath() const {
  return s_->how == CopyTarget::Replacing ? s_->replacement.path() : s_->target;
}

}  // namespace platform
