// Which file a path names, by device and inode, and reading a regular file by offset once it is
// open without following links. Finders that compare contents need both: two names for one inode
// are one file, and a file swapped or changed between two looks must not be taken for the one
// that was measured.
//
//   const platform::LinkStatus st = platform::linkStatus(path);   // never follows a symlink
//   platform::IdentifiedFile f;
//   if (f.open(path) == 0 && f.identity() == st.identity && f.size() == st.size) {
//     std::size_t got = 0;
//     f.readAt(buf, sizeof buf, 0, got);
//   }
#pragma once

#include "platform/fs.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace platform {

// What lstat says of a path: the entry itself, a symlink as a symlink.
struct LinkStatus {
  int error = 0;  // errno; type is Missing whenever error != 0
  FileType type = FileType::Missing;
  FileIdentity identity{};
  std::uint64_t size = 0;
};

// The entry path names, never following a symlink. Never opens anything.
[[nodiscard]] LinkStatus linkStatus(std::string_view path);

// A regular file open for reading. open never follows a symlink in the last component and never
// waits on a FIFO or device; whatever is not a regular file is closed again unread.
class IdentifiedFile {
 public:
  IdentifiedFile() = default;
  ~IdentifiedFile();
  IdentifiedFile(const IdentifiedFile&) = delete;
  IdentifiedFile& operator=(const IdentifiedFile&) = delete;

  // 0, or errno: ELOOP for a symlink, EINVAL for anything else that is not a regular file, or the
  // error of the open. A file already open is closed first.
  int open(std::string_view path);
  // The open file's identity and its size at the time of the open.
  [[nodiscard]] FileIdentity identity() const { return identity_; }
  [[nodiscard]] std::uint64_t size() const { return size_; }
  // Reads up to n bytes at the 0-based offset; got is less than n only at the end of the file.
  // 0 or errno (EBADF when nothing is open); interrupted reads are retried.
  int readAt(char* buf, std::size_t n, std::uint64_t offset, std::size_t& got);
  // Tells the system the file will be read from start to end once.
  void adviseSequential();
  void close();

 private:
  int fd_ = -1;
  FileIdentity identity_{};
  std::uint64_t size_ = 0;
};

}  // namespace platform
