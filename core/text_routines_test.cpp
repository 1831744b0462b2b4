#include "core/text_routines.h"

#include <gtest/gtest.h>

#include <limits>

namespace core {
namespace {

struct RemDupCase {
  const char* name;
  const char* list;
  const char* sep;
  bool matchCase;
  const char* expected;
};

class RemDupTest : public ::testing::TestWithParam<RemDupCase> {};

TEST_P(RemDupTest, Removes) {
  const auto& c = GetParam();
  EXPECT_EQ(RemDup(c.list, c.sep, c.matchCase), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RemDupTest,
    ::testing::Values(
        RemDupCase{"CharLastOccurrenceSurvives", "abca", "", true, "bca"},
        RemDupCase{"CharWithoutCaseLowers", "AbA", "", false, "ba"},
        RemDupCase{"CharKeepsUtf8Whole", "\xC3\xA9x\xC3\xA9", "", true, "x\xC3\xA9"},
        RemDupCase{"WordsFirstKept", "one two one three", " ", true, "one two three"},
        RemDupCase{"WordsCaseFolded", "Word word", " ", false, "word"},
        RemDupCase{"WordsCaseKept", "Word word", " ", true, "Word word"},
        RemDupCase{"EmptyItemsDropped", "  a  b a ", " ", true, "a b"},
        // Any separator removes repeats, not only a blank.
        RemDupCase{"OtherSeparator", "a;b;a;c", ";", true, "a;b;c"},
        RemDupCase{"ItemsWithBlanks", "x y;z;x y", ";", true, "x y;z"},
        RemDupCase{"Empty", "", " ", true, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextRoutines, ReverseKeepsCharactersWhole) {
  EXPECT_EQ(Reverse(""), "");
  EXPECT_EQ(Reverse("abc"), "cba");
  EXPECT_EQ(Reverse("a\xC3\xA9z"), "z\xC3\xA9" "a");
  // A byte that is not part of a valid sequence is one character.
  EXPECT_EQ(Reverse("a\xE9z"), "z\xE9" "a");
}

TEST(TextRoutines, FilterTxtEmptySetMeansDigitsAndIsReturned) {
  std::string set;
  EXPECT_EQ(FilterTxt("a1b22c", set), "122");
  EXPECT_EQ(set, "0123456789");
  EXPECT_EQ(FilterTxt("abc", std::string_view{}), "");
  EXPECT_EQ(FilterTxt("h\xC3\xA9llo w\xC3\xB6rld", std::string_view("l\xC3\xB6")), "ll\xC3\xB6l");
}

TEST(TextRoutines, RoundUpAwayFromZero) {
  EXPECT_EQ(RoundUp(2.1), 3);
  EXPECT_EQ(RoundUp(2), 2);
  EXPECT_EQ(RoundUp(-2.1), -3);
  EXPECT_EQ(RoundUp(0), 0);
  EXPECT_EQ(RoundUp(15001.0 / 15000.0), 2);
  EXPECT_EQ(RoundUp(1), 1);
  EXPECT_EQ(RoundUp(1e12), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(RoundUp(std::numeric_limits<double>::quiet_NaN()), 0);
}

}  // namespace
}  // namespace core
