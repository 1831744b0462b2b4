// For tests and fuzz targets: the rules of one name-pattern entry stated plainly, as a search over
// every (name position, entry position) pair with memory. Slow but plainly right, to hold the
// fast matcher against. Header-only.
#pragma once

#include "core/vb.h"

#include <string_view>
#include <vector>

namespace mainwin::testing {

// What matchPatternEntry(name, entry) must answer: "*" takes any number of characters, "?" one,
// "\d" one digit 0-9, NUL nothing, any other byte itself. A character is the valid UTF-8 sequence
// that starts where the match stands, else one byte.
inline bool patternEntryModel(std::string_view name, std::string_view entry) {
  const std::size_t n = name.size(), m = entry.size();
  // 0 unknown, 1 no, 2 yes.
  std::vector<char> memo((n + 1) * (m + 1), 0);
  const auto match = [&](auto& self, std::size_t i, std::size_t j) -> bool {
    char& known = memo[i * (m + 1) + j];
    if (known) return known == 2;
    bool r = false;
    if (j == m) {
      r = i == n;
    } else if (entry[j] == '*') {
      r = self(self, i, j + 1) || (i < n && self(self, i + vb::CharLen(name, i), j));
    } else if (entry[j] == '?') {
      r = i < n && self(self, i + vb::CharLen(name, i), j + 1);
    } else if (entry[j] == '\\' && j + 1 < m && entry[j + 1] == 'd') {
      r = i < n && name[i] >= '0' && name[i] <= '9' && self(self, i + 1, j + 2);
    } else if (entry[j] != '\0') {
      r = i < n && name[i] == entry[j] && self(self, i + 1, j + 1);
    }
    known = r ? 2 : 1;
    return r;
  };
  return match(match, 0, 0);
}

}  // namespace mainwin::testing
