// A copy made ahead of its turn, possibly on another thread: a whole copy of a file, with the
// source's modified and accessed times, in a new file that has no name yet (O_TMPFILE) in the
// target's folder. Only its link gives it a name, and only once it is whole; a copy that is never
// linked (a Cancel, an error, a kill) vanishes when its descriptor closes, so nothing partial ever
// appears under any name. Where the file system makes no unnamed files, or anything is not the
// plain case (not a regular file, holes, no kernel copy), nothing is prepared and the caller
// copies the file its usual way.
//
// Everything here works on open descriptors the caller hands over; nothing follows a link. A
// prepared copy is owned by one thread at a time: the caller hands it over with its own locking.
//
//   platform::SharedFolder source(sourceReader.fd()), target(targetReader.fd());  // duplicates
//   platform::PreparedCopy copy;
//   if (copy.prepare(source.fd(), "a.txt", target.fd(), 1 << 22) == 0) {   // on a worker
//     ... record copy.identity() ...
//     copy.link(target.fd(), "a.txt");                                       // EEXIST: taken
//   }
#pragma once

#include "platform/fs.h"

#include <cstdint>

#include <sys/stat.h>

namespace platform {

// A folder descriptor of its own (a duplicate of one the caller holds), for work that may outlive
// the caller's hold on the folder. Closes itself.
class SharedFolder {
 public:
  explicit SharedFolder(int fd);
  ~SharedFolder();
  SharedFolder(const SharedFolder&) = delete;
  SharedFolder& operator=(const SharedFolder&) = delete;
  // -1 when the duplicate could not be made.
  [[nodiscard]] int fd() const { return fd_; }

 private:
  int fd_ = -1;
};

class PreparedCopy {
 public:
  PreparedCopy() = default;
  // Closes the copy: one never linked is gone.
  ~PreparedCopy();
  PreparedCopy(const PreparedCopy&) = delete;
  PreparedCopy& operator=(const PreparedCopy&) = delete;

  // Opens name in sourceFolderFd for reading (never through a link, never waiting on a FIFO),
  // and copies it whole (by the kernel) into a new unnamed file in targetFolderFd created with the
  // source's permission bits less the umask, as cp makes it, then gives it the source's modified
  // and accessed times. 0, or errno with nothing kept: ELOOP for a link, EINVAL for what is not a
  // regular file, EFBIG above maxBytes, ENOTSUP for holes or where no unnamed file or kernel copy
  // is to be had, else the failing call's error.
  int prepare(int sourceFolderFd, const char* name, int targetFolderFd, std::uint64_t maxBytes);

  [[nodiscard]] bool ready() const { return fd_ >= 0; }
  // The source as it was opened (its fstat before the copy).
  [[nodiscard]] const struct stat& source() const { return seen_; }
  // The copy's identity and permission bits (07777), as it will keep them under its name.
  [[nodiscard]] FileIdentity identity() const { return identity_; }
  [[nodiscard]] long mode() const { return mode_; }
  // Whether the copy got the source's times.
  [[nodiscard]] bool timesKept() const { return timesKept_; }

  // Gives the copy the name name in folderFd (which must lie on the file system it was prepared
  // on), never replacing anything, and closes it. 0, or errno: EEXIST when the name is taken (the
  // copy is still there, unnamed, until this object goes), or the error of the close after the
  // link (the copy then has its name).
  int link(int folderFd, const char* name);

 private:
  void close();

  int fd_ = -1;
  struct stat seen_ {};
  FileIdentity identity_{};
  long mode_ = -1;
  bool timesKept_ = false;
};

}  // namespace platform
