#include "properties_editor/editor_fields.h"

#include "core/file_times.h"
#include "core/vb.h"

#include <QDate>

#include <algorithm>

namespace propedit {

namespace {

constexpr int kTimeLength = 8;

// Int(Val(s)) of characters from..from+len-1 (1-based), as the boxes are read.
std::int64_t field(std::string_view text, std::size_t from, std::size_t len) {
  return vb::ValInt(vb::Mid(text, from, len));
}

int wrap(std::int64_t v, int max) {
  if (v > max) return 0;
  if (v < 0) return max;
  return static_cast<int>(v);
}

bool invalidNameChar(QChar c) {
  static const QString kInvalid = QStringLiteral("/\\|:*?<>\"");
  return kInvalid.contains(c);
}

}  // namespace

MaskedText maskTimeField(const QString& text, int caret) {
  caret = std::max(0, caret);
  QString t;
  if (caret >= kTimeLength + 1) {
    t = text.left(kTimeLength);
    caret = kTimeLength;
  } else {
    t = text.left(caret) + text.right(kTimeLength - caret);
  }
  if (t.size() < kTimeLength) t = QString(kTimeLength - t.size(), u'0') + t;
  const std::string s = t.toStdString();
  const int h = wrap(field(s, 1, 2), 23);
  const int m = wrap(field(s, 4, 2), 59);
  const int sec = wrap(field(s, 7, 2), 59);
  const QString out = QString::fromStdString(core::padZero(h, 2) + ":" + core::padZero(m, 2) + ":" +
                                             core::padZero(sec, 2));
  if (caret == 2 || caret == 5) ++caret;
  return {out, caret};
}

MaskedText filterTypedName(const QString& before, const QString& after, int caret) {
  caret = std::clamp(caret, 0, static_cast<int>(after.size()));
  // A keystroke or paste leaves the caret at the end of what it inserted, and the text behind the
  // caret as it was. Anything else (undo, redo) is measured from both ends of the texts.
  qsizetype suffix = after.size() - caret;
  if (suffix > before.size() || after.mid(caret) != before.right(suffix)) {
    suffix = 0;
    while (suffix < after.size() && suffix < before.size() &&
           after[after.size() - 1 - suffix] == before[before.size() - 1 - suffix])
      ++suffix;
  }
  const qsizetype insertedEnd = after.size() - suffix;
  const qsizetype limit = std::min(insertedEnd, before.size() - suffix);
  qsizetype start = 0;
  while (start < limit && after[start] == before[start]) ++start;
  QString cleaned;
  for (qsizetype i = start; i < insertedEnd; ++i) {
    if (!invalidNameChar(after[i])) cleaned += after[i];
  }
  const qsizetype removed = (insertedEnd - start) - cleaned.size();
  if (removed == 0) return {after, caret};
  return {after.left(start) + cleaned + after.mid(insertedEnd), static_cast<int>(insertedEnd - removed)};
}

std::string sizeText(std::uint64_t bytes) {
  const std::string digits = std::to_string(bytes);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out + " Bytes";
}

std::string formatEditorTime(const core::SystemTime& t) {
  if (!t.known) return {};
  return core::padZero(t.month, 2) + "/" + core::padZero(t.day, 2) + "/" + core::padZero(t.year, 4) + " " +
         core::padZero(t.hour, 2) + ":" + core::padZero(t.minute, 2) + ":" + core::padZero(t.second, 2);
}

std::optional<core::SystemTime> readTimeBoxes(std::string_view date, std::string_view time) {
  const std::int64_t month = field(date, 1, 2);
  const std::int64_t day = field(date, 4, 2);
  const std::int64_t year = date.size() >= 4 ? vb::ValInt(vb::Right(date, 4)) : 0;
  const std::int64_t hour = field(time, 1, 2);
  const std::int64_t minute = field(time, 4, 2);
  const std::int64_t second = field(time, 7, 2);
  if (year < 1 || year > 9999 || !QDate::isValid(static_cast<int>(year), static_cast<int>(month),
                                                     static_cast<int>(day)))
    return std::nullopt;
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return std::nullopt;
  core::SystemTime t;
  t.year = static_cast<std::uint16_t>(year);
  t.month = static_cast<std::uint16_t>(month);
  t.day = static_cast<std::uint16_t>(day);
  t.hour = static_cast<std::uint16_t>(hour);
  t.minute = static_cast<std::uint16_t>(minute);
  t.second = static_cast<std::uint16_t>(second);
  t.dayOfWeek = static_cast<std::uint16_t>(QDate(t.year, t.month, t.day).dayOfWeek() % 7);
  return t;
}

}  // namespace propedit
