// The editor window on its own: how each command line starts it, the boxes' input rules as a user
// types, saves that end or keep it open, the status line instead of message boxes, and its link
// served to another process.
#include "properties_editor/widgets/frm_main_b.h"

#include "core/companion_start.h"
#include "core/state.h"
#include "platform/file_attributes.h"
#include "platform/fs.h"
#include "platform/test_home.h"
#include "properties_editor/editor_command_line.h"
#include "properties_editor/editor_fields.h"
#include "properties_editor/file_properties.h"
#include "ui_kit/accessible_names_test_support.h"
#include "ui_kit/ctrl_calendar.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <memory>

using propedit::FrmMainB;

class EditorWindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> work_;
  int ended_ = 0;

  std::string dir() const { return work_->path().toStdString() + "/"; }
  std::string make(const std::string& name, const std::string& data = "x") const {
    std::ofstream(dir() + name, std::ios::binary) << data;
    return dir() + name;
  }
  std::unique_ptr<FrmMainB> open(const std::vector<std::string>& args) {
    auto f = std::make_unique<FrmMainB>();
    f->setEndProgram([this] { ++ended_; });
    f->start(propedit::parseEditorCommandLine(args, dir()));
    f->show();
    return f;
  }
  template <class T>
  static T* child(const FrmMainB& f, const char* name) {
    return f.findChild<T*>(QString::fromLatin1(name));
  }
  static void save(const FrmMainB& f) { QTest::mouseClick(child<uikit::CtrlCmd>(f, "cmdSave"), Qt::LeftButton); }
  static std::string modified(const std::string& p) {
    return propedit::formatEditorTime(propedit::loadFileProperties(p).file->modified);
  }
  // Runs the platform test helper against the editor's link while events run here.
  static bool sendFromOtherProcess(const QByteArray& message, int times) {
    QProcess p;
    p.start(QString::fromLocal8Bit(qgetenv("CORVANE_TEST_BIN")) + QStringLiteral("/platform_test_helper"),
            {QStringLiteral("send"), QStringLiteral("Properties Editor"), QStringLiteral("frmMainB"),
             QString::fromLatin1(message.toHex()), QString::number(times)});
    if (!p.waitForStarted(5000)) return false;
    QElapsedTimer t;
    t.start();
    while (p.state() != QProcess::NotRunning && t.elapsed() < 10000) QTest::qWait(20);
    QTest::qWait(100);
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
  }

 private Q_SLOTS:
  void init() {
    work_ = std::make_unique<QTemporaryDir>();
    ended_ = 0;
  }
  // By bytes: QTemporaryDir cannot remove a name that is not UTF-8.
  void cleanup() {
    std::error_code ec;
    std::filesystem::remove_all(dir(), ec);
  }

  void startsAsItsCommandLineSays_data() {
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<bool>("withPath");
    QTest::addColumn<bool>("alone");
    QTest::addColumn<bool>("serving");
    QTest::newRow("main program") << "?" << true << false << true;
    QTest::newRow("desktop entry") << "" << true << true << false;
    QTest::newRow("main program, empty list") << "" << false << true << true;
  }
  void startsAsItsCommandLineSays() {
    QFETCH(QString, prefix);
    QFETCH(bool, withPath);
    QFETCH(bool, alone);
    QFETCH(bool, serving);
    const std::string p = make("a b\nc.txt", std::string(1234, 'z'));
    std::vector<std::string> args;
    if (withPath) args.push_back(prefix.toStdString() + p);
    auto f = open(args);
    QCOMPARE(f->launchedAlone(), alone);
    QCOMPARE(f->servingLink(), serving);
    QCOMPARE(f->loadedPath(), withPath ? p : std::string());
    QCOMPARE(child<QLineEdit>(*f, "txtName")->text(), withPath ? QStringLiteral("a b\nc.txt") : QString());
    QCOMPARE(child<QLineEdit>(*f, "txtSize")->text(), withPath ? QStringLiteral("1,234 Bytes") : QString());
    QVERIFY(child<QLineEdit>(*f, "txtPath")->isReadOnly());
    QVERIFY(child<QLineEdit>(*f, "txtCreate")->isReadOnly());
    if (serving) {
      // A second editor started by the main program cannot serve the link: it is on its own.
      auto second = open({"?" + p});
      QVERIFY(!second->servingLink());
      QVERIFY(second->launchedAlone());
      QCOMPARE(second->loadedPath(), p);
    }
  }

  void nameFilterActsOnTypingOnly() {
    const std::string p = make("Shot 10:00.png");
    auto f = open({p});
    auto* name = child<QLineEdit>(*f, "txtName");
    name->setFocus();
    name->end(false);
    QTest::keyClicks(name, QStringLiteral("x:*"));
    QCOMPARE(name->text(), QStringLiteral("Shot 10:00.pngx"));
    QCOMPARE(name->cursorPosition(), 15);
    save(*f);
    QVERIFY(QFile::exists(QString::fromStdString(dir() + "Shot 10:00.pngx")));
    QCOMPARE(ended_, 1);  // started alone: a save that worked ends it
  }

  // The name box shows a byte that is not UTF-8 as U+FFFD; only the part typed comes from the text.
  void editingANameKeepsTheBytesNotTyped_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("typed");       // typed at the end of the name
    QTest::addColumn<QByteArray>("renamed");  // "": refused, nothing renamed
    QTest::newRow("byte outside UTF-8") << QByteArray("caf\xE9.txt") << "2" << QByteArray("caf\xE9.txt2");
    QTest::newRow("UTF-8 name") << QByteArray("caf\xC3\xA9.txt") << "2" << QByteArray("caf\xC3\xA9.txt2");
    QTest::newRow("sign typed where bytes are unknown")
        << QByteArray("caf\xE9.txt") << QString(QChar::ReplacementCharacter) << QByteArray();
  }
  void editingANameKeepsTheBytesNotTyped() {
    QFETCH(QByteArray, name);
    QFETCH(QString, typed);
    QFETCH(QByteArray, renamed);
    const std::string p = make(name.toStdString());
    auto f = open({"?" + p});
    auto* box = child<QLineEdit>(*f, "txtName");
    box->setFocus();
    box->end(false);
    QInputMethodEvent typing;  // as an input method types it: any character
    typing.setCommitString(typed);
    QApplication::sendEvent(box, &typing);
    save(*f);
    if (renamed.isEmpty()) {
      QVERIFY2(f->statusText().contains(QChar(QChar::ReplacementCharacter)), qPrintable(f->statusText()));
      QCOMPARE(f->loadedPath(), p);
      QVERIFY(std::filesystem::exists(p));
      QCOMPARE(std::distance(std::filesystem::directory_iterator(dir()), {}), 1);
      return;
    }
    QCOMPARE(f->statusText(), QStringLiteral("Renamed and saved."));
    QCOMPARE(f->loadedPath(), dir() + renamed.toStdString());
    QVERIFY(std::filesystem::exists(dir() + renamed.toStdString()));
    QVERIFY(!std::filesystem::exists(p));
  }

  // A dot-name is hidden by its name: the Hidden box follows the name as it is typed.
  void hiddenBoxFollowsTheNameTyped() {
    const std::string dot = make(".bar");
    auto f = open({dot});
    auto* hidden = child<uikit::CtrlCheckBox>(*f, "chkHidden");
    QCOMPARE(hidden->Value(), 1);
    QVERIFY(!hidden->Enabled());
    auto* name = child<QLineEdit>(*f, "txtName");
    name->setFocus();
    name->home(false);
    QTest::keyClick(name, Qt::Key_Delete);  // ".bar" -> "bar"
    QCOMPARE(name->text(), QStringLiteral("bar"));
    QCOMPARE(hidden->Value(), 0);
    QVERIFY(hidden->Enabled());
    QTest::mouseClick(hidden, Qt::LeftButton, {}, QPoint(8, 8));  // the user's choice...
    QCOMPARE(hidden->Value(), 1);
    QTest::keyClick(name, '.');  // ...is kept while a dot is typed and taken away again
    QVERIFY(!hidden->Enabled());
    QTest::keyClick(name, Qt::Key_Backspace);
    QCOMPARE(hidden->Value(), 1);
    QTest::mouseClick(hidden, Qt::LeftButton, {}, QPoint(8, 8));
    save(*f);
    QCOMPARE(f->statusText(), QStringLiteral("Renamed and saved."));
    QVERIFY(!platform::readAttributes(dir() + "bar").hidden);
    QCOMPARE(ended_, 1);

    // Started alone, "foo" renamed to ".foo" is saved and ends the editor.
    ended_ = 0;
    const std::string plain = make("foo");
    f = open({plain});
    name = child<QLineEdit>(*f, "txtName");
    hidden = child<uikit::CtrlCheckBox>(*f, "chkHidden");
    QVERIFY(hidden->Enabled());
    name->setFocus();
    name->home(false);
    QTest::keyClick(name, '.');
    QCOMPARE(hidden->Value(), 1);
    QVERIFY(!hidden->Enabled());
    save(*f);
    QCOMPARE(f->statusText(), QStringLiteral("Renamed and saved."));
    QVERIFY(std::filesystem::exists(dir() + ".foo"));
    QVERIFY(!platform::isListedHidden(dir() + ".foo"));
    QCOMPARE(ended_, 1);
  }

  void tickingFlagsKeepsTheName() {
    const std::string p = make("Shot 10:00.png");
    auto f = open({p});
    for (const char* flag : {"chkHidden", "chkRO"}) {
      QTest::mouseClick(child<uikit::CtrlCheckBox>(*f, flag), Qt::LeftButton, {}, QPoint(8, 8));
    }
    save(*f);
    QVERIFY(QFile::exists(QString::fromStdString(p)));
    QVERIFY(platform::isListedHidden(p));
    QVERIFY(platform::readAttributes(p).readOnly);
    QCOMPARE(ended_, 1);
  }

  void timeBoxKeepsItsFormAndOnlyItsTimeIsWritten() {
    const std::string p = make("t.txt");
    auto f = open({"?" + p});
    auto* time = child<QLineEdit>(*f, "txtModT");
    time->setText(QStringLiteral("13:45:00"));
    time->setFocus();
    time->setCursorPosition(0);
    QTest::keyClick(time, '2');
    QCOMPARE(time->text(), QStringLiteral("23:45:00"));
    QTest::keyClick(time, '9');  // 29 is no hour
    QCOMPARE(time->text(), QStringLiteral("00:45:00"));
    QCOMPARE(time->cursorPosition(), 3);  // moved past the colon
    const std::string dateBefore = modified(p).substr(0, 10);
    save(*f);
    QCOMPARE(modified(p), dateBefore + " 00:45:00");
    QCOMPARE(ended_, 0);  // started by the main program: stays open
    QVERIFY(f->statusText().startsWith(QStringLiteral("Saved")));
  }

  void impossibleInputGoesToTheStatusLine() {
    const std::string p = make("a.txt");
    make("b.txt");
    auto f = open({p});
    const std::string before = modified(p);
    child<QLineEdit>(*f, "txtMod")->setText(QStringLiteral("02/30/2001"));
    save(*f);
    QVERIFY2(f->statusText().contains(QStringLiteral("not a valid date")), qPrintable(f->statusText()));
    QCOMPARE(modified(p), before);
    QCOMPARE(ended_, 0);

    child<QLineEdit>(*f, "txtMod")->setText(QString::fromStdString(before.substr(0, 10)));
    child<QLineEdit>(*f, "txtName")->setText(QStringLiteral("b.txt"));
    save(*f);
    QVERIFY2(f->statusText().contains(QStringLiteral("already exists")), qPrintable(f->statusText()));
    QCOMPARE(f->loadedPath(), p);  // the old path is kept
    QCOMPARE(ended_, 0);           // a failed save does not end an editor started alone
    QVERIFY(QApplication::topLevelWidgets().size() >= 1);
  }

  // Every box is read by its label (the two boxes of a time each by a name of its own), the
  // calendar's lists by what they choose, not by the value they show; the boxes' order is shown
  // over them.
  void screenReadersHearEveryControlByItsLabel() {
    auto f = open({make("r.txt")});
    QVERIFY(QTest::qWaitForWindowExposed(f.get()));
    QStringList problems = uikit::testing::accessibleNameProblems(f.get());
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1String("; "))));
    const auto nameOf = [&](const char* object) {
      QWidget* w = f->findChild<QWidget*>(QString::fromLatin1(object));
      return uikit::testing::spokenName(w, QAccessible::queryAccessibleInterface(w));
    };
    QCOMPARE(nameOf("txtName"), QStringLiteral("Name"));
    QCOMPARE(nameOf("txtDos"), QStringLiteral("Full path"));
    QCOMPARE(nameOf("txtMod"), QStringLiteral("Modified date"));
    QCOMPARE(nameOf("txtAccessT"), QStringLiteral("Accessed time"));
    QCOMPARE(nameOf("chkRO"), QStringLiteral("Read Only"));

    auto* order = child<QLabel>(*f, "lblDateOrder");
    QVERIFY(order->isVisible());
    QCOMPARE(order->text(), QStringLiteral("mm/dd/yyyy"));
    auto* mod = child<QLineEdit>(*f, "txtMod");
    const QRect over = order->geometry(), box = mod->geometry();
    QVERIFY2(over.bottom() < box.top() && over.left() < box.right() && box.left() < over.right(),
             "the order stands over the date boxes");

    QTest::mouseClick(mod, Qt::LeftButton);
    QVERIFY(child<uikit::CtrlCalendar>(*f, "calMain")->calendarShown());
    problems = uikit::testing::accessibleNameProblems(f.get());
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1String("; "))));
    QCOMPARE(nameOf("comMonth"), QStringLiteral("Month"));
    QCOMPARE(nameOf("comYear"), QStringLiteral("Year"));
  }

  void dateBoxesOpenTheCalendarButNotCreated() {
    const std::string p = make("c.txt");
    auto f = open({p});
    auto* cal = child<uikit::CtrlCalendar>(*f, "calMain");
    QTest::mouseClick(child<QLineEdit>(*f, "txtCreate"), Qt::LeftButton);
    QVERIFY(!cal->calendarShown());
    auto* mod = child<QLineEdit>(*f, "txtMod");
    QTest::mouseClick(mod, Qt::LeftButton);
    QVERIFY(cal->calendarShown());
    QCOMPARE(cal->target(), mod);
    QVERIFY(f->rect().contains(cal->geometry()));
    // The boxes of the row stay in view.
    for (const char* name : {"txtMod", "txtModT"}) {
      auto* b = child<QLineEdit>(*f, name);
      QVERIFY(!cal->geometry().intersects(QRect(b->mapTo(f.get(), QPoint(0, 0)), b->size())));
    }
    QTest::keyClick(mod, Qt::Key_Escape);  // the first Esc closes the calendar only
    QVERIFY(!cal->calendarShown());
    QCOMPARE(ended_, 0);
    QTest::keyClick(child<QLineEdit>(*f, "txtName"), Qt::Key_Escape);
    QCOMPARE(ended_, 1);
  }

  void linkMessagesFollowTheMainProgram() {
    const std::string p = make("l.txt");
    auto f = open({});
    std::filesystem::create_directory(dir() + "sub");
    // A probe that leaves without a message does not end the editor.
    QVERIFY(sendFromOtherProcess({}, 0));
    QCOMPARE(ended_, 0);
    QVERIFY(f->launchedAlone());

    f->formLinkExecute(QByteArray::fromStdString(dir() + "sub"));
    QCOMPARE(f->loadedPath(), std::string());
    QVERIFY(f->statusText().contains(QStringLiteral("folder")));

    QVERIFY(sendFromOtherProcess(QByteArray::fromStdString(p), 1));
    QCOMPARE(f->loadedPath(), p);
    QVERIFY(!f->launchedAlone());
    QCOMPARE(ended_, 1);  // that link closed after carrying a path

    f->formLinkExecute("c:\\s");  // the main program's goodbye changes nothing
    QCOMPARE(f->loadedPath(), p);
    f->formLinkExecute(QByteArray::fromStdString(dir() + "sub") + QByteArray(1, '\0') + "x");
    QCOMPARE(f->loadedPath(), p);  // not cut at the NUL into the folder's path
  }
};

int main(int argc, char** argv) {
  static QTemporaryDir root;
  static const platform::testing::IsolatedHome home(root.path().toStdString(),
                                                    platform::testing::IsolatedHome::perVariable("env/"));
  QApplication app(argc, argv);
  core::startCompanion({.settingsWord = "mosquane"});
  EditorWindowTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "properties_editor_qtest.moc"
