// Every tool's Start gives the program back when its run ends, whatever way it ends: each tool
// window of the program runs once (the delete tool once in each of its modes: delete, delete
// with its question answered No, trash, wipe files in one and in three passes, wipe free space),
// every question answered with its first button (one row answers No). Afterwards no run is in
// progress, the list follows the filter, a rename reported over the link shows, another tool's
// Start runs and Exit ends the program with its settings saved.
//
// The free-space wipe runs only over a small tmpfs that this test mounts in a mount namespace of
// its own (as root), never on a real disk; where no such mount is allowed, that row is skipped.
#include "main_window/app/tool_list.h"

#include "core/file_paths.h"
#include "core/settings.h"
#include "main_window/widgets/file_list_controller.h"
#include "main_window/widgets/file_list_model.h"
#include "main_window/widgets/file_list_pane.h"
#include "main_window/widgets/filter_panel.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/main_host.h"
#include "main_window/widgets/main_test_support.h"
#include "main_window/widgets/tool_launcher.h"
#include "platform/fault_test_support.h"
#include "tools/file_ops/widgets/frm_delete.h"
#include "tools/frame/widgets/tool_window.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/message_box.h"
#include "ui_kit/results_viewer.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <set>
#include <string>

#include <sys/mount.h>

using namespace mainwin;

namespace {

// The folder the free-space wipe works on: a tmpfs mounted for this process alone, else "".
std::string g_smallMount;

void makeFiles(const QString& folder, int count) {
  QDir().mkpath(folder + QStringLiteral("/sub"));
  for (int i = 0; i < count; ++i) {
    for (const QString& dir : {folder, folder + QStringLiteral("/sub")}) {
      QFile f(dir + QStringLiteral("/pic%1.png").arg(i));
      if (f.open(QIODevice::WriteOnly)) f.write(QByteArray(3000 + i, 'x'));
    }
  }
}

}  // namespace

class RunEndTest : public QObject {
  Q_OBJECT

  QString root_;
  std::unique_ptr<MainForm> main_;
  QTimer answers_;
  bool answerNo_ = false;        // answer questions No instead

  QString work() const { return root_ + QStringLiteral("/work"); }

  // Opens the tool of menu on folder with its mode option chosen, presses its Start and waits
  // for the run to end. Empty when all went as it should, else what went wrong.
  QString runOnce(const QString& menu, const QString& option, const QString& passes, const QString& folder) {
    main_->setCurrentFolder(folder.toStdString() + "/");
    (void)main_->list().updateFiles(true);
    auto* w = dynamic_cast<tools::ToolWindow*>(launchTool(menu.toStdString(), main_.get()));
    if (!w) return menu + QStringLiteral(": no window");
    if (!option.isEmpty()) w->findChild<QRadioButton*>(option)->setChecked(true);
    if (!passes.isEmpty()) w->findChild<QRadioButton*>(passes)->setChecked(true);
    if (option == QLatin1String("optDrive")) {
      // Never a real disk: the wipe fills the mount it is given. (The list keeps an earlier
      // choice, so the tmpfs is chosen here.)
      if (auto* drives = w->findChild<QComboBox*>(QStringLiteral("DriveWipe"))) {
        drives->setCurrentIndex(drives->findData(QByteArray::fromStdString(g_smallMount)));
      }
      const auto* d = dynamic_cast<tools::file_ops::FrmDelete*>(w);
      const std::string mount = d ? d->readOptions().mountPoint : std::string();
      if (g_smallMount.empty() || mount != g_smallMount) {
        w->closeForm();
        return menu + QStringLiteral(": the wipe would go to ") + QString::fromStdString(mount);
      }
    }
    if (auto* start = w->findChild<uikit::CtrlCmd*>(QStringLiteral("cmdStart"))) {
      start->click();
    } else if (auto* compile = w->findChild<QAction*>(QStringLiteral("menuCompile"))) {
      compile->trigger();
    } else {
      return menu + QStringLiteral(": no Start");
    }
    if (!QTest::qWaitFor([&] { return !w->running() && !main_->runInProgress(); }, 60000))
      return menu + QStringLiteral(": the run did not end");
    QTest::qWait(20);
    QString fault;
    if (main_->runInProgress()) fault = menu + QStringLiteral(": a run is still in progress after it ended");
    if (main_->mainRunHost().progressShown()) fault = menu + QStringLiteral(": the progress window stayed");
    if (auto* r = uikit::FrmResults::current(); r && r->isVisible()) r->close();
    if (w->isVisible()) w->closeForm();
    if (!w->isEnabled()) fault = menu + QStringLiteral(": the tool window stayed disabled");
    return fault;
  }

