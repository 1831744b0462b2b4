// Reading a regular file from its start to its end in pieces, for programs that scan whole files of
// any size in bounded memory. Only a regular file is ever read: a folder, FIFO, device or socket is
// refused after a type check without being opened, and one swapped in between the check and the
// open is closed again unread (the open never waits). Symlinks are followed: reading a file
// through a link is what the person who named the link means.
//
//   platform::SequentialFile f;
//   if (f.open(path) != 0) ...;               // ENOENT, EISDIR, EINVAL (not a regular file), EACCES ...
//   std::size_t got = 0;
//   while (f.read(buf, sizeof buf, got) == 0 && got > 0) ...;
#pragma once

#include <cstddef>
#include <string_view>

namespace platform {

class SequentialFile {
 public:
  SequentialFile() = default;
  ~SequentialFile();
  SequentialFile(const SequentialFile&) = delete;
  SequentialFile& operator=(const SequentialFile&) = delete;

  // Opens path for reading. 0, or errno: ENOENT for nothing there, EISDIR for a folder, EINVAL for
  // anything else that is not a regular file, or the error of the open.
  int open(std::string_view path);
  // Reads the next piece of at most n bytes into buf; got is 0 at the end of the file (which is
  // found by reading, not from the size, so files the system reports as empty are read too).
  // 0 or errno (EBADF when nothing is open); a read interrupted by a signal is retried.
  int read(char* buf, std::size_t n, std::size_t& got);
  void close();

 private:
  int fd_ = -1;
};

}  // namespace platform
