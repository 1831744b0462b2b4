#include "tools/renaming/rename_rule_sets.h"

#include "core/file_content.h"
#include "core/form_state.h"

namespace tools::ren {

std::optional<std::string> readRuleSet(const std::string& path, bool* tooLarge) {
  core::CappedRead read = core::readCapped(path, kMaxRuleSetBytes);
  if (tooLarge) *tooLarge = read.tooLarge;
  std::optional<std::string>& text = read.data;
  if (!text || text->compare(0, 4, "qw9C") != 0) return std::nullopt;
  if (!core::parseFormState(*text).valid) return std::nullopt;
  return std::move(text);
}

}  // namespace tools::ren
