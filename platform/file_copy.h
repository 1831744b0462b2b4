// Copying one regular file's bytes into a new file, piece by piece, so that a caller can show
// progress and stop between pieces. The kernel copies where it can (copy_file_range: a reflink or
// a copy inside the file system, without a trip through user memory), else the bytes go through
// a buffer. The copy gets the source's permission bits less the umask, as cp gives them.
//
// The copy is either a new file at the target's path (created exclusively, never through a link:
// an existing target is never written into) or a temporary file beside the target that commit()
// renames over it once complete and synced (the target holds its old or its complete new
// contents at every instant). Until commit() nothing but the new file was created; a copy that is
// not committed is removed again by abandon() or the destructor.
//
//   platform::FileCopy copy;
//   if (copy.open(source, target, platform::CopyTarget::New) != 0) ...;   // nothing created
//   while (!copy.complete()) if (copy.copyPiece(1000000) != 0) ...;      // progress between pieces
//   if (copy.sync() != 0 || !copy.sourceUnchanged()) ...;                 // for a move
//   if (copy.commit() != 0) ...;
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

enum class CopyTarget {
  New,        // a new file at the target's path; EEXIST when anything holds that name
  Replacing,  // a temporary file beside the target, renamed over it by commit()
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
  // Copies at most maxBytes more. 0 or errno: ENODATA when the source ended early (it shrank),
  // ENOSPC on a full disk.
  int copyPiece(std::uint64_t maxBytes);
  // True once every byte the source had at open() is copied.
  [[nodiscard]] bool complete() const;
  // Flushes the copy to the disk. 0 or errno.
  int sync();
  // True when the source path still names the opened file, and its size, modification and
  // change times are those seen at open(): nothing wrote to it during the copy.
  [[nodiscard]] bool sourceUnchanged() const;
  // Closes the copy and, for CopyTarget::Replacing, renames it over the target (syncing first
  // when sync() was not called). 0 or errno; on failure the copy is still there to abandon().
  int commit();
  // Removes the copy (not after a commit). 0 or errno.
  int abandon();

  [[nodiscard]] std::uint64_t size() const;    // bytes of the source at open()
  [[nodiscard]] std::uint64_t copied() const;  // bytes copied so far
  // The file holding the copy until commit(): the target, or the temporary file beside it.
  [[nodiscard]] const std::string& copyPath() const;

 private:
  struct State;
  std::unique_ptr<State> s_;
};

}  // namespace platform
