// The finder's targets: words, quoted phrases, case, repeats and empty targets; and which targets
// no name can hold.
#include "tools/text/find_targets.h"

#include <gtest/gtest.h>

namespace tools::text {
namespace {

struct TargetRow {
  const char* name;
  const char* text;
  TargetParse how;
  std::vector<std::string> targets;
};

class Targets : public ::testing::TestWithParam<TargetRow> {};

TEST_P(Targets, AreParsedInOrderWithoutRepeatsOrEmptyOnes) {
  const TargetRow& row = GetParam();
  EXPECT_EQ(parseTargets(row.text, row.how), row.targets);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Targets,
    ::testing::Values(
        TargetRow{"WholeTextIsOneTarget", "Annual  Report", {}, {"annual  report"}},
        TargetRow{"WholeTextMatchCase", "Annual Report", {.matchCase = true}, {"Annual Report"}},
        TargetRow{"EmptyTextNoTarget", "", {}, {}},
        TargetRow{"WordsAtBlanksAndLineBreaks", "one  two\nthree\r\nFour", {.phrases = true},
                  {"one", "two", "three", "four"}},
        TargetRow{"PhrasesFirstThenWords", "total \"Annual Report\" sum", {.phrases = true},
                  {"annual report", "total", "sum"}},
        TargetRow{"PhraseAndItsRepeatCountOnce", "\"tax\" tax TAX", {.phrases = true}, {"tax"}},
        TargetRow{"RepeatsKeptWithMatchCase", "tax TAX", {.phrases = true, .matchCase = true}, {"tax", "TAX"}},
        TargetRow{"PhrasesWithoutBlanksBetween", "\"a b\"\"c d\"e", {.phrases = true}, {"a b", "c d", "e"}},
        TargetRow{"EmptyPhraseDropped", "\"\" word", {.phrases = true}, {"word"}},
        TargetRow{"UnpairedQuoteStaysInAWord", "\"one\" say\"hi", {.phrases = true}, {"one", "say\"hi"}},
        TargetRow{"OnlyBlanks", "   \n ", {.phrases = true}, {}},
        TargetRow{"NonAsciiLetters", "ÉTÉ Straße", {.phrases = true}, {"été", "straße"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Targets, ThoseNoNameCanHoldAreNamedCutToTenCharacters) {
  EXPECT_EQ(firstImpossibleName({"a:b", "what?", "<x>"}), std::nullopt);  // fine in Linux names
  EXPECT_EQ(firstImpossibleName({"ok", "a/b"}), "a/b");
  EXPECT_EQ(firstImpossibleName({"two\nlines"}), "two\nlines");
  EXPECT_EQ(firstImpossibleName({std::string(256, 'x')}), std::string(10, 'x'));
  EXPECT_EQ(firstImpossibleName({"ééééééééééé/"}), "éééééééééé");  // characters, not bytes
  EXPECT_EQ(firstImpossibleName({std::string(255, 'x')}), std::nullopt);
}

}  // namespace
}  // namespace tools::text
