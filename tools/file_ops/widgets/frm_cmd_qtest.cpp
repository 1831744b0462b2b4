// The batch builder with the real main window: what it loads at its making (the shipped code on a
// first run, never another tool's file), code files refused, loaded and saved, unsaved templates,
// the Insert Tag menus per tab and file choice, the job menus, and its texts whole in five languages.
#include "tools/file_ops/widgets/frm_cmd.h"

#include "core/file_content.h"
#include "core/settings.h"
#include "core/state.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/main_test_support.h"
#include "main_window/widgets/tool_launcher.h"
#include "tools/file_ops/widgets/frm_cmd_register.h"
#include "tools/frame/widgets/tool_language_qtest_support.h"
#include "ui_kit/file_dialog.h"
#include "ui_kit/message_box.h"
#include "ui_kit/results_viewer.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QTabBar>
#include <QTextCursor>
#include <QTest>
#include <QTimer>

#include <deque>
#include <memory>

using namespace mainwin;
using tools::file_ops::FrmCmd;

namespace {

// Answers each message box as it opens (the next scripted answer, else OK/Yes) and keeps its text.
// A box stays open for a moment after its answer: it is answered and counted once.
class Boxes : public QObject {
 public:
  Boxes() {
    timer_.setInterval(5);
    connect(&timer_, &QTimer::timeout, this, [this] {
      const auto open = uikit::openMessageBoxes();
      if (open.empty() || open.back() == answered_) return;
      answered_ = open.back();
      QString text;
      for (const QLabel* l : open.back()->findChildren<QLabel*>()) text += l->text();
      texts << text.simplified();
      const int answer = answers.empty() ? core::kAnswerYes : answers.front();
      if (!answers.empty()) answers.pop_front();
      open.back()->answer(answer);
    });
    timer_.start();
  }
  std::deque<int> answers;
  QStringList texts;

 private:
  QTimer timer_;
  QPointer<uikit::FrmResponse> answered_;
};

std::string readFile(const std::string& path) { return core::readBits(path).value_or("(missing)"); }

}  // namespace

class FrmCmdTest : public QObject {
  Q_OBJECT

  QString root_;
  std::unique_ptr<MainForm> main_;
  std::unique_ptr<Boxes> boxes_;

  std::string app() const { return core::coreState().appPath; }
  // A fresh builder (made again, as at a program start), opened from the operations menu.
  FrmCmd* open() {
    resetToolForms();
    return reopen();
  }
  FrmCmd* reopen() { return qobject_cast<FrmCmd*>(launchTool("menuConBatch", main_.get())); }
  static QString texts(FrmCmd* f) {
    return f->box(1)->toPlainText() + u'|' + f->box(2)->toPlainText() + u'|' + f->box(3)->toPlainText() + u'|' +
           f->box(4)->toPlainText();
  }

 private Q_SLOTS:
  void initTestCase() {
    MainForm::setDefaultProgramStarter([](const std::string&, const std::string&) {});
    core::saveSet("vardfilt", "1");
    core::saveSet("doTips", "0");
    tools::file_ops::registerCmdTool();
    FrmCmd::setJobLauncher([](const std::string&) { return tools::file_ops::JobLaunch{}; });
    main_ = std::make_unique<MainForm>(root_.toStdString() + "/");
    main_->show();
    boxes_ = std::make_unique<Boxes>();
  }
  void cleanupTestCase() {
    resetToolForms();
    main_.reset();
  }
  void init() {
    boxes_->answers.clear();
    boxes_->texts.clear();
  }
  void cleanup() {
    if (auto* r = uikit::FrmResults::current()) r->unload();
    if (auto* d = uikit::FrmBrowse::current()) d->unload();
    if (auto* f = qobject_cast<FrmCmd*>(toolFormInstance("frmCmd")); f && f->isVisible()) f->closeForm();
  }

  void aFirstRunLoadsTheShippedCodeAndRemembersIt() {
    core::saveSet("vardtlf", "");
    QFile::remove(QString::fromStdString(app() + "frmCmd.txt"));
    FrmCmd* f = open();
    QVERIFY(f && f->isVisible());
    const std::string shipped = core::coreState().dataPath + "Append.qw";
    QCOMPARE(core::getSet("vardtlf"), shipped);
    QVERIFY(f->code() == *tools::file_ops::parseBatchCode(readFile(shipped)));
    QVERIFY(!f->hasUnsavedChanges());
    QVERIFY(!f->action("menuLaunch")->isEnabled());
  }

