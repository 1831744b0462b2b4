// Local-time conversion of file times: the rules in force on the date itself (summer time
// included) decide the offset, as localtime_r and mktime with tm_isdst = -1 apply them.
#pragma once

#include <cstdint>
#include <optional>

namespace platform {

// A broken-down local time. dayOfWeek: 0 Sunday .. 6 Saturday.
struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
  int dayOfWeek = 0;
};

// Local time of an instant given as seconds and nanoseconds since the epoch; nullopt when the
// instant cannot be represented.
[[nodiscard]] std::optional<LocalTime> toLocalTime(std::int64_t sec, std::uint32_t nsec);

// Seconds since the epoch of a local time (its fields must already be in range; the millisecond
// is not part of the result). nullopt when the local time cannot be converted.
[[nodiscard]] std::optional<std::int64_t> fromLocalTime(const LocalTime& t);

}  // namespace platform
