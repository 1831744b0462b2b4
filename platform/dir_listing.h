// Raw reading of one folder for the file list: the names of its entries (bytes, as the file
// system gives them) with the type readdir reports, and per-entry status on request. The file
// list engine decides what to stat; this layer only reads. Nothing here opens an entry that is
// not a regular file, and nothing follows a symlink except to learn what it points at.
#pragma once

#include "platform/fs.h"

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

namespace platform {

// What readdir's d_type says about an entry. Unknown means the file system did not tell (the
// caller must stat to learn it); Symlink must be stat'ed to learn whether it names a folder.
enum class DirEntryKind : std::uint8_t { Unknown, File, Folder, Symlink, Other };

struct DirName {
  std::string name;  // raw bytes, never "." or ".."
  DirEntryKind kind = DirEntryKind::Unknown;
};

// Which fields of EntryStatus a caller needs; the kind and mode are always returned.
enum StatWant : unsigned {
  kStatType = 0,
  kStatSize = 1,
  kStatTimes = 2,    // modified and accessed
  kStatCreated = 4,  // birth time, where the file system records it
};

struct EntryStatus {
  bool ok = false;         // false: the entry vanished or cannot be reached
  bool isFolder = false;   // a folder, or a symlink that leads to one
  bool isRegular = false;  // a regular file, or a symlink that leads to one
  bool isSymlink = false;  // a dangling symlink, reported as the link itself (listed like a file)
  bool readOnly = false;   // no write permission bit at all
  std::uint64_t size = 0;
  std::int64_t modified = 0, accessed = 0, created = 0;  // seconds since the epoch (UTC)
  bool hasCreated = false;                              // the file system records a birth time
};

// Calls onEntry(name, kind) for every entry of the open folder dirFd except "." and "..", from the
// start of the folder to the end of the enumeration. dirFd stays open. Returns 0, or the errno that
// stopped the enumeration (the entries before it were passed on). Every folder reader of this
// layer enumerates through here.
int forEachEntry(int dirFd, const std::function<void(const char* name, DirEntryKind kind)>& onEntry);
// As forEachEntry, but onEntry returning true stops the enumeration after that entry (result 0).
int forEachEntryUntil(int dirFd, const std::function<bool(const char* name, DirEntryKind kind)>& onEntry);

// The name of the user extended attribute that carries the archive flag where the file system
// has no DOS attributes. Present with a value other than "0" means set.
inline constexpr const char* kArchiveXattr = "user.vardulek.archive";

struct XattrArchive {
  bool supported = false;  // the file system keeps user extended attributes on path
  bool set = false;
};
// The archive flag kArchiveXattr carries on path (a symlink is not followed).
[[nodiscard]] XattrArchive readArchiveXattr(const std::string& path);
// The same for the regular file open as fd (its own descriptor, not O_PATH): one fgetxattr.
[[nodiscard]] XattrArchive readArchiveXattrOf(int fd);

// An open folder. Move-only; closes itself.
class FolderReader {
 public:
  FolderReader() = default;
  ~FolderReader();
  FolderReader(FolderReader&& other) noexcept;
  FolderReader& operator=(FolderReader&& other) noexcept;
  FolderReader(const FolderReader&) = delete;
  FolderReader& operator=(const FolderReader&) = delete;

  // Opens `folder` (with or without a trailing "/"). Returns 0, or the errno of the failure
  // (ENOENT for a missing folder, ENOTDIR for a file). Symlinks to folders are followed here.
  int open(const std::string& folder);
  // As open, for status, entryStatus, archive and hiddenNames only: a descriptor that reaches the
  // folder's entries but cannot read its names (O_PATH), which costs less to open and needs no
  // read permission on the folder. readNames then fails (EBADF).
  int openForLookups(const std::string& folder);
  [[nodiscard]] bool isOpen() const { return fd_ >= 0; }
  // The open folder's descriptor (-1 when closed), for forEachEntry; it stays owned by the reader.
  [[nodiscard]] int fd() const { return fd_; }

  // Appends every entry of the folder except "." and ".." to `out`, reading to the end of the
  // enumeration. Returns 0, or the errno that stopped the enumeration (entries read so far stay).
  int readNames(std::vector<DirName>& out) const;

  // Status of the entry `name` in this folder. Symlinks are followed; a dangling one reports
  // the link itself. Never opens the entry. `want` is a set of StatWant bits.
  [[nodiscard]] EntryStatus status(const std::string& name, unsigned want) const;

  // Status of the entry name itself (a symlink not followed), as fileStatus(folder + name, false)
  // describes it: one statx relative to this folder.
  [[nodiscard]] FileStatus entryStatus(const std::string& name) const;

  // The archive flag of a regular file or link: DOS attributes on FAT file systems, else the
  // extended attribute kArchiveXattr. False when unknown. Never opens a FIFO or a device.
  [[nodiscard]] bool archive(const std::string& name) const;

  // The names listed in the folder's ".hidden" file, as hiddenNamesAt (hidden_list.h) reads them.
  // Empty when there is none, it is not a regular file, or it cannot be read.
  [[nodiscard]] std::unordered_set<std::string> hiddenNames() const;

 private:
  int fd_ = -1;
  int openWith(const std::string& folder, int flags);

  std::string path_;  // with a trailing "/"
  mutable std::int8_t fat_ = -1;  // the folder is on a FAT file system: -1 until archive() asks
};

}  // namespace platform
