// File size beyond 2 GB, the three shared file-time records (A last access, B creation, C last
// write, in CoreState::fileTimes) with their reading, writing and formatting, and a few small
// shared routines: the version text, zero padding, flag inversion and occurrence counting.
// Times are local time by the rules of the date itself. Nothing here opens a file.
#pragma once

#include "core/state.h"
#include "platform/fs.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace core {

// Measures the file (symlinks followed) into CoreState::fileSize and fileIsBig (1 from 2^31 bytes
// on); both 0 when the path is missing or not a regular file. Returns fileSize.
double getFileSizeBig(std::string_view path);
// Records a size already measured into CoreState::fileSize and fileIsBig (1 from 2^31 bytes on).
void recordFileSize(std::uint64_t size);

// The local-time record of an instant (seconds and nanoseconds since the epoch); known is false
// when the instant cannot be represented.
[[nodiscard]] SystemTime localRecord(std::int64_t sec, std::uint32_t nsec);

// Reads the file's three times into records A, B and C. A creation time the file system does not
// record leaves record B with known = false. 0, or 1 (records unchanged) when the file is missing.
int readFileTimes(std::string_view path);

// Writes the flagged records back to the file (a symlink itself, never its target). The creation
// time cannot be set on Linux: its flag alone returns 0 and raises the once-per-run notice (see
// takeCreationTimeNotice); with other flags those are written and the notice raised too.
// 1 when the file is missing, a flagged record is invalid or unknown, or the system refuses.
int writeFileTimes(std::string_view path, bool setAccess, bool setCreation, bool setWrite);

// The years a tool may give a file: from 1901, the first year a 32-bit time holds (so that no file
// gets a time before it), through 9999, the last a four-digit year box can hold. A file system may
// hold less (ext4 keeps 13/12/1901 to 10/05/2446): writeFileTimesExactly finds that out.
inline constexpr int kFirstSettableYear = 1901;
inline constexpr int kLastSettableYear = 9999;

// True when the record names a real calendar date and a time of day (00:00:00 to 23:59:59) within
// kFirstSettableYear to kLastSettableYear.
[[nodiscard]] bool isSettableTime(const SystemTime& t);

// What setFileTimesExactly did.
struct TimesWritten {
  int error = 0;  // the system's refusal (errno); nothing was changed then
  // Whether the time asked for came back, to the second, when read after writing. A file system
  // that cannot hold a time stores another one without an error.
  bool accessedHeld = true, modifiedHeld = true;
  [[nodiscard]] bool ok() const { return error == 0 && accessedHeld && modifiedHeld; }
};

// Sets the accessed and / or modified time (nullptr: left as it is) of the file, never of a
// symlink's target, and reads them back. When one did not come back as given, the times set are
// put back as they were before the call. The one rule for "a time this file system can hold".
[[nodiscard]] TimesWritten setFileTimesExactly(std::string_view path, const platform::FileTime* accessed,
                                               const platform::FileTime* modified);
// The same for records A (accessed) and C (modified), as writeFileTimes takes them. error is
// EINVAL for a flagged record that is unknown or is not a valid local time.
[[nodiscard]] TimesWritten writeFileTimesExactly(std::string_view path, bool setAccess, bool setWrite);

// True when a writeFileTimes call asked for a creation time since the last call; clears the flag.
// The pipeline reads it once at the end of a run to report "creation time not kept" once.
[[nodiscard]] bool takeCreationTimeNotice();
// Raises the notice again (a run that read it early, to carry it across several reports).
void raiseCreationTimeNotice();

// The file's date without time as a day number (days since 30 December 1899, the date serial the
// date filters compare): which 1 creation, another non-zero value last write, 0 last access.
// The chosen time is left in record B. 0 when the file is missing or the time is unknown.
long getFileDate(std::string_view path, int which = 0);

// Sets record A to 01/01/1981 01:01:01.001 (day of week 1) and copies it into B and C.
void copyFileTimes();

// Record B, C or A as "dd/mm/yyyy hh:mm:ss"; "" when the record is unknown.
[[nodiscard]] std::string formatCreated();
[[nodiscard]] std::string formatModified();
[[nodiscard]] std::string formatAccessed();

// Major version, ".", then minor and revision written directly after each other ("1.00").
[[nodiscard]] std::string getAppVersion();

// The value's text left-padded with "0" to width characters, or cut to its first width characters.
[[nodiscard]] std::string padZero(long long value, int width);
[[nodiscard]] std::string padZero(std::string_view text, int width);

// True when flag is 0, else false (toggles menu check marks).
[[nodiscard]] bool invertFlag(int flag);

// Non-overlapping occurrences of find in text; 0 for an empty find.
[[nodiscard]] int CountOcc(std::string_view find, std::string_view text);

}  // namespace core
