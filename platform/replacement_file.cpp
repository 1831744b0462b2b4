#include "platform/replacement_file.h"

#include "platform/fd_io.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <functional>

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr int kCreateTries = 100;
constexpr std::size_t kNameKept = 200;  // bytes of the target's name in the temporary name

}  // namespace

std::string temporaryNameSuffix() {
  static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char bytes[8] = {};
  if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
    // No entropy yet (early boot): the clock and the process id still make a collision unlikely,
    // and O_EXCL makes one harmless.
    std::uint64_t v = static_cast<std::uint64_t>(
                          std::chrono::steady_clock::now().time_since_epoch().count()) ^
                      (static_cast<std::uint64_t>(::getpid()) << 40);
    for (unsigned char& b : bytes) {
      b = static_cast<unsigned char>(v);
      v = v * 6364136223846793005ULL + 1442695040888963407ULL;
    }
  }
  std::string s;
  for (unsigned char b : bytes) s += kChars[b % (sizeof(kChars) - 1)];
  return s;
}

namespace {

// Attributes whose loss changes what the file means to its user: their own attributes (the
// archive flag among them) and access control lists. Others (security labels) are the system's.
bool mustKeep(const std::string& name) {
  return name.rfind("user.", 0) == 0 || name.rfind("system.posix_acl_", 0) == 0;
}

using ListFn = std::function<ssize_t(char*, std::size_t)>;
using GetFn = std::function<ssize_t(const char*, char*, std::size_t)>;

// Copies every attribute listed by list/get onto fd. 0 or the first errno of one that must be kept.
int copyXattrs(const ListFn& list, const GetFn& get, int fd) {
  const ssize_t len = list(nullptr, 0);
  if (len <= 0) return 0;
  std::string names(static_cast<std::size_t>(len), '\0');
  const ssize_t got = list(names.data(), names.size());
  if (got <= 0) return 0;
  names.resize(static_cast<std::size_t>(got));
  int first = 0;
  for (std::size_t pos = 0; pos < names.size();) {
    const std::string name = names.c_str() + pos;
    pos += name.size() + 1;
    if (name.empty()) continue;
    int err = 0;
    std::string value;
    ssize_t vgot = get(name.c_str(), nullptr, 0);
    if (vgot > 0) {
      value.resize(static_cast<std::size_t>(vgot));
      vgot = get(name.c_str(), value.data(), value.size());
    }
    if (vgot < 0) err = errno;
    else if (::fsetxattr(fd, name.c_str(), value.data(), static_cast<std::size_t>(vgot), 0) != 0)
      err = errno;
    if (err != 0 && first == 0 && mustKeep(name)) first = err;
  }
  return first;
}

// Owner where allowed (root, or a group of ours), then the permission bits, which a change of
// owner may have cleared (set-user-ID, set-group-ID).
int copyOwnerAndMode(const struct stat& st, int fd) {
  if (::fchown(fd, st.st_uid, st.st_gid) != 0) (void)::fchown(fd, static_cast<uid_t>(-1), st.st_gid);
  if (::fchmod(fd, st.st_mode & 07777) != 0) return errno;
  return 0;
}

// Extended attributes first (an ACL among them sets permission bits), then owner and mode.
int keepAll(const struct stat& st, const ListFn& list, const GetFn& get, int fd) {
  if (fd < 0) return EBADF;
  const int xerr = copyXattrs(list, get, fd);
  const int merr = copyOwnerAndMode(st, fd);
  return xerr != 0 ? xerr : merr;
}

bool sameTime(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

OriginalFile::~OriginalFile() {
  if (fd_ >= 0) ::close(fd_);
}

int OriginalFile::open(std::string_view path) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  path_ = std::string(path);
  struct stat st {};
  if (::lstat(path_.c_str(), &st) != 0) return errno;
  if (S_ISLNK(st.st_mode)) return ELOOP;
  if (!S_ISREG(st.st_mode)) return EINVAL;
  fd_ = ::open(path_.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd_ < 0) return errno;
  if (::fstat(fd_, &seen_) != 0 || !S_ISREG(seen_.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    return EINVAL;
  }
  return 0;
}

int OriginalFile::read(std::uint64_t offset, std::uint64_t length, std::string& out) const {
  out.resize(static_cast<std::size_t>(length));
  std::uint64_t done = 0;
  while (done < length) {
    const ssize_t n = ::pread(fd_, out.data() + done, static_cast<std::size_t>(length - done),
                              static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return ENODATA;
    done += static_cast<std::uint64_t>(n);
  }
  return 0;
}

bool OriginalFile::unchanged() const {
  struct stat now {}, there {};
  if (fd_ < 0 || ::fstat(fd_, &now) != 0 || ::lstat(path_.c_str(), &there) != 0) return false;
  return there.st_dev == seen_.st_dev && there.st_ino == seen_.st_ino && now.st_size == seen_.st_size &&
         sameTime(now.st_mtim, seen_.st_mtim) && sameTime(now.st_ctim, seen_.st_ctim);
}

ReplacementFile::~ReplacementFile() { (void)discard(); }

int ReplacementFile::create(std::string_view target, unsigned mode) {
  (void)discard();
  target_ = std::string(target);
  if (target_.empty() || target_.back() == '/') return EISDIR;
  const std::string folder = folderOf(target_);
  const std::string prefix = folder + "/." + nameOf(target_).substr(0, kNameKept) + ".vdk";
  for (int tries = 0; tries < kCreateTries; ++tries) {
    tmp_ = prefix + temporaryNameSuffix();
    fd_ = ::open(tmp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd_ >= 0) {
      exists_ = true;
      return 0;
    }
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

int ReplacementFile::write(std::string_view data) {
  if (fd_ < 0) return EBADF;
  return writeFully(fd_, data);
}

int ReplacementFile::keepMetadataOf(int sourceFd) {
  struct stat st {};
  if (::fstat(sourceFd, &st) != 0) return errno;
  return keepAll(st, [&](char* b, std::size_t n) { return ::flistxattr(sourceFd, b, n); },
                 [&](const char* name, char* b, std::size_t n) { return ::fgetxattr(sourceFd, name, b, n); },
                 fd_);
}

int ReplacementFile::keepMetadataOf(const std::string& sourcePath) {
  struct stat st {};
  if (::lstat(sourcePath.c_str(), &st) != 0) return errno;
  const char* p = sourcePath.c_str();
  return keepAll(st, [&](char* b, std::size_t n) { return ::llistxattr(p, b, n); },
                 [&](const char* name, char* b, std::size_t n) { return ::lgetxattr(p, name, b, n); },
                 fd_);
}

int ReplacementFile::sync() {
  if (fd_ < 0) return exists_ ? 0 : EBADF;
  int err = ::fsync(fd_) != 0 ? errno : 0;
  const int cerr = closeChecked(fd_);
  fd_ = -1;
  return err != 0 ? err : cerr;
}

int ReplacementFile::commit() {
  if (!exists_) return EBADF;
  if (const int err = sync(); err != 0) return err;
  if (::rename(tmp_.c_str(), target_.c_str()) != 0) return errno;
  exists_ = false;
  syncFolder(folderOf(target_));
  return 0;
}

int ReplacementFile::discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!exists_) return 0;
  if (::unlink(tmp_.c_str()) != 0 && errno != ENOENT) return errno;
  exists_ = false;
  return 0;
}

int renameReplacing(std::string_view from, std::string_view to) {
  const std::string f(from), t(to);
  if (::rename(f.c_str(), t.c_str()) != 0) return errno;
  syncFolder(folderOf(t));
  return 0;
}

}  // namespace platform
