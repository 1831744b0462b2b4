// The file date window with the real main window: opened from its menu, the creation-time boxes
// stay off, the modes show their frames, the insert menu offers the other times only and writes
// their tags, time boxes stay hh:mm:ss while typed over, the amount box keeps a number, a date box
// drops the calendar, Start sets the times of the main window's files or points at a bad box, and
// every text fits in every language.
#include "tools/file_ops/widgets/frm_date.h"

#include "core/pipeline.h"
#include "core/scripted_run_host.h"
#include "core/settings.h"
#include "core/state.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/main_test_support.h"
#include "main_window/widgets/tool_launcher.h"
#include "platform/fs.h"
#include "tools/file_ops/widgets/frm_date_attrib_tools.h"
#include "tools/frame/widgets/tool_language_qtest_support.h"
#include "tools/frame/widgets/tool_qtest_support.h"
#include "ui_kit/ctrl_calendar.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTest>

#include <ctime>
#include <memory>

using namespace tools::file_ops;
using tools::testing::child;

class FrmDateTest : public QObject {
  Q_OBJECT

  std::unique_ptr<mainwin::MainForm> main_;
  QString folder_;

  FrmDate* open() { return tools::testing::openTool<FrmDate>(main_.get(), "menuDates"); }
  static uikit::CtrlCheckBox* box(QWidget* w, const char* name) { return child<uikit::CtrlCheckBox>(w, name); }
  static QLineEdit* text(QWidget* w, const char* name) { return child<QLineEdit>(w, name); }
  static QStringList visibleEntries(QMenu* menu) {
    QStringList names;
    for (QAction* a : menu->actions()) {
      if (a->isVisible()) names << a->objectName();
    }
    return names;
  }

 private Q_SLOTS:
  void initTestCase() {
    folder_ = tools::testing::folderWithFile(QStringLiteral("dated"), QStringLiteral("report.txt"));
    QVERIFY(!folder_.isEmpty());
    main_ = tools::testing::startMainWindow(folder_, registerDateTool);
  }
  void cleanupTestCase() { main_.reset(); }
  void cleanup() {
    tools::testing::closeTool("frmDate");
  }

  void creationBoxesStayOffAndModesShowTheirFrame() {
    FrmDate* w = open();
    QVERIFY(w);
    child<QRadioButton>(w, "optChange")->setChecked(true);
    box(w, "chkCreate")->setValue(1);  // as a saved state would
    QCOMPARE(box(w, "chkCreate")->Value(), 0);
    QVERIFY(!box(w, "chkCreate")->Enabled());
    QVERIFY(!text(w, "txtCreateT")->isEnabled());
    box(w, "chkModify")->setValue(1);
    QVERIFY(text(w, "txtModify")->isEnabled());
    box(w, "chkModify")->setValue(0);
    QVERIFY(!text(w, "txtModify")->isEnabled());
    QVERIFY(child<QGroupBox>(w, "framChange")->isVisible());
    QVERIFY(!child<QGroupBox>(w, "framInc")->isVisible());
    // The boxes read month first, and the window says so beside them.
    auto* order = child<QLabel>(w, "lblOrder");
    QVERIFY(order->isVisible() && order->text().contains(QLatin1String("mm/dd/yyyy")));
    QCOMPARE(text(w, "txtModify")->accessibleDescription(), order->text());

    child<QRadioButton>(w, "optAdd")->setChecked(true);  // as a preset would
    QVERIFY(!child<QGroupBox>(w, "framChange")->isVisible());
    QVERIFY(child<QGroupBox>(w, "framInc")->isVisible());

    // The state saved on closing comes back through the same handlers.
    w->closeForm();
    w = open();
    QVERIFY(child<QRadioButton>(w, "optAdd")->isChecked());
    QVERIFY(child<QGroupBox>(w, "framInc")->isVisible());
    QCOMPARE(child<QComboBox>(w, "comType")->itemText(3), QStringLiteral("Days"));
  }

  void insertMenuOffersTheOtherTimesAndWritesTheirTags() {
    FrmDate* w = open();
    child<QRadioButton>(w, "optChange")->setChecked(true);
    box(w, "chkModify")->setValue(1);
    QMenu* menu = w->insertMenu(2);
    QCOMPARE(visibleEntries(menu), (QStringList{QStringLiteral("menuCreated"), QStringLiteral("menuAccessed")}));
    child<QAction>(w, "menuAccessed")->trigger();
    QCOMPARE(text(w, "txtModify")->text(), QStringLiteral("<DFA>"));
    menu = w->insertMenu(5);
    QCOMPARE(visibleEntries(menu), (QStringList{QStringLiteral("menuTimeCreated"), QStringLiteral("menuTimeModified")}));
    child<QAction>(w, "menuTimeModified")->trigger();
    QCOMPARE(text(w, "txtAccessT")->text(), QStringLiteral("<TFM>"));
  }

