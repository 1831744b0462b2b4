#include "main_window/entry_format.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace mainwin {
namespace {

struct SizeText {
  const char* label;
  std::uint64_t size;
  const char* text;
};

class FormatSizeTest : public ::testing::TestWithParam<SizeText> {};

TEST_P(FormatSizeTest, Separators) { EXPECT_EQ(formatSize(GetParam().size), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(Table, FormatSizeTest,
                         ::testing::Values(SizeText{"Zero", 0, "0"}, SizeText{"Max3", 999, "999"},
                                           SizeText{"Thousand", 1000, "1,000"},
                                           SizeText{"Max6", 999999, "999,999"},
                                           SizeText{"Million", 1000000, "1,000,000"},
                                           SizeText{"Max9", 999999999, "999,999,999"},
                                           SizeText{"TwoSeparatorsAtMost", 1000000000, "1000,000,000"}),
                         [](const auto& info) { return std::string(info.param.label); });

class LocalTimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tz = std::getenv("TZ");
    saved_ = tz ? tz : "";
    hadTz_ = tz != nullptr;
    setenv("TZ", "UTC0", 1);
    tzset();
  }
  void TearDown() override {
    if (hadTz_) setenv("TZ", saved_.c_str(), 1);
    else unsetenv("TZ");
    tzset();
  }
  std::string saved_;
  bool hadTz_ = false;
};

TEST_F(LocalTimeTest, DayMonthYearTimeZeroPadded) {
  EXPECT_EQ(formatTime(0), "01/01/1970 00:00:00");
  EXPECT_EQ(formatTime(1104537599), "31/12/2004 23:59:59");
}

TEST(FormatAttributes, LettersInOrder) {
  EXPECT_EQ(formatAttributes(0), "");
  EXPECT_EQ(formatAttributes(kEntryArchive), "A");
  EXPECT_EQ(formatAttributes(kEntryArchive | kEntryHidden | kEntryReadOnly | kEntrySystem), "RHA");
}

TEST(ColumnText, UnknownDetailsStayEmpty) {
  FileEntry e;
  e.name = "a.txt";
  e.size = 1234;
  e.attrs = kEntryHidden | kEntryReadOnly;
  EXPECT_EQ(columnText(e, 1), "a.txt");
  EXPECT_EQ(columnText(e, 2), "");
  EXPECT_EQ(columnText(e, 5), "");
  e.known = kDetailSize | kDetailAttrs | kDetailTimes;
  EXPECT_EQ(columnText(e, 2), "1,234");
  EXPECT_EQ(columnText(e, 5), "RH");
  EXPECT_EQ(columnText(e, 4), "");  // no birth time recorded
  EXPECT_EQ(columnText(e, 6), "");
}

}  // namespace
}  // namespace mainwin
