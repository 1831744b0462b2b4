// The date rules of the drop-down calendar, apart from its window: reading the month-first date
// text of a date box (each part that is out of range falls back to today's), laying out a month
// on the six-by-seven grid (weeks start on Sunday) and writing the box text.
#pragma once

#include <QDate>
#include <QString>

namespace uikit {

inline constexpr int kCalendarFirstYear = 1901;
inline constexpr int kCalendarLastYear = 2107;

struct BoxDate {
  int year = 0;   // 1901..2107
  int month = 0;  // 1..12
  int day = 0;    // 1..31 (may exceed the month's length)
  friend bool operator==(const BoxDate&, const BoxDate&) = default;
};

// Reads "mm/dd/yyyy": month from the first two characters, day from characters 4 and 5, year
// from the last four; each unreadable or out-of-range part is today's.
[[nodiscard]] BoxDate parseBoxDate(const QString& text, const QDate& today);

// "mm/dd/yyyy" with two-digit month and day; the day is written even when the month lacks it.
[[nodiscard]] QString formatBoxDate(int month, int day, int year);

// The grid index (0..41) of the first day of the month: its weekday, Sunday = 0.
[[nodiscard]] int firstGridIndex(int year, int month);
[[nodiscard]] int daysInMonth(int year, int month);

}  // namespace uikit
