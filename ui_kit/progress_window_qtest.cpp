// The progress window through the pipeline's run: Cancel asks and stops the run, Skip skips one
// file and never overrides a confirmed Cancel, the close box acts as Cancel; the activity block.
#include "core/pipeline.h"
#include "core/widgets/tool_form.h"
#include "ui_kit/dialog_run_host.h"
#include "ui_kit/dialog_test_support.h"
#include "ui_kit/progress_window.h"
#include "ui_kit/results_viewer.h"

#include <QTest>

using namespace uikit;
using uikit::testing::DialogEnv;
using uikit::testing::answerNextBox;

namespace {

class TestForm : public QWidget, public core::ToolForm {};

// The main window's part of the run host: a folder with a fixed list of files.
class TestRunHost : public DialogRunHost {
 public:
  std::vector<core::ListEntry> entries;
  std::string folder = "/";
  core::UpdateFilesResult updateFiles(bool, const std::string&) override { return core::kListDone; }
  [[nodiscard]] const std::vector<core::ListEntry>& listViewRoot() const override { return entries; }
  [[nodiscard]] int listCount() const override { return static_cast<int>(entries.size()); }
  [[nodiscard]] std::string dir1() const override { return folder; }
  void refreshMain(core::RefreshMode) override {}
  void addExt() override {}
};

}  // namespace

class ProgressWindowTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void init() { env_ = std::make_unique<DialogEnv>(); }
  void cleanup() {
    if (FrmResults* v = FrmResults::current()) v->close();
    QApplication::processEvents();
    env_.reset();
  }

  void cancelAndSkipThroughARun() {
    TestRunHost host;
    host.folder = env_->base();
    core::Pipeline pipe(host);
    TestForm form;
    form.show();
    pipe.buildDirList(&form, env_->base());
    FrmProgress* progress = host.progressWindow();
    QVERIFY(progress);
    QVERIFY(progress->isVisible());
    QVERIFY(!form.isEnabled());

    // The worker: five files; Skip at the second, Cancel answered No at the third, Cancel
    // answered Yes at the fourth, then a late Skip that must not undo it.
    std::vector<int> done;
    for (int file = 1; file <= 5; ++file) {
      if (file == 2) progress->cmdSkipClick();
      if (file == 3) {
        answerNextBox("cmd5");
        progress->cmdCancelClick();
      }
      if (file == 4) {
        answerNextBox("cmd4");
        progress->cmdCancelClick();
        progress->cmdSkipClick();
      }
      host.doEvents();
      if (host.isCancel() == core::CancelState::Cancelled) break;
      if (host.isCancel() == core::CancelState::SkipFile) {
        host.setCancel(core::CancelState::Running);
        continue;
      }
      done.push_back(file);
      pipe.addResult("done " + std::to_string(file));
    }
    QCOMPARE(done, (std::vector<int>{1, 3}));
    QVERIFY(host.isCancel() == core::CancelState::Cancelled);

    pipe.finishOperation(&form, core::RefreshMode::None);
    QApplication::processEvents();
    QVERIFY(!host.progressWindow());
    FrmResults* viewer = FrmResults::current();
    QVERIFY(viewer);
    const std::string& report = resultsRun().text;
    QVERIFY(report.find("done 3") != std::string::npos);
    QVERIFY(report.find("{76}") != std::string::npos);  // cancelled
    QVERIFY(host.isCancel() == core::CancelState::Running);
  }

  void closeBoxActsAsCancel() {
    FrmProgress progress;
    progress.show();
    answerNextBox("cmd4");
    progress.close();
    QCOMPARE(int(progress.isCancel), 1);
    QVERIFY(progress.isVisible());
    progress.cmdCancelClick();  // confirmed already: no second question (it would block)
    QCOMPARE(int(progress.isCancel), 1);
  }

  void activityBlockAndSkipButton() {
    FrmProgress progress;
    progress.startBlock();
    QVERIFY(progress.blockRunning());
    for (int i = 0; i < 10; ++i) progress.timerTick();
    QCOMPARE(progress.blockLeftTwips(), 2070);
    while (progress.blockLeftTwips() != 5535) progress.timerTick();
    progress.timerTick();
    QCOMPARE(progress.blockLeftTwips(), 420);
    progress.endBlock();
    QVERIFY(!progress.blockRunning());
    progress.showSkip(true);
    QCOMPARE(progress.pathWidthTwips(), 4335);
    progress.showSkip(false);
    QCOMPARE(progress.pathWidthTwips(), 5295);
  }

 private:
  std::unique_ptr<DialogEnv> env_;
};

QTEST_MAIN(ProgressWindowTest)
#include "progress_window_qtest.moc"
