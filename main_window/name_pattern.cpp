#include "main_window/name_pattern.h"

#include "core/vb.h"

#include <vector>

namespace mainwin {

namespace {

// Compiled entries are byte strings; names never hold NUL, so NUL introduces a wildcard:
// "\0*" any run, "\0?" one character, "\0d" one digit, "\0\0" a NUL of the pattern (never
// matches).
constexpr char kMark = '\0';

// True when every byte of s belongs to a valid UTF-8 sequence (plain ASCII included).
bool isUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      ++i;
      continue;
    }
    const std::size_t n = vb::Utf8SeqLen(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

// Compiled entry against a name: greedy match with one backtrack point per "*", linear in
// practice and quadratic at worst. Exact only when every item moves along the same row of
// characters, which holds when name and entry are both valid UTF-8: a literal then always starts
// and ends where a character does. (Otherwise a literal byte may end inside a sequence, and an
// earlier "*" taking more can put a later one on positions the last one cannot reach.)
bool greedyMatch(std::string_view s, std::string_view p) {
  std::size_t si = 0, pi = 0, starP = std::string_view::npos, starS = 0;
  while (si < s.size()) {
    if (pi < p.size()) {
      if (p[pi] == kMark) {
        const char k = p[pi + 1];
        if (k == '*') {
          starP = pi + 2;
          starS = si;
          pi += 2;
          continue;
        }
        if (k == '?') {
          si += vb::CharLen(s, si);
          pi += 2;
          continue;
        }
        if (k == 'd' && s[si] >= '0' && s[si] <= '9') {
          ++si;
          pi += 2;
          continue;
        }
      } else if (p[pi] == s[si]) {
        ++si;
        ++pi;
        continue;
      }
    }
    if (starP == std::string_view::npos) return false;
    starS += vb::CharLen(s, starS);
    si = starS;
    pi = starP;
  }
  while (pi + 1 < p.size() && p[pi] == kMark && p[pi + 1] == '*') pi += 2;
  return pi == p.size();
}

// Compiled entry against any name: every (name position, pattern position) pair that can be
// reached, walked in name order. A step moves at most 4 bytes on, so five rows of pattern
// positions suffice. Time name bytes x entry bytes at most; it stops once nothing is reachable.
bool exhaustiveMatch(std::string_view s, std::string_view p) {
  constexpr std::size_t kRows = 5;
  const std::size_t n = s.size(), m = p.size();
  std::vector<char> rows(kRows * (m + 1), 0);
  std::size_t live = 0;  // pairs marked and not yet visited
  const auto mark = [&](std::size_t i, std::size_t pi) {
    char& cell = rows[(i % kRows) * (m + 1) + pi];
    if (!cell) ++live;
    cell = 1;
  };
  mark(0, 0);
  for (std::size_t i = 0; i <= n && live > 0; ++i) {
    const std::size_t step = i < n ? vb::CharLen(s, i) : 0;
    char* row = &rows[(i % kRows) * (m + 1)];
    // Ascending, so that a "*" matching nothing (same position, later item) is seen in this pass.
    for (std::size_t pi = 0; pi <= m; ++pi) {
      if (!row[pi]) continue;
      row[pi] = 0;
      --live;
      if (pi == m) {
        if (i == n) return true;
        continue;
      }
      if (p[pi] != kMark) {
        if (i < n && p[pi] == s[i]) mark(i + 1, pi + 1);
        continue;
      }
      const char k = p[pi + 1];
      if (k == '*') {
        mark(i, pi + 2);
        if (i < n) mark(i + step, pi);
      } else if (k == '?') {
        if (i < n) mark(i + step, pi + 2);
      } else if (k == 'd') {
        if (i < n && s[i] >= '0' && s[i] <= '9') mark(i + 1, pi + 2);
      }
    }
  }
  return false;
}

bool wildMatch(std::string_view s, std::string_view p, bool bothUtf8) {
  return bothUtf8 ? greedyMatch(s, p) : exhaustiveMatch(s, p);
}

// Compiles `entry` (already case-folded when folding) using `original` (same length, not
// folded) to recognise "\d", so that "\D" stays literal text in either case mode.
// Returns true when the entry holds a wildcard.
bool compile(std::string_view entry, std::string_view original, std::string& out) {
  bool wild = false;
  out.clear();
  out.reserve(entry.size());
  for (std::size_t i = 0; i < entry.size(); ++i) {
    const char c = original[i];
    if (c == '*' || c == '?') {
      out += kMark;
      out += c;
      wild = true;
    } else if (c == '\\' && i + 1 < entry.size() && original[i + 1] == 'd') {
      out += kMark;
      out += 'd';
      ++i;
      wild = true;
    } else if (c == kMark) {
      out += kMark;
      out += kMark;
      wild = true;
    } else {
      out += entry[i];
    }
  }
  return wild;
}

}  // namespace

bool matchPatternEntry(std::string_view name, std::string_view entry) {
  std::string compiled;
  compile(entry, entry, compiled);
  return wildMatch(name, compiled, isUtf8(entry) && isUtf8(name));
}

NamePattern::NamePattern(std::string_view pattern, bool foldCase) : fold_(foldCase) {
  const std::string folded = foldCase ? vb::LCase(pattern) : std::string(pattern);
  std::size_t start = 0;
  while (start <= pattern.size()) {
    std::size_t end = pattern.find(';', start);
    const bool last = end == std::string_view::npos;
    if (last) end = pattern.size();
    const std::string_view original = pattern.substr(start, end - start);
    const std::string_view entry = std::string_view(folded).substr(start, end - start);
    if (last && original.empty() && start > 0) break;  // an empty last entry is dropped
    std::string compiled;
    const bool isExclude = original.size() > 2 && original.substr(0, 2) == "<-";
    Set& set = isExclude ? exclude_ : include_;
    const std::size_t skip = isExclude ? 2 : 0;
    if (compile(entry.substr(skip), original.substr(skip), compiled))
      set.wild.push_back({std::move(compiled), isUtf8(entry.substr(skip))});
    else
      set.literals.insert(std::move(compiled));
    set.any = true;
    if (last) break;
    start = end + 1;
  }
}

bool NamePattern::Set::matches(std::string_view name) const {
  if (!literals.empty() && literals.find(name) != literals.end()) return true;
  if (wild.empty()) return false;
  const bool nameUtf8 = isUtf8(name);
  for (const WildEntry& w : wild)
    if (wildMatch(name, w.compiled, w.utf8 && nameUtf8)) return true;
  return false;
}

bool NamePattern::matches(std::string_view name) const {
  std::string foldedName;
  if (fold_) {
    foldedName = vb::LCase(name);
    name = foldedName;
  }
  if (include_.any && !include_.matches(name)) return false;
  return !(exclude_.any && exclude_.matches(name));
}

}  // namespace mainwin
