// The main window as a whole: start-up with and without settings, the command line, link
// commands from a second process, wipe leftovers, and what unload saves for the next start.
#include "main_window/startup_steps.h"
#include "main_window/widgets/file_list_controller.h"
#include "main_window/widgets/file_list_model.h"
#include "main_window/widgets/file_list_pane.h"
#include "main_window/widgets/filter_panel.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/main_test_support.h"
#include "main_window/widgets/settings_dialog.h"
#include "main_window/widgets/window_stack.h"

#include "core/file_content.h"
#include "core/run_driver.h"
#include "core/settings.h"
#include "core/shell.h"
#include "core/state.h"
#include "platform/desktop_entry.h"
#include "platform/program_paths.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_tree_dir.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace mainwin;

namespace {

void touch(const QString& path, const QByteArray& data = "x") {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(data);
}

}  // namespace

class MainFormTest : public QObject {
  Q_OBJECT

  QString root_;
  std::unique_ptr<QTemporaryDir> work_;
  std::vector<std::pair<std::string, std::string>> started_;

  std::unique_ptr<MainForm> makeForm(std::optional<std::string> path = std::string()) {
    auto f = std::make_unique<MainForm>(std::move(path));
    f->show();
    return f;
  }
  std::string workPath(const char* sub = "") const { return work_->path().toStdString() + "/" + sub; }
  void settled() {
    core::saveSet("vardfilt", "1");
    core::saveSet("doTips", "0");
  }
  // Sends message from another process over the link "Quarrow|frmMain" while events run here.
  bool sendFromOtherProcess(const QByteArray& message) {
    QProcess p;
    p.start(QString::fromStdString(test::testBinDir() + "platform_test_helper"),
            {QStringLiteral("send"), QStringLiteral("Quarrow"), QStringLiteral("frmMain"), QString::fromLatin1(message.toHex())});
    if (!p.waitForStarted(5000)) return false;
    QElapsedTimer t;
    t.start();
    while (p.state() != QProcess::NotRunning && t.elapsed() < 10000) QTest::qWait(20);
    QTest::qWait(50);
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
  }

 private Q_SLOTS:
  void initTestCase() {
    MainForm::setDefaultProgramStarter(
        [this](const std::string& program, const std::string& arg) { started_.emplace_back(program, arg); });
  }
  void init() {
    core::clearSettings();
    started_.clear();
    work_ = std::make_unique<QTemporaryDir>();
    QFile::remove(QString::fromStdString(platform::userDesktopEntryPath(core::propertiesEntryFileName())));
  }

  // What the job walk reports (message 39: a file whose date cannot be read; /proc records no
  // birth times) reaches the report of the run it walks for.
  void jobWalkLinesReachTheRunsReport() {
    settled();
    auto f = makeForm(workPath());
    f->list().setPanelShown(true);
    FilterPanel* panel = f->panel();
    panel->chkDat->setValue(1);
    panel->comDateType->setCurrentIndex(1);  // created
    panel->txtDateFrom->setText(QStringLiteral("01/01/1980"));
    panel->txtDateTo->setText(QStringLiteral("12/31/2099"));
    core::Pipeline& pipe = f->pipeline();
    std::string lines;
    core::runFiles(pipe, f.get(), {.startFolder = "/proc/self/", .refresh = core::RefreshMode::None},
                   [](core::RunItem&) { return core::StepResult::Skipped; },
                   {.onEnd = [&](const core::RunOutcome&) { lines = pipe.resultLines(); }});
    QVERIFY2(lines.find(core::msgMain(39) + "/proc/self/status\r\n") != std::string::npos, lines.c_str());
    if (QWidget* results = QApplication::activeModalWidget()) results->close();
  }

  void firstRunOpensSettings() {
    auto f = makeForm(workPath());
    QCOMPARE(core::getSet("vardfilt"), std::string("0"));
    QTRY_VERIFY(f->settingsForm()->isVisible());
    QCOMPARE(f->stack().getForm(), static_cast<QWidget*>(f->settingsForm()));
    QVERIFY(!f->framMain()->isEnabled());  // the panel waits for the dialog
    QVERIFY(!QFile::exists(QString::fromStdString(platform::userDesktopEntryPath(core::propertiesEntryFileName()))));
    f->settingsForm()->saveAndClose();
    QCOMPARE(f->stack().stackTop(), 0);
    QVERIFY(f->framMain()->isEnabled());
    QCOMPARE(core::getSet("smartProtect"), std::string("1"));
    QTRY_COMPARE(started_.size(), std::size_t(1));  // the tips at start-up ("doTips" empty is on)
    QCOMPARE(started_[0].first, std::string("Tipsome"));
  }

