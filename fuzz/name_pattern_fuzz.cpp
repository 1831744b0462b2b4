// The name pattern against its rules stated plainly: one entry, and a whole pattern of includes
// and excludes, on names that need not be UTF-8.
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "main_window/name_pattern.h"
#include "main_window/name_pattern_model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::Input in(data, size);
  const std::string name(in.piece());
  const std::string pattern(in.rest());
  fuzzing::check(
      mainwin::matchPatternEntry(name, pattern) == mainwin::testing::patternEntryModel(name, pattern),
      "one entry differs from the rules");

  // The whole pattern, exact case: at least one include entry (or none), and no exclude entry.
  bool anyInclude = false, included = false, excluded = false;
  for (std::size_t start = 0; start <= pattern.size();) {
    std::size_t end = pattern.find(';', start);
    const bool last = end == std::string::npos;
    if (last) end = pattern.size();
    std::string_view entry = std::string_view(pattern).substr(start, end - start);
    if (last && entry.empty() && start > 0) break;
    const bool exclude = entry.size() > 2 && entry.substr(0, 2) == "<-";
    if (exclude) entry.remove_prefix(2);
    const bool hit = mainwin::testing::patternEntryModel(name, entry);
    if (exclude) {
      excluded = excluded || hit;
    } else {
      anyInclude = true;
      included = included || hit;
    }
    if (last) break;
    start = end + 1;
  }
  fuzzing::check(
      mainwin::NamePattern(pattern, false).matches(name) == ((!anyInclude || included) && !excluded),
      "whole pattern differs from the rules");
  // Folding case never breaks anything either.
  (void)mainwin::NamePattern(pattern, true).matches(name);
  return 0;
}