  // vardtlf is shared with the rename tool and the extractor: their files are never loaded here,
  // and so never overwritten by this window's next close.
  void anotherToolsFileIsNeverLoaded() {
    const std::string rules = app() + "my rules.Ren";
    const std::string ruleText = "qw9ConfigsA_SepwinStateA_Sep0A_SeptxtStartA_Sep<name>A_Sep";
    QCOMPARE(core::OutputFile(rules, ruleText), 0);
    core::saveSet("vardtlf", rules);
    QFile::remove(QString::fromStdString(app() + "frmCmd.txt"));
    FrmCmd* f = open();
    QCOMPARE(f->box(3)->toPlainText().isEmpty(), false);  // the shipped code instead
    // With a state file of its own, that one.
    f->box(1)->setPlainText(QStringLiteral("echo mine"));
    f->closeForm();
    QCOMPARE(core::getSet("vardtlf"), app() + "frmCmd.txt");
    core::saveSet("vardtlf", rules);
    f = open();
    QCOMPARE(f->box(1)->toPlainText(), QStringLiteral("echo mine"));
    QCOMPARE(core::getSet("vardtlf"), app() + "frmCmd.txt");
    QCOMPARE(readFile(rules), ruleText);
  }

  void codeFilesAreRefusedLoadedAndSaved() {
    FrmCmd* f = open();
    const tools::file_ops::BatchCode before = f->code();
    const std::string notCode = app() + "notes.qw";
    QCOMPARE(core::OutputFile(notCode, "hello"), 0);
    QCOMPARE(int(f->loadHandle(QString::fromStdString(notCode))), 1);
    QCOMPARE(boxes_->texts.size(), qsizetype(1));  // "not a batch code file"
    QVERIFY(f->code() == before);

    // Save to a new name, then again over it: No keeps the dialog open, Yes replaces.
    f->box(3)->setPlainText(QStringLiteral("echo <myFile>"));
    f->findChild<QRadioButton*>(QStringLiteral("optFold"))->setChecked(true);
    QVERIFY(f->hasUnsavedChanges());
    const std::string saved = app() + "mine.qw";
    QFile::remove(QString::fromStdString(saved));
    QCOMPARE(int(f->saveHandle(QString::fromStdString(saved))), 0);
    QVERIFY(!f->hasUnsavedChanges());
    QCOMPARE(f->windowTitle(), QStringLiteral("mine.qw"));
    QCOMPARE(core::getSet("vardtlf"), saved);
    boxes_->answers = {core::kAnswerNo};
    QCOMPARE(int(f->saveHandle(QString::fromStdString(saved))), 1);
    const auto code = tools::file_ops::parseBatchCode(readFile(saved));
    QVERIFY(code && code->templates.file == "echo <myFile>");
    QCOMPARE(code->filter, tools::file_ops::BatchFilter::Folders);

    // A loaded code replaces the templates and takes the job away.
    QCOMPARE(core::OutputFile(f->jobPath(), "old job"), 0);
    f->box(3)->setPlainText(QStringLiteral("changed"));
    QCOMPARE(int(f->loadHandle(QString::fromStdString(saved))), 0);
    QCOMPARE(f->box(3)->toPlainText(), QStringLiteral("echo <myFile>"));
    QVERIFY(!QFile::exists(QString::fromStdString(f->jobPath())));
    QVERIFY(!f->action("menuSaveJ")->isEnabled());
  }

  // A code file of 3 GB (sparse: no disk used) is refused with a message, unread.
  void aHugeCodeFileIsRefusedUnread() {
    FrmCmd* f = open();
    const tools::file_ops::BatchCode before = f->code();
    const std::string huge = app() + "huge.qw";
    QCOMPARE(core::OutputFile(huge, ""), 0);
    QVERIFY(QFile::resize(QString::fromStdString(huge), qint64{3} << 30));
    QCOMPARE(int(f->loadHandle(QString::fromStdString(huge))), 1);
    QCOMPARE(boxes_->texts.size(), qsizetype(1));
    QVERIFY2(boxes_->texts[0].contains(QString::fromStdString(huge)), qPrintable(boxes_->texts[0]));
    QVERIFY(f->code() == before);
    QFile::remove(QString::fromStdString(huge));
  }

  void unsavedTemplatesAreOfferedForSavingBeforeTheyGo() {
    FrmCmd* f = open();
    f->box(2)->setPlainText(QStringLiteral("cd <myFold>"));
    // Clear, answered No: cleared without saving.
    boxes_->answers = {core::kAnswerSecond};
    f->menuClear();
    QCOMPARE(boxes_->texts.size(), qsizetype(1));
    QCOMPARE(texts(f), QStringLiteral("|||"));
    // Nothing changed since: no question.
    f->menuClear();
    QCOMPARE(boxes_->texts.size(), qsizetype(1));
    // Clear, answered Cancel: nothing happens.
    f->box(4)->setPlainText(QStringLiteral("tail"));
    boxes_->answers = {core::kAnswerNo};
    f->menuClear();
    QCOMPARE(f->box(4)->toPlainText(), QStringLiteral("tail"));
  }

