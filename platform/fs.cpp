#include "platform/fs.h"

#include "platform/dir_listing.h"
#include "platform/entry_at.h"
#include "platform/fd_io.h"
#include "platform/hidden_list.h"
#include "platform/replacement_file.h"

#include <QByteArray>
#include <QFile>
#include <QStandardPaths>
#include <QString>

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <sys/types.h>
#include <unistd.h>

namespace platform {
namespace {

FileTime fromStatx(const struct statx_timestamp& t, bool known) {
  FileTime r;
  if (known) {
    r.sec = t.tv_sec;
    r.nsec = t.tv_nsec;
    r.known = true;
  }
  return r;
}

class StatxSource final : public MetadataSource {
 public:
  FileStatus query(const std::string& path, bool followLinks) const override {
    FileStatus st;
    struct statx sx {};
    const int flags = AT_STATX_SYNC_AS_STAT | (followLinks ? 0 : AT_SYMLINK_NOFOLLOW);
    const EntryAt at(path);
    if (at.error() != 0) {
      st.error = at.error();
      return st;
    }
    if (::statx(at.dir(), at.name(), flags, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) {
      st.error = errno;
      return st;
    }
    return statusFromStatx(sx);
  }
};

const StatxSource kStatxSource;
const MetadataSource* gSource = &kStatxSource;

std::string str(std::string_view s) { return std::string(s); }

}  // namespace

const MetadataSource& systemMetadataSource() { return kStatxSource; }

FileType fileTypeOfMode(unsigned mode) {
  switch (mode & S_IFMT) {
    case S_IFREG: return FileType::Regular;
    case S_IFDIR: return FileType::Directory;
    case S_IFLNK: return FileType::Symlink;
    default: return FileType::Other;
  }
}

FileStatus statusFromStatx(const struct statx& sx) {
  FileStatus st;
  st.type = fileTypeOfMode(sx.stx_mode);
  st.size = sx.stx_size;
  st.mode = sx.stx_mode & 07777;
  st.uid = sx.stx_uid;
  st.gid = sx.stx_gid;
  // The encoding st_dev has, so that every identity of this layer compares with every other.
  st.identity = {static_cast<std::uint64_t>(::makedev(sx.stx_dev_major, sx.stx_dev_minor)), sx.stx_ino};
  st.accessed = fromStatx(sx.stx_atime, (sx.stx_mask & STATX_ATIME) != 0);
  st.modified = fromStatx(sx.stx_mtime, (sx.stx_mask & STATX_MTIME) != 0);
  st.changed = fromStatx(sx.stx_ctime, (sx.stx_mask & STATX_CTIME) != 0);
  // A zero birth time comes from file systems that do not keep one (overlays among them).
  st.created = fromStatx(sx.stx_btime, (sx.stx_mask & STATX_BTIME) != 0 &&
                                           (sx.stx_btime.tv_sec != 0 || sx.stx_btime.tv_nsec != 0));
  return st;
}

FileStatus statusOf(const struct stat& sb) {
  FileStatus st;
  st.type = fileTypeOfMode(sb.st_mode);
  st.size = static_cast<std::uint64_t>(sb.st_size);
  st.mode = sb.st_mode & 07777;
  st.uid = sb.st_uid;
  st.gid = sb.st_gid;
  st.identity = {static_cast<std::uint64_t>(sb.st_dev), static_cast<std::uint64_t>(sb.st_ino)};
  st.accessed = {.sec = sb.st_atim.tv_sec, .nsec = static_cast<std::uint32_t>(sb.st_atim.tv_nsec), .known = true};
  st.modified = {.sec = sb.st_mtim.tv_sec, .nsec = static_cast<std::uint32_t>(sb.st_mtim.tv_nsec), .known = true};
  st.changed = {.sec = sb.st_ctim.tv_sec, .nsec = static_cast<std::uint32_t>(sb.st_ctim.tv_nsec), .known = true};
  return st;
}

void setMetadataSource(const MetadataSource* source) { gSource = source ? source : &kStatxSource; }

ScopedMetadataSource::ScopedMetadataSource(const MetadataSource& source) : previous_(gSource) {
  gSource = &source;
}
ScopedMetadataSource::~ScopedMetadataSource() { gSource = previous_; }

FileStatus fileStatus(std::string_view path, bool followLinks) {
  return gSource->query(str(path), followLinks);
}

int setFileTimes(std::string_view path, const FileTime* accessed, const FileTime* modified) {
  struct timespec ts[2];
  ts[0].tv_sec = accessed ? accessed->sec : 0;
  ts[0].tv_nsec = accessed ? static_cast<long>(accessed->nsec) : UTIME_OMIT;
  ts[1].tv_sec = modified ? modified->sec : 0;
  ts[1].tv_nsec = modified ? static_cast<long>(modified->nsec) : UTIME_OMIT;
  const EntryAt at(path);
  if (at.error() != 0) return at.error();
  if (::utimensat(at.dir(), at.name(), ts, AT_SYMLINK_NOFOLLOW) != 0) return errno;
  return 0;
}

int refuseAsNewName(std::string_view target) {
  const std::size_t slash = target.rfind('/');
  return isHiddenFileName(slash == std::string_view::npos ? target : target.substr(slash + 1)) ? EEXIST : 0;
}

int renameNoReplaceAt(int fromDir, const char* name, int toDir, const char* target) {
  if (const int refused = refuseAsNewName(target); refused != 0) return refused;
  if (::renameat2(fromDir, name, toDir, target, RENAME_NOREPLACE) == 0) return 0;
  const int err = errno;
  if (err != EINVAL && err != ENOSYS && err != ENOTSUP) return err;
  // A hard link fails when the target exists.
  struct stat st {};
  if (::fstatat(fromDir, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
  if (S_ISDIR(st.st_mode)) return err;
  if (::linkat(fromDir, name, toDir, target, 0) != 0) return errno;
  if (::unlinkat(fromDir, name, 0) != 0) {
    const int e = errno;
    ::unlinkat(toDir, target, 0);
    return e;
  }
  return 0;
}

namespace {

// One rename that never replaces, by path. 0 or errno.
int renameOnce(const std::string& f, const std::string& t) {
  const EntryAt from(f), to(t);
  if (from.error() != 0) return from.error();
  if (to.error() != 0) return to.error();
  const int err = renameNoReplaceAt(from.dir(), from.name(), to.dir(), to.name());
  if (err == 0) entryMoved(f, t);
  return err;
}

// The folder part of a path, up to and with its last "/" ("" for a bare name).
std::string_view folderPart(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string_view{} : path.substr(0, slash + 1);
}

// True when t, another name in f's folder, leads to f's own entry: what a file system that folds
// case (vfat, exFAT, case-folded folders) answers for "photo" when "Photo" is there. A second
// hard link of a file under the other name is another entry, so files must have one link.
bool sameEntryUnderOtherName(const std::string& f, const std::string& t) {
  if (f == t || folderPart(f) != folderPart(t)) return false;
  const EntryAt ef(f), et(t);
  struct stat a {}, b {};
  if (ef.error() != 0 || et.error() != 0 || ::fstatat(ef.dir(), ef.name(), &a, AT_SYMLINK_NOFOLLOW) != 0 ||
      ::fstatat(et.dir(), et.name(), &b, AT_SYMLINK_NOFOLLOW) != 0)
    return false;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && (S_ISDIR(a.st_mode) || a.st_nlink == 1);
}

}  // namespace

int renameThroughTemporary(std::string_view from, std::string_view to) {
  const std::string f = str(from), t = str(to);
  const std::string_view name = std::string_view(f).substr(folderPart(f).size());
  std::string tmp;
  int err = EEXIST;
  for (int tries = 0; tries < 100 && err == EEXIST; ++tries) {
    // Not the pattern of temporary files (replacement_file.h): a leftover of this rename is the
    // user's file under another name, never something to clean away.
    tmp = str(folderPart(f)) + "." + str(name.substr(0, 200)) + ".vdr" + temporaryNameSuffix();
    err = renameOnce(f, tmp);
  }
  if (err != 0) return err;
  err = renameOnce(tmp, t);
  if (err != 0) (void)renameOnce(tmp, f);  // back to its own name: nothing changed
  return err;
}

int renameNoReplace(std::string_view from, std::string_view to) {
  const std::string f = str(from), t = str(to);
  const int err = renameOnce(f, t);
  // A change of letter case only, where the file system finds the old entry under the new name:
  // rename does nothing there (same entry), so go through a name of our own.
  if (err == EEXIST && sameEntryUnderOtherName(f, t)) return renameThroughTemporary(f, t);
  return err;
}

int removeFile(std::string_view path) {
  const EntryAt at(path);
  if (at.error() != 0) return at.error();
  if (::unlinkat(at.dir(), at.name(), 0) != 0) return errno;
  return 0;
}

int removeDirectory(std::string_view path) {
  const EntryAt at(path);
  if (at.error() != 0) return at.error();
  if (::unlinkat(at.dir(), at.name(), AT_REMOVEDIR) != 0) return errno;
  entryMoved(path, {});
  return 0;
}

int makeDirectory(std::string_view path) {
  const EntryAt at(path);
  if (at.error() != 0) return at.error();
  if (::mkdirat(at.dir(), at.name(), 0777) != 0) return errno;
  return 0;
}

int writeFileAtomic(std::string_view path, std::string_view data) {
  std::string target = str(path);
  if (target.empty() || target.back() == '/') return EISDIR;
  FileStatus old = fileStatus(target, false);
  if (old.error == 0 && old.type == FileType::Symlink) {
    // Write through the link to the file it names, keeping the link itself.
    char* real = ::realpath(target.c_str(), nullptr);
    if (real) {
      target = real;
      std::free(real);
      old = fileStatus(target, false);
    } else {
      return errno;
    }
  }
  const bool exists = old.error == 0;
  if (exists && old.type != FileType::Regular)
    return old.type == FileType::Directory ? EISDIR : EINVAL;
  if (!exists && old.error != ENOENT) return old.error;

  ReplacementFile out;
  int err = out.create(target, exists ? 0600 : 0666);
  if (err == 0) err = out.write(data);
  if (err == 0 && exists) err = out.keepMetadataOf(target);
  if (err == 0) err = out.commit();
  return err;
}

int appendToFile(std::string_view path, std::string_view data) {
  const std::string p = str(path);
  const FileStatus st = fileStatus(p, true);
  if (st.error == 0 && st.type != FileType::Regular)
    return st.type == FileType::Directory ? EISDIR : EINVAL;
  const EntryAt at(p);
  if (at.error() != 0) return at.error();
  const int fd = ::openat(at.dir(), at.name(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  struct stat sb {};
  int err = 0;
  if (::fstat(fd, &sb) != 0) err = errno;
  else if (!S_ISREG(sb.st_mode)) err = EINVAL;
  if (err == 0) err = writeFully(fd, data);
  const int cerr = closeChecked(fd);
  return err ? err : cerr;
}

int writeAt(std::string_view path, std::uint64_t offset, std::string_view data) {
  const std::string p = str(path);
  const FileStatus st = fileStatus(p, false);
  if (st.error == 0 && st.type != FileType::Regular)
    return st.type == FileType::Directory ? EISDIR : EINVAL;
  const EntryAt at(p);
  if (at.error() != 0) return at.error();
  const int fd = ::openat(at.dir(), at.name(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  struct stat sb {};
  int err = 0;
  if (::fstat(fd, &sb) != 0) err = errno;
  else if (!S_ISREG(sb.st_mode)) err = EINVAL;
  if (err == 0) err = writeFully(fd, data, static_cast<std::int64_t>(offset));
  const int cerr = closeChecked(fd);
  return err ? err : cerr;
}

ReadResult readRange(std::string_view path, std::uint64_t offset, std::uint64_t length) {
  ReadResult r;
  const std::string p = str(path);
  const FileStatus st = fileStatus(p, true);
  if (st.error != 0) {
    r.error = st.error;
    return r;
  }
  if (st.type != FileType::Regular) {
    r.error = st.type == FileType::Directory ? EISDIR : EINVAL;
    return r;
  }
  const EntryAt at(p);
  const int fd = at.error() != 0 ? -1 : ::openat(at.dir(), at.name(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    r.error = at.error() != 0 ? at.error() : errno;
    return r;
  }
  struct stat sb {};
  if (::fstat(fd, &sb) != 0 || !S_ISREG(sb.st_mode)) {
    r.error = EINVAL;
    ::close(fd);
    return r;
  }
  const std::uint64_t size = static_cast<std::uint64_t>(sb.st_size);
  std::uint64_t want = offset >= size ? 0 : size - offset;
  if (length != 0 && length < want) want = length;
  r.data.resize(static_cast<std::size_t>(want));
  std::size_t done = 0;
  while (done < want) {
    const ssize_t n = ::pread(fd, r.data.data() + done, want - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      r.error = errno;
      break;
    }
    if (n == 0) break;  // the file shrank meanwhile
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (r.error != 0) r.data.clear();
  else r.data.resize(done);
  return r;
}

int createExclusive(std::string_view path) {
  const EntryAt at(path);
  if (at.error() != 0) return at.error();
  const int fd = ::openat(at.dir(), at.name(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  return closeChecked(fd);
}

int writeNewFile(std::string_view path, std::string_view data) {
  const EntryAt at(path);
  if (at.error() != 0) return at.error();
  const int fd = ::openat(at.dir(), at.name(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  int err = writeFully(fd, data);
  const int cerr = closeChecked(fd);
  if (err == 0) err = cerr;
  if (err != 0) ::unlinkat(at.dir(), at.name(), 0);
  return err;
}

int checkOpenable(std::string_view path, OpenAccess access) {
  const std::string p = str(path);
  const FileStatus st = fileStatus(p, true);
  if (st.error != 0) return st.error;
  if (st.type != FileType::Regular) return EINVAL;
  int flags = O_RDONLY;
  if (access == OpenAccess::Write) flags = O_WRONLY;
  if (access == OpenAccess::ReadWrite) flags = O_RDWR;
  const EntryAt at(p);
  if (at.error() != 0) return at.error();
  const int fd = ::openat(at.dir(), at.name(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return errno;
  ::close(fd);
  return 0;
}

double freeSpaceBytes(std::string_view path) {
  const std::string p = str(path);
  struct statvfs sv {};
  if (::statvfs(p.c_str(), &sv) != 0) return -1;
  return static_cast<double>(sv.f_bavail) * static_cast<double>(sv.f_frsize);
}

DirListing listDirectory(std::string_view folder) {
  DirListing out;
  const int fd = openFolderFd(folder, O_RDONLY);
  if (fd < 0) {
    out.error = errno;
    return out;
  }
  out.error = forEachEntry(fd, [&](const char* name, DirEntryKind) { out.names.emplace_back(name); });
  ::close(fd);
  return out;
}

std::string desktopFolder() {
  const QString d = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
  if (d.isEmpty()) return {};
  const QByteArray b = QFile::encodeName(d);
  return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

}  // namespace platform
