// What the editor shows of one file: its real folder and name, size, the three times and the
// Read Only, Hidden and Archive flags. Only regular files are loaded: symbolic links, folders,
// FIFOs, devices and sockets are refused with the reason, in fixed English text.
#pragma once

#include "core/state.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace propedit {

struct LoadedFile {
  std::string path;    // folder + name
  std::string folder;  // the real folder (links resolved), with a trailing "/"
  std::string name;    // the name as stored (bytes)
  std::uint64_t size = 0;
  // Local times; known is false where the file system records no such time (often the creation).
  core::SystemTime created, modified, accessed;
  bool readOnly = false;
  bool hidden = false;
  bool hiddenByName = false;  // the name starts with ".": Hidden cannot be cleared
  bool archive = false;
  bool archiveSupported = false;  // no extended attributes here: Archive cannot be set
};

struct LoadResult {
  std::optional<LoadedFile> file;  // nullopt: nothing loaded
  bool exists = false;             // something is at the path (file stays nullopt for non-files)
  std::string status;              // why nothing was loaded ("" when file is set)
};

// Loads the file at path, which must be absolute. Never follows a symbolic link at the last
// component and never opens the file.
[[nodiscard]] LoadResult loadFileProperties(std::string_view path);

// The file at path is still a regular file (not gone, not replaced by a link or a folder).
[[nodiscard]] bool isRegularFile(std::string_view path);

}  // namespace propedit
