// What wiping needs of the system: a file overwritten in place through one descriptor (never
// through a symbolic link, never a file that has other names), fill files created exclusively,
// random bytes from the kernel, a private folder for the fill files, and the block counts of a
// file system (free for anyone, free for this user).
//
//   platform::WipeFile f;
//   if (f.open(path) != 0) ...;                 // ELOOP, EINVAL, EMLINK, EACCES ... nothing changed
//   std::uint64_t wrote = 0;
//   if (f.writeAt(0, block, wrote) != 0 || f.sync() != 0) { f.restoreMode(); ... }  // kept
//   f.truncate();                               // then the caller renames and removes the name
#pragma once

#include "platform/file_identity_type.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Which file a path named when it was opened (its identity and, where the file system records
// it, the birth time): a later open can tell that the name now leads to another file, even one
// that took over the inode number of a file deleted meanwhile.
struct WipeIdentity {
  FileIdentity file{};
  std::int64_t bornSec = 0;  // 0 and 0 where the birth time is unknown
  std::uint32_t bornNsec = 0;
  friend bool operator==(const WipeIdentity&, const WipeIdentity&) = default;
};

class WipeFile {
 public:
  WipeFile() = default;
  ~WipeFile();  // closes (errors ignored; call close to see them)
  WipeFile(const WipeFile&) = delete;
  WipeFile& operator=(const WipeFile&) = delete;

  // Opens the regular file at path for overwriting in place; nothing is changed when it fails:
  //   ELOOP a symbolic link, EINVAL anything but a regular file (never opened), EMLINK a file with
  //   more than one hard link (its other names would keep the data), ESTALE when expected is
  //   given and path now names another file, or the error of the open (EACCES ...).
  // A file its owner may not write (no owner write bit) is given that bit for the wipe when this
  // user owns it; restoreMode puts the bits back.
  int open(std::string_view path, const WipeIdentity* expected = nullptr);
  // Creates path exclusively (mode 0600, O_EXCL: nothing that holds the name, a link included, is
  // ever opened) and opens it for writing. 0 or errno.
  int create(std::string_view path);

  // Writes all of data at the 0-based offset. 0 or errno; written receives the bytes that reached
  // the file, so a full disk shows as a short count followed by ENOSPC (or EDQUOT for a quota).
  int writeAt(std::uint64_t offset, std::string_view data, std::uint64_t& written);
  // Flushes the data written so far to the disk (fdatasync). 0 or errno.
  int sync();
  // Cuts the file to zero length and flushes that to the disk. 0 or errno.
  int truncate();
  // Gives back the permission bits open found, when open had to add the owner's write bit.
  // 0 or errno (0 when nothing was changed).
  int restoreMode();
  // 0 or the errno of the close.
  int close();

  [[nodiscard]] bool isOpen() const { return fd_ >= 0; }
  [[nodiscard]] std::uint64_t size() const { return size_; }
  [[nodiscard]] const WipeIdentity& identity() const { return identity_; }

 private:
  int fd_ = -1;
  std::uint64_t size_ = 0;
  WipeIdentity identity_;
  unsigned oldMode_ = 0;
  bool modeChanged_ = false;
};

// What a path is without following a link: its kind, number of hard links, identity and size.
struct WipeCandidate {
  int error = 0;             // errno of the lstat; the rest is empty when non-zero
  bool regular = false;      // a regular file (a link is not one)
  bool symlink = false;
  std::uint64_t links = 0;
  std::uint64_t size = 0;
  WipeIdentity identity;
};
[[nodiscard]] WipeCandidate describeForWipe(std::string_view path);

// Fills buf with n bytes from the kernel's random source (getrandom). 0 or errno.
int systemRandomBytes(void* buf, std::size_t n);

// The blocks of the file system that holds path (statvfs).
struct BlockCounts {
  int error = 0;                  // errno of the query; the counts are 0 when non-zero
  std::uint64_t blockSize = 0;    // bytes per block (f_frsize)
  std::uint64_t freeBlocks = 0;   // free blocks, those reserved for the administrator included
  std::uint64_t availBlocks = 0;  // free blocks an ordinary user may fill
};
[[nodiscard]] BlockCounts fileSystemBlocks(std::string_view path);

// True when the program runs with the administrator's rights (euid 0), who may fill the
// reserved blocks too.
[[nodiscard]] bool runsAsAdministrator();

// Creates a new folder inside parent named prefix followed by six random characters, mode 0700,
// owned by this user (mkdtemp: a name that is taken is never reused). 0 or errno; made receives
// the folder's path ending with "/".
int makePrivateFolder(std::string_view parent, std::string_view prefix, std::string& made);

}  // namespace platform
