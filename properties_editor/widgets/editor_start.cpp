#include "properties_editor/widgets/editor_start.h"

#include "core/companion_start.h"

#include <QCoreApplication>

#include <filesystem>
#include <system_error>

namespace propedit {

std::unique_ptr<FrmMainB> startEditor(const std::vector<std::string>& args) {
  core::startCompanion({.settingsWord = "mosquane",
                        .font = core::CompanionFont::FromSettingsSaveDefault,
                        .colours = core::CompanionColours::Fixed,
                        .scheme = core::kCompanionScheme});
  std::error_code ec;
  const std::filesystem::path cwd = std::filesystem::current_path(ec);
  auto form = std::make_unique<FrmMainB>();
  form->start(parseEditorCommandLine(args, ec ? std::string("/") : cwd.native()));
  form->show();
  QCoreApplication::processEvents();
  form->raise();
  return form;
}

}  // namespace propedit
