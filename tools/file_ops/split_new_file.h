// A file the splitter or joiner writes from scratch. It is written under a temporary name beside
// its target (replacement_file.h's pattern, locked while written), filled in chunks, synced and
// renamed to its name only when complete, never replacing anything and never through a symbolic
// link: a kill leaves no partial piece or output under a real name, and the temporary file it
// leaves is taken away by the next run that walks the folder. The pieces, joined files and
// rejoin scripts go through it.
//
//   NewFile piece;
//   if (int err = piece.create(path)) report(err);     // nothing created
//   piece.write(chunk); ... ; piece.finish();          // EEXIST: the name was taken meanwhile
//   // or piece.abandon(): removes the temporary file (the destructor does it too)
#pragma once

#include "platform/replacement_file.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tools::file_ops {

class NewFile {
 public:
  NewFile() = default;
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;
  // Abandons a file that was not finished.
  ~NewFile();

  // Starts the file that is to be path: its temporary file is created (mode 0666 less the
  // umask). 0 or errno (nothing created).
  int create(const std::string& path);
  // Appends data. 0 or errno.
  int write(std::string_view data);
  // Appends length bytes of the open file from, starting at its 0-based offset, without passing
  // them through memory where the kernel can copy them itself; holes of from stay holes. 0 or
  // errno; EIO when from ends before offset + length.
  int appendFrom(int from, std::uint64_t offset, std::uint64_t length);
  // Flushes what was written to the disk (finish does it too). 0 or errno.
  int sync();
  // Syncs the file and gives it its name. 0 or errno (EEXIST when something took the name
  // meanwhile); on failure the temporary file is still there to abandon or keep.
  int finish();
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
  platform::ReplacementFile out_;
  std::uint64_t end_ = 0;  // the length written so far (holes included)
  bool holes_ = false;     // a hole was left out: the length is set at the end
};

}  // namespace tools::file_ops
