#include "ui_kit/calendar_date.h"

#include "core/vb.h"

namespace uikit {

BoxDate parseBoxDate(const QString& text, const QDate& today) {
  const std::string t = vb::bs(text);
  BoxDate d;
  const std::int64_t year = vb::ValInt(vb::Right(t, 4));
  d.year = (year < kCalendarFirstYear || year > kCalendarLastYear) ? today.year() : static_cast<int>(year);
  const std::int64_t month = vb::ValInt(vb::Left(t, 2));
  d.month = (month < 1 || month > 12) ? today.month() : static_cast<int>(month);
  const std::int64_t day = vb::ValInt(vb::Mid(t, 4, 2));
  d.day = (day < 1 || day > 31) ? today.day() : static_cast<int>(day);
  return d;
}

QString formatBoxDate(int month, int day, int year) {
  return QStringLiteral("%1/%2/%3")
      .arg(month, 2, 10, QLatin1Char('0'))
      .arg(day, 2, 10, QLatin1Char('0'))
      .arg(year);
}

int firstGridIndex(int year, int month) { return QDate(year, month, 1).dayOfWeek() % 7; }

int daysInMonth(int year, int month) { return QDate(year, month, 1).daysInMonth(); }

}  // namespace uikit
