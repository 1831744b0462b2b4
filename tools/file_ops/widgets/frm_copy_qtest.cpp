// The copy window as a user meets it, opened from the main window's menu on a real folder: its
// texts and preview, the path box and the insertion menus, the options that show and hide, a run
// and its undo from the undo menu, and its texts whole in each of the five languages.
#include "tools/file_ops/widgets/frm_copy.h"

#include "core/file_content.h"
#include "core/language_file.h"
#include "core/pipeline.h"
#include "core/scripted_run_host.h"
#include "core/settings.h"
#include "core/state.h"
#include "core/undo_journal.h"
#include "main_window/widgets/filter_panel.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/main_test_support.h"
#include "main_window/widgets/tool_launcher.h"
#include "tools/file_ops/widgets/frm_copy_registration.h"
#include "tools/frame/widgets/tool_language_qtest_support.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/dialog_test_support.h"
#include "ui_kit/message_box.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <memory>

using namespace tools::file_ops;

namespace {

QAction* actionNamed(QWidget* form, const char* name, const QString& text = {}) {
  for (QAction* a : form->findChildren<QAction*>(QString::fromLatin1(name))) {
    if (text.isEmpty() || a->text() == text) return a;
  }
  return nullptr;
}

// The message of the box waiting now, on one line, and the box answered with button.
QString answerBox(const char* button) {
  uikit::FrmResponse* box = uikit::testing::waitForBox();
  if (!box) return {};
  QString text;
  for (QLabel* l : box->findChildren<QLabel*>()) text += l->text();
  box->button(button)->click();
  return text.replace(QLatin1Char('\n'), QLatin1Char(' '));
}

}  // namespace

class FrmCopyTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> work_;
  std::string folder_;
  std::unique_ptr<mainwin::MainForm> main_;

  FrmCopy* open() {
    mainwin::launchTool("menuCopy", main_.get());
    auto* form = dynamic_cast<FrmCopy*>(mainwin::toolFormInstance("frmCopy"));
    if (form) QTest::qWait(20);
    return form;
  }
  void reopen() {
    if (auto* form = dynamic_cast<FrmCopy*>(mainwin::toolFormInstance("frmCopy")); form && form->isVisible())
      form->closeForm();
  }
  void setLanguage(int lang) {
    core::coreState().langIndex = lang;
    (void)core::loadLanguageFile("Main");
  }
  void write(const std::string& name, const std::string& content) { std::ofstream(folder_ + name) << content; }

 private Q_SLOTS:
  void initTestCase() {
    mainwin::MainForm::setDefaultProgramStarter([](const std::string&, const std::string&) {});
    core::saveSet("vardfilt", "1");
    core::saveSet("doTips", "0");
    core::saveSet("frmMainShowSub", "1");
    work_ = std::make_unique<QTemporaryDir>();
    folder_ = work_->path().toStdString() + "/";
    write("report.final.PDF", "pdf");
    write("notes.txt", "some notes");
    registerCopyTool();
    main_ = std::make_unique<mainwin::MainForm>(folder_);
    main_->show();
    QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
  }
  void cleanupTestCase() {
    reopen();
    main_.reset();
  }
  void cleanup() {
    reopen();
    setLanguage(0);
    tools::ToolWindow::usePipeline(nullptr);
  }

  void opensWithItsTextsAndAPreviewOfTheList() {
    FrmCopy* form = open();
    QVERIFY(form && form->isVisible());
    QCOMPARE(form->windowTitle(), QStringLiteral("Copy Or Move Files"));
    QCOMPARE(form->comCopyMove()->count(), 2);
    QCOMPARE(form->comCopyMove()->itemText(1), QStringLiteral("Move"));
    QCOMPARE(form->comDup()->count(), 3);
    form->txtPath()->setText(QStringLiteral("/backup/<FileExtension>"));
    QTreeWidget* preview = form->listViewPrev();
    QCOMPARE(preview->topLevelItemCount(), 2);
    QStringList targets;
    for (int i = 0; i < 2; ++i) targets << preview->topLevelItem(i)->text(1);
    targets.sort();
    QCOMPARE(targets, (QStringList{QStringLiteral("/backup/PDF/report.final.PDF"), QStringLiteral("/backup/txt/notes.txt")}));
  }

  void thePathBoxDropsWhatItMayNotHoldAtOnce() {
    FrmCopy* form = open();
    form->txtPath()->clear();
    form->txtPath()->setFocus();
    QTest::keyClicks(form->txtPath(), QStringLiteral("/a*b?\"c|d"));
    QCOMPARE(form->txtPath()->text(), QStringLiteral("/abcd"));
    QCOMPARE(form->txtPath()->cursorPosition(), 5);
  }

  void theMenusInsertHandlesAtTheCaret() {
    FrmCopy* form = open();
    QLineEdit* box = form->txtPath();
    box->clear();
    actionNamed(form, "menuUp")->trigger();
    QCOMPARE(box->text(), QStringLiteral("<FilePath><UpOneFolder>"));  // valid on its own
    box->setSelection(10, 13);
    actionNamed(form, "menuExt")->trigger();
    QCOMPARE(box->text(), QStringLiteral("<FilePath><FileExtension>"));
    box->setText(QStringLiteral("/x/"));
    actionNamed(form, "menuWord", QStringLiteral("Word 2"))->trigger();
    actionNamed(form, "menuDate1", QStringLiteral("yyyymodd"))->trigger();
    QCOMPARE(box->text(), QStringLiteral("/x/<FileWord2><Date:File Modified:yyyymodd>"));
    form->loadHandleFrmStr(QStringLiteral("3;4"));
    QVERIFY(box->text().endsWith(QStringLiteral("<CustSub;3;4>")));
  }

  // The date menus show translated source names but insert handles the expansion knows.
  void aTranslatedDateMenuStillInsertsAHandleThatWorks() {
    setLanguage(1);
    FrmCopy* form = open();
    QCOMPARE(form->findChild<QMenu*>(QStringLiteral("menuToday"))->title(), QStringLiteral("Aujourd'hui"));
    form->txtPath()->setText(QStringLiteral("/x/"));
    actionNamed(form, "menuDate4", QStringLiteral("yyyy"))->trigger();
    QCOMPARE(form->txtPath()->text(), QStringLiteral("/x/<Date:Today:yyyy>"));
    const QString year = QString::number(QDate::currentDate().year());
    QVERIFY(form->listViewPrev()->topLevelItem(0)->text(1).startsWith(QStringLiteral("/x/") + year));
  }

  void keepingTheStructureNeedsSubfolders() {
    main_->panel()->chkInclude->setValue(0);
    FrmCopy* form = open();
    QVERIFY(!form->chkPreserve()->Enabled());
    QTimer::singleShot(0, [&] { QVERIFY(answerBox("cmd6").contains(QStringLiteral("Include subfolders"))); });
    QTest::mouseClick(form->chkPreserve(), Qt::LeftButton, {}, QPoint(8, form->chkPreserve()->height() / 2));
    QCOMPARE(form->chkPreserve()->Value(), 0);
    QVERIFY(!form->readOptions().keepStructure);
    reopen();
    main_->panel()->chkInclude->setValue(1);
    form = open();
    QVERIFY(form->chkPreserve()->Enabled());
    form->chkPreserve()->setValue(1);
    QVERIFY(form->chkEmpty()->isVisible());
    QVERIFY(form->readOptions().keepStructure && form->readOptions().withSubfolders);
    form->chkPreserve()->setValue(0);
    QVERIFY(!form->chkEmpty()->isVisible());
    main_->panel()->chkInclude->setValue(0);
  }

  void theContentsFrameShowsAndTheWindowMakesRoomForIt() {
    FrmCopy* form = open();
    form->chkContents()->setValue(0);
    const int before = form->height();
    form->chkContents()->setValue(1);
    QVERIFY(form->framText()->isVisible());
    QVERIFY(form->height() > before);
    form->chkContents()->setValue(0);
    QVERIFY(!form->framText()->isVisible());
    QCOMPARE(form->height(), before);
  }

  void startCopiesAndTheUndoMenuTakesItBack() {
    core::ScriptedRunHost host;
    host.realListing = true;
    host.mainFolder = folder_;
    core::Pipeline pipe(host);
    tools::ToolWindow::usePipeline(&pipe);
    core::clearJournals(core::kCopyJournal);
    FrmCopy* form = open();
    QVERIFY(!form->menuRecent()->isEnabled());
    const std::string out = work_->path().toStdString() + "-out";
    form->txtPath()->setText(QString::fromStdString(out + "/<FileExtension>"));
    form->comCopyMove()->setCurrentIndex(0);
    form->comDup()->setCurrentIndex(0);
    form->cmdStartClick();
    QVERIFY(std::filesystem::exists(out + "/txt/notes.txt"));
    QVERIFY(std::filesystem::exists(folder_ + "notes.txt"));
    QVERIFY(form->menuRecent()->isEnabled());
    form->txtPath()->setText(QString::fromStdString(out + "/second"));
    form->cmdStartClick();
    // The newest run under "most recent", the older one as an entry of its own.
    int entries = 0;
    for (int slot = 1; slot <= 9; ++slot) entries += form->undoEntry(slot)->isVisible() ? 1 : 0;
    QCOMPARE(entries, 1);
    host.answers = {core::kAnswerYes};
    form->menuRecent()->trigger();
    QVERIFY(!std::filesystem::exists(out + "/second/notes.txt"));
    QVERIFY(std::filesystem::exists(out + "/txt/notes.txt"));
    QTimer::singleShot(0, [] { answerBox("cmd4"); });
    form->menuClear()->trigger();
    QVERIFY(!form->menuClear()->isEnabled());
    QVERIFY(!form->menuRecent()->isEnabled());
    std::filesystem::remove_all(out);
  }

  void aRefusedPatternStartsNothing() {
    core::ScriptedRunHost host;
    core::Pipeline pipe(host);
    tools::ToolWindow::usePipeline(&pipe);
    FrmCopy* form = open();
    form->txtPath()->setText(QStringLiteral("relative/folder"));
    form->cmdStartClick();
    QCOMPARE(host.questions.size(), std::size_t(1));
    QCOMPARE(host.questions[0].message, form->msg(43));
    QVERIFY(!host.progressShown);
  }

  void browseCloseTakesOnlyAFolderThatExists() {
    FrmCopy* form = open();
    form->browseClose(QString::fromStdString(folder_));
    QCOMPARE(form->txtPath()->text(), QString::fromStdString(folder_));
    QTimer::singleShot(0, [] { QVERIFY(answerBox("cmd6").contains(QStringLiteral("/no/such/folder"))); });
    form->browseClose(QStringLiteral("/no/such/folder"));
    QCOMPARE(form->txtPath()->text(), QString::fromStdString(folder_));
  }

  void everyTextFitsInEveryLanguage() {
    main_->panel()->chkInclude->setValue(1);
    const tools::testing::LanguagePass pass = tools::testing::inEveryLanguage<FrmCopy>(
        [&] { return open(); }, [](FrmCopy* form, const tools::testing::Check& check) {
          form->chkPreserve()->setValue(1);
          form->chkContents()->setValue(1);
          QTest::qWait(20);
          check();
          form->chkContents()->setValue(0);
          form->chkPreserve()->setValue(0);
        });
    main_->panel()->chkInclude->setValue(0);
    QVERIFY2(pass.problems.isEmpty(), qPrintable(pass.problems.join(QLatin1Char('\n'))));
  }
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  FrmCopyTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "frm_copy_qtest.moc"
