#include "platform/replacement_file.h"

#include "platform/dir_listing.h"
#include "platform/entry_at.h"
#include "platform/fd_io.h"
#include "platform/fs.h"
#include "platform/own_temporary.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr std::size_t kNameKept = 200;  // bytes of the target's name in the temporary name

std::atomic<std::uint64_t> contentSyncs{0};

}  // namespace

std::uint64_t contentSyncCount() { return contentSyncs.load(std::memory_order_relaxed); }

std::string temporaryNameSuffix() {
  static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  // Seeded once per thread from the system's entropy, then stepped (splitmix64): a run that copies
  // many small files asks the kernel once, not once per file. The names need to be unlikely to
  // collide, not secret: O_EXCL makes a collision harmless.
  thread_local std::uint64_t state = [] {
    std::uint64_t seed = 0;
    if (::getrandom(&seed, sizeof seed, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof seed))
      // No entropy yet (early boot): the clock and the process id still differ between runs.
      seed = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
             (static_cast<std::uint64_t>(::getpid()) << 40);
    return seed;
  }();
  std::uint64_t v = (state += 0x9E3779B97F4A7C15ULL);
  v = (v ^ (v >> 30)) * 0xBF58476D1CE4E5B9ULL;
  v = (v ^ (v >> 27)) * 0x94D049BB133111EBULL;
  v ^= v >> 31;
  std::string s(8, 'a');
  for (char& c : s) {
    c = kChars[v % (sizeof(kChars) - 1)];
    v /= sizeof(kChars) - 1;
  }
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
    // A mark of ours belongs to the file it was set on, never to a copy of it.
    if (name.empty() || name == kTemporaryXattr) continue;
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
  if (dirFd_ >= 0) ::close(dirFd_);
}

