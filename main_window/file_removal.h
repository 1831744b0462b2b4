// Removing files at the main window's own commands: quick delete of the selected entries (to the
// trash or for good) and clearing the program's own history files from its settings folder.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace mainwin {

// Removes folder + name for every name: to the trash when toTrash, else deleted for good. A file
// that cannot go to the trash is kept (never deleted for good instead). A symbolic link is removed
// as the link itself, never its target; one the trash refuses (dangling, a loop) is deleted, as it
// holds no data. Returns how many of the files could not be removed and were kept.
[[nodiscard]] int removeFiles(const std::string& folder, const std::vector<std::string>& names, bool toTrash);

// Deletes every non-hidden file (not a dot-name, not listed in the folder's ".hidden") of folder
// whose name matches one of patterns ("*" any run, "?" one character, exact case). Folders and
// links are left. Failures are ignored.
void deleteMatchingFiles(const std::string& folder, std::initializer_list<std::string_view> patterns);

}  // namespace mainwin
