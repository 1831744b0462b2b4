// The main window's start-up steps that decide something without a window: what the command line
// selects, the bounds of the saved window position, removing the fill files that an interrupted
// free-space wipe left behind, and the desktop entry of the properties editor.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace mainwin {

// What a command-line path selects: the folder for the tree and, for a file, the extension
// pattern to filter by.
struct CommandLineTarget {
  bool present = false;   // false: no path given, nothing changes
  bool isFile = false;    // the path was taken as a file: filters are set to its extension
  std::string folder;     // the folder for the tree (may not exist; the tree goes as deep as it can)
  std::string pattern;    // "*" for a folder; "*." + lower-cased extension, or "*" (see below)
};
// The path is argv[1] as the shell gave it (quotes already removed, blanks belong to the path). A
// relative path is taken from workingFolder. An existing folder selects itself with pattern "*".
// Anything else is a file: the folder is the part before the last "/", the pattern is "*." + the
// lower-cased extension when the file exists and has one, else "*".
[[nodiscard]] CommandLineTarget commandLineTarget(std::string_view path, std::string_view workingFolder);

// A saved window position in twips: outside 0..bound it becomes 200 (and the caller saves that).
[[nodiscard]] int boundedPosition(int twips, int bound, bool& replaced);

// True for a name of a free-space wipe's fill file: "QWBigFile" + one or more digits + ".Big".
[[nodiscard]] bool isWipeFillName(std::string_view name);
// The start of the name of the private folder a free-space wipe makes for its fill files (the
// rest is random); "drivewiped" records that folder.
inline constexpr std::string_view kWipeFolderPrefix = ".corvane-wipe-";
// What removeWipeLeftovers reports, file by file (either may be empty).
struct LeftoverHooks {
  std::function<void(const std::string& path)> each{};    // before a fill file is removed
  std::function<void(const std::string& path)> failed{};  // a fill file that could not be removed
};
// Cuts to zero length and deletes every regular file (never a link, a folder or anything else) of
// folder whose name is a fill file name; then, when none remains and the folder is a wipe's own
// (its name starts with kWipeFolderPrefix), removes the folder if it is empty. Returns the number
// of fill files that remain (could not be deleted), or -1 when the folder cannot be read.
int removeWipeLeftovers(const std::string& folder, const LeftoverHooks& hooks = {});
// The start-up step: reads "drivewiped"; when it names a folder, removes the leftovers there and
// clears the setting only when none remain (or the folder is gone).
void cleanWipeLeftovers();

// The desktop entry that offers the properties editor in the file managers' "Open With" menus:
// written when wanted and programPath is an executable file, removed otherwise (an entry naming a
// program that is not there shows as a broken choice in every file manager). True when an entry
// exists afterwards.
bool syncPropertiesEntry(const std::string& programPath, bool wanted);

}  // namespace mainwin
