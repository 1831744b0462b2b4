#include "properties_editor/editor_command_line.h"

#include "core/file_paths.h"

namespace propedit {

EditorLaunch parseEditorCommandLine(const std::vector<std::string>& args, std::string_view workingFolder) {
  EditorLaunch launch;
  if (args.empty() || args.front().empty()) {
    // The main program starts the editor without a path when its list is empty: it stays alone
    // until the first path arrives over the link.
    launch.servesLink = true;
    return launch;
  }
  std::string_view arg = args.front();
  if (arg.front() == '?') {
    launch.launchedAlone = false;
    launch.servesLink = true;
    arg.remove_prefix(1);
  }
  launch.path = absolutePath(arg, workingFolder);
  return launch;
}

std::string absolutePath(std::string_view path, std::string_view workingFolder) {
  if (path.empty() || path.front() == '/') return std::string(path);
  return core::AddSlash(workingFolder) + std::string(path);
}

}  // namespace propedit
