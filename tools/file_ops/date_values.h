// The values of the file date tool: what a date or time box says (a typed date mm/dd/yyyy, a
// typed time hh:mm:ss, or a tag copying that part from another of the file's times), and the
// calendar arithmetic that shifts a time by an amount of one unit.
//
//   const BoxValue v = parseDateBox("12/31/2020");       // BoxValue::Kind::Date, 2020-12-31
//   core::SystemTime t = ...;                             // a file's modified time, local
//   if (shiftTime(t, 1, DateUnit::Months)) ...            // 01/31 -> 02/28 (or 02/29)
//
// Every function here is pure: no file is touched.
#pragma once

#include "core/file_times.h"
#include "core/state.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tools::file_ops {

// The three times of a file.
enum class DateKind { Created, Modified, Accessed };

// The unit of an amount, in the order of the window's list.
enum class DateUnit { Seconds, Minutes, Hours, Days, Months, Years };

// The earliest year the tool writes: the first year a 32-bit time of the platform the tool was
// first written for could hold, kept so that no file gets a time before it. The rule is the
// core's, shared with the Properties editor.
inline constexpr int kFirstYear = core::kFirstSettableYear;

// What one box of the tool says.
struct BoxValue {
  enum class Kind {
    Invalid,  // neither a valid date or time nor a tag
    Date,     // year, month, day
    Time,     // hour, minute, second
    Tag,      // the same part copied from the file's time `source`
  };
  Kind kind = Kind::Invalid;
  int year = 0, month = 0, day = 0;     // Kind::Date
  int hour = 0, minute = 0, second = 0; // Kind::Time
  DateKind source = DateKind::Created;  // Kind::Tag
};

// A date box: exactly ten characters "mm/dd/yyyy" ("12/31/2020", month first) naming a real
// calendar date from kFirstYear on; or a tag. Anything else is Invalid.
[[nodiscard]] BoxValue parseDateBox(std::string_view text);
// A time box: exactly eight characters "hh:mm:ss", 00:00:00 to 23:59:59; or a
// tag. Anything else is Invalid.
[[nodiscard]] BoxValue parseTimeBox(std::string_view text);
// A tag: five characters whose third is "F" and fourth names the source time, "C", "M" or "A"
// ("<DFM>", "<TFA>"); the window inserts these. Invalid for any other text.
[[nodiscard]] BoxValue parseTag(std::string_view text);

// The tag the window inserts for a source: "<DF?>" into date boxes, "<TF?>" into time boxes.
[[nodiscard]] const char* dateTag(DateKind source, bool timeBox);

// The amount must stay below this for its unit: 60, 60, 24, 31, 12, 100.
[[nodiscard]] int unitBound(DateUnit unit);

// True when the record names a real local calendar date and time from 01/01/kFirstYear on.
[[nodiscard]] bool isValidRecord(const core::SystemTime& t);

// Shifts the record by amount (negative: back) of unit, with calendar carries: seconds to days
// move the clock and the calendar together (01/31 + 1 day = 02/01; 2100 is no leap year); months
// and years keep the day where the new month has it and else take the month's last day (01/31 +
// 1 month = 02/28 or 02/29). The day of the week is set for the new date; the millisecond is
// kept. False, with the record unchanged, for an invalid record or a result before 01/01/kFirstYear
// or after 9999.
bool shiftTime(core::SystemTime& t, int amount, DateUnit unit);

// A time box after one keystroke, kept in the form hh:mm:ss: the text and the caret position.
struct TimeBoxEdit {
  std::string text;
  int caret = 0;
};
// Typing overwrites: the character typed at caret - 1 replaces the one that followed it; a
// deletion puts zeros where the characters were; an hour above 23 becomes 00 (below 0: 23), a
// minute or second above 59 becomes 00 (below 0: 59); the caret skips the colons. A tag (five
// characters) is left alone; a pasted text longer than nine characters keeps its first eight.
[[nodiscard]] TimeBoxEdit fixTimeText(std::string_view text, int caret);

}  // namespace tools::file_ops
