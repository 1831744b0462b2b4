// The language chooser's window as its program starts it, in a private home: Done saves what the
// list shows as the command line asks, the notice for other character sets covers the choice and
// saves nothing, its link reports a page that cannot be opened, and the list takes the colour
// file's colours without the file being written.
#include "companions/language_chooser/widgets/dorvisk_start.h"
#include "core/companion_start.h"
#include "platform/program_paths.h"
#include "platform/settings_store.h"
#include "platform/test_home.h"
#include "ui_kit/accessible_names_test_support.h"
#include "ui_kit/ctrl_cmd.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace dorvisk;

class Form1Test : public QObject {
  Q_OBJECT

  static uikit::CtrlCmd* cmd(Form1& f, const char* name) {
    return f.findChild<uikit::CtrlCmd*>(QString::fromLatin1(name));
  }
  static QString colourFile() { return QString::fromStdString(platform::appDataDir() + "colfil.txt"); }
  static void writeColourFile(const QByteArray& text) {
    QFile f(colourFile());
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
  }

 private Q_SLOTS:
  void init() {
    for (const char* word : {"vardulek", "gremvard"}) (void)platform::clearSettingsGroup(word);
    QFile::remove(colourFile());
  }

  void doneSavesTheListedLanguage_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("pick");  // empty: the entry selected at start
    QTest::addColumn<bool>("warning");
    QTest::addColumn<QString>("saved");  // "myLang" of vardulek afterwards
    QTest::newRow("mainProgramPicksSpanish") << QStringList{"vardulek"} << "Español" << false << "3";
    QTest::newRow("firstEntryIsEnglish") << QStringList{"vardulek"} << "" << false << "0";
    QTest::newRow("dutchOffered") << QStringList{"vardulek"} << "Nederlands" << false << "4";
    QTest::newRow("germanOfferedUnderItsOwnName") << QStringList{"vardulek"} << "Deutsch" << false << "2";
    QTest::newRow("codePageNotice") << QStringList{"/u"} << "Español" << true << "";
    QTest::newRow("noCommandLine") << QStringList{} << "Español" << false << "";
  }
  void doneSavesTheListedLanguage() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, pick);
    QFETCH(bool, warning);
    QFETCH(QString, saved);
    std::vector<std::string> args;
    for (const QString& a : arguments) args.push_back(a.toStdString());
    const std::unique_ptr<Form1> f = startDorvisk(args);
    QVERIFY(QTest::qWaitForWindowExposed(f.get()));
    QCOMPARE(f->warningShown(), warning);
    QCOMPARE(cmd(*f, "cmdDone")->isVisible(), !warning);
    QCOMPARE(f->languageList()->currentText(), QStringLiteral("English"));
    if (!pick.isEmpty()) {
      f->languageList()->setCurrentIndex(f->languageList()->findText(pick));
      QCOMPARE(f->languageList()->currentText(), pick);
    }
    f->chooseLanguage();
    QVERIFY(!f->isVisible());
    QCOMPARE(f->result(), int(QDialog::Accepted));
    QCOMPARE(QString::fromStdString(platform::readSetting("vardulek", "myLang")), saved);
  }

  // The list has a label, in every language at once (no language is chosen yet), and is read by
  // it, not by the language it shows; the notice's controls are named too.
  void screenReadersHearEveryControlByItsLabel() {
    for (const char* argument : {"vardulek", "/u"}) {
      const std::unique_ptr<Form1> f = startDorvisk({argument});
      QVERIFY(QTest::qWaitForWindowExposed(f.get()));
      const QStringList problems = uikit::testing::accessibleNameProblems(f.get());
      QVERIFY2(problems.isEmpty(), qPrintable(QString::fromLatin1(argument) + ": " + problems.join("; ")));
    }
    const std::unique_ptr<Form1> f = startDorvisk({"vardulek"});
    auto* label = f->findChild<QLabel*>(QStringLiteral("lblLanguage"));
    QVERIFY(label && label->isVisible());
    QCOMPARE(label->buddy(), f->languageList());
    QCOMPARE(uikit::testing::spokenName(f->languageList(), QAccessible::queryAccessibleInterface(f->languageList())),
             QStringLiteral("Language / Langue / Sprache / Idioma / Taal"));
  }

  void okAndClosingSaveNothing() {
    std::unique_ptr<Form1> f = startDorvisk({"/u"});
    QVERIFY(QTest::qWaitForWindowExposed(f.get()));
    QVERIFY(cmd(*f, "cmdOK")->isVisible());
    QTest::mouseClick(cmd(*f, "cmdOK"), Qt::LeftButton);
    QVERIFY(!f->isVisible());

    f = startDorvisk({"vardulek"});
    QVERIFY(QTest::qWaitForWindowExposed(f.get()));
    f->languageList()->setCurrentIndex(3);
    QTest::keyClick(f.get(), Qt::Key_Escape);
    QVERIFY(!f->isVisible());
    QCOMPARE(platform::readSetting("vardulek", "myLang"), std::string());
    // Enter is Done.
    f = startDorvisk({"gremvard"});
    QVERIFY(QTest::qWaitForWindowExposed(f.get()));
    f->languageList()->setCurrentIndex(1);
    QTest::keyClick(cmd(*f, "cmdDone"), Qt::Key_Return);
    QCOMPARE(platform::readSetting("gremvard", "myLang"), std::string("1"));
  }

  void helpLinkTellsWhenThePageCannotBeOpened() {
    const std::unique_ptr<Form1> f = startDorvisk({"/u"});
    QStringList notices, opened;
    f->setNotice([&](const QString& text) { notices << text; });
    bool opens = true;
    f->setPageOpener([&](std::string_view address) {
      opened << QString::fromUtf8(address.data(), static_cast<int>(address.size()));
      return opens;
    });
    auto* link = f->findChild<QLabel*>(QStringLiteral("lblURL"));
    QVERIFY(link);
    Q_EMIT link->linkActivated(link->text());
    QCOMPARE(opened, QStringList{QString::fromUtf8(kHelpAddress.data())});
    QVERIFY(notices.isEmpty());
    opens = false;
    Q_EMIT link->linkActivated(link->text());
    QCOMPARE(notices, QStringList{QStringLiteral("There was an error when attempting to launch: ") +
                                  QString::fromUtf8(kHelpAddress.data())});
    QVERIFY(f->isVisible());  // the notice does not end the program
  }

  void listTakesTheColourFilesColours_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QColor>("back");
    QTest::addColumn<QColor>("fore");
    QTest::newRow("whiteOnBlack") << QByteArray("16777215,0") << QColor(Qt::white) << QColor(Qt::black);
    QTest::newRow("noComma") << QByteArray("16777215") << QColor(0x40, 0x40, 0x40) << QColor(0xFF, 0xFF, 0);
    QTest::newRow("noFile") << QByteArray() << QColor(0x40, 0x40, 0x40) << QColor(0xFF, 0xFF, 0);
  }
  void listTakesTheColourFilesColours() {
    QFETCH(QByteArray, file);
    QFETCH(QColor, back);
    QFETCH(QColor, fore);
    if (!file.isEmpty()) writeColourFile(file);
    const std::unique_ptr<Form1> f = startDorvisk({"vardulek"});
    const QPalette p = f->languageList()->palette();
    QCOMPARE(p.color(QPalette::Base), back);
    QCOMPARE(p.color(QPalette::Button), back);
    QCOMPARE(p.color(QPalette::Text), fore);
    QCOMPARE(f->findChild<QWidget*>(QStringLiteral("bakComDorvisk"))->palette().color(QPalette::Window), back);
    QFile read(colourFile());
    if (file.isEmpty()) {
      QVERIFY(!read.exists());
    } else {
      QVERIFY(read.open(QIODevice::ReadOnly));
      QCOMPARE(read.readAll(), file);  // read, never written
    }
  }
};

int main(int argc, char** argv) {
  QTemporaryDir root;
  const platform::testing::IsolatedHome home(root.path().toStdString(),
                                             platform::testing::IsolatedHome::perVariable(""));
  QApplication app(argc, argv);
  Form1Test t;
  return QTest::qExec(&t, argc, argv);
}
#include "form1_qtest.moc"
