// The date tool's values: which box texts are dates, times or tags, and the calendar arithmetic
// of a shift (carries, month ends, leap years, the 1901 floor).
#include "tools/file_ops/date_values.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

namespace tools::file_ops {
namespace {

using Kind = BoxValue::Kind;

TEST(DateValues, DateBoxesAreMonthFirstRealDatesOrTags) {
  struct Case {
    const char* text;
    const char* date;  // year-month-day, nullptr: not a date
  };
  const Case cases[] = {
      {"12/31/2020", "2020-12-31"},  // month first
      {"02/29/2024", "2024-2-29"},
      {"01/01/1901", "1901-1-1"},
      {"02/29/2100", nullptr},  // 2100 is no leap year
      {"02/30/2020", nullptr},
      {"13/01/2020", nullptr},
      {"00/10/2020", nullptr},
      {"12/31/1900", nullptr},  // before the first year the tool writes
      {"31/12/2020", nullptr},  // day first is not accepted
      {"1a/01/2020", nullptr},
      {"2020-12-31", nullptr},
      {"12/31/20", nullptr},
      {"", nullptr},
  };
  for (const Case& c : cases) {
    const BoxValue v = parseDateBox(c.text);
    EXPECT_EQ(v.kind, c.date ? Kind::Date : Kind::Invalid) << c.text;
    if (c.date) {
      EXPECT_EQ(std::to_string(v.year) + "-" + std::to_string(v.month) + "-" + std::to_string(v.day), c.date);
    }
  }
}

TEST(DateValues, TimeBoxesRunFromMidnightToTheLastSecond) {
  EXPECT_EQ(parseTimeBox("23:59:59").kind, Kind::Time);
  const BoxValue v = parseTimeBox("07:08:09");
  EXPECT_EQ((std::array{v.hour, v.minute, v.second}), (std::array{7, 8, 9}));
  for (const char* bad : {"24:00:00", "10:60:00", "10:00:60", "10:0a:00", "10-00-00", "1:00:00", "10:00:000"}) {
    EXPECT_EQ(parseTimeBox(bad).kind, Kind::Invalid) << bad;
  }
}

TEST(DateValues, TagsNameTheirSourceByTheFourthCharacter) {
  for (bool timeBox : {false, true}) {
    for (DateKind k : {DateKind::Created, DateKind::Modified, DateKind::Accessed}) {
      const BoxValue v = timeBox ? parseTimeBox(dateTag(k, timeBox)) : parseDateBox(dateTag(k, timeBox));
      EXPECT_EQ(v.kind, Kind::Tag);
      EXPECT_EQ(v.source, k);
    }
  }
  EXPECT_EQ(parseTag("<DFX>").kind, Kind::Invalid);
  EXPECT_EQ(parseTag("<DXM>").kind, Kind::Invalid);
  EXPECT_EQ(parseDateBox("12/31").kind, Kind::Invalid);
}

core::SystemTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  core::SystemTime t;
  t.year = static_cast<std::uint16_t>(y), t.month = static_cast<std::uint16_t>(mo), t.day = static_cast<std::uint16_t>(d);
  t.hour = static_cast<std::uint16_t>(h), t.minute = static_cast<std::uint16_t>(mi), t.second = static_cast<std::uint16_t>(s);
  t.milliseconds = 123;
  return t;
}

std::string text(const core::SystemTime& t) {
  char b[40];
  std::snprintf(b, sizeof b, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return b;
}

TEST(DateValues, ShiftsCarryThroughTheCalendar) {
  struct Case {
    core::SystemTime from;
    int amount;
    DateUnit unit;
    const char* to;  // nullptr: refused
  };
  const Case cases[] = {
      {at(2020, 5, 5, 10, 20, 30), 59, DateUnit::Seconds, "2020-05-05 10:21:29"},
      {at(2004, 2, 28, 23), 23, DateUnit::Hours, "2004-02-29 22:00:00"},
      {at(2100, 2, 28), 1, DateUnit::Days, "2100-03-01 00:00:00"},  // 2100 is no leap year
      {at(2000, 2, 28), 1, DateUnit::Days, "2000-02-29 00:00:00"},
      {at(2020, 12, 31, 23, 59, 59), 1, DateUnit::Seconds, "2021-01-01 00:00:00"},
      {at(2021, 1, 31), 30, DateUnit::Days, "2021-03-02 00:00:00"},
      {at(2021, 3, 1), -30, DateUnit::Days, "2021-01-30 00:00:00"},
      {at(2021, 1, 31, 8), 1, DateUnit::Months, "2021-02-28 08:00:00"},  // clamps to the month's end
      {at(2024, 1, 31), 1, DateUnit::Months, "2024-02-29 00:00:00"},
      {at(2021, 3, 31), -1, DateUnit::Months, "2021-02-28 00:00:00"},
      {at(2021, 11, 15), 3, DateUnit::Months, "2022-02-15 00:00:00"},
      {at(2021, 1, 15), -1, DateUnit::Months, "2020-12-15 00:00:00"},
      {at(2024, 2, 29), 1, DateUnit::Years, "2025-02-28 00:00:00"},
      {at(1906, 1, 1), -5, DateUnit::Years, "1901-01-01 00:00:00"},
      {at(1905, 6, 1), -5, DateUnit::Years, nullptr},  // before 1901: refused, never raised to 1901
      {at(1901, 1, 1, 0, 30), -1, DateUnit::Hours, nullptr},
      {at(2020, 2, 30), 1, DateUnit::Seconds, nullptr},  // not a real date to start from
  };
  for (const Case& c : cases) {
    core::SystemTime t = c.from;
    const bool ok = shiftTime(t, c.amount, c.unit);
    EXPECT_EQ(ok, c.to != nullptr) << text(c.from) << " + " << c.amount;
    EXPECT_EQ(text(t), c.to ? c.to : text(c.from)) << text(c.from) << " + " << c.amount;
    EXPECT_EQ(t.milliseconds, 123);
  }
  core::SystemTime t = at(2024, 7, 4);
  ASSERT_TRUE(shiftTime(t, 1, DateUnit::Days));
  EXPECT_EQ(t.dayOfWeek, 5);  // Friday 5 July 2024
}

TEST(DateValues, TimeBoxesStayInTheirFormWhileTyped) {
  struct Case {
    const char* text;  // after the keystroke
    int caret;
    const char* fixed;
    int caretAfter;
  };
  const Case cases[] = {
      {"100:00:00", 1, "10:00:00", 1},  // typed 1 over the first digit
      {"1200:00:00", 2, "12:00:00", 3}, // the caret skips the colon
      {"240:00:00", 2, "00:00:00", 3},  // hour 24 becomes 00
      {"10:600:00", 4, "10:00:00", 4},  // minute 60 becomes 00
      {"10:00:090", 8, "10:00:09", 8},
      {"10:00:001", 9, "10:00:00", 8},  // typed past the end
      {"1:00:00", 1, "10:00:00", 1},    // a deleted digit becomes 0
      {"", 0, "00:00:00", 0},           // everything deleted
      {"<TFM>", 5, "<TFM>", 5},         // a tag is left alone
      {"12:34:56 and more", 17, "12:34:56", 8},  // pasted
  };
  for (const Case& c : cases) {
    const TimeBoxEdit e = fixTimeText(c.text, c.caret);
    EXPECT_EQ(e.text, c.fixed) << c.text;
    EXPECT_EQ(e.caret, c.caretAfter) << c.text;
  }
}

}  // namespace
}  // namespace tools::file_ops
