// A file's identity: its device (as st_dev encodes it) and inode, equal for every hard link to the
// same file. The one type this layer and its callers compare files and file systems by ("same
// file", "same file system"), whichever call measured them.
#pragma once

#include <cstdint>

namespace platform {

struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
  [[nodiscard]] bool known() const { return device != 0 || inode != 0; }
};

}  // namespace platform
