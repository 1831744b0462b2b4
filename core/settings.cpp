#include "core/settings.h"

#include "core/file_content.h"
#include "platform/settings_store.h"

#include <mutex>

namespace core {

static_assert(platform::kSettingsFileCap == kStoredFileCap, "the settings file is capped as the other stored files");

namespace {
std::mutex g_wordMutex;
std::string& wordStorage() {
  static std::string word = "vardulek";
  return word;
}
}  // namespace

const std::string& settingsWord() {
  std::lock_guard lock(g_wordMutex);
  return wordStorage();
}

void setSettingsWord(std::string word) {
  std::lock_guard lock(g_wordMutex);
  wordStorage() = std::move(word);
}

std::string getSet(std::string_view name) { return platform::readSetting(settingsWord(), name); }

void saveSet(std::string_view name, std::string_view value) {
  (void)platform::writeSetting(settingsWord(), name, value);
}

void saveSet(std::string_view name, long long value) { saveSet(name, std::to_string(value)); }

void clearSettings() { (void)platform::clearSettingsGroup(settingsWord()); }

bool editSettings(const std::function<void(platform::SettingsEdit&)>& edit) {
  return platform::editSettings(settingsWord(), edit);
}

void setSettingsFailureNotice(std::function<void(const std::string&, platform::SettingsFault)> handler) {
  platform::setSettingsFailureHandler(std::move(handler));
}

bool settingsUnwritable() { return platform::settingsWriteFailed(); }

}  // namespace core
