#include "platform/file_times.h"

#include <ctime>

namespace platform {

std::optional<LocalTime> toLocalTime(std::int64_t sec, std::uint32_t nsec) {
  const std::time_t t = static_cast<std::time_t>(sec);
  struct tm tm {};
  if (::localtime_r(&t, &tm) == nullptr) return std::nullopt;
  LocalTime r;
  r.year = tm.tm_year + 1900;
  r.month = tm.tm_mon + 1;
  r.day = tm.tm_mday;
  r.hour = tm.tm_hour;
  r.minute = tm.tm_min;
  r.second = tm.tm_sec;
  r.millisecond = static_cast<int>(nsec / 1000000U);
  r.dayOfWeek = tm.tm_wday;
  return r;
}

std::optional<std::int64_t> fromLocalTime(const LocalTime& t) {
  struct tm tm {};
  tm.tm_year = t.year - 1900;
  tm.tm_mon = t.month - 1;
  tm.tm_mday = t.day;
  tm.tm_hour = t.hour;
  tm.tm_min = t.minute;
  tm.tm_sec = t.second;
  tm.tm_isdst = -1;
  tm.tm_wday = -1;  // mktime sets it on success; -1 left means failure even for the instant -1
  const std::time_t r = ::mktime(&tm);
  if (r == static_cast<std::time_t>(-1) && tm.tm_wday == -1) return std::nullopt;
  return static_cast<std::int64_t>(r);
}

}  // namespace platform
