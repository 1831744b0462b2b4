#include "companions/colour_picker/colour_choice.h"

#include "core/appearance.h"
#include "core/companion_start.h"
#include "core/file_content.h"

namespace huelark {

std::string colourFileText(std::uint32_t back, std::uint32_t fore) {
  return std::to_string(back & 0xFFFFFF) + "," + std::to_string(fore & 0xFFFFFF);
}

int writeColourFile(const std::string& appPath, std::uint32_t back, std::uint32_t fore) {
  return core::OutputFile(appPath + std::string(core::kColourFileName), colourFileText(back, fore));
}

bool notifyAppearanceChanged(std::string_view application) {
  return core::linkExecute(application, "frmMain", "2");
}

}  // namespace huelark
