#include "companions/font_chooser/widgets/brannock_start.h"

#include "core/companion_start.h"

namespace brannock {

std::unique_ptr<FrmMain> startBrannock(const std::vector<std::string>& arguments) {
  FontRequest request = requestOf(arguments);
  core::startCompanion({.settingsWord = request.settingsWord,
                        .colours = core::CompanionColours::ColourFile,
                        .scheme = core::kCompanionScheme});
  auto form = std::make_unique<FrmMain>(std::move(request));
  form->show();
  return form;
}

}  // namespace brannock