 private Q_SLOTS:
  void initTestCase() {
    MainForm::setDefaultProgramStarter([](const std::string&, const std::string&) {});
    core::saveSet("vardfilt", "1");
    core::saveSet("doTips", "0");
    core::saveSet("frmMainShowSub", "1");
    registerTools();
    makeFiles(work(), 3);
    main_ = std::make_unique<MainForm>(work().toStdString() + "/");
    main_->show();
    QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
    // Every question gets its first answer (Yes, OK, Overwrite); any other modal dialog (a file
    // chooser) is turned down; a progress window is cancelled when the row asks for it.
    connect(&answers_, &QTimer::timeout, this, [this] {
      if (const auto open = uikit::openMessageBoxes(); !open.empty()) {
        const std::string style = open.back()->buttonStyle();
        const bool question = style.empty() || style == "YN";
        open.back()->answer(answerNo_ && question ? core::kAnswerNo
                            : style.size() == 3  ? core::kAnswerFirst
                                                 : core::kAnswerYes);
        return;
      }
      if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
    });
    answers_.start(10);
  }

  void cleanupTestCase() { answers_.stop(); }

  void everyToolsRunGivesTheProgramBack_data() {
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("passes");
    std::set<std::string> forms;
    for (const LaunchEntry& e : launchTable()) {
      if (e.form.empty() || e.form == "frmSettings" || !toolFormAvailable(e.form)) continue;
      if (!forms.insert(std::string(e.form)).second) continue;
      QTest::newRow(std::string(e.form).c_str()) << QString::fromLatin1(e.menu) << QString() << QString();
    }
    QTest::newRow("delete") << "menuDelete" << "optDelete" << "";
    QTest::newRow("delete, answered No") << "menuDelete" << "optDelete" << "no";
    QTest::newRow("trash") << "menuDelete" << "optRecycle" << "";
    QTest::newRow("wipe files, one pass") << "menuDelete3" << "optFiles" << "optFile1";
    QTest::newRow("wipe files, three passes") << "menuDelete3" << "optFiles" << "optFile3";
    QTest::newRow("wipe free space") << "menuDelete2" << "optDrive" << "optDrive1";
  }
  void everyToolsRunGivesTheProgramBack() {
    QFETCH(QString, menu);
    QFETCH(QString, option);
    QFETCH(QString, passes);
    QString folder = work();
    answerNo_ = passes == QLatin1String("no");
    if (answerNo_) passes.clear();
    if (option == QLatin1String("optDrive")) {
      if (g_smallMount.empty()) QSKIP("no private tmpfs here for the free-space wipe");
      folder = QString::fromStdString(core::withoutTrailingSlashes(g_smallMount));
    }
    makeFiles(work(), 3);
    const QString fault = runOnce(menu, option, passes, folder);
    answerNo_ = false;
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QVERIFY(!tools::ToolWindow::runInProgress());
  }

  void afterwardsAnotherStartRunsAndExitEndsTheProgram() {
    makeFiles(work(), 3);
    main_->setCurrentFolder(work().toStdString() + "/");
    (void)main_->list().updateFiles(true);
    QTRY_VERIFY(!main_->list().model()->entries().empty());
    // The list follows the filter again.
    main_->panel()->setExtensionText(QStringLiteral("pic1.*"));
    main_->panel()->chkExtension->setValue(1);
    QTRY_COMPARE(main_->list().model()->entries().size(), std::size_t(1));
    main_->panel()->chkExtension->setValue(0);
    QTRY_VERIFY(main_->list().model()->entries().size() > 1);

    // A rename reported over the link shows at once, not queued behind a run that never ends.
    QVERIFY(QFile::rename(work() + QStringLiteral("/pic0.png"), work() + QStringLiteral("/renamed.png")));
    const auto& entries = main_->list().model()->entries();
    const auto at = std::find_if(entries.begin(), entries.end(), [](const FileEntry& e) { return e.name == "pic0.png"; });
    QVERIFY(at != entries.end());
    main_->pane()->selectRows({static_cast<int>(at - entries.begin())});
    main_->ddeCommand("3renamed.png");
    QTRY_VERIFY(std::any_of(entries.begin(), entries.end(), [](const FileEntry& e) { return e.name == "renamed.png"; }));

    auto* list = dynamic_cast<tools::ToolWindow*>(launchTool("menuListF", main_.get()));
    QVERIFY(list);
    bool ran = false;
    QVERIFY(list->runStart([&](tools::ToolRun&) { ran = true; }));
    QVERIFY(ran);
    list->closeForm();

    core::saveSet("frmMainW", "");
    main_->menuExit();
    QTRY_VERIFY(!main_->isVisible());
    QVERIFY(!core::getSet("frmMainW").empty());  // the session's settings were saved
  }

 public:
  explicit RunEndTest(QString root) : root_(std::move(root)) {}
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  // Before any thread starts: a mount namespace of this process's own, with a small tmpfs.
  {
    const std::string mount = root.toStdString() + "/small/";
    QDir().mkpath(QString::fromStdString(mount));
    if (platform::testing::privateMounts().empty() &&
        platform::testing::mountSmallTmpfs(mount, std::size_t{3} << 20).empty()) {
      g_smallMount = mount;
      QFile f(QString::fromStdString(mount + "seed.txt"));
      if (f.open(QIODevice::WriteOnly)) f.write("seed");
    }
  }
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  RunEndTest t(root);
  const int failed = QTest::qExec(&t, argc, argv);
  if (!g_smallMount.empty()) (void)::umount2(g_smallMount.c_str(), MNT_DETACH);  // the folders go at exit
  return failed;
}
#include "run_end_qtest.moc"
