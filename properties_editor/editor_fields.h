// The editor's input fields apart from the window: the time boxes that keep the form "hh:mm:ss"
// while the user types over them, the name filter that refuses characters a typed name may not
// hold, reading the month-first date and time boxes, and the texts the window shows for a size
// and a time.
//
// Example (a time box's edit handler):
//   const MaskedText m = maskTimeField(box->text(), box->cursorPosition());
//   box->setText(m.text);
//   box->setCursorPosition(m.caret);
#pragma once

#include "core/state.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace propedit {

// A box's text and caret after a filter ran.
struct MaskedText {
  QString text;
  int caret = 0;
  friend bool operator==(const MaskedText&, const MaskedText&) = default;
};

// The time box after a keystroke: text is the box's text, caret the cursor position after the
// character was typed. The typed character replaces the one after it (typing at the end keeps the
// first 8 characters), the text is padded with "0" to 8, each field is read with Val and wrapped
// (hours over 23 become 0, below 0 become 23; minutes and seconds over 59 become 0, below 0
// become 59) and written as "hh:mm:ss". A caret on a colon (2 or 5) moves past it. A caret past
// the end (a paste) counts as typing at the end.
[[nodiscard]] MaskedText maskTimeField(const QString& text, int caret);

// The name box after the user typed or pasted: before is the text before the edit, after the text
// now, caret the cursor position now. Characters a typed name may not hold (/ \ | : * ? < > and the
// double quote) are removed from the inserted part only: a loaded name that holds them keeps them.
// The caret stays after the inserted part, less what was removed.
[[nodiscard]] MaskedText filterTypedName(const QString& before, const QString& after, int caret);

// "1,234,567,890 Bytes": the size with a separator every three digits.
[[nodiscard]] std::string sizeText(std::uint64_t bytes);

// A time record as the editor shows it: "MM/DD/YYYY hh:mm:ss", month first, each field two digits
// and the year four; "" for a record whose time is unknown.
[[nodiscard]] std::string formatEditorTime(const core::SystemTime& t);

// Reads a date box ("MM/DD/YYYY": month from characters 1-2, day from 4-5, year from the last 4,
// each with Val) and a time box ("hh:mm:ss": 1-2, 4-5, 7-8) into a local time record. nullopt for
// a date that does not exist (31 April, 29 February of a common year, month 13, year 0) or a time
// outside 00:00:00..23:59:59. Whether a file may be given that time is core::isSettableTime's
// question.
[[nodiscard]] std::optional<core::SystemTime> readTimeBoxes(std::string_view date, std::string_view time);

}  // namespace propedit
