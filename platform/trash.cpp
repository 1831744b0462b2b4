// The freedesktop trash on byte paths. A file goes to the home trash ($XDG_DATA_HOME/Trash) when
// it lives on the same file system, else to the trash at the top folder of its mount
// (".Trash/$uid" below an administrator's sticky ".Trash", else ".Trash-$uid"). Each move first
// creates the info file exclusively (that claims the name in files/), then renames the file
// without replacing anything; every step after the trash folder is found works on descriptors,
// so no name is ever turned into text or re-resolved through a link someone planted.
#include "platform/fs.h"
#include "platform/mounts.h"
#include "platform/program_paths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <unordered_set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr std::string_view kInfoSuffix = ".trashinfo";
constexpr int kMaxNameTries = 10000;

// Owns one descriptor.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  [[nodiscard]] int get() const { return fd_; }
  [[nodiscard]] bool ok() const { return fd_ >= 0; }

 private:
  int fd_;
};

std::string parentOf(const std::string& path) {
  const auto pos = path.find_last_of('/');
  if (pos == 0 || pos == std::string::npos) return "/";
  return path.substr(0, pos);
}

std::string nameOf(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

// The path made absolute (against the current folder) without trailing slashes.
std::string absolutePath(std::string_view path) {
  std::string p(path);
  if (p.empty() || p.front() != '/') {
    std::string cwd(PATH_MAX, '\0');
    if (!::getcwd(cwd.data(), cwd.size())) return {};
    cwd.resize(std::char_traits<char>::length(cwd.c_str()));
    p = (cwd == "/" ? cwd : cwd + "/") + p;
  }
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p;
}

std::string canonicalFolder(const std::string& folder) {
  char* real = ::realpath(folder.c_str(), nullptr);
  if (!real) return {};
  std::string r(real);
  std::free(real);
  return r;
}

// Bytes other than unreserved URI characters and "/" become %XX, as trash readers decode them.
std::string encodePath(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(path.size());
  for (const char ch : path) {
    const auto c = static_cast<unsigned char>(ch);
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_' || c == '.' || c == '~' || c == '/';
    if (plain) {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    }
  }
  return out;
}

std::string infoText(std::string_view recordedPath) {
  char date[32] = "";
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (::localtime_r(&now, &local)) std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
  std::string text = "[Trash Info]\nPath=";
  text += encodePath(recordedPath);
  text += "\nDeletionDate=";
  text += date;
  text += '\n';
  return text;
}

// The name the file takes in files/: its own, then "stem.N.ext" for N = 2, 3 ... Cut so that the
// info file's name still fits a folder entry, never inside a UTF-8 sequence.
std::string trashName(const std::string& name, int attempt) {
  std::string stem = name, ext;
  std::string suffix;
  if (attempt > 1) {
    const auto dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) {
      stem = name.substr(0, dot);
      ext = name.substr(dot);
    }
    suffix = "." + std::to_string(attempt);
  }
  const std::size_t room = NAME_MAX - kInfoSuffix.size();
  const std::size_t tail = suffix.size() + ext.size();
  if (stem.size() + tail > room) {
    if (tail >= room) {  // an extension too long to keep
      ext.clear();
    }
    std::size_t keep = room - suffix.size() - ext.size();
    while (keep > 0 && (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80) --keep;
    stem.resize(keep);
  }
  return stem + suffix + ext;
}

int writeAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

// Opens (creating it when missing) the subfolder name of the open folder dirFd: a real folder,
// never a link. err receives the errno on failure.
Fd openSubfolder(int dirFd, const char* name, bool create, int& err) {
  if (create && ::mkdirat(dirFd, name, 0700) != 0 && errno != EEXIST) {
    err = errno;
    return Fd();
  }
  Fd fd(::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!fd.ok()) err = errno;
  return fd;
}

bool ownedFolder(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

// The user's trash on the mount whose top folder is topDir: an administrator's ".Trash" (a real
// folder with the sticky bit) holds one folder per user; without one, ".Trash-$uid". The user's
// folder must be a real folder owned by the user: one planted by someone else is refused.
Fd topDirTrash(const std::string& topDir, int& err) {
  Fd top(::open(topDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!top.ok()) {
    err = errno;
    return Fd();
  }
  const std::string uid = std::to_string(::getuid());
  int ignored = 0;
  if (Fd shared = openSubfolder(top.get(), ".Trash", false, ignored); shared.ok()) {
    struct stat st {};
    if (::fstat(shared.get(), &st) == 0 && (st.st_mode & S_ISVTX)) {
      Fd mine = openSubfolder(shared.get(), uid.c_str(), true, ignored);
      if (mine.ok() && ownedFolder(mine.get())) return mine;
    }
  }
  Fd mine = openSubfolder(top.get(), (".Trash-" + uid).c_str(), true, err);
  if (mine.ok() && !ownedFolder(mine.get())) {
    err = EACCES;
    return Fd();
  }
  return mine;
}

// Moves name (in the open folder parentFd) into the trash folder trashFd, recording
// recordedPath. 0 or errno; on failure nothing is left in the trash and the file stays.
int trashInto(int trashFd, int parentFd, const std::string& name, const std::string& recordedPath) {
  int err = 0;
  const Fd files = openSubfolder(trashFd, "files", true, err);
  if (!files.ok()) return err;
  const Fd info = openSubfolder(trashFd, "info", true, err);
  if (!info.ok()) return err;
  const std::string text = infoText(recordedPath);
  for (int attempt = 1; attempt <= kMaxNameTries; ++attempt) {
    const std::string target = trashName(name, attempt);
    const std::string infoName = target + std::string(kInfoSuffix);
    // The info file is made first and exclusively: it claims the name for this move.
    const int ifd = ::openat(info.get(), infoName.c_str(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (ifd < 0) {
      if (errno == EEXIST) continue;
      return errno;
    }
    err = writeAll(ifd, text);
    if (::close(ifd) != 0 && err == 0 && errno != EINTR) err = errno;
    if (err == 0) {
      if (::renameat2(parentFd, name.c_str(), files.get(), target.c_str(), RENAME_NOREPLACE) == 0) return 0;
      err = errno;
      if (err == EINVAL || err == ENOSYS || err == ENOTSUP) {
        // No RENAME_NOREPLACE here; files/ is the user's own folder, so a check first will do.
        struct stat st {};
        if (::fstatat(files.get(), target.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) err = EEXIST;
        else if (::renameat(parentFd, name.c_str(), files.get(), target.c_str()) == 0) return 0;
        else err = errno;
      }
    }
    ::unlinkat(info.get(), infoName.c_str(), 0);
    if (err != EEXIST) return err;  // EEXIST: a file without an info file holds the name
  }
  return EEXIST;
}

std::unordered_set<std::string> mountPoints() {
  std::ifstream in("/proc/self/mountinfo");
  std::ostringstream text;
  text << in.rdbuf();
  std::unordered_set<std::string> out;
  for (const MountEntry& e : parseMountInfo(text.str())) {
    std::string p = e.mountPoint;
    if (p.size() > 1) p.pop_back();  // listed with a trailing "/"
    out.insert(std::move(p));
  }
  return out;
}

// The top folder of the mount holding folder (a folder on device dev): the highest folder above
// it on the same device, stopping at a mount point (a bind mount shares its device).
std::string topDirOf(const std::string& folder, std::uint64_t dev) {
  const std::unordered_set<std::string> mounts = mountPoints();
  std::string cur = folder;
  while (cur != "/" && mounts.count(cur) == 0) {
    const std::string up = parentOf(cur);
    const FileStatus st = fileStatus(up, true);
    if (st.error != 0 || st.dev != dev) break;
    cur = up;
  }
  return cur;
}

// The device of path, or of its nearest existing folder above when it does not exist yet.
FileStatus deviceOf(std::string path) {
  FileStatus st = fileStatus(path, true);
  while (st.error == ENOENT && path != "/") {
    path = parentOf(path);
    st = fileStatus(path, true);
  }
  return st;
}

}  // namespace

int moveToTrash(std::string_view path) {
  const std::string abs = absolutePath(path);
  if (abs.empty()) return errno ? errno : EINVAL;
  const std::string name = nameOf(abs);
  if (name.empty() || name == "." || name == "..") return EINVAL;
  const FileStatus file = fileStatus(abs, false);
  if (file.error != 0) return file.error;
  const std::string parent = canonicalFolder(parentOf(abs));
  if (parent.empty()) return errno;
  const Fd parentFd(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!parentFd.ok()) return errno;
  const std::string original = (parent == "/" ? parent : parent + "/") + name;

  // The home trash, for a file on its file system (created on first use).
  std::string home = dataHome() + "Trash";
  const FileStatus homeDev = deviceOf(home);
  if (homeDev.error == 0 && homeDev.dev == file.dev) {
    if (!makeFolders(home, 0700)) return errno && errno != EEXIST ? errno : ENOTDIR;
    const Fd trash(::open(home.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!trash.ok()) return errno;
    const int err = trashInto(trash.get(), parentFd.get(), name, original);
    if (err != EXDEV) return err;  // EXDEV: another mount of the same file system
  }

  // The trash at the top of the file's own mount; paths there are recorded relative to it.
  const FileStatus parentStatus = fileStatus(parent, true);
  if (parentStatus.error != 0) return parentStatus.error;
  if (parentStatus.dev != file.dev) return EBUSY;  // a mount point itself
  const std::string top = topDirOf(parent, file.dev);
  int err = 0;
  const Fd trash = topDirTrash(top, err);
  if (!trash.ok()) return err ? err : EACCES;
  const std::string relative = original.substr(top == "/" ? 1 : top.size() + 1);
  return trashInto(trash.get(), parentFd.get(), name, relative);
}

}  // namespace platform
