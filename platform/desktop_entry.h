// Per-user desktop entries (freedesktop "Desktop Entry" files) in $XDG_DATA_HOME/applications/:
// how a program offers itself in the file managers' "Open With" menus.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Quotes one argument for an Exec= line: wrapped in double quotes with '"', '`', '$' and '\'
// escaped, "%" doubled, then the string-value escapes applied (so a backslash becomes "\\\\").
[[nodiscard]] std::string quoteExecArgument(std::string_view arg);

// Escapes a plain string value (Name=, Comment=): backslash, line breaks and tabs.
[[nodiscard]] std::string escapeDesktopString(std::string_view value);

// The path of the per-user entry with this file name ("vardulek-properties.desktop").
[[nodiscard]] std::string userDesktopEntryPath(std::string_view fileName);

// Writes the entry atomically (temporary file + rename, mode 0644), creating the folder.
// False on failure.
bool writeUserDesktopEntry(std::string_view fileName, const std::string& content);
// Removes the entry; true when it is gone afterwards (also when it never existed).
bool removeUserDesktopEntry(std::string_view fileName);

}  // namespace platform
