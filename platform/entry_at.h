// Internal to the platform layer: how a step reaches the entry a path names. Every function of
// this layer that changes, removes, opens or describes an entry by path resolves it here, so that
// inside a run's StepScope the entry is reached relative to the scope's open folder (no link
// followed below the start folder, no path length limit) and outside one as the system resolves
// the path. Callers act on dir() and name() with the *at system calls.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>

namespace platform {

class StepScope;

class EntryAt {
 public:
  // Resolves the folder holding path's last component (trailing "/" dropped first).
  explicit EntryAt(std::string_view path);
  // The same; outside every scope a short path is used as it is, without a copy (the caller's
  // string must outlive this object).
  explicit EntryAt(const std::string& path);
  EntryAt(std::string&&) = delete;  // a temporary would not outlive the entry
  explicit EntryAt(const char* path) : EntryAt(std::string_view(path)) {}
  ~EntryAt();
  EntryAt(const EntryAt&) = delete;
  EntryAt& operator=(const EntryAt&) = delete;

  // errno when the folder could not be reached (the step then reports it as its own failure).
  [[nodiscard]] int error() const { return error_; }
  // The folder's descriptor, or AT_FDCWD when name() is the whole path.
  [[nodiscard]] int dir() const { return dir_; }
  // The last component, or the whole path with AT_FDCWD.
  [[nodiscard]] const char* name() const { return name_ ? name_ : own_.c_str(); }
  // The last component alone, whichever way the path was resolved.
  [[nodiscard]] std::string_view leaf() const;
  // True when a StepScope holds the entry's folder.
  [[nodiscard]] bool scoped() const { return scoped_; }

 private:
  void resolve(std::string_view path);

  int dir_ = AT_FDCWD;
  int owned_ = -1;
  StepScope* held_ = nullptr;  // the scope whose descriptor dir_ is, held until the end
  const char* name_ = nullptr;  // the caller's path, where it is used as it is
  std::string own_;
  int error_ = 0;
  bool scoped_ = false;
};

// A new descriptor of the folder path names (a trailing "/" optional), opened with flags
// (O_RDONLY to list it, O_PATH to work in it) plus O_DIRECTORY | O_CLOEXEC, through the scope
// that holds it or else by path (a final link followed only with followFinalLink; inside a scope
// never). The caller closes it. -1 with errno set on failure.
int openFolderFd(std::string_view path, int flags, bool followFinalLink = true);

// The entry itself, opened O_PATH | O_NOFOLLOW (a symlink as the link): status, permission bits
// and extended attributes of exactly that inode, whatever its name leads to later. -1 with errno.
int openEntryItself(const EntryAt& at);
// On the inode open as fd (O_PATH or not), never following a link: permission bits, and the
// extended attributes as getxattr/setxattr/removexattr give them (-1 / errno).
int setModeOf(int fd, unsigned mode);
long getXattrOf(int fd, const char* name, void* value, std::size_t size);
int setXattrOf(int fd, const char* name, const void* value, std::size_t size);
int removeXattrOf(int fd, const char* name);
// A real descriptor (flags such as O_RDONLY | O_NONBLOCK) of the file open as the O_PATH
// descriptor pathFd: that very inode, never another at its name. -1 with errno.
int reopenEntry(int pathFd, int flags);

// Tells the scopes of this thread that the entry at from now is at to ("" when removed), after a
// step renamed or removed it.
void entryMoved(std::string_view from, std::string_view to);

struct FileStatus;
enum class FileType;
// The status a statx (STATX_BASIC_STATS | STATX_BTIME) gave, as fileStatus describes it.
FileStatus statusFromStatx(const struct statx& sx);
// The kind of entry st_mode (or stx_mode) describes.
FileType fileTypeOfMode(unsigned mode);

}  // namespace platform
