// A file written from scratch beside the place it is to take: the splitter's pieces and rejoin
// scripts, the joiner's outputs. It is written under a temporary name in its target's folder
// (replacement_file.h's pattern, locked while written; the folder reached as every step of this
// layer reaches it), filled in chunks and given its name only when complete, never replacing
// anything and never through a symbolic link: a kill leaves no partial file under a real name, and
// the permission bits it is created with are its own (nothing is changed by name afterwards).
// Whether it is synced before it takes its name is the caller's Durability (replacement_file.h).
//
//   platform::NewFile piece;
//   if (int err = piece.create(path)) report(err);     // nothing created
//   piece.appendFrom(sourceFd, at, n); ... ;
//   piece.finish(platform::Durability::SourceStays);   // EEXIST: the name was taken meanwhile
//   // or piece.abandon(): removes the temporary file (the destructor does it too)
#pragma once

#include "platform/file_head.h"
#include "platform/replacement_file.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

class NewFile {
 public:
  NewFile() = default;
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;
  // Abandons a file that was not finished.
  ~NewFile();

  // Starts the file that is to be path: its temporary file is created with mode (less the umask,
  // or as the folder's default ACL says), which the file keeps under its name. 0 or errno
  // (nothing created).
  int create(const std::string& path, unsigned mode = 0666);
  // Appends data. 0 or errno.
  int write(std::string_view data);
  // Appends length bytes of the open file from, starting at its 0-based offset, without passing
  // them through memory where the kernel can copy them itself; holes of from stay holes. 0 or
  // errno; EIO when from ends before offset + length.
  int appendFrom(int from, std::uint64_t offset, std::uint64_t length);
  // Sets disk room aside for the next length bytes, about to be appended from the open file from,
  // without changing the file's size: on a file system that otherwise finds room block by block as
  // the bytes arrive (ext4's delayed allocation), appending into room already set aside costs the
  // kernel less. Nothing is set aside where from has holes (they stay holes) or elsewhere. Only a
  // help: 0, or the errno of a refusal (ENOSPC ...), after which appending works as without it.
  int reserveFor(int from, std::uint64_t length);
  // Flushes what was written to the disk (finish does it too). 0 or errno.
  int sync();
  // Gives the file its name, synced first as durability says (not again after sync()). 0 or errno
  // (EEXIST when something took the name meanwhile); on failure the temporary file is still there
  // to abandon or keep.
  int finish(Durability durability);
  // Puts the unfinished file at otherPath instead (a free name the caller reserved, which is
  // replaced), for contents worth keeping that are not the target. 0 or errno.
  int keepAs(const std::string& otherPath);
  // Removes the temporary file (when not finished). 0 or errno of the removal.
  int abandon();

  // The file's name to be (its target).
  [[nodiscard]] const std::string& path() const { return path_; }
  // Where it is written until finish().
  [[nodiscard]] const std::string& temporaryPath() const { return out_.path(); }
  [[nodiscard]] bool open() const { return out_.fd() >= 0; }

 private:
  std::string path_;
  ReplacementFile out_;
  std::uint64_t end_ = 0;  // the length written so far (holes included)
  bool holes_ = false;     // a hole was left out: the length is set at the end
  std::uint64_t reserved_ = 0;  // room set aside up to this offset (0: none)
  int releaseReserve();
};

// Opens the regular file path for reading, as a source to append from, into into (with the fstat
// of what opened): through a final symbolic link to a regular file, as readers read, never waiting
// on a FIFO, and anything but a regular file closed again unread. 0 or errno: ENOENT when nothing
// is there, EINVAL for what is not a regular file, or the error of the open.
int openSource(std::string_view path, HeldFile& into);

}  // namespace platform
