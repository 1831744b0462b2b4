#include "platform/trash_folders.h"

#include "platform/fd_io.h"
#include "platform/fs.h"
#include "platform/mounts.h"
#include "platform/own_temporary.h"
#include "platform/program_paths.h"
#include "platform/dir_listing.h"
#include "platform/replacement_file.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <unordered_set>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace platform::trash {
namespace {

constexpr int kMaxNameTries = 10000;

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

// What the info file records: below the top folder a mount's trash serves, the path relative to
// it, so that the entry still names its place when the disk is mounted elsewhere.
std::string recordedPath(const Folder& folder, const std::string& original) {
  if (folder.top.empty()) return original;
  if (folder.top == "/") return original.substr(1);
  if (original.size() > folder.top.size() + 1 && original.compare(0, folder.top.size(), folder.top) == 0 &&
      original[folder.top.size()] == '/')
    return original.substr(folder.top.size() + 1);
  return original;
}

// A real folder owned by the user; dev receives its device.
bool ownedFolder(int fd, int& err, std::uint64_t* dev = nullptr) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    err = errno;
    return false;
  }
  if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
    err = S_ISDIR(st.st_mode) ? EACCES : ENOTDIR;
    return false;
  }
  if (dev) *dev = deviceId(st.st_dev);
  return true;
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

// The trash folder open at fd (at path dir, serving top), checked, with its files/ and info/.
std::optional<Folder> checkedFolder(Fd fd, std::string dir, std::string top, int& err) {
  Folder folder;
  if (!fd.ok() || !ownedFolder(fd.get(), err, &folder.dev)) return std::nullopt;
  folder.dir = std::move(dir);
  folder.top = std::move(top);
  folder.files = openSubfolder(fd.get(), "files", true, err);
  if (!folder.files.ok() || !ownedFolder(folder.files.get(), err)) return std::nullopt;
  folder.info = openSubfolder(fd.get(), "info", true, err);
  if (!folder.info.ok() || !ownedFolder(folder.info.get(), err)) return std::nullopt;
  return folder;
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

std::string withSlash(const std::string& folder) { return folder == "/" ? folder : folder + "/"; }

}  // namespace

Fd::~Fd() {
  if (fd_ >= 0) ::close(fd_);
}

