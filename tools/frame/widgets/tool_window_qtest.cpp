// The tool window frame with the real main window: a tool registered after the main window exists
// is enabled and opens from its menu entries and its button; Esc, the close box and minimising
// act through the window stack; resizing reaches doResize once; and Start hands the run this
// window's messages, refuses while another run is in progress and reports a worker's exception.
#include "tools/frame/widgets/tool_window.h"

#include "core/file_content.h"
#include "core/pipeline.h"
#include "core/scripted_run_host.h"
#include "core/settings.h"
#include "core/state.h"
#include "main_window/widgets/file_list_pane.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/main_host.h"
#include "main_window/widgets/main_test_support.h"
#include "main_window/widgets/tool_launcher.h"
#include "main_window/widgets/window_stack.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/progress_window.h"
#include "ui_kit/results_viewer.h"
#include "ui_kit/substring_dialog.h"

#include <QAction>
#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QVBoxLayout>

#include <memory>
#include <stdexcept>

using namespace mainwin;

namespace {

// A small tool on the frame: the delete tool's three options, a text box, and counters.
class FrmDemo : public tools::ToolWindow {
 public:
  FrmDemo() : ToolWindow("frmDelete", "Delete") {
    auto* v = new QVBoxLayout(this);
    for (const char* name : {"optDelete", "optFiles", "optDrive"}) {
      auto* o = new QRadioButton(QString::fromLatin1(name), this);
      o->setObjectName(QString::fromLatin1(name));
      v->addWidget(o);
    }
    txtName = new QLineEdit(this);
    txtName->setObjectName(QStringLiteral("txtName"));
    v->addWidget(txtName);
    tools::whenChosen(option("optDrive"), [this] { ++driveChosen; });
  }
  QRadioButton* option(const char* name) const { return findChild<QRadioButton*>(QString::fromLatin1(name)); }
  void doResize() override { ++resizes; }
  void closing() override { ++closings; }

  QLineEdit* txtName;
  int driveChosen = 0, resizes = 0, closings = 0;
};

// The delete tool's language file in the user's data folder (which overrides the shipped one).
void writeDemoLanguageFile() {
  const std::string section =
      "frmDeleteA_DatDemo deleteA_Sepmsg1A_Datdemo oneA_Sepmsg2A_Datdemo twoA_SepoptDriveA_DatWipe free spaceA_Sep";
  std::string text;
  for (int d = 0; d < 5; ++d) text += "LangA_Dat" + std::to_string(d) + "\r\n" + section + "\r\nLangA_Sep\r\n";
  QCOMPARE(core::OutputFile(core::coreState().appPath + "LfrmDelete.bin", text), 0);
}

}  // namespace

class ToolWindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<MainForm> main_;

  FrmDemo* demo() const { return dynamic_cast<FrmDemo*>(toolFormInstance("frmDelete")); }
  FrmDemo* openDemo(const char* menu = "menuDelete") {
    QAction* a = main_->action(QString::fromLatin1(menu));
    if (!a || !a->isEnabled()) return nullptr;
    a->trigger();
    return demo();
  }

 private Q_SLOTS:
  void initTestCase() {
    MainForm::setDefaultProgramStarter([](const std::string&, const std::string&) {});
    core::saveSet("vardfilt", "1");
    core::saveSet("doTips", "0");
    writeDemoLanguageFile();
    main_ = std::make_unique<MainForm>(std::string());
    main_->show();
    // Registered after the menus and the button bar exist.
    registerToolForm("frmDelete", [] { return new FrmDemo(); });
  }
  void cleanupTestCase() {
    unregisterToolForm("frmDelete");
    main_.reset();
  }
  void cleanup() {
    if (FrmDemo* d = demo(); d && d->isVisible()) d->closeForm();
    tools::ToolWindow::usePipeline(nullptr);
  }

  void lateRegistrationEnablesTheMenusAndTheButton() {
    for (const char* menu : {"menuDelete1", "menuDelete2", "menuDelete3", "menuDelete"}) {
      QVERIFY2(main_->action(QString::fromLatin1(menu))->isEnabled(), menu);
    }
    QVERIFY(main_->button(6)->Enabled());
    QVERIFY(!main_->action(QStringLiteral("menuJoin"))->isEnabled());

    main_->button(6)->click();
    FrmDemo* d = demo();
    QVERIFY(d && d->isVisible());
    QCOMPARE(d->objectName(), QStringLiteral("frmDelete"));
    QCOMPARE(d->windowTitle(), QStringLiteral("Demo delete"));
    QCOMPARE(main_->stack().getForm(), d);
    QVERIFY(!main_->framMain()->isEnabled());
    QVERIFY(d->isWindow());

    unregisterToolForm("frmDelete");
    QVERIFY(!main_->button(6)->Enabled());
    QVERIFY(!main_->action(QStringLiteral("menuDelete2"))->isEnabled());
    registerToolForm("frmDelete", [] { return new FrmDemo(); });
    QVERIFY(main_->button(6)->Enabled());
  }

  // The menus preset an option with setChecked: the tool follows it as it follows a click.
  void presetReachesTheChosenHandler() {
    FrmDemo* d = openDemo("menuDelete2");
    QVERIFY(d);
    QVERIFY(d->option("optDrive")->isChecked());
    QCOMPARE(d->driveChosen, 1);
    d->closeForm();
    d = openDemo("menuDelete1");
    QVERIFY(d->option("optDelete")->isChecked());
    QCOMPARE(d->driveChosen, 1);
  }

  void escAndTheCloseBoxHideAndSaveTheState() {
    const std::string stateFile = core::coreState().appPath + "frmDelete.txt";
    for (const bool byEsc : {true, false}) {
      FrmDemo* d = openDemo("menuDelete3");
      QVERIFY(d && d->isVisible());
      const int closings = d->closings;
      QFile::remove(QString::fromStdString(stateFile));
      if (byEsc) {
        QTest::keyPress(d->txtName, Qt::Key_Escape);  // in a text box too
        QVERIFY(!d->isVisible());
        // The release lands on the main window, which must not close as well.
        QTest::keyRelease(main_->pane()->currentView(), Qt::Key_Escape);
        QVERIFY(main_->isVisible());
      } else {
        d->close();
      }
      QVERIFY2(!d->isVisible(), byEsc ? "Esc" : "close box");
      QCOMPARE(d->closings, closings + 1);
      QVERIFY(main_->framMain()->isEnabled());
      QCOMPARE(main_->stack().getForm(), main_.get());
      QVERIFY(core::InputBits(stateFile).find("optFilesA_SepTrueA_Sep") != std::string::npos);
      QCOMPARE(toolFormInstance("frmDelete"), d);  // hidden, not destroyed
    }
  }

  void minimisingMinimisesTheProgram() {
    FrmDemo* d = openDemo();
    QVERIFY(d);
    d->showMinimized();
    QTRY_VERIFY(main_->isMinimized());
    QVERIFY(main_->stack().stackHidden());
    QTest::qWait(100);  // the platform's own report of the minimised state comes later
    main_->stack().restore();
    QTRY_VERIFY(d->isVisible());
    QTest::qWait(600);  // a tick of the window stack's watch
    QVERIFY(!main_->isMinimized());
    QVERIFY(d->isVisible());
  }

  void resizingCallsDoResizeOncePerBurst() {
    FrmDemo* d = openDemo();
    QVERIFY(d);
    QTest::qWait(600);
    const int before = d->resizes;
    for (int w : {300, 320, 340}) d->resize(w, 260);
    QCOMPARE(d->resizes, before);
    QTRY_COMPARE(d->resizes, before + 1);
    QTest::qWait(600);
    QCOMPARE(d->resizes, before + 1);
  }

  // The progress window, the results viewer and the substring dialog have no messages: showing
  // them between a tool's showing and its run must not take the tool's table away.
  void startHandsTheRunThisWindowsMessages() {
    FrmDemo* d = openDemo();
    QVERIFY(d);
    QCOMPARE(d->msg(2), std::string("demo two"));
    core::coreState().msgForm[1] = "another window's";
    std::string inRun, shared;
    QVERIFY(d->runStart([&](tools::ToolRun& run) {
      QCOMPARE(run.form, static_cast<core::ToolForm*>(d));
      run.pipe.host().showProgress(run.form);
      uikit::FrmResults::showRun(d, "report", "01/01/2024 10:00:00", false);
      uikit::FrmStr::LoadMe(d);
      inRun = run.msg(1);
      shared = core::msgForm(1);
      uikit::FrmStr::current()->unload();
      uikit::FrmResults::current()->unload();
      run.pipe.host().hideProgress(run.form, true);
    }));
    QCOMPARE(inRun, std::string("demo one"));
    QCOMPARE(shared, std::string("demo one"));
  }

  // While a run is in progress no other Start may begin: not another tool's, not this window's
  // own, not during a run of the main window. The refused Start leaves the run's progress window,
  // its results and its window alone.
  void secondStartIsRefused() {
    FrmDemo* d = openDemo();
    QVERIFY(d);
    tools::ToolWindow other("frmJoin", "Join");
    int otherRuns = 0;
    const auto otherWorker = [&otherRuns](tools::ToolRun&) { ++otherRuns; };
    bool checked = false;
    QVERIFY(d->runStart([&](tools::ToolRun& run) {
      run.pipe.host().showProgress(run.form);
      run.pipe.addResult("first run's line");
      const std::string lines = run.pipe.resultLines();
      uikit::FrmProgress* progress = main_->mainRunHost().progressWindow();
      QVERIFY(progress && progress->isVisible());

      QVERIFY(tools::ToolWindow::runInProgress());
      QVERIFY(!other.runStart(otherWorker));
      QVERIFY(!d->runStart(otherWorker));
      QCOMPARE(otherRuns, 0);
      QCOMPARE(main_->mainRunHost().progressWindow(), progress);
      QVERIFY(progress->isVisible());
      QCOMPARE(run.pipe.resultLines(), lines);
      d->close();
      QVERIFY(d->isVisible());  // a window does not close under its own run

      run.pipe.host().hideProgress(run.form, true);
      checked = true;
    }));
    QVERIFY(checked);
    QVERIFY(!tools::ToolWindow::runInProgress());

    main_->mainRunHost().showProgress(nullptr);  // a run of the main window's own
    QVERIFY(!other.runStart(otherWorker));
    main_->mainRunHost().hideProgress(nullptr, false);
    QVERIFY(other.runStart(otherWorker));
    QCOMPARE(otherRuns, 1);
  }

  // Link messages, a language change and closing wait for a Start from its first input question,
  // before any progress window is up.
  void theMainWindowCountsAStartAsARun() {
    FrmDemo* d = openDemo();
    QVERIFY(d);
    bool during = false;
    QVERIFY(d->runStart([&](tools::ToolRun&) { during = main_->runInProgress(); }));
    QVERIFY(during);
    QVERIFY(!main_->runInProgress());
  }

  void exceptionGoesToShowRunError_data() {
    QTest::addColumn<bool>("standard");
    QTest::addColumn<QString>("message");
    QTest::newRow("std::exception") << true << QStringLiteral("{103}\r\n\r\ndisk on fire");
    QTest::newRow("anything else") << false << QStringLiteral("{103}");
  }
  void exceptionGoesToShowRunError() {
    QFETCH(bool, standard);
    QFETCH(QString, message);
    core::coreState().msgMain[103] = "{103}";
    core::ScriptedRunHost host;
    core::Pipeline pipe(host);
    tools::ToolWindow::usePipeline(&pipe);
    tools::ToolWindow tool("frmJoin", "Join");
    QVERIFY(tool.runStart([standard](tools::ToolRun& run) {
      run.pipe.addResult("done before the fault");
      if (standard) throw std::runtime_error("disk on fire");
      throw 42;
    }));
    QCOMPARE(host.questions.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(host.questions[0].message), message);
    QCOMPARE(host.questions[0].title, std::string("E"));
    QCOMPARE(host.results.size(), std::size_t(1));
    QVERIFY(host.results[0].text.find("done before the fault") != std::string::npos);
    QVERIFY(!tools::ToolWindow::runInProgress());
  }
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  ToolWindowTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "tool_window_qtest.moc"
