#include "core/shown_dates.h"

#include <QLocale>

#include <array>
#include <cctype>

namespace core {

namespace {

constexpr std::array<QLocale::Language, 5> kLanguages{QLocale::English, QLocale::French, QLocale::German,
                                                      QLocale::Spanish, QLocale::Dutch};

QLocale localeOf(int langIndex) {
  const auto i = langIndex >= 0 && langIndex < static_cast<int>(kLanguages.size()) ? langIndex : 0;
  return QLocale(kLanguages[static_cast<std::size_t>(i)]);
}

// The month's name as it stands in "dd MMMM yyyy" in language langIndex.
std::string monthName(int month, int langIndex) {
  return localeOf(langIndex).monthName(month, QLocale::LongFormat).toStdString();
}

bool digitsAt(std::string_view text, std::size_t at, std::size_t count) {
  if (at + count > text.size()) return false;
  for (std::size_t i = at; i < at + count; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

// The month (1..12) whose name in some language starts text at `at` and is followed by a blank and
// four digits; 0 when none. nameLength gets the name's length.
int monthAt(std::string_view text, std::size_t at, std::size_t& nameLength) {
  for (int lang = 0; lang < static_cast<int>(kLanguages.size()); ++lang) {
    for (int month = 1; month <= 12; ++month) {
      const std::string name = monthName(month, lang);
      if (name.empty() || text.substr(at, name.size()) != name) continue;
      const std::size_t after = at + name.size();
      if (after < text.size() && text[after] == ' ' && digitsAt(text, after + 1, 4)) {
        nameLength = name.size();
        return month;
      }
    }
  }
  return 0;
}

std::string withMonthsIn(std::string_view text, int langIndex) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    // "dd " before the name, and not the end of a longer number.
    if (i >= 3 && text[i - 1] == ' ' && digitsAt(text, i - 3, 2) &&
        (i == 3 || !std::isdigit(static_cast<unsigned char>(text[i - 4])))) {
      std::size_t length = 0;
      if (const int month = monthAt(text, i, length); month != 0) {
        out += monthName(month, langIndex);
        i += length;
        continue;
      }
    }
    out += text[i++];
  }
  return out;
}

}  // namespace

std::string longDate(const QDate& date, int langIndex) {
  return localeOf(langIndex).toString(date, QStringLiteral("dd MMMM yyyy")).toStdString();
}

std::string shownMonths(std::string_view text, int langIndex) { return withMonthsIn(text, langIndex); }

std::string englishMonths(std::string_view text) { return withMonthsIn(text, 0); }

}  // namespace core