int OriginalFile::open(std::string_view path) {
  if (fd_ >= 0) ::close(fd_);
  if (dirFd_ >= 0) ::close(dirFd_);
  fd_ = dirFd_ = -1;
  path_ = std::string(path);
  while (path_.size() > 1 && path_.back() == '/') path_.pop_back();
  name_ = nameOf(path_);
  dirFd_ = openFolderFd(folderOf(path_), O_PATH);
  if (dirFd_ < 0) return errno;
  struct stat st {};
  if (::fstatat(dirFd_, name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
  if (S_ISLNK(st.st_mode)) return ELOOP;
  if (!S_ISREG(st.st_mode)) return EINVAL;
  fd_ = ::openat(dirFd_, name_.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
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
  if (fd_ < 0 || ::fstat(fd_, &now) != 0 ||
      ::fstatat(dirFd_, name_.c_str(), &there, AT_SYMLINK_NOFOLLOW) != 0)
    return false;
  return there.st_dev == seen_.st_dev && there.st_ino == seen_.st_ino && now.st_size == seen_.st_size &&
         sameTime(now.st_mtim, seen_.st_mtim) && sameTime(now.st_ctim, seen_.st_ctim);
}

bool OriginalFile::contentsUnchanged() const {
  struct stat now {}, there {};
  if (fd_ < 0 || ::fstat(fd_, &now) != 0 ||
      ::fstatat(dirFd_, name_.c_str(), &there, AT_SYMLINK_NOFOLLOW) != 0)
    return false;
  return there.st_dev == seen_.st_dev && there.st_ino == seen_.st_ino && now.st_size == seen_.st_size &&
         sameTime(now.st_mtim, seen_.st_mtim);
}

ReplacementFile::~ReplacementFile() {
  (void)discard();
  dropFolder();
}

void ReplacementFile::dropFolder() {
  if (dirFd_ >= 0 && ownsDir_) ::close(dirFd_);
  dirFd_ = -1;
  ownsDir_ = true;
}

int ReplacementFile::create(std::string_view target, unsigned mode) { return start(-1, target, mode); }

int ReplacementFile::createIn(int folderFd, std::string_view target, unsigned mode) {
  return start(folderFd, target, mode);
}

int ReplacementFile::createUnnamedIn(int folderFd, std::string_view target, unsigned mode) {
  return start(folderFd, target, mode, true);
}

int ReplacementFile::start(int folderFd, std::string_view target, unsigned mode, bool unnamed) {
  (void)discard();
  dropFolder();
  replacing_ = Durability::OnlyCopyAtStake;
  target_ = std::string(target);
  if (target_.empty() || target_.back() == '/') return EISDIR;
  const std::string folder = folderOf(target_);
  name_ = nameOf(target_);
  if (folderFd >= 0) {
    dirFd_ = folderFd;
    ownsDir_ = false;
  } else {
    // Read access to sync the folder after the rename; a folder we may only enter still works.
    dirFd_ = openFolderFd(folder, O_RDONLY);
    if (dirFd_ < 0 && errno == EACCES) dirFd_ = openFolderFd(folder, O_PATH);
    if (dirFd_ < 0) return errno;
  }
  if (unnamed && canNameUnnamedFiles()) {
    fd_ = ::openat(dirFd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd_ >= 0) {
      exists_ = unnamed_ = true;
      synced_ = false;
      tmpName_.clear();
      tmp_ = "/proc/self/fd/" + std::to_string(fd_);
      return 0;
    }
    // A file system without such files (vfat, some network ones), or a folder we may not write
    // to, which the named create below reports as it would.
  }
  // Locked and marked until it is renamed into place or removed: a run that finds it meanwhile
  // knows it is not a leftover, and after a kill it can prove it one (own_temporary.h).
  std::string name;
  fd_ = createOwnTemporary(dirFd_, name_, mode, name);
  const int err = fd_ < 0 ? errno : 0;
  nameTemporary(std::move(name));
  if (err != 0) return err;
  exists_ = true;
  synced_ = false;
  return 0;
}

namespace {
constexpr std::size_t kHoleBlock = 4096;
}  // namespace

int ReplacementFile::write(std::string_view data) {
  if (fd_ < 0) return EBADF;
  if (data.empty()) return 0;
  synced_ = false;
  if (!keepHoles_) return writeFully(fd_, data);
  // Only whole blocks can stay holes: a block that one write leaves unfinished waits for the next.
  if (!pending_.empty()) {
    const std::size_t take = std::min(data.size(), kHoleBlock - pending_.size());
    pending_.append(data.substr(0, take));
    data.remove_prefix(take);
    if (pending_.size() < kHoleBlock) return 0;
    if (const int err = writeBlocks(pending_); err != 0) return err;
    pending_.clear();
  }
  const std::size_t whole = data.size() - data.size() % kHoleBlock;
  if (const int err = writeBlocks(data.substr(0, whole)); err != 0) return err;
  pending_.assign(data.substr(whole));
  return 0;
}

int ReplacementFile::writeBlocks(std::string_view blocks) {
  // Runs of data and runs of zero blocks in turn: the data is written, the zeros skipped over.
  const auto zero = [&](std::size_t at) { return blocks.find_first_not_of('\0', at) >= at + kHoleBlock; };
  for (std::size_t at = 0; at < blocks.size();) {
    const bool hole = zero(at);
    std::size_t end = at + kHoleBlock;
    while (end < blocks.size() && zero(end) == hole) end += kHoleBlock;
    const std::string_view run = blocks.substr(at, end - at);
    if (hole) {
      if (::lseek(fd_, static_cast<off_t>(run.size()), SEEK_CUR) < 0) return errno;
    } else if (const int err = writeFully(fd_, run); err != 0) {
      return err;
    }
    holeAtEnd_ = hole;
    written_ += run.size();
    at = end;
  }
  return 0;
}

int ReplacementFile::settleHoles() {
  if (!pending_.empty()) {
    if (const int err = writeFully(fd_, pending_); err != 0) return err;
    written_ += pending_.size();
    pending_.clear();
    holeAtEnd_ = false;
  }
  // A hole at the end has no bytes after it to give the file its size.
  if (!holeAtEnd_) return 0;
  if (::ftruncate(fd_, static_cast<off_t>(written_)) != 0) return errno;
  holeAtEnd_ = false;
  return 0;
}

int ReplacementFile::keepMetadataOf(int sourceFd) {
  struct stat st {};
  if (::fstat(sourceFd, &st) != 0) return errno;
  return keepAll(st, [&](char* b, std::size_t n) { return ::flistxattr(sourceFd, b, n); },
                 [&](const char* name, char* b, std::size_t n) { return ::fgetxattr(sourceFd, name, b, n); },
                 fd_);
}

int ReplacementFile::keepMetadataOf(const std::string& sourcePath) {
  const EntryAt at(sourcePath);
  const int src = openEntryItself(at);
  if (src < 0) return errno;
  struct stat st {};
  int err = 0;
  if (::fstat(src, &st) != 0) {
    err = errno;
  } else {
    const std::string proc = "/proc/self/fd/" + std::to_string(src);
    err = keepAll(st, [&](char* b, std::size_t n) { return ::listxattr(proc.c_str(), b, n); },
                  [&](const char* name, char* b, std::size_t n) { return ::getxattr(proc.c_str(), name, b, n); },
                  fd_);
  }
  ::close(src);
  return err;
}

int ReplacementFile::sync() {
  if (fd_ < 0) return exists_ ? 0 : EBADF;
  if (const int err = settleHoles(); err != 0) return err;
  contentSyncs.fetch_add(1, std::memory_order_relaxed);
  if (::fsync(fd_) != 0) return errno;
  synced_ = true;
  return 0;
}

int ReplacementFile::startWriteback() {
  if (fd_ < 0) return EBADF;
  if (const int err = settleHoles(); err != 0) return err;
  // Only a head start: a file system without it is synced all the same.
  if (::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE) != 0 && errno != ENOSYS && errno != EINVAL &&
      errno != ESPIPE)
    return errno;
  return 0;
}

std::vector<int> ReplacementFile::syncTogether(const std::vector<ReplacementFile*>& files, FolderSyncs* covered) {
  std::vector<int> errs(files.size(), 0);
  std::vector<std::pair<dev_t, bool>> systems;  // synced by syncfs, or not
  for (std::size_t i = 0; i < files.size(); ++i) {
    ReplacementFile& f = *files[i];
    struct stat st {};
    if (f.fd_ < 0 || (errs[i] = f.settleHoles()) != 0) {
      if (errs[i] == 0) errs[i] = f.exists_ ? 0 : EBADF;
      continue;
    }
    if (::fstat(f.fd_, &st) != 0) {
      errs[i] = f.sync();
      continue;
    }
    auto it = std::find_if(systems.begin(), systems.end(), [&](const auto& s) { return s.first == st.st_dev; });
    // syncfs reports a failed writeback of any file written since this one was opened: not
    // knowing which, the files fall back to their own fsync, which tells.
    if (it == systems.end()) {
      const bool covers = syncfsCoversFiles(f.fd_);
      if (covers) contentSyncs.fetch_add(1, std::memory_order_relaxed);
      it = systems.insert(systems.end(), {st.st_dev, covers && ::syncfs(f.fd_) == 0});
      if (it->second && covered) covered->coveredBy(st.st_dev);
    }
    if (it->second) {
      f.synced_ = true;
    } else {
      errs[i] = f.sync();
    }
  }
  return errs;
}

int ReplacementFile::finish(bool replace, bool syncFolder, bool syncData) {
  if (!exists_) return EBADF;
  // A new file never takes the record's name (replacing is how the record itself is written).
  if (!replace && !hiddenRecord_) {
    if (const int refused = refuseAsNewName(name_); refused != 0) return refused;
  }
  // Synced once: a second fsync of the same bytes would cost another flush of the disk's cache.
  if (replace && replacing_ == Durability::SourceStays) syncData = false;
  if (const int err = synced_ || !syncData ? settleHoles() : sync(); err != 0) return err;
  // Over a file it can only go by a rename: first it takes a temporary name.
  if (unnamed_ && replace) {
    if (const int err = nameUnnamed(); err != 0) return err;
  }
  const char* from = tmpName_.c_str();
  const char* to = name_.c_str();
  if (unnamed_) {
    // A link fails where the name is taken, as a rename that never replaces.
    if (linkUnnamed(fd_, dirFd_, to) != 0) return errno;
  } else if (replace) {
    if (::renameat(dirFd_, from, dirFd_, to) != 0) return errno;
  } else if (::renameat2(dirFd_, from, dirFd_, to, RENAME_NOREPLACE) != 0) {
    const int err = errno;
    if (err != EINVAL && err != ENOSYS && err != ENOTSUP) return err;
    // No RENAME_NOREPLACE on this file system: a hard link fails where the name is taken.
    if (::linkat(dirFd_, from, dirFd_, to, 0) != 0) return errno;
    (void)::unlinkat(dirFd_, from, 0);
  }
  // Under its real name it is the user's file: the mark of a temporary goes.
  if (!unnamed_ && fd_ >= 0) unmarkOwnTemporary(fd_);
  exists_ = unnamed_ = false;
  const int cerr = fd_ >= 0 ? closeChecked(fd_) : 0;
  fd_ = -1;
  if (syncFolder) (void)::fsync(dirFd_);
  return cerr;
}

void ReplacementFile::nameTemporary(std::string name) {
  const std::string folder = folderOf(target_);
  tmpName_ = std::move(name);
  tmp_ = (folder == "/" ? "/" : folder + "/") + tmpName_;
}

int ReplacementFile::nameUnnamed() {
  // Locked and marked as a named temporary file is: a kill before the rename leaves it for the
  // next run to prove its own.
  std::string name;
  if (const int err = nameOwnTemporary(fd_, dirFd_, name_, name); err != 0) return err;
  nameTemporary(std::move(name));
  unnamed_ = false;
  return 0;
}

int ReplacementFile::commit() { return finish(true); }

int ReplacementFile::commitFolderUnsynced() { return finish(true, false); }

int ReplacementFile::commitNew(Durability durability) {
  const bool sync = durability == Durability::OnlyCopyAtStake;
  return finish(false, sync, sync);
}

int ReplacementFile::commitUnsynced() { return finish(true, false, false); }

int ReplacementFile::commitExchanging(bool syncFolder) {
  if (!exists_ || unnamed_) return finish(true, syncFolder);
  const bool syncData = !synced_ && replacing_ == Durability::OnlyCopyAtStake;
  if (const int err = syncData ? sync() : settleHoles(); err != 0) return err;
  if (::renameat2(dirFd_, tmpName_.c_str(), dirFd_, name_.c_str(), RENAME_EXCHANGE) != 0) {
    const int err = errno;
    if (err != EINVAL && err != ENOSYS && err != ENOTSUP) return err;
    return finish(true, syncFolder);  // no exchange on this file system
  }
  exchanged_ = true;
  return 0;
}

int ReplacementFile::keepExchanged(bool syncFolder) {
  if (!exchanged_) return 0;
  exchanged_ = false;
  exists_ = false;
  const int err = ::unlinkat(dirFd_, tmpName_.c_str(), 0) != 0 && errno != ENOENT ? errno : 0;
  const int cerr = fd_ >= 0 ? closeChecked(fd_) : 0;
  fd_ = -1;
  if (syncFolder) (void)::fsync(dirFd_);
  return err != 0 ? err : cerr;
}

int ReplacementFile::undoExchange() {
  if (!exchanged_) return 0;
  if (::renameat2(dirFd_, tmpName_.c_str(), dirFd_, name_.c_str(), RENAME_EXCHANGE) != 0) return errno;
  exchanged_ = false;
  return 0;
}

int ReplacementFile::discard() {
  if (!exists_ || unnamed_) {
    exists_ = unnamed_ = false;
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    return 0;
  }
  // Removed while still locked, so that nobody takes it for a leftover in between.
  const int err = ::unlinkat(dirFd_, tmpName_.c_str(), 0) != 0 && errno != ENOENT ? errno : 0;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (err != 0) return err;
  exists_ = false;
  return 0;
}

FolderSyncs::~FolderSyncs() { syncAll(); }

void FolderSyncs::add(const ReplacementFile& committed) {
  const std::string folder = folderOf(committed.target());
  for (const Folder& known : folders_)
    if (known.path == folder) return;
  const int fd = committed.folderFd() >= 0 ? ::fcntl(committed.folderFd(), F_DUPFD_CLOEXEC, 0) : -1;
  struct stat st {};
  if (fd >= 0 && ::fstat(fd, &st) == 0) {
    folders_.push_back({folder, fd, st.st_dev});
  } else {
    if (fd >= 0) ::close(fd);
    syncFolder(folder);  // no descriptor to keep: synced at once, as a commit would
  }
}

void FolderSyncs::syncAll() {
  for (const Folder& f : folders_) {
    (void)::fsync(f.fd);
    ::close(f.fd);
  }
  folders_.clear();
}

void FolderSyncs::coveredBy(dev_t dev) {
  std::erase_if(folders_, [dev](const Folder& f) {
    if (f.dev != dev) return false;
    ::close(f.fd);
    return true;
  });
}

bool syncfsCoversFiles(int fd) {
  constexpr unsigned long kExt = 0xEF53, kXfs = 0x58465342, kBtrfs = 0x9123683E, kF2fs = 0xF2F52010;
  struct statfs fs {};
  if (fd < 0 || ::fstatfs(fd, &fs) != 0) return false;
  const auto type = static_cast<unsigned long>(fs.f_type) & 0xFFFFFFFFUL;
  return type == kExt || type == kXfs || type == kBtrfs || type == kF2fs;
}

bool keepsDosAttributes(int fd) {
  constexpr long kFatMagic = 0x4d44;  // MSDOS_SUPER_MAGIC
  struct statfs fs {};
  return fd >= 0 && ::fstatfs(fd, &fs) == 0 && static_cast<long>(fs.f_type) == kFatMagic;
}

int renameReplacing(std::string_view from, std::string_view to) {
  const EntryAt f(from), t(to);
  if (f.error() != 0) return f.error();
  if (t.error() != 0) return t.error();
  if (const int refused = refuseAsNewName(t.name()); refused != 0) return refused;
  if (::renameat(f.dir(), f.name(), t.dir(), t.name()) != 0) return errno;
  entryMoved(from, to);
  syncFolder(folderOf(std::string(to)));
  return 0;
}

namespace {

constexpr std::string_view kTemporaryMark = ".vdk";
constexpr std::size_t kSuffixLength = 8;

bool suffixChar(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

}  // namespace

std::string temporaryNameFor(std::string_view name) {
  std::size_t keep = std::min(name.size(), kNameKept);
  // Never end inside a UTF-8 sequence: the name stays valid where the original was.
  while (keep > 0 && keep < name.size() && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
  std::string out = ".";
  out.append(name.substr(0, keep));
  out.append(kTemporaryMark);
  out.append(temporaryNameSuffix());
  return out;
}

bool isTemporaryName(std::string_view name) {
  const std::size_t tail = kTemporaryMark.size() + kSuffixLength;
  if (name.size() < 1 + tail || name.front() != '.') return false;
  const std::string_view end = name.substr(name.size() - tail);
  if (end.substr(0, kTemporaryMark.size()) != kTemporaryMark) return false;
  return std::all_of(end.begin() + static_cast<std::ptrdiff_t>(kTemporaryMark.size()), end.end(), suffixChar);
}

int removeStaleTemporaries(std::string_view folder) {
  const int dirFd = openFolderFd(folder, O_RDONLY);
  if (dirFd < 0) return 0;
  std::vector<std::string> found;
  (void)forEachEntry(dirFd, [&](const char* name, DirEntryKind kind) {
    if ((kind == DirEntryKind::File || kind == DirEntryKind::Unknown) && isTemporaryName(name))
      found.emplace_back(name);
  });
  const int removed = removeStaleTemporariesAt(dirFd, found);
  ::close(dirFd);
  return removed;
}

int removeStaleTemporariesAt(int dirFd, const std::vector<std::string>& names) {
  int removed = 0;
  for (const std::string& name : names) removed += removeOwnLeftoverAt(dirFd, name.c_str()) ? 1 : 0;
  return removed;
}

}  // namespace platform
