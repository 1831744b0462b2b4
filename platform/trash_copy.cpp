#include "platform/trash_copy.h"

#include "platform/fd_io.h"
#include "platform/program_paths.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr int kNameTries = 1000;
constexpr std::size_t kNameKept = 200;  // bytes of the original name kept in the entry's name
constexpr std::size_t kCopyPiece = 1 << 20;

struct TrashFolder {
  std::string dir;  // with a trailing "/"
  dev_t dev = 0;
};

// Percent-encodes every byte but the unreserved characters and "/", as the trash info wants.
std::string encodePath(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char ch : path) {
    const auto c = static_cast<unsigned char>(ch);
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
    if (plain) {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string localStamp() {
  const std::time_t now = std::time(nullptr);
  struct tm tm {};
  ::localtime_r(&now, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &tm);
  return buf;
}

std::string absolute(std::string_view path) {
  if (!path.empty() && path.front() == '/') return std::string(path);
  std::vector<char> cwd(4096);
  while (::getcwd(cwd.data(), cwd.size()) == nullptr) {
    if (errno != ERANGE) return std::string(path);
    cwd.resize(cwd.size() * 2);
  }
  return std::string(cwd.data()) + "/" + std::string(path);
}

// A folder of ours: made with mode 0700 when missing; a link, another user's folder or a file
// in its place makes it unusable.
bool ownFolder(const std::string& dir) {
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}

// dir (with a trailing "/") and its files/ and info/ folders, made when missing.
std::optional<TrashFolder> usableTrash(const std::string& dir) {
  if (!ownFolder(dir) || !ownFolder(dir + "files") || !ownFolder(dir + "info")) return std::nullopt;
  struct stat st {};
  if (::stat(dir.c_str(), &st) != 0) return std::nullopt;
  return TrashFolder{dir, st.st_dev};
}

// The top folder of the file system holding folder: the last ancestor on the same device.
std::string topFolder(const std::string& folder, dev_t dev) {
  std::string cur = folder;
  while (cur != "/") {
    const std::string parent = folderOf(cur);
    struct stat st {};
    if (::stat(parent.c_str(), &st) != 0 || st.st_dev != dev) break;
    cur = parent;
  }
  return cur == "/" ? cur : cur + "/";
}

// The file system's own trash: $topdir/.Trash/$uid when .Trash is a sticky folder (not a link),
// else $topdir/.Trash-$uid.
std::optional<TrashFolder> mountTrash(const std::string& top) {
  const std::string uid = std::to_string(::geteuid());
  struct stat st {};
  const std::string shared = top + ".Trash";
  if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) != 0) {
    if (auto t = usableTrash(shared + "/" + uid + "/")) return t;
  }
  return usableTrash(top + ".Trash-" + uid + "/");
}

std::optional<TrashFolder> homeTrash() {
  const std::string dir = dataHome() + "Trash/";
  if (!makeFolders(dir, 0700)) return std::nullopt;
  return usableTrash(dir);
}

// Copies the bytes of src into the new file dst (never replacing one), with src's permission bits,
// synced. 0 or errno; a partial dst is removed.
int copyBytes(int src, const std::string& dst) {
  struct stat st {};
  if (::fstat(src, &st) != 0) return errno;
  const int out = ::open(dst.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (out < 0) return errno;
  int err = 0;
  std::string buf(kCopyPiece, '\0');
  for (off_t at = 0; err == 0;) {
    const ssize_t n = ::pread(src, buf.data(), buf.size(), at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) err = errno;
    if (n <= 0) break;
    err = writeFully(out, std::string_view(buf.data(), static_cast<std::size_t>(n)));
    at += n;
  }
  if (err == 0 && ::fchmod(out, st.st_mode & 07777) != 0) err = errno;
  if (err == 0 && ::fsync(out) != 0) err = errno;
  const int cerr = closeChecked(out);
  if (err == 0) err = cerr;
  if (err != 0) ::unlink(dst.c_str());
  return err;
}

// Places the data of the open file src (at path) into a reserved entry: a hard link where the
// trash is on its file system, else a copy. 0, EEXIST when the name was taken meanwhile, or errno.
int placeData(const std::string& path, int src, const TrashFolder& trash, dev_t dev,
              const std::string& dst) {
  if (trash.dev == dev) {
    // Through the descriptor, so that the entry is the very file that was opened (and checked),
    // whatever the path names by now; by path where /proc is not mounted.
    const std::string self = "/proc/self/fd/" + std::to_string(src);
    int rc = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, dst.c_str(), AT_SYMLINK_FOLLOW);
    if (rc != 0 && errno == ENOENT && ::access("/proc/self/fd", F_OK) != 0)
      rc = ::link(path.c_str(), dst.c_str());
    if (rc == 0) return 0;
    const int err = errno;
    // Links refused (a file system without them, protected links, too many): copy instead.
    if (err != EXDEV && err != EPERM && err != EMLINK && err != ENOTSUP && err != EOPNOTSUPP) return err;
  }
  return copyBytes(src, dst);
}

}  // namespace

