#include "main_window/filter_settings.h"

#include "core/vb.h"
#include "main_window/filter_box.h"
#include "platform/file_times.h"

#include <cmath>

namespace mainwin {

namespace {

// Days from 1 March of year 0 (proleptic Gregorian), shifted so that 30 December 1899 is 0.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;  // days since 1970-01-01
}

constexpr std::int64_t kSerialOf1970 = 25569;  // 01/01/1970 as a serial day number

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

bool digits(std::string_view s) {
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

std::optional<std::int64_t> checkDateText(std::string_view text) {
  const std::string t = vb::Trim(text);
  if (t.size() != 10 || t[2] != '/' || t[5] != '/') return std::nullopt;
  const std::string_view v(t);
  if (!digits(v.substr(0, 2)) || !digits(v.substr(3, 2)) || !digits(v.substr(6, 4)))
    return std::nullopt;
  const int month = std::stoi(t.substr(0, 2));
  const int day = std::stoi(t.substr(3, 2));
  const int year = std::stoi(t.substr(6, 4));
  if (year < 100 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month))
    return std::nullopt;
  return daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
         kSerialOf1970;
}

std::optional<std::int64_t> localDayNumber(std::int64_t seconds) {
  const auto tm = platform::toLocalTime(seconds, 0);
  if (!tm) return std::nullopt;
  return daysFromCivil(tm->year, static_cast<unsigned>(tm->month), static_cast<unsigned>(tm->day)) +
         kSerialOf1970;
}

double sizeLimitFromText(std::string_view text, int unit) {
  double v = vb::Val(text);
  if (unit == kUnitKB) v *= 1024;
  else if (unit == kUnitMB) v *= 1048576;
  return std::trunc(v);
}

int ResolvedFilter::activeCount() const {
  return (pattern ? 1 : 0) + (sizeOn ? 1 : 0) + (dateOn ? 1 : 0);
}

bool ResolvedFilter::sizeKeeps(std::uint64_t size) const {
  const auto s = static_cast<double>(size);
  switch (sizeIs) {
    case kSizeExactly: return s == sizeLimit;
    case kSizeGreater: return s > sizeLimit;
    case kSizeLess: return s < sizeLimit;
    default: return false;
  }
}

bool ResolvedFilter::dateKeeps(std::int64_t day) const {
  return dateValid && day >= dateFrom && day <= dateTo;
}

ResolvedFilter resolveFilters(const FilterSettings& s) {
  ResolvedFilter r;
  if (s.panelShown) {
    r.hiddenAllowed = !s.hideHidden;
    if (s.dateOn) {
      r.dateOn = true;
      r.dateType = s.dateType;
      const auto from = checkDateText(s.dateFrom);
      const auto to = checkDateText(s.dateTo);
      // A box that is not a date keeps no file: never a silent open range, never "filter off".
      r.dateValid = from && to;
      if (r.dateValid) {
        r.dateFrom = std::min(*from, *to);
        r.dateTo = std::max(*from, *to);
      }
    }
    if (s.sizeOn && s.sizeLimit != -1) {
      r.sizeOn = true;
      r.sizeIs = s.sizeIs;
      r.sizeLimit = s.sizeLimit;
    }
    if (s.extensionOn) {
      const ExtensionEdit edit = cleanExtensionText(s.extensionText);
      // A text over the box's limit never reaches the box; should one arrive (a stored form
      // state), it still filters as written rather than widening to every file.
      if (edit.pattern != "*") {
        r.myPattern = edit.pattern;
        r.pattern = std::make_shared<const NamePattern>(r.myPattern, !s.caseSensitive);
      }
    }
  }
  return r;
}

}  // namespace mainwin
