#include "main_window/filter_settings.h"

#include <gtest/gtest.h>

#include <optional>

namespace mainwin {
namespace {

struct DateCase {
  const char* label;
  const char* text;
  std::optional<std::int64_t> day;
};

class CheckDateTextTest : public ::testing::TestWithParam<DateCase> {};

TEST_P(CheckDateTextTest, Parses) {
  EXPECT_EQ(checkDateText(GetParam().text), GetParam().day) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, CheckDateTextTest,
    ::testing::Values(DateCase{"NewYear2005", "01/01/2005", 38353},
                      DateCase{"Blanks", " 03/15/2020 ", 43905},
                      DateCase{"LeapDay", "02/29/2004", 38046},
                      DateCase{"DayZeroOfSerials", "12/30/1899", 0},
                      DateCase{"NoLeapDay", "02/29/2005", std::nullopt},
                      DateCase{"Feb31", "02/31/2004", std::nullopt},
                      DateCase{"Month13", "13/01/2004", std::nullopt},
                      DateCase{"DayZero", "01/00/2004", std::nullopt},
                      DateCase{"ShortFields", "1/2/2004", std::nullopt},
                      DateCase{"OtherSeparator", "01-02-2004", std::nullopt},
                      DateCase{"Letters", "ab/cd/efgh", std::nullopt},
                      DateCase{"Empty", "", std::nullopt}),
    [](const auto& info) { return std::string(info.param.label); });

struct SizeCase {
  const char* label;
  const char* text;
  int unit;
  double bytes;
};

class SizeLimitTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(SizeLimitTest, Converts) {
  EXPECT_EQ(sizeLimitFromText(GetParam().text, GetParam().unit), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Table, SizeLimitTest,
                         ::testing::Values(SizeCase{"Bytes", "1500", kUnitBytes, 1500},
                                           SizeCase{"KB", "2", kUnitKB, 2048},
                                           SizeCase{"MB", "2", kUnitMB, 2097152},
                                           SizeCase{"FractionKB", "1.5", kUnitKB, 1536},
                                           SizeCase{"FractionBytesTruncated", "7.9", kUnitBytes, 7},
                                           SizeCase{"SecondDotEnds", "1.2.3", kUnitBytes, 1},
                                           SizeCase{"Empty", "", kUnitBytes, 0}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(ResolveFilters, HiddenPanelTurnsEveryPanelFilterOffButCase) {
  FilterSettings s;
  s.panelShown = false;
  s.hideHidden = s.dateOn = s.sizeOn = s.extensionOn = true;
  s.sizeLimit = 10;
  s.extensionText = "*.txt";
  const ResolvedFilter r = resolveFilters(s);
  EXPECT_EQ(r.myPattern, "*");
  EXPECT_FALSE(r.pattern);
  EXPECT_TRUE(r.hiddenAllowed);
  EXPECT_FALSE(r.sizeOn);
  EXPECT_FALSE(r.dateOn);
  EXPECT_EQ(r.activeCount(), 0);
}

TEST(ResolveFilters, PatternInEffectIsTheCleanedBoxText) {
  FilterSettings s;
  s.panelShown = s.extensionOn = true;
  s.extensionText = "*.txt;";
  EXPECT_EQ(resolveFilters(s).myPattern, "*.txt");
  s.extensionText = "*";
  EXPECT_EQ(resolveFilters(s).myPattern, "*");
  EXPECT_FALSE(resolveFilters(s).pattern);
  // Long patterns filter as written: never widened to every file.
  s.extensionText = std::string(300, 'a');
  EXPECT_EQ(resolveFilters(s).myPattern, std::string(300, 'a'));
  s.extensionText = "*.TXT";
  s.caseSensitive = true;
  EXPECT_FALSE(resolveFilters(s).pattern->matches("a.txt"));
  s.caseSensitive = false;
  EXPECT_TRUE(resolveFilters(s).pattern->matches("a.txt"));
}

TEST(ResolveFilters, DatesSwappedInclusiveAndInvalidKeepsNothing) {
  FilterSettings s;
  s.panelShown = s.dateOn = true;
  s.dateFrom = "01/05/2005";
  s.dateTo = "01/03/2005";
  ResolvedFilter r = resolveFilters(s);
  ASSERT_TRUE(r.dateValid);
  EXPECT_TRUE(r.dateKeeps(*checkDateText("01/03/2005")));
  EXPECT_TRUE(r.dateKeeps(*checkDateText("01/05/2005")));
  EXPECT_FALSE(r.dateKeeps(*checkDateText("01/06/2005")));
  s.dateTo = "02/31/2005";
  r = resolveFilters(s);
  EXPECT_FALSE(r.dateValid);
  EXPECT_TRUE(r.dateOn);
  EXPECT_FALSE(r.dateKeeps(*checkDateText("01/05/2005")));
}

TEST(ResolveFilters, SizeComparisons) {
  FilterSettings s;
  s.panelShown = s.sizeOn = true;
  s.sizeLimit = -1;
  EXPECT_FALSE(resolveFilters(s).sizeOn);  // nothing entered: no size filter
  s.sizeLimit = 100;
  s.sizeIs = kSizeExactly;
  EXPECT_TRUE(resolveFilters(s).sizeKeeps(100));
  EXPECT_FALSE(resolveFilters(s).sizeKeeps(101));
  s.sizeIs = kSizeGreater;
  EXPECT_TRUE(resolveFilters(s).sizeKeeps(101));
  EXPECT_FALSE(resolveFilters(s).sizeKeeps(100));
  s.sizeIs = kSizeLess;
  s.sizeLimit = 0;
  EXPECT_FALSE(resolveFilters(s).sizeKeeps(0));  // "Less Than" 0 keeps nothing
  s.sizeIs = -1;
  EXPECT_FALSE(resolveFilters(s).sizeKeeps(0));  // no comparison chosen keeps nothing
}

}  // namespace
}  // namespace mainwin
