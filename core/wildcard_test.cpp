#include "core/wildcard.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct SubstCase {
  const char* name;
  std::string text;
  std::string pattern;
  std::string replacement;
  bool ignoreCase;
  bool tag;
  bool flag;  // SubstWild: "?" is a wildcard; SubstAst: line mode
  std::string expected;
  int result;
};

std::string caseName(const testing::TestParamInfo<SubstCase>& info) { return info.param.name; }

void PrintTo(const SubstCase& c, std::ostream* os) { *os << c.name; }

class SubstWildTable : public testing::TestWithParam<SubstCase> {};

TEST_P(SubstWildTable, ReplacesAsExpected) {
  const SubstCase& c = GetParam();
  std::string text = c.text;
  const int r = core::SubstWild(text, c.pattern, c.replacement, c.ignoreCase, c.tag, c.flag);
  EXPECT_EQ(text, c.expected);
  EXPECT_EQ(r, c.result);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, SubstWildTable, testing::Values(
  SubstCase{"middle_question_three_words", "cat cot cut", "c?t", "dog", false, false, true, "dog dog dog", 1},
  SubstCase{"resumes_after_match", "abb", "?b", "R", false, false, true, "Rb", 1},
  SubstCase{"no_overlap", "aaaa", "a?a", "R", false, false, true, "Ra", 1},
  SubstCase{"tag_in_brackets", "cat cot", "c?t", "[<search-text>]", false, true, true, "[cat] [cot]", 1},
  SubstCase{"tag_keeps_input_case", "CAT cot", "c?t", "<search-text>!", true, true, true, "CAT! cot!", 1},
  SubstCase{"tag_in_any_case", "cat", "c?t", "(<Search-Text>)", false, true, true, "(cat)", 1},
  SubstCase{"tag_off_is_literal", "cat", "c?t", "<search-text>", false, false, true, "<search-text>", 1},
  SubstCase{"question_never_empty_at_end", "xab", "ab?", "R", false, false, true, "xab", 0},
  SubstCase{"question_at_start", "xab", "?ab", "R", false, false, true, "R", 1},
  SubstCase{"question_at_start_needs_a_char", "ab", "?ab", "R", false, false, true, "ab", 0},
  SubstCase{"question_at_both_ends", "-xaby-", "?ab?", "R", false, false, true, "-R-", 1},
  SubstCase{"leading_questions_after_match", "abab", "?b", "R", false, false, true, "RR", 1},
  SubstCase{"no_match_unchanged", "hello", "x?z", "R", false, false, true, "hello", 0},
  SubstCase{"empty_pattern", "hello", "", "R", false, false, true, "hello", 0},
  SubstCase{"empty_text", "", "?", "R", false, false, true, "", 0},
  SubstCase{"literal_question_without_flag", "a?b acb", "a?b", "R", false, false, false, "R acb", 1},
  SubstCase{"only_questions_in_runs", "abcde", "??", "R", false, false, true, "RRe", 1},
  SubstCase{"only_questions_utf8", "\xC3\xA9\xC3\xA9x", "??", "R", false, false, true, "Rx", 1},
  SubstCase{"question_is_one_utf8_char", "x\xC3\xA9z", "x?z", "R", false, false, true, "R", 1},
  SubstCase{"utf8_char_is_not_two", "x\xC3\xA9z", "x??z", "R", false, false, true, "x\xC3\xA9z", 0},
  SubstCase{"question_is_one_invalid_byte", "x\xE9z", "x?z", "R", false, false, true, "R", 1},
  SubstCase{"leading_question_takes_whole_char", "a\xC3\xA9" "b", "?b", "R", false, false, true, "aR", 1},
  SubstCase{"leading_question_4byte_char", "\xF0\x9F\x98\x80z", "??z", "R", false, false, true, "\xF0\x9F\x98\x80z", 0},
  SubstCase{"ignore_case_literal", "Hello HELLO hello", "hello", "R", true, false, false, "R R R", 1},
  SubstCase{"exact_case_literal", "Hello HELLO hello", "hello", "R", false, false, false, "Hello HELLO R", 1},
  SubstCase{"ignore_case_accented_utf8", "\xC3\x89" "cole", "\xC3\xA9" "cole", "R", true, false, false, "R", 1},
  SubstCase{"ignore_case_1252_byte", "\xC9" "cole", "\xE9" "cole", "R", true, false, false, "R", 1}
), caseName);
// clang-format on

class SubstAstTable : public testing::TestWithParam<SubstCase> {};

