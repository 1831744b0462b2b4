#include "core/form_state.h"

#include <gtest/gtest.h>

namespace core {
namespace {

TEST(FormState, BuildsTheLayoutOtherToolsSearch) {
  const std::string text = buildFormState(2, {{"optContent", "True"}, {"chkSub", "1"}, {"txtFind", ""}});
  EXPECT_EQ(text,
            "qw9ConfigsA_SepwinStateA_Sep2A_SepoptContentA_SepTrueA_SepchkSubA_Sep1A_Sep"
            "txtFindA_SepA_Sep");
  EXPECT_NE(buildFormState(1, {}).find("winStateA_Sep0A_Sep"), std::string::npos);
}

struct EscapeCase {
  const char* name;
  const char* value;
  bool raw;  // written byte for byte
};

class FormValueEscapeTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(FormValueEscapeTest, RoundTripsAndNeverHoldsAMarker) {
  const auto& c = GetParam();
  const std::string escaped = escapeFormValue(c.value);
  if (c.raw) {
    EXPECT_EQ(escaped, c.value);
  }
  for (const char* m : {"A_Sep", "A_Run", "A_EndData", "A_EndNum"}) {
    EXPECT_EQ(escaped.find(m), std::string::npos) << m;
  }
  const auto parsed = parseFormState(buildFormState(0, {{"txtA", c.value}, {"chkB", "1"}}));
  EXPECT_EQ(*parsed.value("txtA"), c.value);
  EXPECT_EQ(*parsed.value("chkB"), "1");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormValueEscapeTest,
    ::testing::Values(EscapeCase{"Plain", "hello world", true},
                      EscapeCase{"Underscores", "a_b%c_", true},
                      EscapeCase{"Utf8", "caf\xC3\xA9", true},
                      EscapeCase{"Separator", "xA_Sepy", false},
                      EscapeCase{"RunMarker", "A_Run", false},
                      EscapeCase{"EndMarkers", "1A_EndData2A_EndNum", false},
                      EscapeCase{"LooksEscaped", "A_Esc%5F", false},
                      EscapeCase{"PartialMarkerAtEnd", "textA_Se", true},
                      EscapeCase{"Percents", "%25A_Sep%", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FormState, ValuesAreFoundByExactNameNotBySubstring) {
  // The value of txtA equals the name chkB: a substring search would read chkB's value wrongly.
  const std::string text =
      "qw9ConfigsA_SepwinStateA_Sep0A_SeptxtAA_SepchkBA_SepxchkBA_Sep0A_SepchkBA_Sep1A_Sep";
  const auto p = parseFormState(text);
  ASSERT_TRUE(p.valid);
  EXPECT_EQ(*p.value("chkB"), "1");
  EXPECT_EQ(*p.value("xchkB"), "0");
  EXPECT_FALSE(p.value("chk"));
}

TEST(FormState, ControlArrayMembersGetTheFirstValue) {
  const auto p = parseFormState(buildFormState(0, {{"optMode", "False"}, {"optMode", "True"}}));
  EXPECT_EQ(p.entries.size(), 2u);
  EXPECT_EQ(*p.value("optMode"), "False");
}

struct HeaderCase {
  const char* name;
  const char* text;
  bool valid;
  int winState;
  std::size_t entries;
};

class FormStateHeaderTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(FormStateHeaderTest, Parses) {
  const auto& c = GetParam();
  const auto p = parseFormState(c.text);
  EXPECT_EQ(p.valid, c.valid);
  EXPECT_EQ(p.winState, c.winState);
  EXPECT_EQ(p.entries.size(), c.entries);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormStateHeaderTest,
    ::testing::Values(
        HeaderCase{"Maximised", "qw9ConfigsA_SepwinStateA_Sep2A_SepchkAA_Sep1A_Sep", true, 2, 1},
        HeaderCase{"AnyNonZeroDigit", "qw9ConfigsA_SepwinStateA_Sep1A_Sep", true, 2, 0},
        HeaderCase{"Normal", "qw9ConfigsA_SepwinStateA_Sep0A_Sep", true, 0, 0},
        HeaderCase{"NoWinState", "qw9ConfigsA_SepchkAA_Sep1A_Sep", true, 0, 1},
        HeaderCase{"Foreign", "hello world", false, 0, 0},
        HeaderCase{"Empty", "", false, 0, 0},
        HeaderCase{"TruncatedName", "qw9ConfigsA_SepwinStateA_Sep0A_SepchkAA_Sep1A_SepchkB", true, 0, 1},
        HeaderCase{"TruncatedValue", "qw9ConfigsA_SepwinStateA_Sep0A_SepchkAA_Sep1A_SepchkBA_Sep1", true, 0, 1},
        HeaderCase{"OnlyMagic", "qw9Co", true, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FormState, TextHandedOverNeedsNoHeader) {
  const auto p = parseFormState("chkAA_Sep1A_Sep", false);
  EXPECT_TRUE(p.valid);
  EXPECT_EQ(*p.value("chkA"), "1");
  EXPECT_FALSE(parseFormState("chkAA_Sep1A_Sep").valid);
}

}  // namespace
}  // namespace core
