#include "ui_kit/calendar_date.h"
#include "ui_kit/ctrl_calendar.h"

#include <QLineEdit>
#include <QStandardPaths>
#include <QTest>

using uikit::CtrlCalendar;

namespace {
const QDate kToday(2025, 6, 18);  // a Wednesday
}

class CalendarTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

  void parse_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("day");
    QTest::newRow("leap day") << "02/29/2024" << 2024 << 2 << 29;
    QTest::newRow("empty box: today") << "" << 2025 << 6 << 18;
    QTest::newRow("all out of range: today") << "13/45/1800" << 2025 << 6 << 18;
    QTest::newRow("impossible day kept") << "02/31/2025" << 2025 << 2 << 31;
    QTest::newRow("letters: today") << "ab/cd/efgh" << 2025 << 6 << 18;
    QTest::newRow("last year of the list") << "12/01/2107" << 2107 << 12 << 1;
    QTest::newRow("past the list") << "12/01/2108" << 2025 << 12 << 1;
  }
  void parse() {
    QFETCH(QString, text);
    const uikit::BoxDate d = uikit::parseBoxDate(text, kToday);
    QTEST(d.year, "year");
    QTEST(d.month, "month");
    QTEST(d.day, "day");
  }

  void format() {
    QCOMPARE(uikit::formatBoxDate(3, 7, 2025), QStringLiteral("03/07/2025"));
    QCOMPARE(uikit::formatBoxDate(2, 31, 2025), QStringLiteral("02/31/2025"));
    QCOMPARE(uikit::formatBoxDate(12, 1, 1901), QStringLiteral("12/01/1901"));
  }

  void setBoxShowsMonthAndWritesNothing() {
    QLineEdit box(QStringLiteral("02/29/2024"));
    CtrlCalendar cal;
    cal.setTodayProvider([] { return kToday; });
    cal.setBox(&box);
    QVERIFY(cal.calendarShown());
    QCOMPARE(cal.shownYear(), 2024);
    QCOMPARE(cal.shownMonth(), 2);
    QCOMPARE(cal.dayCaption(4), QStringLiteral("1"));  // Thursday column
    QCOMPARE(cal.dayCaption(3), QString());
    QCOMPARE(cal.markedIndex(), 4 + 28);
    QCOMPARE(box.text(), QStringLiteral("02/29/2024"));
  }

  void emptyBoxOpensToday() {
    QLineEdit box;
    CtrlCalendar cal;
    cal.setTodayProvider([] { return kToday; });
    cal.setBox(&box);
    QCOMPARE(cal.shownMonth(), 6);
    QCOMPARE(cal.dayCaption(cal.markedIndex()), QStringLiteral("18"));
    QCOMPARE(box.text(), QString());
  }

  void pickingWritesBack() {
    QLineEdit box(QStringLiteral("03/31/2025"));
    CtrlCalendar cal;
    cal.setTodayProvider([] { return kToday; });
    cal.setBox(&box);
    // March 2025 starts on a Saturday and has 31 days: labels 6 to 36.
    QCOMPARE(cal.dayCaption(6), QStringLiteral("1"));
    QCOMPARE(cal.dayCaption(36), QStringLiteral("31"));
    QCOMPARE(cal.dayCaption(37), QString());
    cal.clickDay(6 + 6);  // the 7th
    QCOMPARE(box.text(), QStringLiteral("03/07/2025"));
    cal.clickDay(2);  // an empty cell: nothing
    QCOMPARE(box.text(), QStringLiteral("03/07/2025"));
    cal.clickDay(36);
    cal.chooseMonth(2);  // the 31st carries over into February
    QCOMPARE(box.text(), QStringLiteral("02/31/2025"));
    QCOMPARE(cal.markedIndex(), -1);
    cal.chooseYear(2024);
    QCOMPARE(box.text(), QStringLiteral("02/31/2024"));
  }

  void resetWritesTodayAndCloseHides() {
    QLineEdit box(QStringLiteral("01/05/1999"));
    CtrlCalendar cal;
    cal.setTodayProvider([] { return kToday; });
    cal.setBox(&box);
    cal.reset();
    QCOMPARE(box.text(), QStringLiteral("06/18/2025"));
    cal.doubleClickDay(cal.markedIndex());
    QVERIFY(!cal.calendarShown());
    cal.chooseMonth(1);  // hidden: redraws write nothing
    QCOMPARE(box.text(), QStringLiteral("06/18/2025"));
    cal.setProperty("isVisible", true);
    QVERIFY(cal.calendarShown());
    cal.closeCalendar();
    QVERIFY(!cal.property("isVisible").toBool());
  }
};

QTEST_MAIN(CalendarTest)
#include "ctrl_calendar_qtest.moc"
