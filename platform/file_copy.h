// Copying one regular file's bytes into a new file, piece by piece, so that a caller can show
// progress and stop between pieces. The kernel copies where it can (copy_file_range: a reflink or
// a copy inside the file system, without a trip through user memory), else the bytes go through
// a buffer. The copy gets the source's permission bits less the umask, as cp gives them.
//
// The copy is written to a temporary file beside the target (for a new target a file without a
// name where the file system allows, else replacement_file.h's pattern, locked while it is
// written) and put in place by commit(): a new target only where nothing holds its name
// (never written into, never through a link), or over the old target in one step. The target holds
// nothing, its old or its complete new contents at every instant, so that a kill leaves no partial
// file under a real name. A copy that is not committed is removed again by abandon() or the
// destructor. Holes of a sparse source stay holes (SEEK_DATA / SEEK_HOLE), as cp --sparse=auto.
//
//   platform::FileCopy copy;
//   if (copy.open(source, target, platform::CopyTarget::New) != 0) ...;   // nothing created
//   while (!copy.complete()) if (copy.copyPiece(1000000) != 0) ...;      // progress between pieces
//   if (copy.sync() != 0 || !copy.sourceUnchanged()) ...;                 // for a move
//   if (copy.commit() != 0) ...;
#pragma once

#include "platform/file_identity_type.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include <sys/stat.h>

namespace platform {

class HeldFile;

enum class CopyTarget {
  New,        // a new file at the target's path; commit() gives EEXIST when anything holds that name
  Replacing,  // renamed over the target by commit()
};

class FileCopy {
 public:
  FileCopy();
  // Removes a copy that was not committed.
  ~FileCopy();
  FileCopy(const FileCopy&) = delete;
  FileCopy& operator=(const FileCopy&) = delete;

  // Opens source for reading (a symlink is followed; anything but a regular file is refused
  // without being opened, EINVAL or EISDIR) and creates the copy. 0 or errno; on failure nothing
  // was created.
  int open(std::string_view source, std::string_view target, CopyTarget how);
  // As open, for a source a check has just opened for reading (taken over from source with the
  // fstat the check took of it: the copy closes it, even on failure) and, with targetFree, a
  // CopyTarget::New whose name the caller has just found free: neither is looked up again
  // (commit() still never replaces what came meanwhile). targetFolderFd, when not -1: the
  // target's folder, open for reading, held by the caller until the copy is committed or
  // abandoned (ReplacementFile::createIn).
  int openFrom(HeldFile& source, std::string_view sourcePath, std::string_view target, CopyTarget how,
               bool targetFree, int targetFolderFd = -1);
  // Copies at most maxBytes more. 0 or errno: ENODATA when the source ended early (it shrank),
  // ENOSPC on a full disk.
  int copyPiece(std::uint64_t maxBytes);
  // True once every byte the source had at open() is copied.
  [[nodiscard]] bool complete() const;
  // Flushes the copy to the disk. 0 or errno.
  int sync();
  // Gives the copy the source's permission bits exactly, its owner where the system allows it and
  // its extended attributes, as mv keeps them across file systems (cp without -p keeps only the
  // bits less the umask, which the copy has from the start). 0 or the errno of what could not be
  // kept.
  int keepMetadata();
  // Gives the copy the source's modified and accessed times seen at open(), so that it has them
  // from the instant it takes the target's name (a crash right after commit() leaves no copy
  // dated today). Call it after the last piece. 0 or errno.
  int keepTimes();
  // True when the source path still names the opened file, and its size, modification and
  // change times are those seen at open(): nothing wrote to it during the copy.
  [[nodiscard]] bool sourceUnchanged() const;
  // Closes the copy and, for CopyTarget::Replacing, renames it over the target (syncing first
  // when sync() was not called). 0 or errno; on failure the copy is still there to abandon().
  int commit();
  // As commit for CopyTarget::New, without flushing the copy or its folder to the disk (as cp):
  // for a copy whose source stays. A kill still leaves the target's name empty or the whole copy.
  int commitUnsynced();
  // Removes the copy (not after a commit). 0 or errno.
  int abandon();

  [[nodiscard]] std::uint64_t size() const;    // bytes of the source at open()
  // The source's modified time seen at open(): seconds and nanoseconds since the epoch.
  [[nodiscard]] std::int64_t modifiedSec() const;
  [[nodiscard]] std::uint32_t modifiedNsec() const;
  // The permission bits the copy has now (07777; before commit()), or -1 when they cannot be read.
  [[nodiscard]] long copyMode() const;
  // The copy's identity (device, inode), the same before and after commit(): known as soon as the
  // copy exists, so that a record of it can be written before it takes its name. Unknown (all
  // zero) when nothing is open or it cannot be read.
  [[nodiscard]] FileIdentity copyIdentity() const;
  [[nodiscard]] std::uint64_t copied() const;  // bytes copied so far
  // The file holding the copy until commit(): the temporary file beside the target (ReplacementFile::path).
  [[nodiscard]] const std::string& copyPath() const;

 private:
  int finish(bool durable);
  int start(int sourceFd, const struct stat* seen, std::string_view source, std::string_view target, CopyTarget how,
            bool targetFree, int targetFolderFd);

  struct State;
  std::unique_ptr<State> s_;
};

}  // namespace platform
