// A file the splitter or joiner writes from scratch: created exclusively (never replacing
// anything, never through a symbolic link), filled in chunks, optionally synced to the disk, and
// removed again when it is abandoned. The pieces and joined files go through it.
//
//   NewFile piece;
//   if (int err = piece.create(path)) report(err);     // EEXIST: the name is taken
//   piece.write(chunk); ... ; piece.finish(/*sync=*/true);
//   // or piece.abandon(): closes and removes what this object created
#pragma once

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

  // Creates path exclusively. 0 or errno.
  int create(const std::string& path);
  // Opens path, a new empty file this run created (a temporary name), for writing. 0 or errno.
  int adopt(const std::string& path);
  // Appends data. 0 or errno.
  int write(std::string_view data);
  // Appends length bytes of the open file from, starting at its 0-based offset, without passing
  // them through memory where the kernel can copy them itself. 0 or errno; EIO when from ends
  // before offset + length.
  int appendFrom(int from, std::uint64_t offset, std::uint64_t length);
  // Closes the file, after an fsync when sync. 0 or errno (the file then stays open to abandon).
  int finish(bool sync);
  // Closes and removes the file (when this object created or adopted it and did not finish it).
  // 0 or errno of the removal.
  int abandon();

  [[nodiscard]] const std::string& path() const { return path_; }
  [[nodiscard]] bool open() const { return fd_ >= 0; }

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace tools::file_ops
