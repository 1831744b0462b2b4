#include "tools/text/extract_preset.h"

#include <algorithm>

namespace tools::text {

std::optional<std::vector<core::FormStateEntry>> readExtractPreset(std::string_view bytes) {
  if (bytes.size() > kPresetMaxBytes || bytes.substr(0, 4) != "qw9C") return std::nullopt;
  core::ParsedFormState state = core::parseFormState(bytes);
  if (!state.valid || state.entries.empty()) return std::nullopt;
  for (const core::FormStateEntry& e : state.entries) {
    if (std::find(kPresetControls.begin(), kPresetControls.end(), e.name) == kPresetControls.end()) {
      return std::nullopt;
    }
  }
  return std::move(state.entries);
}

}  // namespace tools::text