int reserveTrashEntry(std::string_view originalPath, const std::string& trashDir, TrashEntry& entry) {
  const std::string original = absolute(originalPath);
  std::string base = nameOf(original).substr(0, kNameKept);
  if (base.empty() || base == "." || base == "..") base = "file";
  const std::string text =
      "[Trash Info]\nPath=" + encodePath(original) + "\nDeletionDate=" + localStamp() + "\n";
  for (int n = 1; n <= kNameTries; ++n) {
    const std::string name = n == 1 ? base : base + "." + std::to_string(n);
    const std::string info = trashDir + "info/" + name + ".trashinfo";
    const std::string file = trashDir + "files/" + name;
    struct stat st {};
    if (::lstat(file.c_str(), &st) == 0) continue;  // data left without an info file: not ours
    const int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return errno;
    }
    int err = writeFully(fd, text);
    if (err == 0 && ::fsync(fd) != 0) err = errno;
    const int cerr = closeChecked(fd);
    if (err == 0) err = cerr;
    if (err != 0) {
      ::unlink(info.c_str());
      return err;
    }
    entry = {file, info};
    return 0;
  }
  return EEXIST;
}

int copyToTrash(std::string_view path, TrashEntry& entry, int openFile) {
  entry = {};
  const std::string p = absolute(path);
  const int src = openFile >= 0
      ? openFile
      : ::open(p.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (src < 0) return errno == ELOOP ? EINVAL : errno;
  const auto done = [&](int err) {
    if (src != openFile) ::close(src);
    return err;
  };
  struct stat st {};
  if (::fstat(src, &st) != 0 || !S_ISREG(st.st_mode)) return done(EINVAL);
  std::vector<TrashFolder> trashes;
  const std::optional<TrashFolder> home = homeTrash();
  if (home && home->dev == st.st_dev) trashes.push_back(*home);
  if (trashes.empty()) {
    if (auto own = mountTrash(topFolder(folderOf(p), st.st_dev))) trashes.push_back(*own);
    if (home) trashes.push_back(*home);
  }
  int err = trashes.empty() ? EACCES : 0;
  for (const TrashFolder& trash : trashes) {
    TrashEntry e;
    for (int tries = 0; tries < kNameTries; ++tries) {
      err = reserveTrashEntry(p, trash.dir, e);
      if (err != 0) break;
      err = placeData(p, src, trash, st.st_dev, e.file);
      if (err == 0) break;
      ::unlink(e.info.c_str());
      if (err != EEXIST) break;
    }
    if (err == 0) {
      syncFolder(trash.dir + "files");
      syncFolder(trash.dir + "info");
      entry = e;
      break;
    }
  }
  return done(err);
}

int withdrawFromTrash(const TrashEntry& entry) {
  int first = 0;
  for (const std::string* p : {&entry.file, &entry.info}) {
    if (p->empty()) continue;
    if (::unlink(p->c_str()) != 0 && errno != ENOENT && first == 0) first = errno;
  }
  return first;
}

}  // namespace platform
