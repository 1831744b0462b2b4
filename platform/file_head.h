// Opening a file once to learn what a per-file check needs: whether it is a regular file, its size
// and its first bytes. Runs call this for every file they touch, so it costs one path lookup for
// the type, one open, one fstat and at most one read.
#pragma once

#include "platform/fs.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

struct FileHead {
  FileType type = FileType::Missing;  // what path names; a symlink is Symlink (never followed)
  std::uint64_t size = 0;             // bytes, for a regular file
  std::uint32_t mode = 0;             // its permission bits (07777), for a regular file
  std::string head;                   // its first min(n, size) bytes
};

// Opens the regular file path once with access (never through a symlink, never blocking, closed on
// exec and before returning), confirms with fstat that it is still a regular file, fills size and
// mode and reads its first n bytes into head (n 0 reads nothing; Write with n > 0 opens
// read-write, since reading needs it). Returns 0 on success. Otherwise an errno value: ENOENT (type Missing) when
// nothing is there; EINVAL when path is not a regular file (a FIFO, device, socket, folder or
// symlink: type says which), which is refused without being opened, or closed at once when it
// was swapped in after the type check; or the open/read error of a regular file that cannot be
// used with that access (EACCES, ETXTBSY ...). Never hangs on a FIFO.
int openAndReadHead(std::string_view path, OpenAccess access, std::size_t n, FileHead& out);

}  // namespace platform
