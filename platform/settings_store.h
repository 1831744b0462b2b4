// The per-user settings store: one INI file per settings word at
// $XDG_CONFIG_HOME/<word>/<word>.ini, group [<word>]. Value names compare without regard to case;
// any byte string round-trips as a value (our own escaping, not QSettings'). Writes take a lock,
// re-read the file, and replace it atomically, so several programs can write at once without
// losing each other's values. Reads see what other programs wrote (checked against the file's
// identity, size and time on each read). Lines end at LF; every CR before it belongs to the line
// break, and lines a write does not change keep their bytes (breaks included). A write keeps the
// file's permission bits, refuses a file without the owner's write bit (the user made it
// read-only), and first removes temporary files that writes killed midway left behind. A file
// larger than kSettingsFileCap is neither read nor written (a stored file is untrusted: one of
// 3 GB must give a notice, not end the program for want of memory).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

// The largest settings file read: far above any real one, the cap of the program's other stored
// files.
inline constexpr std::uint64_t kSettingsFileCap = std::uint64_t{16} << 20;

// The value stored under name in the group of word, or "" when absent or unreadable.
[[nodiscard]] std::string readSetting(std::string_view word, std::string_view name);
// Stores value under name (replacing a value whose name differs only in case, keeping the stored
// spelling of the name). Returns false on failure, a read-only settings file included (and
// raises the unwritable notice once).
bool writeSetting(std::string_view word, std::string_view name, std::string_view value);
// Removes the whole group of word; other groups of the file are kept. False on failure.
bool clearSettingsGroup(std::string_view word);

// The values of one word as an update sees them: the file read afresh under the store's lock, with
// the update's own changes so far.
class SettingsEdit {
 public:
  virtual ~SettingsEdit() = default;
  // The value stored under name, or "" when absent.
  [[nodiscard]] virtual std::string get(std::string_view name) const = 0;
  // Stores value under name (as writeSetting; an empty name is ignored).
  virtual void set(std::string_view name, std::string_view value) = 0;
};
// Runs edit on word's values under the lock every program of this store takes, read afresh, and
// writes what it changed in one atomic replace before the lock goes: several values that belong
// together (a slot and the current slot) change together, and no other program's write can come
// between their reading and their writing. edit must not call the other functions of this store
// for the same word (it would wait on its own lock). Returns false, with nothing written, when the
// file cannot be read or written (edit did not run, or its changes were lost; the failure is
// reported as writeSetting reports it).
bool editSettings(std::string_view word, const std::function<void(SettingsEdit&)>& edit);
// The file that holds word's settings.
[[nodiscard]] std::string settingsFilePath(std::string_view word);

// Why the store could not be used: a folder or file that could not be written, or a settings file
// larger than kSettingsFileCap (then neither read nor written: its values read as "").
enum class SettingsFault { Unwritable, TooLarge };
// Each kind of failure is reported once per process: to the handler set here (the start routine
// shows it), and a failed write through settingsWriteFailed(). The argument is the folder or file
// concerned.
void setSettingsFailureHandler(std::function<void(const std::string& path, SettingsFault fault)> handler);
[[nodiscard]] bool settingsWriteFailed();
// Forgets a reported failure (tests; a program that fixed its folder).
void resetSettingsFailure();

// Escaping used in the file, exposed for tests: values keep any byte, names also never hold "=",
// and neither starts with "[" or ";" nor keeps blanks at its ends unescaped.
[[nodiscard]] std::string escapeSettingText(std::string_view text, bool isName);
[[nodiscard]] std::string unescapeSettingText(std::string_view text);

}  // namespace platform