TEST_P(SubstAstTable, ReplacesAsExpected) {
  const SubstCase& c = GetParam();
  std::string text = c.text;
  const int r = core::SubstAst(text, c.pattern, c.replacement, c.ignoreCase, c.tag, c.flag);
  EXPECT_EQ(text, c.expected);
  EXPECT_EQ(r, c.result);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, SubstAstTable, testing::Values(
  SubstCase{"shortest_stretch", "axxbyyb", "a*b", "R", false, false, false, "Ryyb", 1},
  SubstCase{"two_stretches", "a1b a2b", "a*b", "R", false, false, false, "R R", 1},
  SubstCase{"double_star_is_single", "a1b a2b", "a**b", "R", false, false, false, "R R", 1},
  SubstCase{"three_parts", "a1b2c a3b", "a*b*c", "R", false, false, false, "R a3b", 1},
  SubstCase{"missing_part_unchanged", "a1 a2", "a*b", "R", false, false, false, "a1 a2", 0},
  SubstCase{"spans_lines_without_line_mode", "a\nb", "a*b", "R", false, false, false, "R", 1},
  SubstCase{"line_mode_never_spans", "a\nb", "a*b", "R", false, false, true, "a\nb", 0},
  SubstCase{"line_mode_later_line", "a x\na b", "a*b", "R", false, false, true, "a x\nR", 1},
  SubstCase{"leading_star_to_cursor", "xxab ab", "*b", "R", false, false, false, "RR", 1},
  SubstCase{"leading_star_line_start", "one two\nthree two\n", "*two", "R", false, false, true, "R\nR\n", 1},
  SubstCase{"leading_star_never_joins_lines", "ab\ncd", "*d", "R", false, false, true, "ab\nR", 1},
  SubstCase{"leading_star_same_line_twice", "ab b\nxb", "*b", "R", false, false, true, "RR\nR", 1},
  SubstCase{"leading_star_first_line_from_cursor", "xa1a2\n", "*a", "R", false, false, true, "RR2\n", 1},
  SubstCase{"leading_star_line_already_matched", "x\nab b", "*b", "R", false, false, true, "x\nR b", 1},
  SubstCase{"leading_star_rest_of_line_kept", "x\nab b\nb", "*b", "R", false, false, true, "x\nR b\nR", 1},
  SubstCase{"trailing_star_to_text_end", "xa1\nb", "a*", "R", false, false, false, "xR", 1},
  SubstCase{"trailing_star_to_line_end", "xa1\r\nya2\n", "a*", "R", false, false, true, "xR\r\nyR\n", 1},
  SubstCase{"stars_at_both_ends_line", "xx\nyay\nzz", "*a*", "R", false, false, true, "xx\nR\nzz", 1},
  SubstCase{"stars_at_both_ends_text", "xx\nyay\nzz", "*a*", "R", false, false, false, "R", 1},
  SubstCase{"only_star_whole_text", "ab\ncd", "*", "R", false, false, false, "R", 1},
  SubstCase{"only_stars_each_line", "ab\r\n\ncd", "**", "R", false, false, true, "R\r\n\nR", 1},
  SubstCase{"part_holding_line_break", "xa\nby", "a*\nb", "R", false, false, true, "xRy", 1},
  SubstCase{"no_star_literal", "abcabc", "bc", "R", false, false, false, "aRaR", 1},
  SubstCase{"question_is_literal", "a?c abc", "a?c", "R", false, false, false, "R abc", 1},
  SubstCase{"ignore_case_tag_keeps_case", "<A1> <b2>", "<a*>", "[<search-text>]", true, true, false, "[<A1>] <b2>", 1},
  SubstCase{"ignore_case_names", "Photo.JPG", ".jpg", ".png", true, false, false, "Photo.png", 1},
  SubstCase{"empty_pattern", "abc", "", "R", false, false, false, "abc", 0},
  SubstCase{"empty_text", "", "*", "R", false, false, true, "", 0}
), caseName);
// clang-format on

TEST(MatchWild, ComparesWindows) {
  EXPECT_EQ(core::matchWild("a?c", "abc", true), 1);
  EXPECT_EQ(core::matchWild("a?c", "ac", true), 0);
  EXPECT_EQ(core::matchWild("a?c", "abbc", true), 0);
  EXPECT_EQ(core::matchWild("abc", "a?c", true), 0);  // "?" in the candidate is a plain character
  EXPECT_EQ(core::matchWild("?", "\xC3\xA9", true), 1);
  EXPECT_EQ(core::matchWild("a?c", "abc", false), 0);
  EXPECT_EQ(core::matchWild("a?c", "a?c", false), 1);
}

// Many matches in one text give the same result as a plain replace-all built by hand.
TEST(SubstWild, ManyMatchesSameAsPlainLoop) {
  std::string text, expected;
  for (int i = 0; i < 1200; ++i) {
    text += "k" + std::to_string(i % 10) + "z-";
    expected += "<k" + std::to_string(i % 10) + "z>-";
  }
  EXPECT_EQ(core::SubstWild(text, "k?z", "<<search-text>>", false, true, true), 1);
  EXPECT_EQ(text, expected);
}

}  // namespace

