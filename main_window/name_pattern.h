// The name pattern of the filter panel (`myPattern`): entries separated by ";", an entry longer
// than two characters that begins with "<-" excludes, "*" matches any run of characters, "?" one
// character, "\d" one digit 0-9; every other character (including "[", "]" and "#") matches
// itself. Not a glob or regular expression: "[" never opens a class.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace mainwin {

class NamePattern {
 public:
  // Compiles `pattern`. With `foldCase` both the pattern and the names are compared in lower
  // case (vb::LCase, byte positions kept). An empty text between two ";" is an entry that
  // matches nothing; an empty last entry is dropped. A lone "<-" is an include entry.
  NamePattern(std::string_view pattern, bool foldCase);

  // True when `name` matches at least one include entry (or there are none) and no exclude
  // entry. "?" takes one character and "*" any run of characters, a character being the valid
  // UTF-8 sequence that starts where the match stands, else one byte; literal bytes compare as
  // bytes. Any way of matching counts, also with bytes that are not UTF-8.
  [[nodiscard]] bool matches(std::string_view name) const;

  [[nodiscard]] bool foldCase() const { return fold_; }

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  struct WildEntry {
    std::string compiled;
    bool utf8 = true;  // the entry is valid UTF-8 (selects the faster matcher)
  };
  struct Set {
    std::unordered_set<std::string, Hash, std::equal_to<>> literals;  // entries without wildcards: one lookup
    std::vector<WildEntry> wild;               // compiled wildcard entries
    bool any = false;                          // the set holds at least one entry
    [[nodiscard]] bool matches(std::string_view name) const;
  };
  static void add(Set& set, std::string_view entry);

  Set include_, exclude_;
  bool fold_ = true;
};

// Wildcard match of one entry (the syntax above, no ";" and no "<-" handling) against a name,
// case-sensitive. For tests and for callers that check a single entry.
[[nodiscard]] bool matchPatternEntry(std::string_view name, std::string_view entry);

}  // namespace mainwin
