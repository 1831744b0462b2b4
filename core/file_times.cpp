#include "core/file_times.h"

#include "core/date_tokens.h"
#include "core/state.h"
#include "platform/file_times.h"
#include "platform/fs.h"

#include <atomic>
#include <cerrno>
#include <optional>

#ifndef CORVANE_VERSION_MAJOR
#define CORVANE_VERSION_MAJOR 1
#define CORVANE_VERSION_MINOR 0
#define CORVANE_VERSION_PATCH 0
#endif

namespace core {
namespace {

std::atomic<bool> gCreationNotice{false};

SystemTime toRecord(const platform::FileTime& t) {
  if (!t.known) {
    SystemTime r;
    r.known = false;
    return r;
  }
  return localRecord(t.sec, t.nsec);
}

bool isLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

// The instant of a record, or nullopt for a record that names no valid local time (the range a
// Windows file time accepts: years 1601 to 30827).
std::optional<platform::FileTime> fromRecord(const SystemTime& r) {
  if (!r.known || r.year < 1601 || r.year > 30827 || r.month < 1 || r.month > 12 || r.day < 1 ||
      r.day > daysInMonth(r.year, r.month) || r.hour > 23 || r.minute > 59 || r.second > 59 ||
      r.milliseconds > 999)
    return std::nullopt;
  const platform::LocalTime lt{r.year, r.month, r.day, r.hour, r.minute, r.second, r.milliseconds, 0};
  const std::optional<std::int64_t> sec = platform::fromLocalTime(lt);
  if (!sec) return std::nullopt;
  return platform::FileTime{*sec, static_cast<std::uint32_t>(r.milliseconds) * 1000000U, true};
}

// Days from 1899-12-30 to the civil date (proleptic Gregorian).
long daySerial(int y, int m, int d) {
  // Days from 1970-01-01 (Howard Hinnant's days_from_civil).
  y -= m <= 2 ? 1 : 0;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153L * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const long fromEpoch = era * 146097 + doe - 719468;
  return fromEpoch + 25569;
}

}  // namespace

SystemTime localRecord(std::int64_t sec, std::uint32_t nsec) {
  SystemTime r;
  const std::optional<platform::LocalTime> lt = platform::toLocalTime(sec, nsec);
  if (!lt) {
    r.known = false;
    return r;
  }
  r.year = static_cast<std::uint16_t>(lt->year);
  r.month = static_cast<std::uint16_t>(lt->month);
  r.dayOfWeek = static_cast<std::uint16_t>(lt->dayOfWeek);
  r.day = static_cast<std::uint16_t>(lt->day);
  r.hour = static_cast<std::uint16_t>(lt->hour);
  r.minute = static_cast<std::uint16_t>(lt->minute);
  r.second = static_cast<std::uint16_t>(lt->second);
  r.milliseconds = static_cast<std::uint16_t>(lt->millisecond);
  return r;
}

double getFileSizeBig(std::string_view path) {
  const platform::FileStatus st = platform::fileStatus(path, true);
  const bool regular = st.error == 0 && st.type == platform::FileType::Regular;
  recordFileSize(regular ? st.size : 0);
  return coreState().fileSize;
}

void recordFileSize(std::uint64_t size) {
  CoreState& s = coreState();
  s.fileSize = static_cast<double>(size);
  s.fileIsBig = size >= (std::uint64_t{1} << 31) ? 1 : 0;
}

int readFileTimes(std::string_view path) {
  const platform::FileStatus st = platform::fileStatus(path, true);
  if (st.error != 0) return 1;
  FileTimeRecords& rec = coreState().fileTimes;
  rec.accessed = toRecord(st.accessed);
  rec.created = toRecord(st.created);
  rec.modified = toRecord(st.modified);
  return 0;
}

int writeFileTimes(std::string_view path, bool setAccess, bool setCreation, bool setWrite) {
  if (platform::fileStatus(path, false).error != 0) return 1;
  if (setCreation && !platform::canSetCreationTime()) gCreationNotice = true;
  if (!setAccess && !setWrite) return 0;
  const FileTimeRecords& rec = coreState().fileTimes;
  std::optional<platform::FileTime> accessed, modified;
  if (setAccess && !(accessed = fromRecord(rec.accessed))) return 1;
  if (setWrite && !(modified = fromRecord(rec.modified))) return 1;
  return platform::setFileTimes(path, accessed ? &*accessed : nullptr,
                                modified ? &*modified : nullptr) == 0 ? 0 : 1;
}

bool isSettableTime(const SystemTime& t) {
  return t.known && t.year >= kFirstSettableYear && t.year <= kLastSettableYear && t.month >= 1 && t.month <= 12 &&
         t.day >= 1 && t.day <= daysInMonth(t.year, t.month) && t.hour <= 23 && t.minute <= 59 && t.second <= 59;
}

TimesWritten setFileTimesExactly(std::string_view path, const platform::FileTime* accessed,
                                 const platform::FileTime* modified) {
  TimesWritten out;
  if (!accessed && !modified) return out;
  const platform::FileStatus before = platform::fileStatus(path, false);
  if (before.error != 0) {
    out.error = before.error;
    return out;
  }
  if (const int e = platform::setFileTimes(path, accessed, modified)) {
    out.error = e;
    return out;
  }
  const platform::FileStatus after = platform::fileStatus(path, false);
  out.accessedHeld = !accessed || (after.error == 0 && after.accessed.sec == accessed->sec);
  out.modifiedHeld = !modified || (after.error == 0 && after.modified.sec == modified->sec);
  if (out.ok()) return out;
  // What the file system made of the time is no time the user asked for.
  const platform::FileTime* oldAccessed = accessed && before.accessed.known ? &before.accessed : nullptr;
  const platform::FileTime* oldModified = modified && before.modified.known ? &before.modified : nullptr;
  (void)platform::setFileTimes(path, oldAccessed, oldModified);
  return out;
}

TimesWritten writeFileTimesExactly(std::string_view path, bool setAccess, bool setWrite) {
  const FileTimeRecords& rec = coreState().fileTimes;
  std::optional<platform::FileTime> accessed, modified;
  if ((setAccess && !(accessed = fromRecord(rec.accessed))) || (setWrite && !(modified = fromRecord(rec.modified)))) {
    TimesWritten bad;
    bad.error = EINVAL;
    return bad;
  }
  return setFileTimesExactly(path, accessed ? &*accessed : nullptr, modified ? &*modified : nullptr);
}

bool takeCreationTimeNotice() { return gCreationNotice.exchange(false); }
void raiseCreationTimeNotice() { gCreationNotice = true; }

long getFileDate(std::string_view path, int which) {
  const platform::FileStatus st = platform::fileStatus(path, true);
  if (st.error != 0) return 0;
  const platform::FileTime& t = which == 1 ? st.created : which != 0 ? st.modified : st.accessed;
  SystemTime& b = coreState().fileTimes.created;
  b = toRecord(t);
  if (!b.known) return 0;
  return daySerial(b.year, b.month, b.day);
}

void copyFileTimes() {
  FileTimeRecords& rec = coreState().fileTimes;
  rec.accessed = SystemTime{1981, 1, 1, 1, 1, 1, 1, 1, true};
  rec.created = rec.accessed;
  rec.modified = rec.accessed;
}

std::string formatCreated() { return dateStamp(coreState().fileTimes.created); }
std::string formatModified() { return dateStamp(coreState().fileTimes.modified); }
std::string formatAccessed() { return dateStamp(coreState().fileTimes.accessed); }

std::string getAppVersion() {
  return std::to_string(CORVANE_VERSION_MAJOR) + "." + std::to_string(CORVANE_VERSION_MINOR) +
         std::to_string(CORVANE_VERSION_PATCH);
}

std::string padZero(long long value, int width) { return padZero(std::to_string(value), width); }

std::string padZero(std::string_view text, int width) {
  if (width <= 0) return {};
  const auto w = static_cast<std::size_t>(width);
  if (text.size() >= w) return std::string(text.substr(0, w));
  return std::string(w - text.size(), '0') + std::string(text);
}

bool invertFlag(int flag) { return flag == 0; }

int CountOcc(std::string_view find, std::string_view text) {
  if (find.empty()) return 0;
  int n = 0;
  for (std::size_t pos = text.find(find); pos != std::string_view::npos;
       pos = text.find(find, pos + find.size()))
    ++n;
  return n;
}

}  // namespace core
