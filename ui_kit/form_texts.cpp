#include "ui_kit/form_texts.h"

#include "core/data_files.h"
#include "core/file_content.h"
#include "core/language_file.h"
#include "core/state.h"
#include "core/vb.h"

namespace uikit {

std::string formSection(std::string_view shortName) {
  const std::optional<std::string> text = core::readCapped(core::dataFile(core::languageFileName(shortName))).data;
  if (!text) return {};
  return core::languageSection(*text, core::coreState().langIndex).value_or(std::string());
}

QString formText(std::string_view section, std::string_view key, const char* fallback) {
  const auto entry = core::sectionEntry(section, key);
  return entry ? vb::qs(*entry) : QString::fromUtf8(fallback);
}

}  // namespace uikit
