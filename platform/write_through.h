// What the wipe needs after overwriting a file and before deleting it: its data pushed to the disk,
// and the file cut to zero length. Both work on a descriptor opened without following a symbolic
// link and without blocking, and refuse anything that is not a regular file: a link or FIFO swapped
// in for the file is never followed to another file nor waited on.
#pragma once

#include <string_view>

namespace platform {

// Flushes the file's data (and its size) to the disk. 0 or errno: ELOOP for a symlink, EINVAL for
// anything else that is not a regular file, ENOENT for a missing one (nothing is created).
int syncFileData(std::string_view path);

// Cuts the file to zero length and flushes that to the disk. 0 or errno, as syncFileData.
int truncateToZero(std::string_view path);

}  // namespace platform