namespace {

// Plain models of the two routines, quadratic but obviously right: SubstWild tries every
// character start in turn; SubstAst tries every occurrence of the first part in turn and places
// the others at their first occurrences. The fast routines must agree with them on random texts.
std::size_t modelCharLen(const std::string& s, std::size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  if (b == 0xC3 && i + 1 < s.size() && (static_cast<unsigned char>(s[i + 1]) & 0xC0) == 0x80) return 2;
  return 1;
}

std::size_t modelWildAt(const std::string& t, const std::string& p, std::size_t i) {
  for (char pc : p) {
    if (i >= t.size()) return std::string::npos;
    if (pc == '?') {
      i += modelCharLen(t, i);
    } else if (t[i++] != pc) {
      return std::string::npos;
    }
  }
  return i;
}

// A pattern without "?" is a plain byte string and may match anywhere.
std::string modelWild(const std::string& t, const std::string& p, const std::string& r) {
  const bool byChar = p.find('?') != std::string::npos;
  std::string out;
  for (std::size_t i = 0; i < t.size();) {
    const std::size_t e = modelWildAt(t, p, i);
    if (e != std::string::npos) {
      out += r;
      i = e;
    } else {
      const std::size_t n = byChar ? modelCharLen(t, i) : 1;
      out += t.substr(i, n);
      i += n;
    }
  }
  return out;
}

std::string modelAst(const std::string& t, const std::string& pat, const std::string& r, bool line) {
  std::vector<std::string> parts;
  std::string cur;
  for (char ch : pat) {
    if (ch == '*') {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur += ch;
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  const bool lead = pat.front() == '*', trail = pat.back() == '*';
  std::string out;
  std::size_t c = 0;
  for (std::size_t p1 = t.find(parts[0]); p1 != std::string::npos; p1 = t.find(parts[0], p1 + 1)) {
    if (p1 < c) continue;
    std::size_t e = p1 + parts[0].size();
    bool ok = true;
    for (std::size_t i = 1; i < parts.size() && ok; ++i) {
      const std::size_t q = t.find(parts[i], e);
      if (q == std::string::npos || (line && t.substr(e, q - e).find('\n') != std::string::npos)) ok = false;
      else e = q + parts[i].size();
    }
    if (!ok) continue;
    std::size_t start = p1;
    if (lead) {
      start = c;
      const std::size_t lf = line && p1 > 0 ? t.rfind('\n', p1 - 1) : std::string::npos;
      if (lf != std::string::npos && lf + 1 >= c) start = lf + 1;
      if (lf != std::string::npos && lf + 1 < c) {
        // The line began before the cursor: kept as it stands up to and including its break.
        const std::size_t next = t.find('\n', c);
        const std::size_t to = next == std::string::npos ? t.size() : next + 1;
        out += t.substr(c, to - c);
        c = to;
        p1 = to == 0 ? 0 : to - 1;
        continue;
      }
    }
    std::size_t end = e;
    if (trail) {
      end = line ? std::min(t.find('\n', e), t.size()) : t.size();
      if (line && end > e && end < t.size() && t[end - 1] == '\r') --end;
    }
    out += t.substr(c, start - c) + r;
    c = end;
    p1 = end == 0 ? 0 : end - 1;
  }
  return out + t.substr(c);
}

TEST(Wildcard, AgreesWithPlainModelsOnRandomTexts) {
  unsigned seed = 12345;
  const auto next = [&] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7FFF;
  };
  const std::vector<std::string> atoms = {"a", "b", "a", "b", "x", "\n", "\r\n", "\xC3\xA9", "\xC3"};
  for (int round = 0; round < 3000; ++round) {
    std::string text, wild, ast;
    for (unsigned i = next() % 24; i > 0; --i) text += atoms[next() % atoms.size()];
    for (unsigned i = 1 + next() % 4; i > 0; --i) wild += "ab??\xA9"[next() % 5];
    for (unsigned i = 1 + next() % 5; i > 0; --i) ast += "ab*\n"[next() % 4];
    if (ast.find_first_not_of('*') == std::string::npos) ast = "a";

    std::string got = text;
    const int r = core::SubstWild(got, wild, "R", false, false, true);
    const std::string want = modelWild(text, wild, "R");
    EXPECT_EQ(got, want) << "SubstWild text=" << testing::PrintToString(text) << " pattern=" << wild;
    EXPECT_EQ(r, modelWild(text, wild, "\x01") != text ? 1 : 0) << "result for " << wild;

    for (bool line : {false, true}) {
      got = text;
      core::SubstAst(got, ast, "R", false, false, line);
      EXPECT_EQ(got, text.empty() ? text : modelAst(text, ast, "R", line))
          << "SubstAst line=" << line << " text=" << testing::PrintToString(text)
          << " pattern=" << testing::PrintToString(ast);
    }
  }
}

}  // namespace
