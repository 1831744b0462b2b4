#include "companions/language_chooser/language_choice.h"

#include "core/vb.h"
#include "platform/settings_store.h"

namespace dorvisk {

ChooserRequest requestOf(const std::vector<std::string>& arguments) {
  ChooserRequest r;
  r.commandLine = vb::Join(arguments, " ");
  if (r.commandLine.empty()) r.mode = ChooserMode::ChooseWithoutSave;
  else if (r.commandLine.find('/') != std::string::npos) r.mode = ChooserMode::CodePageWarning;
  else r.mode = ChooserMode::ChooseAndSave;
  return r;
}

int languageCode(std::string_view listText) {
  static constexpr std::array<std::pair<std::string_view, int>, 5> kCodes = {
      {{"Français", 1}, {"Deutsch", 2}, {"Deutsche", 2}, {"Español", 3}, {"Nederlands", 4}}};
  for (const auto& [text, code] : kCodes) {
    if (text == listText) return code;
  }
  return 0;
}

bool saveChoice(const ChooserRequest& request, std::string_view listText) {
  if (request.mode != ChooserMode::ChooseAndSave) return false;
  // The command line is the caller's settings word (application and section).
  const std::string code = vb::Str(languageCode(listText));
  return platform::writeSetting(request.commandLine, "myLang", code);
}

}  // namespace dorvisk