Fd& Fd::operator=(Fd&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

std::uint64_t deviceId(dev_t dev) { return static_cast<std::uint64_t>(dev); }

std::string absolutePath(std::string_view path) {
  std::string p(path);
  if (p.empty() || p.front() != '/') {
    std::vector<char> cwd(PATH_MAX);
    while (::getcwd(cwd.data(), cwd.size()) == nullptr) {
      if (errno != ERANGE) return {};
      cwd.resize(cwd.size() * 2);
    }
    p = withSlash(cwd.data()) + p;
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

std::string realPathOf(int fd) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  std::string buf(PATH_MAX, '\0');
  for (;;) {
    const ssize_t n = ::readlink(self.c_str(), buf.data(), buf.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < buf.size()) {
      buf.resize(static_cast<std::size_t>(n));
      break;
    }
    buf.resize(buf.size() * 2);
  }
  // A removed file reads "path (deleted)"; anything but an absolute path is no place.
  if (buf.empty() || buf.front() != '/' ||
      (buf.size() > 10 && buf.compare(buf.size() - 10, 10, " (deleted)") == 0))
    return {};
  return buf;
}

std::uint64_t homeDevice(int& err) {
  std::string path = dataHome() + "Trash";
  FileStatus st = fileStatus(path, true);
  while (st.error == ENOENT && path != "/") {
    path = folderOf(path);
    st = fileStatus(path, true);
  }
  err = st.error;
  return st.identity.device;
}

std::optional<Folder> openHome(int& err) {
  const std::string dir = dataHome() + "Trash";
  if (!makeFolders(dir, 0700)) {
    err = errno && errno != EEXIST ? errno : ENOTDIR;
    return std::nullopt;
  }
  return openFolder(dir, err);
}

std::string mountTop(const std::string& folder, std::uint64_t dev) {
  const std::unordered_set<std::string> mounts = mountPoints();
  std::string cur = folder;
  while (cur != "/" && mounts.count(cur) == 0) {
    const std::string up = folderOf(cur);
    const FileStatus st = fileStatus(up, true);
    if (st.error != 0 || st.identity.device != dev) break;
    cur = up;
  }
  return cur;
}

std::optional<Folder> openAtTop(const std::string& top, int& err) {
  const Fd topFd(::open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!topFd.ok()) {
    err = errno;
    return std::nullopt;
  }
  const std::string uid = std::to_string(::geteuid());
  int ignored = 0;
  if (const Fd shared = openSubfolder(topFd.get(), ".Trash", false, ignored); shared.ok()) {
    struct stat st {};
    if (::fstat(shared.get(), &st) == 0 && (st.st_mode & S_ISVTX)) {
      auto mine = checkedFolder(openSubfolder(shared.get(), uid.c_str(), true, ignored),
                                withSlash(top) + ".Trash/" + uid + "/", top, ignored);
      if (mine) return mine;
    }
  }
  const std::string own = ".Trash-" + uid;
  Fd mine = openSubfolder(topFd.get(), own.c_str(), true, err);
  return checkedFolder(std::move(mine), withSlash(top) + own + "/", top, err);
}

std::optional<Folder> openFolder(const std::string& dir, int& err) {
  std::string path = dir;
  while (path.size() > 1 && path.back() == '/') path.pop_back();  // a trailing "/" would follow a link
  Fd fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!fd.ok()) err = errno;
  return checkedFolder(std::move(fd), withSlash(path), {}, err);
}

std::string entryName(const std::string& fileName, int attempt, Numbering numbering) {
  std::string stem = fileName.empty() || fileName == "." || fileName == ".." ? "file" : fileName;
  std::string ext, suffix;
  if (attempt > 1) {
    const auto dot = stem.find_last_of('.');
    if (numbering == Numbering::BeforeExtension && dot != std::string::npos && dot > 0) {
      ext = stem.substr(dot);
      stem.resize(dot);
    }
    suffix = "." + std::to_string(attempt);
  }
  const std::size_t room = NAME_MAX - kInfoSuffix.size();
  if (stem.size() + suffix.size() + ext.size() > room) {
    if (suffix.size() + ext.size() >= room) ext.clear();  // an extension too long to keep
    std::size_t keep = room - suffix.size() - ext.size();
    while (keep > 0 && (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80) --keep;
    stem.resize(keep);
  }
  return stem + suffix + ext;
}

namespace {

constexpr std::string_view kTemporaryTail = ".vdk";  // and eight letters or digits: replacement_file.h

bool entryExists(int dirFd, const std::string& name) {
  struct stat st {};
  return ::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

// The info file being written for an entry, under a temporary name in info/, locked and marked as
// the program's own (own_temporary.h) until it takes its own name: a killed trashing leaves no
// info file without its data under a real name, and one the next trashing can prove its own.
class PendingInfo {
 public:
  PendingInfo(const Folder& folder, const std::string& infoName) : info_(folder.info.get()) {
    fd_ = createOwnTemporary(info_, infoName, 0600, name_);
  }
  ~PendingInfo() {
    if (fd_ >= 0 && !named_) ::unlinkat(info_, name_.c_str(), 0);
    if (fd_ >= 0) ::close(fd_);
  }
  PendingInfo(const PendingInfo&) = delete;
  PendingInfo& operator=(const PendingInfo&) = delete;

  int write(const std::string& text, bool sync) {
    if (fd_ < 0) return errno ? errno : EIO;
    if (const int err = writeFully(fd_, text); err != 0) return err;
    return sync && ::fsync(fd_) != 0 ? errno : 0;
  }
  // Gives the info file its name, never replacing one. 0, EEXIST or errno.
  int name(const std::string& infoName) {
    const int err = renameNoReplaceAt(info_, name_.c_str(), info_, infoName.c_str());
    named_ = err == 0;
    if (named_ && fd_ >= 0) unmarkOwnTemporary(fd_);
    return err;
  }

 private:
  int info_;
  int fd_ = -1;
  std::string name_;
  bool named_ = false;
};

}  // namespace

int addEntry(const Folder& folder, const std::string& fileName, const std::string& original,
             const EntryStyle& style, const PlaceData& place, std::string& name, const PlaceData& unplace,
             int* firstAttempt) {
  static std::unordered_set<std::string> recovered;  // once per trash folder and process: a listing of info/
  if (recovered.insert(folder.dir).second) recoverPending(folder);
  const std::string text = infoText(recordedPath(folder, original));
  std::string placedAt;  // the data is in files/ under this name already (its info name was taken)
  int result = EEXIST;
  for (int attempt = firstAttempt ? std::max(*firstAttempt, 1) : 1; attempt <= kMaxNameTries; ++attempt) {
    if (firstAttempt) *firstAttempt = attempt;
    const std::string target = entryName(fileName, attempt, style.numbering);
    const std::string infoName = target + std::string(kInfoSuffix);
    if (entryExists(folder.files.get(), target) || entryExists(folder.info.get(), infoName)) continue;  // not ours
    // The info file is written first, under a temporary name; the data follows; the info file's
    // rename ends it. A kill between leaves data that recoverPending names once more.
    PendingInfo info(folder, infoName);
    int err = info.write(text, style.info == InfoWrite::Synced);
    if (err == 0)
      err = placedAt.empty() ? place(folder.files.get(), target)
                             : renameNoReplaceAt(folder.files.get(), placedAt.c_str(), folder.files.get(), target.c_str());
    if (err == EEXIST) continue;  // the name was taken meanwhile
    if (err == 0) {
      placedAt = target;
      err = info.name(infoName);
      if (err == 0) {
        name = target;
        return 0;
      }
      if (err == EEXIST) continue;
    }
    result = err;
    break;
  }
  // The data cannot have an entry: it leaves the trash again (back where it was, for a move).
  if (!placedAt.empty()) {
    if (unplace) {
      (void)unplace(folder.files.get(), placedAt);
    } else {
      (void)::unlinkat(folder.files.get(), placedAt.c_str(), 0);
    }
  }
  return result;
}

void recoverPending(const Folder& folder) {
  // Copies into files/ that a kill left under their temporary name, where they are provably ours:
  // any other file there is an entry another program trashed, whatever its name.
  std::vector<std::string> copies;
  (void)forEachEntry(folder.files.get(), [&](const char* n, DirEntryKind kind) {
    if ((kind == DirEntryKind::File || kind == DirEntryKind::Unknown) && n[0] == '.' && isTemporaryName(n))
      copies.emplace_back(n);
  });
  (void)removeStaleTemporariesAt(folder.files.get(), copies);
  std::vector<std::string> pending;
  (void)forEachEntry(folder.info.get(), [&](const char* n, DirEntryKind kind) {
    if ((kind == DirEntryKind::File || kind == DirEntryKind::Unknown) && isTemporaryName(n)) pending.emplace_back(n);
  });
  for (const std::string& tmp : pending) {
    // Only an info file this program left (its mark), and none a trashing in progress holds.
    const int fd = openOwnLeftoverAt(folder.info.get(), tmp.c_str());
    if (fd < 0) continue;
    // "." + the info file's name (cut at 200 bytes) + ".vdk" + eight characters.
    const std::string infoName = tmp.substr(1, tmp.size() - 1 - kTemporaryTail.size() - 8);
    const bool whole = infoName.size() > kInfoSuffix.size() && infoName.ends_with(kInfoSuffix);
    const std::string target = whole ? infoName.substr(0, infoName.size() - kInfoSuffix.size()) : std::string();
    // Its data made it into files/: the entry is completed; else the info file is of nothing. (A
    // name too long to be read back from the temporary one is left as it is.)
    const bool completed = whole && entryExists(folder.files.get(), target) &&
                           renameNoReplaceAt(folder.info.get(), tmp.c_str(), folder.info.get(), infoName.c_str()) == 0;
    if (completed) {
      unmarkOwnTemporary(fd);
    } else if (whole) {
      ::unlinkat(folder.info.get(), tmp.c_str(), 0);
    }
    ::close(fd);
  }
}

}  // namespace platform::trash
