#include "main_window/name_pattern.h"

#include "main_window/name_pattern_model.h"

#include <gtest/gtest.h>

namespace mainwin {
namespace {

struct MatchCase {
  const char* label;
  const char* pattern;
  bool fold;
  const char* name;
  bool expected;
};

class NamePatternTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(NamePatternTest, Matches) {
  const MatchCase& c = GetParam();
  EXPECT_EQ(NamePattern(c.pattern, c.fold).matches(c.name), c.expected)
      << "pattern " << c.pattern << " name " << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, NamePatternTest,
    ::testing::Values(
        MatchCase{"IncludeWithExcludeKeeps", "*.txt;<-a*", true, "b.txt", true},
        MatchCase{"IncludeWithExcludeDrops", "*.txt;<-a*", true, "a.txt", false},
        MatchCase{"IncludeWithExcludeOtherExt", "*.txt;<-a*", true, "b.doc", false},
        MatchCase{"ExcludeAloneDrops", "<-*.bak", true, "x.bak", false},
        MatchCase{"ExcludeAloneKeepsRest", "<-*.bak", true, "x.txt", true},
        MatchCase{"BracketsLiteral", "file[1].txt", true, "file[1].txt", true},
        MatchCase{"BracketsNoClass", "file[1].txt", true, "file1.txt", false},
        MatchCase{"DigitWildcardTwo", "img\\d\\d.png", true, "img07.png", true},
        MatchCase{"DigitWildcardNotLetter", "img\\d\\d.png", true, "img7a.png", false},
        MatchCase{"CaseSensitiveMisses", "*.TXT", false, "a.txt", false},
        MatchCase{"CaseFoldedHits", "*.TXT", true, "a.txt", true},
        MatchCase{"FoldNonAscii", "*é*", true, "CAFÉ.txt", true},
        MatchCase{"HashLiteral", "a#b", true, "a#b", true},
        MatchCase{"HashNotColon", "a#b", true, "a:b", false},
        MatchCase{"HashNotDigit", "a#b", true, "a1b", false},
        MatchCase{"CloseBracketNotBackslash", "a]b", true, "a\\b", false},
        MatchCase{"QuestionOneUtf8Char", "a?c", true, "aéc", true},
        MatchCase{"QuestionNeedsAChar", "a?c", true, "ac", false},
        MatchCase{"StarBacktracks", "*ab", true, "aab", true},
        MatchCase{"StarsInside", "a*b*c", true, "aXbYc", true},
        MatchCase{"StarsInsideMiss", "a*b*c", true, "abcb", false},
        MatchCase{"StarEmptyName", "*", true, "x", true},
        MatchCase{"EmptyEntryMatchesNothing", "a;;b", true, "b", true},
        MatchCase{"EmptyEntryNoWidening", "a;;b", true, "c", false},
        MatchCase{"TrailingSeparatorDropped", "a.txt;", true, "b", false},
        MatchCase{"LoneArrowIsInclude", "<-", true, "<-", true},
        MatchCase{"LoneArrowNotAll", "<-", true, "x", false},
        MatchCase{"OnlyExcludesKeepOthers", "<-a;<-b", true, "c", true},
        MatchCase{"UpperBackslashDNotWildcard", "\\D", true, "5", false},
        MatchCase{"UpperBackslashDLiteral", "\\D", true, "\\d", true},
        MatchCase{"SemicolonNameUnreachable", "a;b", true, "a;b", false},
        MatchCase{"LiteralFoldedLookup", "ReadMe.TXT", true, "README.txt", true},
        MatchCase{"LiteralExactCase", "ReadMe.TXT", false, "README.txt", false}),
    [](const auto& info) { return std::string(info.param.label); });

// A selection pattern of 8,999 characters is ~900 literal names; it must still tell a selected
// name from its near neighbours.
TEST(NamePatternLong, ManyLiteralsAndWildcards) {
  std::string pattern;
  for (int i = 0; i < 900; ++i) pattern += "file" + std::to_string(i) + ".txt;";
  pattern += "img\\d.png";
  const NamePattern p(pattern, true);
  EXPECT_TRUE(p.matches("FILE899.TXT"));
  EXPECT_FALSE(p.matches("file900.txt"));
  EXPECT_TRUE(p.matches("img5.png"));
  EXPECT_FALSE(p.matches("img55.png"));
}

TEST(NamePatternEntry, InvalidUtf8NameStillMatchesByteWise) {
  EXPECT_TRUE(matchPatternEntry("a\xff" "b", "a?b"));
  EXPECT_TRUE(matchPatternEntry("a\xff" "b", "*b"));
  EXPECT_FALSE(matchPatternEntry("a\xff\xfe" "b", "a?b"));
  // The first "*" taking the lone byte puts the literal inside the sequence DB A5, where the
  // second "*" can stop before A5: only a matcher that tries earlier stars finds it.
  EXPECT_TRUE(matchPatternEntry("\xDB\xDB\xA5", "*\xDB*\xA5"));
  EXPECT_TRUE(NamePattern("*\xDB*\xA5", false).matches("\xDB\xDB\xA5"));
  EXPECT_FALSE(matchPatternEntry("\xE2\x82\xAC", "*??"));  // one character, however split
}

// Every name of up to four bytes from a lone lead byte, a continuation byte (together one
// character), a letter and a digit, against every entry of up to four items: the faults lie in
// how literals, "?" and "*" meet inside such sequences.
TEST(NamePatternEntry, AgreesWithTheRulesOnEveryShortName) {
  const auto every = [](const std::vector<std::string>& pieces, std::size_t maxLen) {
    std::vector<std::string> out{""};
    for (std::size_t from = 0, len = 1; len <= maxLen; ++len) {
      const std::size_t to = out.size();
      for (std::size_t i = from; i < to; ++i)
        for (const std::string& p : pieces) out.push_back(out[i] + p);
      from = to;
    }
    return out;
  };
  const std::vector<std::string> names = every({"a", "1", "\xC3", "\xA9"}, 4);
  const std::vector<std::string> entries = every({"*", "?", "\\d", "a", "\xC3", "\xA9"}, 4);
  for (const std::string& entry : entries) {
    const NamePattern pattern(entry, false);
    for (const std::string& name : names) {
      const bool want = mainwin::testing::patternEntryModel(name, entry);
      ASSERT_EQ(matchPatternEntry(name, entry), want) << "name \"" << name << "\" entry \"" << entry << "\"";
      ASSERT_EQ(pattern.matches(name), want) << "name \"" << name << "\" entry \"" << entry << "\"";
    }
  }
}

}  // namespace
}  // namespace mainwin
