// Folders the programs use: the running executable's folder, the shipped data, the per-user data
// folder, the private scratch folder and the per-user config and runtime folders. All returned
// folders are byte paths ending in "/".
#pragma once

#include <string>

namespace platform {

// Folder of the running executable (from /proc/self/exe); "" when it cannot be read.
[[nodiscard]] std::string exeDir();
// Shipped read-only data: exeDir() + "../share/vardulek/" (same shape in the build tree and after
// install).
[[nodiscard]] std::string dataDir();
// $XDG_DATA_HOME/vardulek/ (default ~/.local/share/vardulek/), created on first use (mode 0700).
// The path is returned even when it cannot be created; the caller learns that on its first write.
[[nodiscard]] std::string appDataDir();
// Private scratch folder $TMPDIR/vardulek-<uid>/ (default /tmp): a real folder (not a symlink)
// owned by the user with mode 0700, checked on a descriptor; appDataDir() when such a folder
// cannot be made or what holds the name is not that.
[[nodiscard]] std::string tempDir();
// $XDG_CONFIG_HOME (default ~/.config/), not created.
[[nodiscard]] std::string configHome();
// $XDG_DATA_HOME (default ~/.local/share/), not created.
[[nodiscard]] std::string dataHome();
// $XDG_RUNTIME_DIR when it is a real folder owned by the user with mode 0700, else tempDir().
[[nodiscard]] std::string runtimeDir();
// The home folder ($HOME, else the password database), with a trailing "/".
[[nodiscard]] std::string homeDir();

// Creates a folder and its missing parents with the given mode; true when it exists afterwards.
bool makeFolders(const std::string& path, unsigned mode = 0700);

}  // namespace platform
