// Wildcard substitution against the rules stated plainly: SubstWild ("?" one character) and
// SubstAst ("*" any run, also line by line), with and without case folding and the tag.
#include <string>
#include <vector>

#include "core/vb.h"
#include "core/wildcard.h"
#include "fuzz/fuzz_support.h"

namespace {

constexpr std::size_t npos = std::string::npos;

// The replacement for one match: each "<search-text>" (any letter case) becomes the match.
std::string replacementFor(std::string_view replacement, bool tag, std::string_view matched) {
  if (!tag) return std::string(replacement);
  const std::string folded = vb::LCase(replacement);
  std::string out;
  std::size_t from = 0;
  for (std::size_t p; (p = folded.find(core::kSearchTextTag, from)) != npos;
       from = p + core::kSearchTextTag.size()) {
    out.append(replacement.substr(from, p - from));
    out.append(matched);
  }
  out.append(replacement.substr(from));
  return out;
}

// Replaces the chosen (start, end) ranges, which are in order and do not overlap.
int rebuild(std::string& text, const std::vector<std::pair<std::size_t, std::size_t>>& matches,
            std::string_view replacement, bool tag) {
  if (matches.empty()) return 0;
  std::string out;
  std::size_t cursor = 0;
  for (const auto& [s, e] : matches) {
    out.append(text, cursor, s - cursor);
    out += replacementFor(replacement, tag, std::string_view(text).substr(s, e - s));
    cursor = e;
  }
  out.append(text, cursor, npos);
  text = std::move(out);
  return 1;
}

// SubstWild: from the cursor on, try each start (each character start when the pattern has a
// "?", else each byte); a match moves the cursor past it.
int substWildModel(std::string& text, std::string_view pattern, std::string_view replacement, bool ignoreCase,
                   bool tag, bool wildcard) {
  if (text.empty() || pattern.empty()) return 0;
  const std::string fold = ignoreCase ? vb::LCase(text) : text;
  const std::string pat = ignoreCase ? vb::LCase(pattern) : std::string(pattern);
  const bool question = wildcard && pat.find('?') != npos;
  const auto matchAt = [&](std::size_t i) -> std::size_t {
    for (const char c : pat) {
      if (i >= text.size()) return npos;
      if (question && c == '?') {
        i += vb::CharLen(text, i);
      } else {
        if (fold[i] != c) return npos;
        ++i;
      }
    }
    return i;
  };
  std::vector<std::pair<std::size_t, std::size_t>> matches;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t e = matchAt(i);
    if (e != npos) {
      matches.emplace_back(i, e);
      i = e;
    } else {
      i += question ? vb::CharLen(text, i) : 1;
    }
  }
  return rebuild(text, matches, replacement, tag);
}

// SubstAst: from the cursor on, the first occurrence of the first part, then of each next part
// after the one before (with `line`, on the same line); a leading "*" reaches back to the cursor
// (with `line`, to the line start), a trailing one to the end of the text (or of the line).
int substAstModel(std::string& text, std::string_view pattern, std::string_view replacement, bool ignoreCase,
                  bool tag, bool line) {
  if (text.empty() || pattern.empty()) return 0;
  const std::string fold = ignoreCase ? vb::LCase(text) : text;
  const std::string pat = ignoreCase ? vb::LCase(pattern) : std::string(pattern);
  const std::size_t n = text.size();
  std::vector<std::string> parts;
  for (const std::string& p : vb::Split(pat, "*"))
    if (!p.empty()) parts.push_back(p);
  const auto lineEnd = [&](std::size_t x) {  // before the LF, or before the CR of a CR LF
    std::size_t lf = fold.find('\n', x);
    if (lf == npos) return n;
    return lf > x && text[lf - 1] == '\r' ? lf - 1 : lf;
  };
  std::vector<std::pair<std::size_t, std::size_t>> matches;
  if (parts.empty()) {
    if (!line) return rebuild(text, {{0, n}}, replacement, tag);
    for (std::size_t start = 0; start < n;) {
      const std::size_t end = lineEnd(start);
      if (end > start) matches.emplace_back(start, end);
      const std::size_t lf = fold.find('\n', end);
      if (lf == npos) break;
      start = lf + 1;
    }
    return rebuild(text, matches, replacement, tag);
  }
  std::size_t cursor = 0;
  for (std::size_t s = 0;;) {
    const std::size_t first = fold.find(parts[0], s);
    if (first == npos) break;
    std::size_t e = first + parts[0].size();
    bool missing = false, crosses = false;
    for (std::size_t i = 1; i < parts.size() && !missing && !crosses; ++i) {
      const std::size_t q = fold.find(parts[i], e);
      if (q == npos)
        missing = true;
      else if (line && fold.substr(e, q - e).find('\n') != npos)
        crosses = true;
      else
        e = q + parts[i].size();
    }
    if (missing) break;
    if (crosses) {
      s = first + 1;
      continue;
    }
    std::size_t start = first;
    if (pat.front() == '*') {
      start = cursor;
      // With `line`: back to the start of the line holding the first part (a break just before
      // the cursor starts a line at it); on the first line to the cursor; a later line that a
      // match already ended in is left as it stands.
      const std::size_t from = cursor > 0 ? cursor - 1 : 0;
      const std::size_t lf = line ? fold.substr(from, first - from).rfind('\n') : npos;
      if (lf != npos) {
        start = from + lf + 1;
      } else if (line && fold.substr(0, cursor).find('\n') != npos) {
        const std::size_t next = fold.find('\n', cursor);
        cursor = s = next == npos ? n : next + 1;
        if (s >= n) break;
        continue;
      }
    }
    const std::size_t end = pat.back() == '*' ? (line ? lineEnd(e) : n) : e;
    matches.emplace_back(start, end);
    cursor = s = end;
  }
  return rebuild(text, matches, replacement, tag);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::Input in(data, size);
  const std::uint8_t options = in.byte();
  const bool ignoreCase = options & 1, tag = options & 2, flag = options & 4;
  const std::string pattern(in.piece()), replacement(in.piece());
  const std::string text(in.rest());

  std::string got = text, want = text;
  const int r = core::SubstWild(got, pattern, replacement, ignoreCase, tag, flag);
  fuzzing::check(r == substWildModel(want, pattern, replacement, ignoreCase, tag, flag) && got == want,
                 "SubstWild differs from the rules");
  got = want = text;
  const int a = core::SubstAst(got, pattern, replacement, ignoreCase, tag, flag);
  fuzzing::check(a == substAstModel(want, pattern, replacement, ignoreCase, tag, flag) && got == want,
                 "SubstAst differs from the rules");
  return 0;
}
