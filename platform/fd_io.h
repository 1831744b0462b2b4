// Small descriptor-level helpers shared by the file writers of the platform layer: writing a whole
// buffer, closing with the error reported, syncing a folder, and splitting a byte path into its
// folder and name. Every function returns an errno value (0 = success) where it can fail.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Writes all of data at the 0-based offset, or at the current position when offset < 0.
// Retries after EINTR and short writes. 0 or errno (EIO when the system writes nothing).
int writeFully(int fd, std::string_view data, std::int64_t offset = -1);

// Closes fd; 0 or the errno of the close (EINTR counts as closed, as Linux closes regardless).
int closeChecked(int fd);

// fsync of a folder, so that a rename or a new name in it survives a crash. Failures are
// ignored: the entries are written, only their durability is not confirmed.
void syncFolder(const std::string& folder);

// fsync of an existing regular file (not through a symlink), so that what was written to it
// survives a crash. 0 or errno.
int syncFile(const std::string& path);

// The folder part of path without a trailing "/" ("." for a bare name, "/" for a name in the root).
[[nodiscard]] std::string folderOf(const std::string& path);
// The last component of path.
[[nodiscard]] std::string nameOf(const std::string& path);

}  // namespace platform
