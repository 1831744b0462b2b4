#include "platform/entry_at.h"

#include "platform/step_scope.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace platform {
namespace {

// The folder part of path (with its "/") and the last component, trailing "/" dropped first.
void splitEntry(std::string_view path, std::string_view& folder, std::string_view& leaf) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) {
    folder = {};
    leaf = path;
  } else {
    folder = path.substr(0, slash + 1);
    leaf = path.substr(slash + 1);
  }
}

// Opens a folder whose path is too long for the system to take whole, one name at a time
// (links followed, as the system would).
int openLongFolder(std::string_view path, int flags) {
  int fd = ::open(path.front() == '/' ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
  std::size_t i = 0;
  while (fd >= 0 && i < path.size()) {
    std::size_t j = path.find('/', i);
    if (j == std::string_view::npos) j = path.size();
    const std::string part(path.substr(i, j - i));
    i = j + 1;
    if (part.empty() || part == ".") continue;
    const bool last = i >= path.size();
    const int next = ::openat(fd, part.c_str(), (last ? flags : O_PATH) | O_DIRECTORY | O_CLOEXEC);
    const int err = errno;
    ::close(fd);
    errno = err;
    fd = next;
  }
  return fd;
}

}  // namespace

EntryAt::EntryAt(const std::string& path) {
  // The common case outside runs (the windows, the programs' own files): nothing to resolve.
  if (!StepScope::anyActive() && !path.empty() && path.size() < PATH_MAX) {
    name_ = path.c_str();
    return;
  }
  resolve(path);
}

EntryAt::EntryAt(std::string_view path) { resolve(path); }

void EntryAt::resolve(std::string_view path) {
  if (path.empty()) {
    error_ = ENOENT;
    return;
  }
  std::string_view folder, leaf;
  splitEntry(path, folder, leaf);
  if (leaf.empty() || folder.empty() || leaf == "/") {
    own_ = std::string(path);
    return;
  }
  if (StepScope* scope = StepScope::holding(folder); scope && folder.size() >= scope->root().size()) {
    scope->hold();
    held_ = scope;
    const int fd = scope->folderFd(folder);
    if (fd != StepScope::kNotInScope) {
      scoped_ = true;
      if (fd < 0) {
        error_ = -fd;
        return;
      }
      dir_ = fd;
      own_ = std::string(leaf);
      return;
    }
  }
  if (path.size() < PATH_MAX) {
    own_ = std::string(path);
    return;
  }
  owned_ = openLongFolder(folder, O_PATH);
  if (owned_ < 0) {
    error_ = errno;
    return;
  }
  dir_ = owned_;
  own_ = std::string(leaf);
}

EntryAt::~EntryAt() {
  if (owned_ >= 0) ::close(owned_);
  if (held_) held_->release();
}

std::string_view EntryAt::leaf() const {
  if (dir_ != AT_FDCWD) return name();
  std::string_view folder, leaf;
  splitEntry(name(), folder, leaf);
  return leaf;
}

int openFolderFd(std::string_view path, int flags, bool followFinalLink) {
  std::string_view p = path;
  while (p.size() > 1 && p.back() == '/') p.remove_suffix(1);
  if (p.empty()) p = ".";
  const int all = flags | O_DIRECTORY | O_CLOEXEC;
  if (StepScope* scope = StepScope::holding(p)) {
    scope->hold();
    const int fd = scope->folderFd(p);
    // A descriptor of its own, so that a listing's position or the caller's close never touches
    // the scope's.
    const int own = fd >= 0 ? ::openat(fd, ".", all) : -1;
    const int err = fd >= 0 ? errno : -fd;
    scope->release();
    if (fd != StepScope::kNotInScope) {
      errno = err;
      return own;
    }
  }
  if (p.size() >= PATH_MAX) return openLongFolder(p, flags);
  int fd;
  do {
    fd = ::open(std::string(p).c_str(), all | (followFinalLink ? 0 : O_NOFOLLOW));
  } while (fd < 0 && errno == EINTR);
  return fd;
}

void entryMoved(std::string_view from, std::string_view to) { StepScope::notifyMoved(from, to); }

int openEntryItself(const EntryAt& at) {
  if (at.error() != 0) {
    errno = at.error();
    return -1;
  }
  int fd;
  do {
    fd = ::openat(at.dir(), at.name(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

namespace {

std::string procPath(int fd) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "/proc/self/fd/%d", fd);
  return buf;
}

}  // namespace

int setModeOf(int fd, unsigned mode) {
  if (::chmod(procPath(fd).c_str(), mode) == 0) return 0;
  const int err = errno;
  // Without /proc only a descriptor opened for real can be changed.
  if (err == ENOENT && ::fchmod(fd, mode) == 0) return 0;
  return err;
}

long getXattrOf(int fd, const char* name, void* value, std::size_t size) {
  const ssize_t n = ::getxattr(procPath(fd).c_str(), name, value, size);
  if (n < 0 && errno == ENOENT) return ::fgetxattr(fd, name, value, size);
  return n;
}

int setXattrOf(int fd, const char* name, const void* value, std::size_t size) {
  if (::setxattr(procPath(fd).c_str(), name, value, size, 0) == 0) return 0;
  if (errno == ENOENT && ::fsetxattr(fd, name, value, size, 0) == 0) return 0;
  return errno;
}

int removeXattrOf(int fd, const char* name) {
  if (::removexattr(procPath(fd).c_str(), name) == 0) return 0;
  if (errno == ENOENT && ::fremovexattr(fd, name) == 0) return 0;
  return errno;
}

int reopenEntry(int pathFd, int flags) {
  int fd;
  do {
    fd = ::open(procPath(pathFd).c_str(), flags | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace platform
