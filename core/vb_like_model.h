// For tests and fuzz targets: vb::Like's rules stated plainly, as a table over (text characters,
// pattern items). Slow (text length x pattern length in time and memory) but plainly right, to
// hold the fast matcher against. Header-only.
#pragma once

#include "core/vb.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vb::testing {

namespace like_model {

struct Item {
  enum Kind { Star, Any, Digit, List, Literal } kind = Literal;
  std::string literal;                                 // Literal: the character's bytes
  std::vector<std::pair<char32_t, char32_t>> ranges;  // List: its characters and ranges
  bool negate = false;                                 // List: "[!...]"
};

// The characters of s: valid UTF-8 sequences, other bytes one by one.
inline std::vector<std::string> chars(std::string_view s) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = CharLen(s, i);
    out.emplace_back(s.substr(i, n));
    i += n;
  }
  return out;
}

// A character's code point; a byte that is no valid sequence counts as its own value.
inline char32_t code(const std::string& c) {
  char32_t cp = 0;
  return Utf8SeqLen(c, 0, &cp) ? cp : static_cast<unsigned char>(c[0]);
}

// "*", "?", "#", "[list]" up to the next "]" ("[" with no "]" after it is itself), or a character.
// In a list, "!" first negates and "a-b" is a range when a character follows the "-".
inline std::vector<Item> items(std::string_view p) {
  std::vector<Item> out;
  for (std::size_t i = 0; i < p.size();) {
    Item it;
    const std::size_t close = p[i] == '[' ? p.find(']', i + 1) : std::string_view::npos;
    if (p[i] == '*' || p[i] == '?' || p[i] == '#') {
      it.kind = p[i] == '*' ? Item::Star : p[i] == '?' ? Item::Any : Item::Digit;
      ++i;
    } else if (close != std::string_view::npos) {
      it.kind = Item::List;
      const std::vector<std::string> c = chars(p.substr(i + 1, close - i - 1));
      std::size_t k = 0;
      if (!c.empty() && c[0] == "!") {
        it.negate = true;
        k = 1;
      }
      for (; k < c.size(); ++k) {
        if (k + 2 < c.size() && c[k + 1] == "-") {
          it.ranges.emplace_back(code(c[k]), code(c[k + 2]));
          k += 2;
        } else {
          it.ranges.emplace_back(code(c[k]), code(c[k]));
        }
      }
      i = close + 1;
    } else {
      const std::size_t n = CharLen(p, i);
      it.literal = std::string(p.substr(i, n));
      i += n;
    }
    out.push_back(std::move(it));
  }
  return out;
}

inline bool accepts(const Item& it, const std::string& c) {
  switch (it.kind) {
    case Item::Any: return true;
    case Item::Digit: return c.size() == 1 && c[0] >= '0' && c[0] <= '9';
    case Item::Literal: return it.literal == c;
    case Item::List: {
      bool hit = false;
      for (const auto& [a, b] : it.ranges) hit = hit || (code(c) >= a && code(c) <= b);
      return hit != it.negate;
    }
    case Item::Star: break;
  }
  return false;
}

}  // namespace like_model

// What Like(text, pattern) must answer.
inline bool likeModel(std::string_view text, std::string_view pattern) {
  using namespace like_model;
  const std::vector<std::string> t = chars(text);
  const std::vector<Item> p = items(pattern);
  // m[i][j]: the first i characters match the first j items.
  std::vector<std::vector<char>> m(t.size() + 1, std::vector<char>(p.size() + 1, 0));
  m[0][0] = 1;
  for (std::size_t i = 0; i <= t.size(); ++i)
    for (std::size_t j = 1; j <= p.size(); ++j) {
      if (p[j - 1].kind == Item::Star) m[i][j] = m[i][j - 1] || (i > 0 && m[i - 1][j]);
      else m[i][j] = i > 0 && m[i - 1][j - 1] && accepts(p[j - 1], t[i - 1]);
    }
  return m[t.size()][p.size()] != 0;
}

}  // namespace vb::testing
