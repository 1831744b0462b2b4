// Date formatting shared by every tool that writes dates into names, paths or texts: one set of
// English month names, the "dd/mm/yyyy hh:mm:ss" stamp, the format words (hh, mi, ss, yyyy, yy,
// dd, mo, Month) and the scan that expands short date tokens in a text.
//
// Two token spellings exist and both are kept, since stored rule sets, form states and code files
// hold them:
//   DateTokenStyle::Semicolon  long "<Date;File Modified;yyyymodd>"  short "<DM;yyyymodd>"
//   DateTokenStyle::Colon      long "<Date:File Modified:yyyymodd>"  short "<DMyyyymodd>"
//
// A time the file system does not record (the birth time on many file systems, SystemTime::known
// false) has the empty stamp "". Formatting the empty stamp gives the format with every format
// word replaced by nothing and its other characters kept ("yyyy-mo-dd" gives "--"), which is what
// a missing field gives in every tool. "Month" of a stamp whose month is not 1..12 is "" as well:
// no month 0 is ever looked up.
//
// Example (a tool's per-file expansion):
//   const std::string rule = core::shortenDateTokens(userText, core::DateTokenStyle::Semicolon);
//   const std::string runStamp = core::nowDateStamp();
//   std::string out = core::expandDateTokens(rule, {.style = core::DateTokenStyle::Semicolon},
//       [&](core::DateSource source) {
//         if (source == core::DateSource::Today) return runStamp;
//         return core::dateStamp(timesOfThisFile(source));   // "" for an unknown time
//       });
#pragma once

#include "core/state.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace core {

// "January" .. "December" for 1..12; "" for any other number. Always English.
[[nodiscard]] std::string_view englishMonthName(int month);

// The record as "dd/mm/yyyy hh:mm:ss" (every field zero-padded, the year to four digits); "" when
// the record is unknown.
[[nodiscard]] std::string dateStamp(const SystemTime& time);
// The present local time as a record and as a stamp.
[[nodiscard]] SystemTime localNow();
[[nodiscard]] std::string nowDateStamp();

// The format with its words replaced from a "dd/mm/yyyy hh:mm:ss" stamp, case-sensitive, each
// word everywhere, in this order: "hh" hour, "mi" minute, "ss" second, "yyyy" year, "yy" last two
// digits of the year, "dd" day, "mo" month number, "Month" the English month name. Every other
// character is kept. A stamp that is not of that shape (the empty stamp of an unknown time
// included) gives "" for every word.
[[nodiscard]] std::string formatDateStamp(std::string_view stamp, std::string_view format);

// The seventeen format words the date menus offer, in menu order.
inline constexpr std::array<std::string_view, 17> kDateFormatWords = {
    "hhmiss", "ddmoyy", "ddmoyyyy", "moddyy", "moddyyyy", "yymodd", "yyyymodd", "yyddmo", "yyyyddmo",
    "hh",     "mi",     "ss",       "dd",     "mo",       "yy",     "yyyy",     "Month"};

// Which time a date token stands for. The short token's third character picks it: "M" Modified,
// "C" Created, "T" Today, any other character Accessed.
enum class DateSource : std::uint8_t { Modified, Created, Accessed, Today };
[[nodiscard]] DateSource dateSourceOfLetter(char letter);
// "File Modified", "File Created", "File Last Accessed", "Today": the captions of the source menus
// and the words of the long tokens. Always English.
[[nodiscard]] std::string_view dateSourceCaption(DateSource source);

enum class DateTokenStyle : std::uint8_t {
  Semicolon,  // "<Date;File Modified;fmt>" -> "<DM;fmt>" (rename rules, appender, batch builder)
  Colon,      // "<Date:File Modified:fmt>" -> "<DMfmt>"  (copy target patterns)
};

// The long token a menu inserts, e.g. "<Date;File Modified;yyyymodd>".
[[nodiscard]] std::string longDateToken(DateTokenStyle style, DateSource source, std::string_view format);
// The text with the long date-token openings replaced by the short ones, case-sensitive, in this
// order: Last Accessed, Modified, Created, Today. The format and the closing ">" stay.
[[nodiscard]] std::string shortenDateTokens(std::string_view text, DateTokenStyle style);

struct DateTokenScan {
  DateTokenStyle style = DateTokenStyle::Semicolon;
  // True: each expanded token keeps its ">" (the rename rules and copy patterns remove every ">"
  // at a later step); false: the ">" goes with the format (appender, batch builder).
  bool keepClosingBracket = false;
};

// Expands the short date tokens of text. From each "<D": the next ">" closes the token (none: the
// scan stops); the format between the short opening and the ">" is replaced by
// formatDateStamp(stampOf(source), format); the scan goes on after the inserted text, so nothing
// inserted is scanned again. At the end every short opening ("<DC;" "<DM;" "<DA;" "<DT;", or
// "<DC" "<DM" "<DA" "<DT" in the colon style) is removed. A text without "<D" is returned as it
// is and stampOf (which must be callable) is not called. A "<D" whose ">" comes before the end of
// its opening (such as "<D>") is left as text; *malformed, when given, tells whether that happened.
[[nodiscard]] std::string expandDateTokens(std::string_view text, const DateTokenScan& scan,
                                           const std::function<std::string(DateSource)>& stampOf,
                                           bool* malformed = nullptr);

}  // namespace core