  void settledStartRegistersEntryAndBoundsPosition() {
    settled();
    core::saveSet("frmMainT", "12000");
    core::saveSet("frmMainL", "-5");
    core::saveSet("isProp", "1");
    core::saveSet("smartProtect", "2");
    auto f = makeForm(workPath());
    QVERIFY(!f->settingsForm()->isVisible());
    QCOMPARE(core::getSet("frmMainT"), std::string("200"));
    QCOMPARE(core::getSet("frmMainL"), std::string("200"));
    QCOMPARE(core::getSet("smartProtect"), std::string("1"));
    QVERIFY(QFile::exists(QString::fromStdString(platform::userDesktopEntryPath(core::propertiesEntryFileName()))));
    QVERIFY(f->panel()->isVisibleTo(f.get()));
    QCOMPARE(started_.size(), std::size_t(1));
    QCOMPARE(started_[0].first, std::string("Properties"));
    QCOMPARE(started_[0].second, std::string());  // the list is still empty at that point
    QTest::qWait(800);
    QCOMPARE(started_.size(), std::size_t(1));  // "doTips" 0: no tips
  }

  void commandLine_data() {
    QTest::addColumn<QString>("arg");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("isFile");
    QTest::newRow("folder with blank") << "My Docs" << "My Docs/" << "*" << false;
    QTest::newRow("file in capitals") << "My Docs/Report.TXT" << "My Docs/" << "*.txt" << true;
    QTest::newRow("missing file") << "My Docs/gone.doc" << "My Docs/" << "*" << true;
    QTest::newRow("garbage") << "zz\"q" << "" << "*" << true;
  }
  void commandLine() {
    QFETCH(QString, arg);
    QFETCH(QString, folder);
    QFETCH(QString, pattern);
    QFETCH(bool, isFile);
    QDir(work_->path()).mkpath(QStringLiteral("My Docs"));
    touch(work_->path() + QStringLiteral("/My Docs/Report.TXT"));
    const CommandLineTarget t = commandLineTarget(arg.toStdString(), workPath());
    QVERIFY(t.present);
    QCOMPARE(QString::fromStdString(t.folder), QString::fromStdString(workPath()) + folder);
    QCOMPARE(QString::fromStdString(t.pattern), pattern);
    QCOMPARE(t.isFile, isFile);
  }

  void commandLineFileSetsFolderAndFilter() {
    settled();
    touch(work_->path() + QStringLiteral("/a.TXT"));
    touch(work_->path() + QStringLiteral("/b.log"));
    auto f = makeForm(workPath("a.TXT"));
    QCOMPARE(f->currentFolder(), workPath());
    QCOMPARE(f->panel()->chkExtension->Value(), 1);
    QCOMPARE(f->panel()->txtExtension->text(), QStringLiteral("*.txt"));
    QCOMPARE(f->myPattern(), std::string("*.txt"));
    QCOMPARE(f->list().model()->rowCount(), 1);
  }

  void linkCommandsFromSecondProcess() {
    settled();
    touch(work_->path() + QStringLiteral("/one.txt"));
    auto f = makeForm(workPath());
    QVERIFY(f->linkServing());
    QCOMPARE(f->list().model()->rowCount(), 1);

    // "4": refresh
    touch(work_->path() + QStringLiteral("/two.txt"));
    QVERIFY(sendFromOtherProcess("4"));
    QTRY_COMPARE(f->list().model()->rowCount(), 2);

    // "3": the selected entry was renamed by the editor (name + NUL padding)
    f->pane()->selectRows({0});
    const std::string old = f->list().model()->entries()[0].name;
    QVERIFY(QFile::rename(QString::fromStdString(workPath() + old), work_->path() + QStringLiteral("/renamed.txt")));
    QVERIFY(sendFromOtherProcess(QByteArray("3renamed.txt") + QByteArray(243, '\0')));
    QTRY_COMPARE(QString::fromStdString(f->list().model()->entries()[0].name), QStringLiteral("renamed.txt"));
    // A name that does not exist there changes nothing.
    QVERIFY(sendFromOtherProcess("3nothere.txt"));
    QCOMPARE(QString::fromStdString(f->list().model()->entries()[0].name), QStringLiteral("renamed.txt"));

    // "2": appearance changed (colour file read again)
    QVERIFY(core::OutputFile(core::coreState().appPath + "colfil.txt", "255,65280") == 0);
    QVERIFY(sendFromOtherProcess("2"));
    QTRY_COMPARE(core::coreState().backColor, 255u);
    QCOMPARE(core::coreState().foreColor, 65280u);
    QVERIFY(f->list().hasLoaded() == 1);

    // Anything else is accepted and ignored.
    QVERIFY(sendFromOtherProcess("9x"));
  }

