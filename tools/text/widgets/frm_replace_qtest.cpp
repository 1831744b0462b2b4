// The replace window on its own (a scripted host for its questions, a pipeline over a scripted
// run host): the option controls follow the options however they are set, tags go where the user
// was typing, the run list's buttons and files, the scratch list across closing and opening, and
// Start's checks and questions before a run on a real folder.
#include "tools/text/widgets/frm_replace.h"

#include "core/file_content.h"
#include "core/pipeline.h"
#include "core/scripted_run_host.h"
#include "core/settings.h"
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/fake_host.h"
#include "core/widgets/form_loader.h"
#include "core/widgets/form_show.h"
#include "main_window/widgets/main_test_support.h"
#include "tools/frame/widgets/tool_qtest_support.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/substring_dialog.h"

#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <memory>

using tools::text::FrmReplace;
namespace fs = std::filesystem;

namespace {

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

class FrmReplaceTest : public QObject {
  Q_OBJECT

  core::FakeHost host_;
  std::unique_ptr<core::ScopedHost> scopedHost_;
  core::ScriptedRunHost runHost_;
  core::Pipeline pipe_{runHost_};
  FrmReplace* form_ = nullptr;
  std::string folder_;

  template <class T>
  T* get(const char* name) const {
    return tools::testing::child<T>(form_, name);
  }
  QPlainTextEdit* box(const char* name) const { return get<QPlainTextEdit>(name); }
  uikit::CtrlCheckBox* check(const char* name) const { return get<uikit::CtrlCheckBox>(name); }
  QRadioButton* option(const char* name) const { return get<QRadioButton>(name); }
  void click(const char* name) const { get<uikit::CtrlCmd>(name)->click(); }
  void focusIn(QPlainTextEdit* b) const {
    QFocusEvent e(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(b, &e);
  }
  std::string lastMessage() const { return host_.responds.empty() ? std::string() : host_.responds.back().text; }
  std::string label() const { return get<QLabel>("lblMultRuns")->text().toStdString(); }
  std::string search() const { return box("txtSearch")->toPlainText().toStdString(); }

  void open() {
    int mode = 1;
    core::showForm(form_, nullptr, mode, 0, "Replace", 1);
  }
  void setRun(const char* search, const char* replacement) {
    box("txtSearch")->setPlainText(QString::fromUtf8(search));
    box("txtReplace")->setPlainText(QString::fromUtf8(replacement));
  }

 private Q_SLOTS:
  void initTestCase() {
    scopedHost_ = std::make_unique<core::ScopedHost>(host_);
    tools::ToolWindow::usePipeline(&pipe_);
    folder_ = core::coreState().tempPath + "work/";
    runHost_.realListing = true;
    runHost_.mainFolder = folder_;
    core::saveSet("sendContent", "1");
  }

  void init() {
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    fs::remove(FrmReplace::scratchPath());
    fs::remove(core::coreState().appPath + "frmReplace.txt");
    form_ = new FrmReplace();
    open();
    host_.responds.clear();
    host_.answers.clear();
    runHost_.questions.clear();
    runHost_.answers.clear();
  }
  void cleanup() {
    if (form_->isVisible()) form_->closeForm();
    delete form_;
    form_ = nullptr;
  }
  void cleanupTestCase() { tools::ToolWindow::usePipeline(nullptr); }

  // The size grip sits in the bottom right corner from the first show on, and follows a resize.
  void theSizeGripSitsInTheCorner() {
    auto* grip = get<QWidget>("CtrlDibber1");
    QVERIFY(grip && grip->isVisible());
    QCOMPARE(grip->geometry().bottomRight(), form_->rect().bottomRight());
    form_->resize(form_->width() + 40, form_->height() + 30);
    QTRY_COMPARE(grip->geometry().bottomRight(), form_->rect().bottomRight());
  }

  // Set with setChecked or Value, as presets and restored states do, not only by clicks.
  void optionControlsFollowTheOptions() {
    option("optContent")->setChecked(true);
    check("chkWildCards")->setValue(1);
    option("optWildAst")->setChecked(true);
    QVERIFY(get<QFrame>("framWild")->isVisibleTo(form_));
    QVERIFY(check("chkSpan")->isVisibleTo(form_));
    QVERIFY(check("chkSpan")->Enabled());
    option("optWildQuest")->setChecked(true);
    QVERIFY(!check("chkSpan")->Enabled());
    option("optFile")->setChecked(true);
    QVERIFY(!check("chkSpan")->isVisibleTo(form_));
    check("chkWildCards")->setValue(0);
    QVERIFY(!get<QFrame>("framWild")->isVisibleTo(form_));

    QVERIFY(!get<uikit::CtrlCmd>("cmdTags")->isVisibleTo(form_));
    check("chkTags")->setValue(1);
    QVERIFY(get<uikit::CtrlCmd>("cmdTags")->isVisibleTo(form_));

    check("chkMulRun")->setValue(1);
    QVERIFY(get<QFrame>("framMul")->isVisibleTo(form_));
    QCOMPARE(label(), std::string("Run 1 of 1"));
    QVERIFY(!get<uikit::CtrlCmd>("cmdMultPrevious")->isEnabled());
    QVERIFY(!get<uikit::CtrlCmd>("cmdMultRemove")->isEnabled());
    QVERIFY(get<uikit::CtrlCmd>("cmdMultInsert")->isEnabled());
    check("chkMulRun")->setValue(0);
    QVERIFY(!get<QFrame>("framMul")->isVisibleTo(form_));
    QVERIFY(!get<uikit::CtrlCmd>("cmdMultInsert")->isEnabled());
  }

  // What the controls say is what a stored run of them says.
  void theControlsReadAsTheirStoredRun() {
    setRun("a*b", "<search-text>!");
    option("optFold")->setChecked(true);
    check("chkCase")->setValue(1);
    check("chkWildCards")->setValue(1);
    option("optWildAst")->setChecked(true);
    check("chkTags")->setValue(1);
    const auto stored = tools::text::replaceOptionsFromState(core::formStateText(form_, 1));
    QVERIFY(stored);
    QVERIFY(*stored == form_->readOptions());
    QVERIFY(stored->target == tools::text::ReplaceTarget::FolderNames);
    QVERIFY(stored->wildcards == tools::text::WildcardMode::Star);
  }

  void tagsGoWhereTheUserWasTyping() {
    setRun("abc", "x");
    check("chkTags")->setValue(1);
    focusIn(box("txtSearch"));  // moving into a box selects its text
    QVERIFY(box("txtSearch")->textCursor().hasSelection());
    get<QAction>("menuName")->trigger();
    QCOMPARE(search(), std::string("<FileNameNoDotExt>"));
    focusIn(box("txtReplace"));
    QTextCursor end = box("txtReplace")->textCursor();
    end.movePosition(QTextCursor::End);
    box("txtReplace")->setTextCursor(end);
    get<QAction>("menuExt")->trigger();
    QCOMPARE(box("txtReplace")->toPlainText(), QStringLiteral("x<FileExtNoDot>"));
    focusIn(box("txtSearch"));
    get<QAction>("menuSerText")->trigger();  // the found text belongs in the replacement
    QCOMPARE(box("txtReplace")->toPlainText(), QStringLiteral("x<FileExtNoDot><search-text>"));

    get<QAction>("menuFoldSub")->trigger();
    uikit::FrmStr* dialog = uikit::FrmStr::current();
    QVERIFY(dialog);
    dialog->startBox()->setText(QStringLiteral("2"));
    dialog->lengthBox()->setText(QStringLiteral("3"));
    dialog->cmdStartClick();
    QCOMPARE(box("txtReplace")->toPlainText(), QStringLiteral("x<FileExtNoDot><search-text><CustSubFold;2;3>"));

    click("cmdSwap");
    QCOMPARE(search(), std::string("x<FileExtNoDot><search-text><CustSubFold;2;3>"));
    QCOMPARE(box("txtReplace")->toPlainText(), QStringLiteral("<FileNameNoDotExt>"));
  }

  void theRunListButtonsStoreAndShowRuns() {
    check("chkMulRun")->setValue(1);
    setRun("one", "1");
    click("cmdMultInsert");
    QCOMPARE(label(), std::string("Run 2 of 2"));
    QCOMPARE(search(), std::string());  // a new run starts with empty texts
    setRun("two", "2");
    click("cmdMultPrevious");
    QCOMPARE(search(), std::string("one"));
    QCOMPARE(label(), std::string("Run 1 of 2"));
    click("cmdMultNext");
    QCOMPARE(search(), std::string("two"));

    // A run that cannot run is not left: the message names the problem and the run stays.
    setRun("", "2");
    click("cmdMultPrevious");
    QCOMPARE(label(), std::string("Run 2 of 2"));
    QVERIFY(lastMessage().find(form_->msg(tools::text::kMsgSearchEmpty)) != std::string::npos);
    QVERIFY(lastMessage().find("Run 2:") == 0);

    click("cmdMultRemove");
    QCOMPARE(label(), std::string("Run 1 of 1"));
    QCOMPARE(search(), std::string("one"));
    QVERIFY(!get<uikit::CtrlCmd>("cmdMultRemove")->isEnabled());
  }

  void runListFilesSaveAndLoad() {
    check("chkMulRun")->setValue(1);
    setRun("one", "1");
    click("cmdMultInsert");
    setRun("two", "2");
    click("cmdMultPrevious");
    const std::string path = folder_ + "list.Run";
    QCOMPARE(int(form_->saveHandle(vb::qpath(path))), 0);
    QCOMPARE(readAll(path), form_->runList().fileText());

    host_.answers = {core::kAnswerNo};  // an existing file is kept when the user says no
    setRun("changed", "1");
    click("cmdMultNext");
    QCOMPARE(int(form_->saveHandle(vb::qpath(path))), 1);
    QVERIFY(readAll(path).find("changed") == std::string::npos);

    const std::string bad = folder_ + "bad.Run";
    QCOMPARE(core::OutputFile(bad, "Not a list"), 0);
    QCOMPARE(int(form_->loadHandle(vb::qpath(bad))), 0);
    QCOMPARE(form_->runList().count(), 2);  // the list in the window is kept
    QCOMPARE(lastMessage(), form_->msg(tools::text::kMsgNotRunList) + bad);
    QCOMPARE(core::OutputFile(bad, "3" + form_->runList().fileText().substr(1)), 0);  // a run short
    QCOMPARE(int(form_->loadHandle(vb::qpath(bad))), 0);
    QCOMPARE(form_->runList().count(), 2);
    QCOMPARE(lastMessage(), form_->msg(tools::text::kMsgRunMissing) + "3");

    check("chkMulRun")->setValue(0);
    tools::text::RunList off;
    off.store(1, core::formStateText(form_, 1));
    QCOMPARE(core::OutputFile(bad, off.fileText()), 0);
    check("chkMulRun")->setValue(1);
    QCOMPARE(int(form_->loadHandle(vb::qpath(path))), 0);
    QCOMPARE(form_->runList().count(), 2);
    QCOMPARE(search(), std::string("one"));
    QCOMPARE(check("chkMulRun")->Value(), 1);
    QCOMPARE(int(form_->loadHandle(vb::qpath(bad))), 0);  // saved with several runs off
    QCOMPARE(check("chkMulRun")->Value(), 0);
  }

  void theScratchListCarriesTheRunsToTheNextOpening() {
    check("chkMulRun")->setValue(1);
    setRun("one", "1");
    click("cmdMultInsert");
    setRun("two", "2");
    form_->closeForm();
    QVERIFY(readAll(FrmReplace::scratchPath()).find("2A_EndNum") == 0);
    open();
    QCOMPARE(form_->runList().count(), 2);
    QCOMPARE(search(), std::string("one"));

    // Closing with a run that cannot run drops it; with only that run the old list stays.
    click("cmdMultNext");
    setRun("", "");
    form_->closeForm();
    QVERIFY(readAll(FrmReplace::scratchPath()).find("1A_EndNum") == 0);
    open();
    setRun("", "");
    const std::string kept = readAll(FrmReplace::scratchPath());
    form_->closeForm();
    QCOMPARE(readAll(FrmReplace::scratchPath()), kept);

    QCOMPARE(core::OutputFile(FrmReplace::scratchPath(), "not a list"), 0);
    host_.responds.clear();
    open();
    QCOMPARE(form_->runList().count(), 1);
    QVERIFY(host_.responds.empty());  // a damaged scratch list is passed over quietly
  }

  void startChecksAsksAndRuns() {
    const std::string f = folder_ + "a.txt";
    QCOMPARE(core::OutputFile(f, "colour and Colour"), 0);
    setRun("colour", "color");
    option("optContent")->setChecked(true);
    runHost_.answers = {core::kAnswerNo};
    click("cmdStart");
    QCOMPARE(readAll(f), std::string("colour and Colour"));
    QCOMPARE(runHost_.questions.size(), std::size_t(1));
    QVERIFY(runHost_.questions[0].message.find(core::msgMain(104)) != std::string::npos);

    click("cmdStart");
    QCOMPARE(readAll(f), std::string("color and color"));
    QVERIFY(!runHost_.results.empty());

    setRun("", "x");  // nothing runs with a problem in the texts
    runHost_.questions.clear();
    click("cmdStart");
    QVERIFY(runHost_.questions.empty());
    QCOMPARE(lastMessage(), form_->msg(tools::text::kMsgSearchEmpty));
  }

  // Every run of a list is checked before the first starts; a contents run anywhere in it brings
  // the recycle question.
  void startChecksTheWholeList() {
    const std::string f = folder_ + "a.txt";
    QCOMPARE(core::OutputFile(f, "abc"), 0);
    check("chkMulRun")->setValue(1);
    setRun("a", "A");
    option("optFile")->setChecked(true);
    click("cmdMultInsert");
    setRun("b", "B");
    option("optContent")->setChecked(true);
    click("cmdMultPrevious");

    core::saveSet("sendContent", "0");
    pipe_.setMountProbe({.isFixedDrive = [](const std::string&) { return false; }});
    runHost_.answers = {core::kAnswerNo};
    click("cmdStart");
    QCOMPARE(runHost_.questions.size(), std::size_t(1));
    QVERIFY(runHost_.questions[0].message.find(core::msgMain(112)) == 0);
    QVERIFY(fs::exists(f));
    pipe_.setMountProbe({});
    core::saveSet("sendContent", "1");

    // A run list holding a run that cannot run (here from a file): nothing starts, that run shows.
    tools::text::RunList list = form_->runList();
    setRun("", "x");
    list.store(2, core::formStateText(form_, 1));
    setRun("a", "A");
    const std::string path = folder_ + "list.Run";
    QCOMPARE(core::OutputFile(path, list.fileText()), 0);
    form_->loadHandle(vb::qpath(path));
    runHost_.questions.clear();
    click("cmdStart");
    QVERIFY(runHost_.questions.empty());
    QCOMPARE(label(), std::string("Run 2 of 2"));
    QCOMPARE(lastMessage(), "Run 2:\r\n" + form_->msg(tools::text::kMsgSearchEmpty));
    QVERIFY(fs::exists(f));
    QCOMPARE(readAll(f), std::string("abc"));
  }
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  FrmReplaceTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "frm_replace_qtest.moc"
