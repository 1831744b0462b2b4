// Opening a file once to learn what a per-file check needs: whether it is a regular file, its size
// and its first bytes. Runs call this for every file they touch, so it costs one path lookup for
// the type, one open, one fstat and at most one read.
#pragma once

#include "platform/fs.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include <sys/stat.h>

namespace platform {

class HeldFile;

struct FileHead {
  FileType type = FileType::Missing;  // what path names; a symlink is Symlink (never followed)
  std::uint64_t size = 0;             // bytes, for a regular file
  std::uint32_t mode = 0;             // its permission bits (07777), for a regular file
  std::string head;                   // its first min(n, size) bytes
};

// Opens the regular file path once with access (never through a symlink, never blocking, closed on
// exec and before returning), confirms with fstat that it is still a regular file, fills size and
// mode and reads its first n bytes into head (n 0 reads nothing; Write with n > 0 opens
// read-write, since reading needs it). Returns 0 on success. Otherwise an errno value: ENOENT (type Missing) when
// nothing is there; EINVAL when path is not a regular file (a FIFO, device, socket, folder or
// symlink: type says which), which is refused without being opened, or closed at once when it
// was swapped in after the type check; or the open/read error of a regular file that cannot be
// used with that access (EACCES, ETXTBSY ...). Never hangs on a FIFO. With keep, a regular file
// opened with success stays open there instead of being closed.
// With TypeCheck::Listed the type is not looked up on the name first: the caller's listing of the
// folder, just read, showed a regular file (or a link). The file is opened at once (never through a
// link) and the fstat of what opened decides, as above; an entry swapped for a FIFO or device since
// the listing is closed at once, unread. A failed open is classified by a look at the name.
enum class TypeCheck { ByName, Listed };
int openAndReadHead(std::string_view path, OpenAccess access, std::size_t n, FileHead& out,
                    HeldFile* keep = nullptr, TypeCheck check = TypeCheck::ByName);

// A file that a check opened, kept open for the step that follows it, so that the step reads that
// very file without looking its name up or opening it again. Move-only; closes itself.
class HeldFile {
 public:
  HeldFile() = default;
  ~HeldFile() { reset(); }
  HeldFile(HeldFile&& other) noexcept { *this = std::move(other); }
  HeldFile& operator=(HeldFile&& other) noexcept;
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;

  [[nodiscard]] bool isOpen() const { return fd_ >= 0; }
  [[nodiscard]] int fd() const { return fd_; }
  // Closes the file (if any) and holds fd instead (-1: nothing).
  void reset(int fd = -1);
  // The same, with the fstat the check took of fd: a step that needs it does not ask again.
  void reset(int fd, const struct stat& seen);
  // That fstat, or nullptr when none came with the file.
  [[nodiscard]] const struct stat* seen() const { return fd_ >= 0 && hasSeen_ ? &seen_ : nullptr; }
  // Whether the check reached the file through a symbolic link (the path names the link, not it).
  void setThroughLink() { throughLink_ = fd_ >= 0; }
  [[nodiscard]] bool throughLink() const { return throughLink_; }
  // Gives the descriptor away (the caller closes it); -1 when nothing is held.
  [[nodiscard]] int release();
  // Up to length bytes from the 0-based offset into into (room for length bytes, the caller's,
  // so that one buffer serves every file of a run and nothing is cleared first): got says how many
  // were read, less than length only where the file ends first. 0 or errno (EBADF when nothing is
  // held; got then 0).
  int read(std::uint64_t offset, std::size_t length, char* into, std::size_t& got) const;
  // Asks the system to bring the first length bytes into memory, without waiting for them (a read
  // that comes later then finds them there, or on their way). 0 or errno (EBADF when nothing is held).
  int prefetch(std::uint64_t length) const;

 private:
  int fd_ = -1;
  struct stat seen_ {};
  bool hasSeen_ = false;
  bool throughLink_ = false;
};

}  // namespace platform
