#include "tools/renaming/rename_rule_sets.h"

#include "core/file_content.h"
#include "core/form_state.h"

namespace tools::ren {

std::optional<std::string> readRuleSet(const std::string& path) {
  std::optional<std::string> text = core::readBits(path, 1, kMaxRuleSetBytes + 1);
  if (!text || text->size() > kMaxRuleSetBytes || text->compare(0, 4, "qw9C") != 0) return std::nullopt;
  if (!core::parseFormState(*text).valid) return std::nullopt;
  return text;
}

}  // namespace tools::ren
