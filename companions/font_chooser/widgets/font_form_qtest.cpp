// The font chooser's window as its program starts it, in a private home with no main program
// running: the system's fonts listed in the scheme's colours, the saved font selected and
// previewed, Done saving the selection (and saying it shows at the next start), Cancel and Esc
// saving nothing.
#include "companions/font_chooser/widgets/brannock_start.h"
#include "platform/settings_store.h"
#include "platform/test_home.h"
#include "ui_kit/accessible_names_test_support.h"
#include "ui_kit/ctrl_cmd.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace brannock;

class FontFormTest : public QObject {
  Q_OBJECT

  QStringList notices_;

  std::unique_ptr<FrmMain> start(const std::vector<std::string>& args) {
    std::unique_ptr<FrmMain> f = startBrannock(args);
    f->setNotice([this](const QString& title, const QString& text) { notices_ << title + "|" + text; });
    return f;
  }
  static QString selectedFont(FrmMain& f) {
    const auto items = f.fontList()->selectedItems();
    return items.isEmpty() ? QString() : items.front()->text();
  }
  static void select(FrmMain& f, const QString& family) {
    const auto items = f.fontList()->findItems(family, Qt::MatchExactly);
    QVERIFY(!items.isEmpty());
    f.fontList()->setCurrentItem(items.front());
  }
  // Two installed families, so that a test can change from one to the other.
  static QString family(int i) { return QFontDatabase::families().value(i); }

 private Q_SLOTS:
  void initTestCase() { QVERIFY2(QFontDatabase::families().size() >= 2, "the machine has too few fonts"); }
  void init() {
    notices_.clear();
    for (const char* word : {"vardulek", "gremvard"}) (void)platform::clearSettingsGroup(word);
  }

  // The list is read by its label's name, from the chooser's language file.
  void screenReadersHearEveryControlByItsLabel() {
    const std::unique_ptr<FrmMain> f = start({"Quarrow"});
    QVERIFY(QTest::qWaitForWindowExposed(f.get()));
    const QStringList problems = uikit::testing::accessibleNameProblems(f.get());
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1String("; "))));
    auto* label = f->findChild<QLabel*>(QStringLiteral("lblFonts"));
    QVERIFY(label && label->isVisible());
    QCOMPARE(label->buddy(), f->fontList());
    QCOMPARE(QAccessible::queryAccessibleInterface(f->fontList())->text(QAccessible::Name), QStringLiteral("Fonts"));
  }

  void listsTheSystemFontsWithTheSavedOneSelected() {
    (void)platform::writeSetting("vardulek", "myFont", family(1).toStdString());
    const std::unique_ptr<FrmMain> f = start({"Quarrow"});
    QVERIFY(QTest::qWaitForWindowExposed(f.get()));
    QCOMPARE(f->windowTitle(), QStringLiteral("Select Font"));
    QCOMPARE(f->fontList()->count(), QFontDatabase::families().size());
    QCOMPARE(selectedFont(*f), family(1));
    QCOMPARE(f->preview()->font().family(), family(1));
    QCOMPARE(f->fontList()->palette().color(QPalette::Base), QColor(0x40, 0x40, 0x40));
    QCOMPARE(f->fontList()->palette().color(QPalette::Text), QColor(0xFF, 0xFF, 0));
    // Clicking another entry previews it.
    f->fontList()->scrollToItem(f->fontList()->item(0));
    QTest::mouseClick(f->fontList()->viewport(), Qt::LeftButton, {},
                      f->fontList()->visualItemRect(f->fontList()->item(0)).center());
    QCOMPARE(selectedFont(*f), family(0));
    QCOMPARE(f->preview()->font().family(), family(0));
  }

  void aSavedFontThatIsNotInstalledSelectsNothing() {
    (void)platform::writeSetting("vardulek", "myFont", "No Such Font Family");
    const std::unique_ptr<FrmMain> f = start({"Quarrow"});
    const QFont design = QLabel().font();
    QCOMPARE(selectedFont(*f), QString());
    QCOMPARE(f->preview()->font().family(), design.family());
  }

  void doneSavesTheSelectionAndSaysWhenItShows_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("pick");
    QTest::addColumn<QString>("word");   // where the font is saved ("" nowhere)
    QTest::addColumn<bool>("notice");
    QTest::newRow("mainProgramNotRunning") << QStringList{"Quarrow"} << true << "vardulek" << true;
    QTest::newRow("otherCaller") << QStringList{"Gremvard"} << true << "gremvard" << true;
    QTest::newRow("nothingSelected") << QStringList{"Quarrow"} << false << "" << false;
    QTest::newRow("noCommandLine") << QStringList{} << true << "" << false;
    QTest::newRow("unknownCaller") << QStringList{"Someone"} << true << "" << false;
  }
  void doneSavesTheSelectionAndSaysWhenItShows() {
    QFETCH(QStringList, arguments);
    QFETCH(bool, pick);
    QFETCH(QString, word);
    QFETCH(bool, notice);
    std::vector<std::string> args;
    for (const QString& a : arguments) args.push_back(a.toStdString());
    const std::unique_ptr<FrmMain> f = start(args);
    QVERIFY(QTest::qWaitForWindowExposed(f.get()));
    if (pick) select(*f, family(1));
    QTest::mouseClick(f->findChild<uikit::CtrlCmd*>(QStringLiteral("cmdDone")), Qt::LeftButton);
    QVERIFY(!f->isVisible());
    for (const char* w : {"vardulek", "gremvard"}) {
      const std::string expected = word == QLatin1String(w) ? family(1).toStdString() : std::string();
      QCOMPARE(platform::readSetting(w, "myFont"), expected);
    }
    QCOMPARE(notices_, notice ? QStringList{"Success|The changes will appear the next time you start the program."}
                              : QStringList{});
  }

  void cancelAndEscSaveNothing() {
    std::unique_ptr<FrmMain> f = start({"Quarrow"});
    QVERIFY(QTest::qWaitForWindowExposed(f.get()));
    select(*f, family(1));
    QTest::mouseClick(f->findChild<uikit::CtrlCmd*>(QStringLiteral("cmdCancel")), Qt::LeftButton);
    QVERIFY(!f->isVisible());
    f = start({"Quarrow"});
    QVERIFY(QTest::qWaitForWindowExposed(f.get()));
    select(*f, family(1));
    QTest::keyClick(f->fontList(), Qt::Key_Escape);
    QVERIFY(!f->isVisible());
    QCOMPARE(platform::readSetting("vardulek", "myFont"), std::string());
    QVERIFY(notices_.isEmpty());
  }
};

int main(int argc, char** argv) {
  QTemporaryDir root;
  const platform::testing::IsolatedHome home(root.path().toStdString(),
                                             platform::testing::IsolatedHome::perVariable(""));
  QApplication app(argc, argv);
  FontFormTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "font_form_qtest.moc"
