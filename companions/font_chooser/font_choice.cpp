#include "companions/font_chooser/font_choice.h"

#include "core/companion_start.h"
#include "core/vb.h"
#include "platform/settings_store.h"

namespace brannock {

FontRequest requestOf(const std::vector<std::string>& arguments) {
  FontRequest r;
  r.commandLine = vb::Join(arguments, " ");
  r.settingsWord = core::settingsWordOfCaller(r.commandLine);
  return r;
}

std::string savedFont(const FontRequest& request) {
  return request.settingsWord.empty() ? std::string() : platform::readSetting(request.settingsWord, "myFont");
}

DoneOutcome saveFontChoice(const FontRequest& request, std::string_view font, int timeoutMs) {
  if (font.empty() || request.settingsWord.empty()) return DoneOutcome::NothingSaved;
  if (!platform::writeSetting(request.settingsWord, "myFont", font)) return DoneOutcome::NothingSaved;
  const bool told = core::linkExecute(core::callerLinkName(request.commandLine), "frmMain", "2", timeoutMs);
  return told ? DoneOutcome::Applied : DoneOutcome::NextStart;
}

}  // namespace brannock
