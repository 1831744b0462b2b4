// The per-user settings store: one INI file per settings word at
// $XDG_CONFIG_HOME/<word>/<word>.ini, group [<word>]. Value names compare without regard to case;
// any byte string round-trips as a value (our own escaping, not QSettings'). Writes take a lock,
// re-read the file, and replace it atomically, so several programs can write at once without
// losing each other's values. Reads see what other programs wrote (checked against the file's
// identity, size and time on each read). Lines end at LF; every CR before it belongs to the line
// break, and lines a write does not change keep their bytes (breaks included). A write keeps the
// file's permission bits, refuses a file without the owner's write bit (the user made it
// read-only), and first removes temporary files that writes killed midway left behind.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace platform {

// The value stored under name in the group of word, or "" when absent or unreadable.
[[nodiscard]] std::string readSetting(std::string_view word, std::string_view name);
// Stores value under name (replacing a value whose name differs only in case, keeping the stored
// spelling of the name). Returns false on failure, a read-only settings file included (and
// raises the unwritable notice once).
bool writeSetting(std::string_view word, std::string_view name, std::string_view value);
// Removes the whole group of word; other groups of the file are kept. False on failure.
bool clearSettingsGroup(std::string_view word);
// The file that holds word's settings.
[[nodiscard]] std::string settingsFilePath(std::string_view word);

// The first failure to write the settings store is reported once per process: to the handler set
// here (the start routine shows it), and through settingsWriteFailed(). The argument is the folder
// or file that could not be written.
void setSettingsFailureHandler(std::function<void(const std::string& path)> handler);
[[nodiscard]] bool settingsWriteFailed();
// Forgets a reported failure (tests; a program that fixed its folder).
void resetSettingsFailure();

// Escaping used in the file, exposed for tests: values keep any byte, names also never hold "=",
// and neither starts with "[" or ";" nor keeps blanks at its ends unescaped.
[[nodiscard]] std::string escapeSettingText(std::string_view text, bool isName);
[[nodiscard]] std::string unescapeSettingText(std::string_view text);

}  // namespace platform
