// Dates as the user reads them: the month's name in the interface language (0 English, 1 French,
// 2 German, 3 Spanish, 4 Dutch, as coreState().langIndex), while names the programs store (the
// results history's files, the undo journals) keep the English month names older files rely on.
//
//   const std::string heading = core::longDate(QDate::currentDate(), core::coreState().langIndex);
//   // "11 décembre 2026" in French; "11 December 2026" in English or an unknown language
//   const std::string file = core::englishMonths(heading);                       // "11 December 2026"
//   const std::string shown = core::shownMonths("11 December 2026 10:00:00", 1);  // "11 décembre ..."
#pragma once

#include <QDate>

#include <string>
#include <string_view>

namespace core {

// The date as "dd MMMM yyyy" with the month's name in language langIndex (English outside 0..4).
[[nodiscard]] std::string longDate(const QDate& date, int langIndex);

// Each date "dd Month yyyy" in text (two digits, a blank, a month's name as longDate writes it in
// any of the five languages, a blank, four digits) with its month's name in language langIndex.
// Everything else, and a name outside such a date, stays as it is.
[[nodiscard]] std::string shownMonths(std::string_view text, int langIndex);
// The same, into English: the name a stored file takes whatever language its report was written in.
[[nodiscard]] std::string englishMonths(std::string_view text);

}  // namespace core
