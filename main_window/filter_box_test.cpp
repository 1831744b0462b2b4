#include "main_window/filter_box.h"

#include <gtest/gtest.h>

namespace mainwin {
namespace {

struct EditCase {
  const char* label;
  const char* text;
  long caret;
  const char* pattern;
  const char* box;
  long newCaret;
};

class CleanExtensionTextTest : public ::testing::TestWithParam<EditCase> {};

TEST_P(CleanExtensionTextTest, Cleans) {
  const EditCase& c = GetParam();
  const ExtensionEdit e = cleanExtensionText(c.text, c.caret);
  EXPECT_EQ(e.pattern, c.pattern);
  EXPECT_EQ(e.boxText, c.box);
  EXPECT_EQ(e.caret, c.newCaret);
  EXPECT_FALSE(e.refused);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CleanExtensionTextTest,
    ::testing::Values(
        EditCase{"ColonVanishesCaretStays", "a:b", 2, "ab", "ab", 1},
        EditCase{"AllStrippedChars", "<a>/|:\"b", 8, "<ab", "<ab", 3},
        EditCase{"DoubleSeparatorCollapses", "*.txt;;", 7, "*.txt", "*.txt;", 6},
        EditCase{"TrailingSeparatorNotInPattern", "*.txt;", -1, "*.txt", "*.txt;", -1},
        EditCase{"EmptyBecomesStar", "", 0, "*", "*", 0},
        EditCase{"OnlySeparator", ";", 1, "*", "*;", 1},
        EditCase{"BackslashKeptWhileTyping", "img\\d", -1, "img\\d", "img\\d", -1},
        EditCase{"HashAndBracketsKept", "a#[1]", -1, "a#[1]", "a#[1]", -1}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(CleanExtensionText, LongPatternsStayInEffectUntilTheLimit) {
  const std::string p300(300, 'x');
  EXPECT_EQ(cleanExtensionText(p300).pattern, p300);
  EXPECT_FALSE(cleanExtensionText(p300).refused);
  EXPECT_FALSE(cleanExtensionText(std::string(8999, 'x')).refused);
  EXPECT_TRUE(cleanExtensionText(std::string(9000, 'x')).refused);
}

struct LeaveCase {
  const char* label;
  const char* text;
  const char* expected;
};

class LeaveTest : public ::testing::TestWithParam<LeaveCase> {};

TEST_P(LeaveTest, Strips) {
  EXPECT_EQ(extensionTextOnLeave(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LeaveTest,
    ::testing::Values(LeaveCase{"TwoDigitsLoneBackslashAndSeparator", "a\\d\\d\\x;", "a\\d\\dx"},
                      LeaveCase{"OneDigitAndSeparator", "img\\d;", "img\\d"},
                      LeaveCase{"UpperDIsNotTheWildcard", "a\\D", "aD"},
                      LeaveCase{"TrailingBackslash", "abc\\", "abc"},
                      LeaveCase{"Unchanged", "*.txt", "*.txt"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(CleanSizeText, KeepsDigitsAndDots) {
  EXPECT_EQ(cleanSizeText("1a2.5kb"), "12.5");
  EXPECT_EQ(cleanSizeText(""), "0");
  EXPECT_EQ(cleanSizeText("abc"), "0");
}

TEST(AddToHistory, NewestFirstTenAtMostNoDuplicates) {
  std::vector<std::string> h;
  for (int i = 1; i <= 11; ++i) EXPECT_TRUE(addToHistory(h, "p" + std::to_string(i)));
  ASSERT_EQ(h.size(), 10u);
  EXPECT_EQ(h.front(), "p11");
  EXPECT_EQ(h.back(), "p2");  // the oldest was dropped
  EXPECT_TRUE(addToHistory(h, "p5"));
  EXPECT_EQ(h.front(), "p5");
  EXPECT_EQ(h.size(), 10u);
  EXPECT_TRUE(addToHistory(h, "P5"));  // case-sensitive: a new entry
  EXPECT_EQ(h[1], "p5");
  EXPECT_FALSE(addToHistory(h, std::string(255, 'x')));
  EXPECT_TRUE(addToHistory(h, std::string(254, 'x')));
}

}  // namespace
}  // namespace mainwin
