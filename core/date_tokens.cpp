#include "core/date_tokens.h"

#include "core/file_times.h"
#include "core/vb.h"

#include <chrono>

namespace core {

namespace {

constexpr std::array<std::string_view, 12> kMonthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

// The openings of the four long tokens and their short forms, in the order they are shortened
// (Last Accessed first, so no shorter caption is replaced inside it).
constexpr std::array<DateSource, 4> kShortenOrder = {DateSource::Accessed, DateSource::Modified,
                                                     DateSource::Created, DateSource::Today};

char letterOf(DateSource source) {
  switch (source) {
    case DateSource::Modified: return 'M';
    case DateSource::Created: return 'C';
    case DateSource::Today: return 'T';
    case DateSource::Accessed: break;
  }
  return 'A';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// "dd/mm/yyyy hh:mm:ss" exactly: anything else is formatted as an unknown time.
bool isStamp(std::string_view s) {
  if (s.size() != 19) return false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char want = i == 2 || i == 5 ? '/' : i == 10 ? ' ' : i == 13 || i == 16 ? ':' : '#';
    if (want == '#' ? !isDigit(s[i]) : s[i] != want) return false;
  }
  return true;
}

std::string shortOpening(DateTokenStyle style, DateSource source) {
  std::string s = "<D";
  s += letterOf(source);
  if (style == DateTokenStyle::Semicolon) s += ';';
  return s;
}

std::string longOpening(DateTokenStyle style, DateSource source) {
  const char sep = style == DateTokenStyle::Semicolon ? ';' : ':';
  std::string s = "<Date";
  s += sep;
  s += dateSourceCaption(source);
  // The colon style's separator before the format belongs to the opening; the semicolon style
  // keeps it behind the short opening.
  if (style == DateTokenStyle::Colon) s += sep;
  return s;
}

}  // namespace

std::string_view englishMonthName(int month) {
  return month >= 1 && month <= 12 ? kMonthNames[static_cast<std::size_t>(month - 1)] : std::string_view{};
}

std::string dateStamp(const SystemTime& r) {
  if (!r.known) return {};
  return padZero(r.day, 2) + "/" + padZero(r.month, 2) + "/" + padZero(r.year, 4) + " " + padZero(r.hour, 2) +
         ":" + padZero(r.minute, 2) + ":" + padZero(r.second, 2);
}

SystemTime localNow() {
  const auto since = std::chrono::system_clock::now().time_since_epoch();
  const auto sec = std::chrono::duration_cast<std::chrono::seconds>(since);
  const auto nsec = std::chrono::duration_cast<std::chrono::nanoseconds>(since - sec);
  return localRecord(sec.count(), static_cast<std::uint32_t>(nsec.count()));
}

std::string nowDateStamp() { return dateStamp(localNow()); }

std::string formatDateStamp(std::string_view stamp, std::string_view format) {
  const bool known = isStamp(stamp);
  const auto part = [&](std::size_t start, std::size_t len) {
    return known ? std::string(stamp.substr(start - 1, len)) : std::string();
  };
  // Every word but "Month" becomes digits, so no later word can match inside an earlier value.
  std::string out = vb::Replace(format, "hh", part(12, 2));
  out = vb::Replace(out, "mi", part(15, 2));
  out = vb::Replace(out, "ss", part(18, 2));
  out = vb::Replace(out, "yyyy", part(7, 4));
  out = vb::Replace(out, "yy", part(9, 2));
  out = vb::Replace(out, "dd", part(1, 2));
  out = vb::Replace(out, "mo", part(4, 2));
  const int month = known ? (stamp[3] - '0') * 10 + (stamp[4] - '0') : 0;
  return vb::Replace(out, "Month", englishMonthName(month));
}

DateSource dateSourceOfLetter(char letter) {
  switch (letter) {
    case 'M': return DateSource::Modified;
    case 'C': return DateSource::Created;
    case 'T': return DateSource::Today;
    default: return DateSource::Accessed;
  }
}

std::string_view dateSourceCaption(DateSource source) {
  switch (source) {
    case DateSource::Modified: return "File Modified";
    case DateSource::Created: return "File Created";
    case DateSource::Today: return "Today";
    case DateSource::Accessed: break;
  }
  return "File Last Accessed";
}

std::string longDateToken(DateTokenStyle style, DateSource source, std::string_view format) {
  std::string s = longOpening(style, source);
  if (style == DateTokenStyle::Semicolon) s += ';';
  s += format;
  s += '>';
  return s;
}

std::string shortenDateTokens(std::string_view text, DateTokenStyle style) {
  std::string out(text);
  for (const DateSource source : kShortenOrder) {
    std::string shortForm = shortOpening(style, source);
    if (style == DateTokenStyle::Semicolon) shortForm.pop_back();  // the ";" stays behind it
    out = vb::Replace(out, longOpening(style, source), shortForm);
  }
  return out;
}

std::string expandDateTokens(std::string_view text, const DateTokenScan& scan,
                             const std::function<std::string(DateSource)>& stampOf, bool* malformed) {
  if (malformed) *malformed = false;
  std::string out(text);
  std::size_t p = out.find("<D");
  if (p == std::string::npos) return out;
  const std::size_t opening = scan.style == DateTokenStyle::Semicolon ? 4 : 3;
  while (p != std::string::npos) {
    const std::size_t q = out.find('>', p + 2);
    if (q == std::string::npos) break;
    if (q < p + opening) {  // "<D>" or "<DM>" in the semicolon style: no room for a format
      if (malformed) *malformed = true;
      p = out.find("<D", q + 1);
      continue;
    }
    const std::size_t from = p + opening;
    const std::string formatted = formatDateStamp(stampOf(dateSourceOfLetter(out[p + 2])), out.substr(from, q - from));
    const std::size_t replaced = q - from + (scan.keepClosingBracket ? 0 : 1);
    out.replace(from, replaced, formatted);
    p = out.find("<D", from + formatted.size());
  }
  for (const DateSource source : kShortenOrder) out = vb::Replace(out, shortOpening(scan.style, source), "");
  return out;
}

}  // namespace core
