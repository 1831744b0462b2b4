// A file the programs keep for themselves (an undo journal) held open for the length of a run, so
// that each record costs one write and nothing waits in memory: what a killed run did is in the
// file. Writes go to the end the file had when opened plus what was written since; a byte range
// can be patched in place (a header's count). Only an existing regular file is opened, never
// through a symlink.
//
//   platform::RecordFile f;
//   if (f.open(path) != 0) ...;
//   f.append(header); f.sync();        // the header is on the disk before any record
//   f.append(record);                  // per record, no fsync
//   f.writeAt(2, count); f.close();
#pragma once

#include <cstdint>
#include <string_view>

namespace platform {

class RecordFile {
 public:
  RecordFile() = default;
  ~RecordFile();
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;

  // Opens path for writing at its end. 0, or errno (ELOOP for a symlink, EINVAL for anything that
  // is not a regular file).
  int open(std::string_view path);
  // Writes data after everything written so far. 0 or errno (EBADF when nothing is open); after a
  // failed write the file may end with part of data.
  int append(std::string_view data);
  // Writes data at the 0-based offset without moving the end. 0 or errno.
  int writeAt(std::uint64_t offset, std::string_view data);
  // Cuts the file to size bytes (never longer than it is); later appends go after them. 0 or errno.
  int truncate(std::uint64_t size);
  // fsync of what was written. 0 or errno.
  int sync();
  // Closes the file; 0 or the errno of the close. Nothing open is no error.
  int close();
  [[nodiscard]] bool isOpen() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
  std::uint64_t end_ = 0;
};

}  // namespace platform
