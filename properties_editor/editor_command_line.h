// How the editor was started, from its command line: by the main program ("?" + path, or nothing
// at all) or by the desktop entry ("Open With": the bare path). argv[1] is taken whole, as the
// shell or the starting program passed it; further arguments are ignored.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace propedit {

struct EditorLaunch {
  // The path to show ("" when none), made absolute against the working folder.
  std::string path;
  // Started without the main program: a save that succeeds ends the editor. Cleared once the
  // main program sends anything over the link.
  bool launchedAlone = true;
  // Started by the main program (with "?" or without an argument): serve the link the main
  // program sends its selection to.
  bool servesLink = false;
  friend bool operator==(const EditorLaunch&, const EditorLaunch&) = default;
};

// args: the arguments after the program name. workingFolder: the folder relative paths start from.
[[nodiscard]] EditorLaunch parseEditorCommandLine(const std::vector<std::string>& args,
                                                  std::string_view workingFolder);

// path when it is absolute; else workingFolder + "/" + path. "" stays "". Nothing is resolved
// (".." and links are left to the file system).
[[nodiscard]] std::string absolutePath(std::string_view path, std::string_view workingFolder);

}  // namespace propedit
