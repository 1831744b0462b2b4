// Texts of the file list's detail columns, made on demand from an entry's values: the size with
// "," separators, times as local "dd/mm/yyyy hh:mm:ss", and the attribute letters.
#pragma once

#include "main_window/file_entry.h"

#include <cstdint>
#include <string>

namespace mainwin {

// Decimal digits with a "," before the last three digits from 1000 up and another before the
// last six from 1000000 up; never more than two ("1000,000,000" for a thousand million).
[[nodiscard]] std::string formatSize(std::uint64_t size);

// Local time of `seconds` (since the epoch) as "dd/mm/yyyy hh:mm:ss", every field zero-padded.
// Uses the time-zone rules of the date itself. "" when the time cannot be converted.
[[nodiscard]] std::string formatTime(std::int64_t seconds);

// "R", "H", "A" in that order, only those set; "" when none.
[[nodiscard]] std::string formatAttributes(std::uint8_t attrs);

// The 1-based column's text of an entry (1 name, 2 size, 3 modified, 4 created, 5 attributes);
// "" for a detail that is not known, a creation time the file system does not keep, or any
// other column.
[[nodiscard]] std::string columnText(const FileEntry& entry, int column);

}  // namespace mainwin