  void boxesKeepTheirFormWhileTyped() {
    FrmDate* w = open();
    child<QRadioButton>(w, "optChange")->setChecked(true);
    box(w, "chkModifyT")->setValue(1);
    QLineEdit* t = text(w, "txtModifyT");
    t->setText(QStringLiteral("00:00:00"));
    t->setFocus();
    t->setCursorPosition(0);
    QTest::keyClick(t, Qt::Key_1);
    QCOMPARE(t->text(), QStringLiteral("10:00:00"));
    QCOMPARE(t->cursorPosition(), 1);
    QTest::keyClick(t, Qt::Key_2);
    QCOMPARE(t->text(), QStringLiteral("12:00:00"));
    QCOMPARE(t->cursorPosition(), 3);
    QTest::keyClick(t, Qt::Key_7);
    QCOMPARE(t->text(), QStringLiteral("12:00:00"));  // minute 70 is no minute

    child<QRadioButton>(w, "optAdd")->setChecked(true);
    QLineEdit* add = text(w, "txtAdd");
    add->setText(QStringLiteral("12a"));
    QCOMPARE(add->text(), QStringLiteral("12"));
    add->setText(QStringLiteral("0"));
    QCOMPARE(add->text(), QStringLiteral("1"));
  }

  void aDateBoxDropsTheCalendar() {
    FrmDate* w = open();
    child<QRadioButton>(w, "optChange")->setChecked(true);
    box(w, "chkAccess")->setValue(1);
    QLineEdit* t = text(w, "txtAccess");
    t->setText(QStringLiteral("02/14/2021"));
    QTest::mouseClick(t, Qt::LeftButton);
    QVERIFY(w->calendar()->calendarShown());
    QCOMPARE(w->calendar()->target(), t);
    QCOMPARE(w->calendar()->shownMonth(), 2);
    QCOMPARE(w->calendar()->shownYear(), 2021);
    // It covers no button: the window grows to put Start and Close below it.
    auto* start = child<uikit::CtrlCmd>(w, "cmdStart");
    QTRY_VERIFY(!w->calendar()->geometry().intersects(QRect(start->mapTo(w, QPoint(0, 0)), start->size())));
    QVERIFY(w->rect().contains(QRect(start->mapTo(w, QPoint(0, 0)), start->size())));

    // Esc closes what is open and nothing more: the calendar (from its box or from within it),
    // then the window; the main window stays.
    QTest::keyClick(t, Qt::Key_Escape);
    QVERIFY(!w->calendar()->calendarShown());
    QVERIFY(w->isVisible());
    QTest::mouseClick(t, Qt::LeftButton);
    QVERIFY(w->calendar()->calendarShown());
    auto* month = w->calendar()->findChild<QComboBox*>(QStringLiteral("comMonth"));
    month->setFocus();
    QTest::keyClick(month, Qt::Key_Escape);
    QVERIFY(!w->calendar()->calendarShown());
    QVERIFY(w->isVisible());
    QCOMPARE(QApplication::focusWidget(), t);
    QTest::keyPress(t, Qt::Key_Escape);
    QVERIFY(!w->isVisible());
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(main_.get()));
    QTest::keyRelease(QApplication::focusWidget() ? QApplication::focusWidget() : main_.get(), Qt::Key_Escape);
    QCoreApplication::processEvents();
    QVERIFY(main_->isVisible());  // the release of the Esc that closed the window ends nothing

    w = open();
    child<QRadioButton>(w, "optAdd")->setChecked(true);
    QVERIFY(!w->calendar()->calendarShown());
  }

  void startSetsTheTimesOrPointsAtABadBox() {
    core::ScriptedRunHost host;
    host.realListing = true;
    host.mainFolder = folder_.toStdString() + "/";
    core::Pipeline pipe(host);
    tools::ToolWindow::usePipeline(&pipe);
    FrmDate* w = open();
    child<QRadioButton>(w, "optChange")->setChecked(true);
    for (const char* name : {"chkModifyT", "chkAccess", "chkAccessT"}) box(w, name)->setValue(0);
    box(w, "chkModify")->setValue(1);
    text(w, "txtModify")->setText(QStringLiteral("07/04/2021"));
    QTest::mouseClick(child<uikit::CtrlCmd>(w, "cmdStart"), Qt::LeftButton);
    QCOMPARE(host.results.size(), std::size_t(1));
    const platform::FileStatus st = platform::fileStatus(host.mainFolder + "report.txt", false);
    std::tm local{};
    const std::time_t sec = st.modified.sec;
    localtime_r(&sec, &local);
    QCOMPARE(local.tm_year + 1900, 2021);
    QCOMPARE(local.tm_mon + 1, 7);
    QCOMPARE(local.tm_mday, 4);

    text(w, "txtModify")->setText(QStringLiteral("02/30/2021"));
    QTest::mouseClick(child<uikit::CtrlCmd>(w, "cmdStart"), Qt::LeftButton);
    QCOMPARE(host.results.size(), std::size_t(1));
    QCOMPARE(host.questions.size(), std::size_t(1));
    QVERIFY(QString::fromStdString(host.questions[0].message).contains(QLatin1String("month/day/year")));
    QCOMPARE(QApplication::focusWidget(), text(w, "txtModify"));
  }

  void textsFitInEveryLanguage() {
    const QStringList titles = {QStringLiteral("Date And Time Stamps"), QStringLiteral("Dates et heures des fichiers"),
                                QStringLiteral("Datums- und Zeitstempel"), QStringLiteral("Fechas y horas de archivos"),
                                QStringLiteral("Datum- en tijdstempels")};
    const tools::testing::LanguagePass pass = tools::testing::inEveryLanguage<FrmDate>(
        [&] { return open(); }, [](FrmDate* w, const tools::testing::Check& check) {
          tools::testing::checkEachOption(w, check, {"optChange", "optAdd"});
        });
    QCOMPARE(pass.titles, titles);
    QVERIFY2(pass.problems.isEmpty(), qPrintable(pass.problems.join(QLatin1Char('\n'))));
  }
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  FrmDateTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "frm_date_qtest.moc"
