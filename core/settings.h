// The settings pair every part reads and writes through: text values of the per-user settings
// store under the program's settings word ("vardulek"). Absent or unreadable values read as "".
#pragma once

#include "platform/settings_store.h"

#include <functional>
#include <string>
#include <string_view>

namespace core {

// The settings word of this program (application and section); "vardulek" unless a companion
// program or a test sets another.
const std::string& settingsWord();
void setSettingsWord(std::string word);

[[nodiscard]] std::string getSet(std::string_view name);
// Stores value under name; failures are ignored (the store reports them once through its own notice).
void saveSet(std::string_view name, std::string_view value);
void saveSet(std::string_view name, long long value);

// Removes every value of the program's group ("clearing the settings").
void clearSettings();

// Several values read and written together under the store's lock, on a fresh read (see
// platform::editSettings): what no other instance or companion may change in between. edit must
// not call getSet or saveSet. False when nothing could be written.
bool editSettings(const std::function<void(platform::SettingsEdit&)>& edit);

// The first failed write of the settings store (e.g. an unwritable config folder), and the first
// settings file too large to read, each call handler once per process with the folder or file
// concerned; the program keeps running without saving.
void setSettingsFailureNotice(std::function<void(const std::string& path, platform::SettingsFault fault)> handler);
// True once a write of the settings store has failed in this process.
[[nodiscard]] bool settingsUnwritable();

}  // namespace core
