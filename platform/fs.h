// The file-system layer beneath the core's file routines: metadata from statx (through a source
// that tests can replace), setting times, renames that never replace, whole-file writes through a
// temporary file, in-place writes and range reads, exclusive creation, trash (trash.cpp) and free
// space.
// Paths are byte strings. Every function returns an errno value (0 = success) or an explicit
// result; none throws. Nothing here opens a file that is not a regular file.
#pragma once

#include "platform/file_identity_type.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>

namespace platform {

enum class FileType { Missing, Regular, Directory, Symlink, Other };

// A file time as seconds and nanoseconds since the epoch (UTC). `known` is false where the file
// system records no such time (birth time on many file systems).
struct FileTime {
  std::int64_t sec = 0;
  std::uint32_t nsec = 0;
  bool known = false;
};

struct FileStatus {
  int error = 0;  // errno of the query; type is Missing whenever error != 0
  FileType type = FileType::Missing;
  std::uint64_t size = 0;
  std::uint32_t mode = 0;  // permission bits (07777)
  std::uint32_t uid = 0, gid = 0;
  FileIdentity identity{};  // tells two names of one file apart from two files
  FileTime accessed, modified, changed, created;
};

// Where metadata comes from. The default reads statx; a test installs its own to simulate, for
// example, a file system without birth times.
class MetadataSource {
 public:
  virtual ~MetadataSource() = default;
  // followLinks false describes a symlink itself.
  [[nodiscard]] virtual FileStatus query(const std::string& path, bool followLinks) const = 0;
};

// The statx-based source (also usable by a test source that changes only some fields).
[[nodiscard]] const MetadataSource& systemMetadataSource();
// Installs source for every later query (nullptr restores the statx source). Not thread-safe:
// set it up before the code under test runs.
void setMetadataSource(const MetadataSource* source);

// Replaces the metadata source for the lifetime of the object (tests).
class ScopedMetadataSource {
 public:
  explicit ScopedMetadataSource(const MetadataSource& source);
  ~ScopedMetadataSource();
  ScopedMetadataSource(const ScopedMetadataSource&) = delete;
  ScopedMetadataSource& operator=(const ScopedMetadataSource&) = delete;

 private:
  const MetadataSource* previous_;
};

// Metadata of path through the installed source. Never opens the file.
[[nodiscard]] FileStatus fileStatus(std::string_view path, bool followLinks = true);
// The status an fstat of an open file gave, as fileStatus describes it (fstat has no birth time:
// created is unknown).
[[nodiscard]] FileStatus statusOf(const struct stat& st);

// Sets the last-access and/or last-modified time (nullptr leaves that time unchanged). Does not
// follow a symlink. 0 or errno. The creation time cannot be set on Linux: see canSetCreationTime.
int setFileTimes(std::string_view path, const FileTime* accessed, const FileTime* modified);
[[nodiscard]] constexpr bool canSetCreationTime() { return false; }

// 0 when target (a name or a path: its last component counts) may be given to a file or folder;
// EEXIST, as for a name that is taken, for a folder's ".hidden", which is the record of its
// entries' Hidden flag (platform/hidden_list.h) and never the new name of anything of the user's.
// Every step that names something (rename, move, a new or replacing copy, split piece or joined
// output) asks here before it does.
[[nodiscard]] int refuseAsNewName(std::string_view target);

// Renames without ever replacing an existing target: EEXIST when the target exists. Falls back to
// link + unlink where the file system lacks RENAME_NOREPLACE (files only). Where the file system
// folds case and to names from itself (a change of letter case only), the rename goes through a
// temporary name. 0 or errno.
int renameNoReplace(std::string_view from, std::string_view to);
// The same for the entry name in the open folder fromDir, to target in toDir, never following a
// link: renameat2's RENAME_NOREPLACE, or link + unlink for a file where the file system lacks it
// (a folder then gives the rename's error). 0, EEXIST when target is taken, or errno.
int renameNoReplaceAt(int fromDir, const char* name, int toDir, const char* target);
// Renames from to a temporary name beside it, then to to, each step never replacing anything;
// when the second step fails the entry goes back to its name. 0 or the errno of the failed step.
int renameThroughTemporary(std::string_view from, std::string_view to);
// Removes a file or symlink (never a folder, never follows a link). 0 or errno.
int removeFile(std::string_view path);
// Removes an empty folder. 0 or errno.
int removeDirectory(std::string_view path);
// Creates one folder (mode 0777 less umask). 0 or errno (EEXIST when something is there).
int makeDirectory(std::string_view path);

// Replaces the whole contents of path with data: a temporary file is created exclusively in the
// same folder, written, given the old file's permission bits, owner (where allowed) and extended
// attributes, fsynced and renamed over path. A symlink is written through to its target. On any
// failure the old file is left as it was. Refuses a target that exists and is not a regular file.
// 0 or errno.
int writeFileAtomic(std::string_view path, std::string_view data);
// Appends data, creating the file when missing. 0 or errno (non-regular files are refused).
int appendToFile(std::string_view path, std::string_view data);
// Writes data in place at the 0-based offset, creating the file when missing and never truncating.
// Does not follow a symlink; refuses non-regular files. 0 or errno.
int writeAt(std::string_view path, std::uint64_t offset, std::string_view data);

struct ReadResult {
  int error = 0;  // errno; data is empty when error != 0
  std::string data;
};
// Reads up to length bytes from the 0-based offset (length 0: to the end). A range past the end is
// cut to what exists. Refuses a file that is not a regular file (EINVAL), without opening it.
[[nodiscard]] ReadResult readRange(std::string_view path, std::uint64_t offset, std::uint64_t length);

// Creates an empty file exclusively (O_EXCL, never through a symlink). 0 or errno (EEXIST).
int createExclusive(std::string_view path);
// Creates path exclusively as createExclusive does and writes data into it. 0 or errno (EEXIST
// when anything, a dangling symlink included, holds the name); a file this call created and
// could not fill is removed again.
int writeNewFile(std::string_view path, std::string_view data);

enum class OpenAccess { Read, Write, ReadWrite };
// 0 when the regular file can be opened with that access (it is opened and closed at once);
// otherwise errno. A path that is not a regular file gives EINVAL without being opened.
[[nodiscard]] int checkOpenable(std::string_view path, OpenAccess access);

// Moves path (a file, folder or symlink itself; never what a link names) to the user's trash,
// the freedesktop trash on bytes: the home trash $XDG_DATA_HOME/Trash for a file on its file
// system, else the top folder of the file's mount (".Trash/$uid" in a sticky ".Trash" that is
// not a link, else ".Trash-$uid"; a user folder there that is not the user's own is refused).
// The info file (percent-encoded original path and deletion date) is created exclusively first;
// a name taken in the trash gets "stem.N.ext". Implemented in trash.cpp.
// 0 when the file is in the trash; otherwise an errno value and the file is where it was (a
// file on a mount with no usable trash is never moved elsewhere or deleted).
int moveToTrash(std::string_view path);

// Bytes available to the user on the file system holding path; -1 when the query fails.
[[nodiscard]] double freeSpaceBytes(std::string_view path);

struct DirListing {
  int error = 0;
  std::vector<std::string> names;  // without "." and ".."; what was read before an error
};
[[nodiscard]] DirListing listDirectory(std::string_view folder);

// The user's desktop folder (XDG), "" when none is configured.
[[nodiscard]] std::string desktopFolder();

}  // namespace platform