  void insertTagFollowsTheTabAndTheFileChoice() {
    FrmCmd* f = open();
    f->findChild<QRadioButton*>(QStringLiteral("optAll"))->setChecked(true);
    const auto enabled = [f](const char* name) { return f->action(QLatin1String(name))->isEnabled(); };
    f->selectTab(1);
    QVERIFY(!enabled("menuPath") && !enabled("menuFile") && !enabled("menuDate"));
    f->selectTab(2);
    QVERIFY(enabled("menuPath") && !enabled("menuFile"));
    f->box(2)->setPlainText(QStringLiteral("cd ;"));
    QTextCursor c = f->box(2)->textCursor();
    c.setPosition(3);
    f->box(2)->setTextCursor(c);
    f->action("menuPath")->trigger();
    QCOMPARE(f->box(2)->toPlainText(), QStringLiteral("cd <myFold>;"));
    QCOMPARE(f->box(2)->textCursor().position(), 11);
    f->selectTab(3);
    QVERIFY(enabled("menuPath") && enabled("menuFile") && enabled("menuDate"));
    f->box(3)->clear();
    f->action("menuPath")->trigger();  // a folder tag on the file tab goes into the file template
    f->dateItem(QStringLiteral("menuMod"), 7)->trigger();
    f->dateItem(QStringLiteral("menuToday"), 17)->trigger();
    QCOMPARE(f->box(3)->toPlainText(), QStringLiteral("<myFold><Date;File Modified;yyyymodd><Date;Today;Month>"));
    // Work On Folders: no file template, no file or folder items on the file tab.
    f->findChild<QRadioButton*>(QStringLiteral("optFold"))->setChecked(true);
    QVERIFY(!enabled("menuPath") && !enabled("menuFile"));
    QVERIFY(!f->box(3)->isEnabled());
    f->findChild<QRadioButton*>(QStringLiteral("optRead"))->setChecked(true);
    QVERIFY(enabled("menuFile") && f->box(3)->isEnabled());
  }

  // Tab in a template moves the focus on, as in every other box: no tab character is typed.
  void tabInATemplateMovesTheFocusOn() {
    FrmCmd* f = open();
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(f));
    for (int tab = 1; tab <= 4; ++tab) {
      f->selectTab(tab);
      f->box(tab)->setPlainText(QStringLiteral("echo"));
      f->box(tab)->setFocus();
      QTest::keyClick(f->box(tab), Qt::Key_Tab);
      QCOMPARE(f->box(tab)->toPlainText(), QStringLiteral("echo"));
      QVERIFY(!f->box(tab)->hasFocus());
    }
  }

  void theJobMenusFollowTheJob() {
    FrmCmd* f = open();
    f->menuLaunch();  // no job yet
    QCOMPARE(boxes_->texts.size(), qsizetype(1));
    QVERIFY(boxes_->texts[0].contains(QString::fromStdString(f->jobPath())));
    QVERIFY(!f->action("menuEdit")->isEnabled());
    f->menuCompile();
    QTRY_VERIFY(uikit::FrmResults::current());
    QVERIFY(QFile::exists(QString::fromStdString(f->jobPath())));
    for (const char* name : {"menuEdit", "menuLaunch", "menuSaveJ"}) QVERIFY2(f->action(QLatin1String(name))->isEnabled(), name);
    std::string edited;
    FrmCmd::setEditorOpener([&](const std::string& p) {
      edited = p;
      return true;
    });
    f->menuEdit();
    QCOMPARE(edited, f->jobPath());
    FrmCmd::setEditorOpener({});
    // A copy of the job, through the file dialog's save.
    f->menuSaveJ();
    const std::string copy = root_.toStdString() + "/job copy.sh";
    QCOMPARE(int(f->saveHandle(QString::fromStdString(copy))), 0);
    QCOMPARE(readFile(copy), readFile(f->jobPath()));
  }

  void closingAndOpeningKeepsTheTemplates() {
    FrmCmd* f = open();
    f->box(1)->setPlainText(QStringLiteral("#!/bin/sh"));
    f->closeForm();
    QVERIFY(!f->isVisible());
    QCOMPARE(reopen(), f);
    QCOMPARE(f->box(1)->toPlainText(), QStringLiteral("#!/bin/sh"));
    f->closeForm();
    f = open();  // the next program start
    QCOMPARE(f->box(1)->toPlainText(), QStringLiteral("#!/bin/sh"));
  }

  void everyTextShowsWholeInEveryLanguage() {
    const tools::testing::LanguagePass pass = tools::testing::inEveryLanguage<FrmCmd>(
        [&] { return open(); }, [](FrmCmd* f, const tools::testing::Check& check) {
          QVERIFY(QTest::qWaitForWindowExposed(f));
          QTest::qWait(20);
          check();
          QVERIFY(!f->tabBoxes()->tabText(1).isEmpty());
        });
    QVERIFY2(pass.problems.isEmpty(), qPrintable(pass.problems.join(u'\n')));
  }

 public:
  explicit FrmCmdTest(QString root) : root_(std::move(root)) {}
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  FrmCmdTest t(root + QStringLiteral("/work"));
  QDir().mkpath(root + QStringLiteral("/work"));
  return QTest::qExec(&t, argc, argv);
}
#include "frm_cmd_qtest.moc"
