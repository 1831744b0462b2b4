// Preparing an extraction: the length bounds, the checks that refuse a pattern before the run, the
// valid characters as shown and as compared, and the common words.
#include "tools/text/extract_setup.h"
#include "tools/text/run_report_test_support.h"

#include <gtest/gtest.h>

namespace tools::text {
namespace {

const core::MessageTable kMsg = testing::messages(30, {});

struct BoundsRow {
  const char* name;
  LengthLimit min, max;
  int lower, upper;
};

class Bounds : public ::testing::TestWithParam<BoundsRow> {};

TEST_P(Bounds, KeepWordsStrictlyBetween) {
  const BoundsRow& r = GetParam();
  const LengthBounds b = lengthBounds(r.min, r.max);
  EXPECT_EQ(b.lower, r.lower);
  EXPECT_EQ(b.upper, r.upper);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, Bounds,
    ::testing::Values(BoundsRow{"five_to_fortyfive", {true, "5"}, {true, "45"}, 4, 46},
                      BoundsRow{"both_off", {false, "5"}, {false, "45"}, 0, 32000},
                      BoundsRow{"max_zero_means_no_limit", {false, ""}, {true, "0"}, 0, 32000},
                      BoundsRow{"min_zero", {true, "0"}, {false, ""}, 0, 32000},
                      BoundsRow{"min_above_max", {true, "50"}, {true, "10"}, 10, 11},
                      // Numbers past a 16-bit count are clamped, never wrapped.
                      BoundsRow{"min_overflows", {true, "99999"}, {false, ""}, 31999, 32000},
                      BoundsRow{"max_overflows", {false, ""}, {true, "4294967297"}, 0, 32768},
                      BoundsRow{"both_overflow", {true, "70000"}, {true, "70000"}, 32766, 32768}),
    [](const auto& info) { return std::string(info.param.name); });

struct PatternRow {
  const char* name;
  ExtractOptions options;
  const char* refusal;  // "" when the run may start
  const char* title;
};

ExtractOptions withPattern(std::string pattern, std::string valid = {}, bool space = false, bool sens = false) {
  return {.validChars = std::move(valid), .usePattern = true, .pattern = std::move(pattern), .caseSensitive = sens,
          .spaceValid = space};
}

class PatternChecks : public ::testing::TestWithParam<PatternRow> {};

TEST_P(PatternChecks, RefuseBeforeTheRun) {
  const PatternRow& r = GetParam();
  const ExtractPlan plan = prepareExtract(r.options, kMsg);
  if (std::string(r.refusal).empty()) {
    EXPECT_FALSE(plan.refusal) << plan.refusal->text;
    return;
  }
  ASSERT_TRUE(plan.refusal);
  EXPECT_EQ(plan.refusal->text, r.refusal);
  EXPECT_EQ(plan.refusal->title, r.title);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, PatternChecks,
    ::testing::Values(
        PatternRow{"empty", withPattern(""), "[11]", "N"},
        PatternRow{"unticked_means_star", {.usePattern = false, .pattern = ""}, "", ""},
        PatternRow{"default_email", withPattern("?*@?*.?*"), "", ""},
        PatternRow{"blank_without_space", withPattern("a b*"), "[22]", "E"},
        PatternRow{"blank_with_space", withPattern("a b*", "", true), "", ""},
        PatternRow{"outside_the_set", withPattern("*%x", "abcx"), "[23]: \"%\"", "E"},
        PatternRow{"utf8_outside_the_set", withPattern("*é", "abc"), "[23]: \"é\"", "E"},
        PatternRow{"utf8_in_the_set", withPattern("*é", "abcé"), "", ""},
        // Compared in lower case, so upper-case letters of the pattern find their lower forms.
        PatternRow{"upper_case_insensitive", withPattern("A*", "abc"), "", ""},
        PatternRow{"upper_case_sensitive", withPattern("A*", "abc", false, true), "[23]: \"A\"", "E"},
        PatternRow{"unclosed_list", withPattern("[ab"), "[27]", "E"},
        PatternRow{"backward_range", withPattern("[z-a]*"), "[27]", "E"},
        PatternRow{"lists_and_ranges", withPattern("[!a-c]#?*[x]"), "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WellFormedPattern, BracketsAndRanges) {
  for (const char* ok : {"", "*", "abc]", "[a-z]", "[!x]*", "[é-ü]", "[[]", "a[-]b"}) {
    EXPECT_TRUE(likePatternWellFormed(ok)) << ok;
  }
  for (const char* bad : {"[", "[ab", "a*[b", "[b-a]", "[ü-é]", "[a-c][z-y]"}) {
    EXPECT_FALSE(likePatternWellFormed(bad)) << bad;
  }
}

TEST(ValidChars, ShownCleanedAndSortedComparedInTheRunsCase) {
  ExtractPlan plan = prepareExtract({.validChars = " cBa\r\nbé a"}, kMsg);
  EXPECT_EQ(plan.validCharsShown, "Babcé");
  EXPECT_EQ(plan.setup.heading, "");
  EXPECT_TRUE(plan.setup.valid.has(U'b'));
  EXPECT_FALSE(plan.setup.valid.has(U'B')) << "compared in lower case";
  EXPECT_TRUE(plan.setup.valid.has(U'é'));
  EXPECT_FALSE(plan.setup.valid.has(U' '));

  plan = prepareExtract({.validChars = "Ab", .caseSensitive = true, .spaceValid = true}, kMsg);
  EXPECT_TRUE(plan.setup.valid.has(U'A'));
  EXPECT_FALSE(plan.setup.valid.has(U'a'));
  EXPECT_TRUE(plan.setup.valid.has(U' '));
}

TEST(ValidChars, AnEmptyBoxTakesTheDefaultSetAndSaysSo) {
  const ExtractPlan plan = prepareExtract({.validChars = " \r\n"}, kMsg);
  ASSERT_EQ(plan.validCharsShown.size(), 94u);
  EXPECT_EQ(plan.validCharsShown.front(), '!');
  EXPECT_EQ(plan.validCharsShown.back(), '~');
  EXPECT_EQ(plan.setup.heading, "[1]" + plan.validCharsShown + "\r\n\r\n");
  EXPECT_FALSE(plan.setup.valid.has(U' '));
}

// The default common words are typed capitalised: a run that compares in lower case must still
// leave them out.
TEST(CommonWords, ComparedInTheRunsCaseAndShownOnOneLine) {
  ExtractPlan plan =
      prepareExtract({.excludeCommon = true, .commonWords = "The And This\r\nthe  Of\n"}, kMsg);
  ASSERT_TRUE(plan.commonWordsShown);
  EXPECT_EQ(*plan.commonWordsShown, "The And This the Of");
  EXPECT_EQ(plan.setup.commonWords, (WordSet{"the", "and", "this", "of"}));

  plan = prepareExtract({.excludeCommon = true, .commonWords = "The", .caseSensitive = true}, kMsg);
  EXPECT_EQ(plan.setup.commonWords, (WordSet{"The"}));

  // Characters a word cannot hold are taken out of the common words as well.
  plan = prepareExtract({.validChars = "abcdefghijklmnopqrstuvwxyz", .excludeCommon = true, .commonWords = "don't"},
                        kMsg);
  EXPECT_EQ(plan.setup.commonWords, (WordSet{"dont"}));

  plan = prepareExtract({.excludeCommon = false, .commonWords = "The"}, kMsg);
  EXPECT_FALSE(plan.commonWordsShown);
  EXPECT_TRUE(plan.setup.commonWords.empty());
}

TEST(Separator, ByListIndex) {
  EXPECT_EQ(prepareExtract({.separator = KeywordSeparator::Blank}, kMsg).setup.separator, " ");
  EXPECT_EQ(prepareExtract({.separator = KeywordSeparator::LineBreak}, kMsg).setup.separator, "\r\n");
  EXPECT_EQ(prepareExtract({.separator = KeywordSeparator::Tab}, kMsg).setup.separator, "\t");
}

}  // namespace
}  // namespace tools::text
