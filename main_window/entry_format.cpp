#include "main_window/entry_format.h"

#include "platform/file_times.h"

#include <cstdio>

namespace mainwin {

std::string formatSize(std::uint64_t size) {
  std::string s = std::to_string(size);
  // Separators at most twice, as the list has always shown: a thousand million reads
  // "1000,000,000". The sort uses the number, so the text's shape does not matter there.
  if (size > 999) s.insert(s.size() - 3, ",");
  if (size > 999999) s.insert(s.size() - 7, ",");
  return s;
}

std::string formatTime(std::int64_t seconds) {
  const auto tm = platform::toLocalTime(seconds, 0);
  if (!tm) return {};
  char buf[40];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%04d %02d:%02d:%02d", tm->day, tm->month, tm->year,
                tm->hour, tm->minute, tm->second);
  return buf;
}

std::string formatAttributes(std::uint8_t attrs) {
  std::string s;
  if (attrs & kEntryReadOnly) s += 'R';
  if (attrs & kEntryHidden) s += 'H';
  if (attrs & kEntryArchive) s += 'A';
  return s;
}

std::string columnText(const FileEntry& entry, int column) {
  switch (column) {
    case 1: return entry.name;
    case 2: return (entry.known & kDetailSize) ? formatSize(entry.size) : std::string();
    case 3: return (entry.known & kDetailTimes) ? formatTime(entry.modified) : std::string();
    case 4:
      return (entry.known & kDetailTimes) && entry.hasCreated ? formatTime(entry.created)
                                                              : std::string();
    case 5: return (entry.known & kDetailAttrs) ? formatAttributes(entry.attrs) : std::string();
    default: return {};
  }
}

}  // namespace mainwin
