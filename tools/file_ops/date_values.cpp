#include "tools/file_ops/date_values.h"

#include "core/file_times.h"
#include "core/vb.h"

#include <algorithm>
#include <chrono>

namespace tools::file_ops {

namespace {

constexpr int kLastYear = core::kLastSettableYear;

// The number of exactly `count` digits at text[from], or -1.
int digitsAt(std::string_view text, std::size_t from, std::size_t count) {
  int n = 0;
  for (std::size_t i = from; i < from + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    n = n * 10 + (text[i] - '0');
  }
  return n;
}

std::chrono::year_month_day civil(int y, int m, int d) {
  return {std::chrono::year{y}, std::chrono::month{static_cast<unsigned>(m)},
          std::chrono::day{static_cast<unsigned>(d)}};
}

int monthLength(int y, int m) {
  return static_cast<int>(static_cast<unsigned>(
      std::chrono::year_month_day_last{std::chrono::year{y},
                                       std::chrono::month_day_last{std::chrono::month{static_cast<unsigned>(m)}}}
          .day()));
}

bool inRange(int y) { return y >= kFirstYear && y <= kLastYear; }

}  // namespace

BoxValue parseTag(std::string_view text) {
  BoxValue v;
  if (text.size() != 5 || text[2] != 'F') return v;
  switch (text[3]) {
    case 'C': v.source = DateKind::Created; break;
    case 'M': v.source = DateKind::Modified; break;
    case 'A': v.source = DateKind::Accessed; break;
    default: return v;
  }
  v.kind = BoxValue::Kind::Tag;
  return v;
}

BoxValue parseDateBox(std::string_view text) {
  if (text.size() == 5) return parseTag(text);
  BoxValue v;
  if (text.size() != 10 || text[2] != '/' || text[5] != '/') return v;
  const int m = digitsAt(text, 0, 2), d = digitsAt(text, 3, 2), y = digitsAt(text, 6, 4);
  if (m < 1 || m > 12 || d < 1 || !inRange(y) || d > monthLength(y, m)) return v;
  v.kind = BoxValue::Kind::Date;
  v.year = y, v.month = m, v.day = d;
  return v;
}

BoxValue parseTimeBox(std::string_view text) {
  if (text.size() == 5) return parseTag(text);
  BoxValue v;
  if (text.size() != 8 || text[2] != ':' || text[5] != ':') return v;
  const int h = digitsAt(text, 0, 2), mi = digitsAt(text, 3, 2), s = digitsAt(text, 6, 2);
  if (h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59) return v;
  v.kind = BoxValue::Kind::Time;
  v.hour = h, v.minute = mi, v.second = s;
  return v;
}

const char* dateTag(DateKind source, bool timeBox) {
  switch (source) {
    case DateKind::Created: return timeBox ? "<TFC>" : "<DFC>";
    case DateKind::Modified: return timeBox ? "<TFM>" : "<DFM>";
    case DateKind::Accessed: break;
  }
  return timeBox ? "<TFA>" : "<DFA>";
}

int unitBound(DateUnit unit) {
  switch (unit) {
    case DateUnit::Seconds:
    case DateUnit::Minutes: return 60;
    case DateUnit::Hours: return 24;
    case DateUnit::Days: return 31;
    case DateUnit::Months: return 12;
    case DateUnit::Years: break;
  }
  return 100;
}

bool isValidRecord(const core::SystemTime& t) { return core::isSettableTime(t); }

bool shiftTime(core::SystemTime& t, int amount, DateUnit unit) {
  using namespace std::chrono;
  if (!isValidRecord(t)) return false;
  int y = t.year, m = t.month, d = t.day;
  long long secondOfDay = t.hour * 3600LL + t.minute * 60LL + t.second;
  long long dayNumber = sys_days{civil(y, m, d)}.time_since_epoch().count();
  switch (unit) {
    case DateUnit::Seconds:
    case DateUnit::Minutes:
    case DateUnit::Hours:
    case DateUnit::Days: {
      static constexpr long long kStep[] = {1, 60, 3600, 86400};
      long long total = dayNumber * 86400 + secondOfDay + amount * kStep[static_cast<int>(unit)];
      dayNumber = total >= 0 ? total / 86400 : -((-total + 86399) / 86400);
      secondOfDay = total - dayNumber * 86400;
      const year_month_day ymd{sys_days{days{dayNumber}}};
      y = static_cast<int>(ymd.year()), m = static_cast<int>(static_cast<unsigned>(ymd.month()));
      d = static_cast<int>(static_cast<unsigned>(ymd.day()));
      break;
    }
    case DateUnit::Months:
    case DateUnit::Years: {
      long long months = y * 12LL + (m - 1) + (unit == DateUnit::Months ? amount : amount * 12LL);
      if (months < kFirstYear * 12LL || months > kLastYear * 12LL + 11) return false;
      y = static_cast<int>(months / 12), m = static_cast<int>(months % 12) + 1;
      if (d > monthLength(y, m)) d = monthLength(y, m);
      dayNumber = sys_days{civil(y, m, d)}.time_since_epoch().count();
      break;
    }
  }
  if (!inRange(y)) return false;
  t.year = static_cast<std::uint16_t>(y);
  t.month = static_cast<std::uint16_t>(m);
  t.day = static_cast<std::uint16_t>(d);
  t.hour = static_cast<std::uint16_t>(secondOfDay / 3600);
  t.minute = static_cast<std::uint16_t>(secondOfDay / 60 % 60);
  t.second = static_cast<std::uint16_t>(secondOfDay % 60);
  t.dayOfWeek = static_cast<std::uint16_t>(weekday{sys_days{days{dayNumber}}}.c_encoding());
  return true;
}

TimeBoxEdit fixTimeText(std::string_view text, int caret) {
  if (text.size() == 5) return {std::string(text), caret};
  int p = std::clamp(caret, 0, static_cast<int>(text.size()));
  std::string t;
  if (p >= 9) {
    t = std::string(text.substr(0, 8));
    p = 8;
  } else if (text.size() >= 8) {
    // The typed character replaces the one after it.
    t = std::string(text.substr(0, static_cast<std::size_t>(p))) + std::string(text.substr(text.size() - static_cast<std::size_t>(8 - p)));
  } else {
    // A deletion: zeros take the places of the characters removed before the caret's part.
    t = std::string(text.substr(0, static_cast<std::size_t>(p))) + std::string(8 - text.size(), '0') +
        std::string(text.substr(static_cast<std::size_t>(p)));
  }
  t.resize(8, '0');
  const auto part = [&](std::size_t at, int top, int low) {
    const std::int64_t v = vb::ValInt(t.substr(at, 2));
    return v > top ? 0 : v < 0 ? low : static_cast<int>(v);
  };
  const int h = part(0, 23, 23), m = part(3, 59, 59), s = part(6, 59, 59);
  if (p == 2 || p == 5) ++p;
  return {core::padZero(h, 2) + ":" + core::padZero(m, 2) + ":" + core::padZero(s, 2), p};
}

}  // namespace tools::file_ops
