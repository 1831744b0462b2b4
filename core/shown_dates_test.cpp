#include "core/shown_dates.h"

#include <gtest/gtest.h>

namespace {

TEST(ShownDates, TheMonthFollowsTheLanguageAndStoredNamesStayEnglish) {
  const QDate day(2026, 12, 11);
  struct Row {
    int lang;
    const char* date;
  } rows[] = {{0, "11 December 2026"}, {1, "11 d\xC3\xA9" "cembre 2026"}, {2, "11 Dezember 2026"},
              {3, "11 diciembre 2026"}, {4, "11 december 2026"}, {9, "11 December 2026"}};
  for (const Row& r : rows) {
    EXPECT_EQ(core::longDate(day, r.lang), r.date) << r.lang;
    // The stored stamp of a report in that language, and the stamp shown again from it.
    EXPECT_EQ(core::englishMonths(std::string(r.date) + " 10:00:00"), "11 December 2026 10:00:00") << r.lang;
    EXPECT_EQ(core::shownMonths("11 December 2026 10:00:00", r.lang), std::string(r.date) + " 10:00:00");
  }
  for (int month = 1; month <= 12; ++month) {
    const QDate d(2024, month, 5);
    for (int lang = 0; lang < 5; ++lang) EXPECT_EQ(core::englishMonths(core::longDate(d, lang)), core::longDate(d, 0));
  }
}

TEST(ShownDates, OnlyAWholeDateChanges) {
  for (const char* same : {"May 2024", "1 May 2024", "01 May 24", "01 Mayo 2024", "101 May 2024", "x", "",
                           "Results 01 Maybe 2024"}) {
    EXPECT_EQ(core::shownMonths(same, 1), same);
  }
  EXPECT_EQ(core::shownMonths("from 01 May 2024 to 02 June 2024 (2)", 2), "from 01 Mai 2024 to 02 Juni 2024 (2)");
}

}  // namespace