  void wipeLeftoversAreRemovedSafely() {
    const QString d = work_->path();
    touch(d + QStringLiteral("/QWBigFile1.Big"));
    touch(d + QStringLiteral("/QWBigFile17.Big"));
    touch(d + QStringLiteral("/QWBigFileX.Big"));
    touch(d + QStringLiteral("/keep.txt"));
    QDir(d).mkdir(QStringLiteral("QWBigFile3.Big"));
    QVERIFY(QFile::link(d + QStringLiteral("/keep.txt"), d + QStringLiteral("/QWBigFile9.Big")));
    core::saveSet("drivewiped", workPath());
    cleanWipeLeftovers();
    QVERIFY(!QFile::exists(d + QStringLiteral("/QWBigFile1.Big")));
    QVERIFY(!QFile::exists(d + QStringLiteral("/QWBigFile17.Big")));
    QVERIFY(QFile::exists(d + QStringLiteral("/QWBigFileX.Big")));
    QVERIFY(QFileInfo(d + QStringLiteral("/QWBigFile9.Big")).isSymLink());  // links are not followed
    QVERIFY(QFile::exists(d + QStringLiteral("/keep.txt")));
    QVERIFY(QDir(d + QStringLiteral("/QWBigFile3.Big")).exists());
    QVERIFY(core::getSet("drivewiped").empty());
  }

  void unloadSavesWhatTheNextStartRestores() {
    settled();
    {
      auto f = makeForm(workPath());
      f->panel()->setHistory({QStringLiteral("*.a"), QStringLiteral("*.b"), QStringLiteral("*.c")});
      f->formUnload(true);
    }
    QCOMPARE(core::getSet("ext3"), std::string("*.c"));
    QVERIFY(core::getSet("ext4").empty());
    QCOMPARE(core::getSet("vardfilt"), std::string("1"));
    QVERIFY(!core::getSet("frmMainW").empty());
    auto g = makeForm(std::string());
    QCOMPARE(g->panel()->history().size(), 3);
  }

  // Windows close on Esc's release; a release whose press went to another window (a menu it
  // closed, a message box, another program) closes nothing.
  void escReleaseCountsOnlyInTheWindowOfItsPress() {
    settled();
    auto f = makeForm(workPath());
    f->activateWindow();
    QTRY_VERIFY(f->isActiveWindow());
    QWidget* list = f->pane()->currentView();
    list->setFocus();

    QMenu* fileMenu = f->menu(QStringLiteral("menuFile"));
    QVERIFY(fileMenu);
    fileMenu->popup(f->mapToGlobal(QPoint(10, 10)));
    QTRY_VERIFY(QApplication::activePopupWidget() == fileMenu);
    QTest::keyPress(fileMenu, Qt::Key_Escape);  // closes the menu
    QTRY_VERIFY(!fileMenu->isVisible());
    QTest::keyRelease(list, Qt::Key_Escape);
    QVERIFY(f->isVisible());

    f->launch("menuSettings");
    QWidget* settings = f->settingsForm();
    QTRY_VERIFY(settings->isVisible());
    QWidget elsewhere;
    elsewhere.show();
    QTest::keyPress(&elsewhere, Qt::Key_Escape);
    QTest::keyRelease(settings, Qt::Key_Escape);
    QVERIFY(settings->isVisible());
    QTest::keyClick(settings, Qt::Key_Escape);  // pressed and released in the dialog: it closes
    QTRY_VERIFY(!settings->isVisible());
    QVERIFY(f->isVisible());
  }

  void languageChangeDoesNotRepeatOnceOnlySteps() {
    settled();
    core::saveSet("isProp", "1");
    touch(work_->path() + QStringLiteral("/x.txt"));
    auto f = makeForm(workPath("x.txt"));
    f->panel()->setHistory({QStringLiteral("*.q")});
    const std::string folder = f->currentFolder();
    f->setCurrentFolder(platform::homeDir());
    started_.clear();
    f->menuLang(1);
    QCOMPARE(core::coreState().langIndex, 1);
    QCOMPARE(f->currentFolder(), platform::homeDir());  // no jump back to the command line
    QCOMPARE(f->panel()->history().size(), 1);          // not doubled
    QVERIFY(started_.empty());                          // no second Properties
    QVERIFY(f->isVisible());
    f->menuLang(0);
    QVERIFY(folder != f->currentFolder());
  }
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  MainFormTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "main_form_qtest.moc"
