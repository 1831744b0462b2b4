#include "companions/language_chooser/widgets/dorvisk_start.h"

#include "core/companion_start.h"

namespace dorvisk {

std::unique_ptr<Form1> startDorvisk(const std::vector<std::string>& arguments) {
  ChooserRequest request = requestOf(arguments);
  core::startCompanion({.settingsWord = request.mode == ChooserMode::ChooseAndSave ? request.commandLine : "",
                        .colours = core::CompanionColours::ColourFile,
                        .scheme = core::kCompanionScheme});
  auto form = std::make_unique<Form1>(std::move(request));
  form->show();
  return form;
}

}  // namespace dorvisk
