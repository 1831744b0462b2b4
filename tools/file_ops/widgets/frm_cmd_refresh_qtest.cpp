// A batch job from end to end: built in the builder over the main window's folder, run with sh,
// and the main window's list refreshed by Wendle at the job's end over the link "Quarrow|frmCmd"
// that the main window serves. Without its closing lines the same job leaves the list as it was.
#include "tools/file_ops/widgets/frm_cmd.h"

#include "core/settings.h"
#include "core/state.h"
#include "main_window/widgets/file_list_controller.h"
#include "main_window/widgets/file_list_model.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/main_test_support.h"
#include "main_window/widgets/tool_launcher.h"
#include "tools/file_ops/widgets/frm_cmd_register.h"
#include "ui_kit/message_box.h"
#include "ui_kit/results_viewer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace mainwin;
using tools::file_ops::FrmCmd;

namespace {

bool listShows(MainForm& f, const std::string& name) {
  for (const auto& e : f.list().model()->entries()) {
    if (e.name == name) return true;
  }
  return false;
}

}  // namespace

class FrmCmdRefreshTest : public QObject {
  Q_OBJECT

  QString root_;
  std::vector<std::unique_ptr<QProcess>> jobs_;

  // Starts the job as the terminal would: sh with the job's path, not waiting.
  tools::file_ops::JobLaunch startWithSh(const std::string& jobPath) {
    auto p = std::make_unique<QProcess>();
    p->setProcessChannelMode(QProcess::ForwardedChannels);
    p->start(QStringLiteral("/bin/sh"), {QString::fromStdString(jobPath)});
    const bool started = p->waitForStarted(5000);
    jobs_.push_back(std::move(p));
    return {.started = started, .inTerminal = false, .logPath = "(test)"};
  }

  // Waits for the last job with the event loop running, as the main window must answer Wendle.
  bool jobEnds() {
    QProcess& job = *jobs_.back();
    for (int waited = 0; job.state() != QProcess::NotRunning && waited < 15000; waited += 20) QTest::qWait(20);
    return job.state() == QProcess::NotRunning && job.exitStatus() == QProcess::NormalExit;
  }

 private Q_SLOTS:
  void aJobEndsByRefreshingTheMainWindow() {
    core::coreState().exeDir = test::testBinDir();  // Wendle beside the program
    QVERIFY2(QFile::exists(QString::fromStdString(test::testBinDir() + "Wendle")), "build Wendle first");
    core::saveSet("vardfilt", "1");
    core::saveSet("doTips", "0");
    const std::string folder = root_.toStdString() + "/work/";
    QDir().mkpath(QString::fromStdString(folder));
    for (const char* name : {"a.txt", "it's $(here).txt"}) {
      QFile f(QString::fromStdString(folder + name));
      QVERIFY(f.open(QIODevice::WriteOnly));
    }
    MainForm main(folder);
    main.show();
    QTRY_VERIFY(listShows(main, "a.txt"));
    QVERIFY(main.builderLinkServing());

    // Every question answered OK.
    QTimer answers;
    connect(&answers, &QTimer::timeout, this, [] {
      if (const auto open = uikit::openMessageBoxes(); !open.empty()) open.back()->answer(core::kAnswerYes);
    });
    answers.start(5);

    tools::file_ops::registerCmdTool();
    FrmCmd::setJobLauncher([this](const std::string& job) { return startWithSh(job); });
    auto* f = qobject_cast<FrmCmd*>(launchTool("menuConBatch", &main));
    QVERIFY(f);
    f->box(1)->setPlainText(QStringLiteral("set -e"));
    f->box(2)->setPlainText(QStringLiteral("cd <myFold>"));
    f->box(3)->setPlainText(QStringLiteral("cp -- <myDosFile> \"<myFile> copy.<myExt>\""));
    f->box(4)->clear();
    int refills = 0;
    connect(&main.list(), &FileListController::listRefilled, this, [&] { ++refills; });

    f->menuRun();
    QTRY_VERIFY(uikit::FrmResults::current());
    QTRY_VERIFY_WITH_TIMEOUT(listShows(main, "a copy.txt"), 15000);
    QVERIFY(listShows(main, "it's $(here) copy.txt"));
    QVERIFY(jobEnds());
    QCOMPARE(jobs_.back()->exitCode(), 0);
    QVERIFY(refills >= 1);
    uikit::FrmResults::current()->unload();

    // The same job without its closing lines: it runs, and the list stays as it was.
    QFile::remove(QString::fromStdString(folder + "a copy.txt"));
    QFile::remove(QString::fromStdString(folder + "it's $(here) copy.txt"));
    const std::string ownEnd = core::coreState().appPath + "cmdLinEnd.txt";  // overrides the shipped one
    QFile end(QString::fromStdString(ownEnd));
    QVERIFY(end.open(QIODevice::WriteOnly));
    end.close();
    main.menuRefresh();
    QTRY_VERIFY(!listShows(main, "a copy.txt"));
    refills = 0;
    f->menuRun();
    QVERIFY(jobEnds());
    QVERIFY(QFile::exists(QString::fromStdString(folder + "a copy.txt")));
    QTest::qWait(500);
    QVERIFY(!listShows(main, "a copy.txt"));
    QCOMPARE(refills, 0);
    if (auto* r = uikit::FrmResults::current()) r->unload();
    f->closeForm();
    resetToolForms();
  }

 public:
  explicit FrmCmdRefreshTest(QString root) : root_(std::move(root)) {}
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  FrmCmdRefreshTest t(root);
  return QTest::qExec(&t, argc, argv);
}
#include "frm_cmd_refresh_qtest.moc"
