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
#include "ui_kit/dialog_test_support.h"
#include "ui_kit/look.h"
#include "ui_kit/message_box.h"
#include "ui_kit/results_viewer.h"
#include "core/widgets/host.h"
#include "core/widgets/text_controls.h"
#include "main_window/widgets/main_host.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidgetItem>

#include <memory>
#include <stdexcept>

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
    QTest::qWait(1000);
    QVERIFY(started_.empty());  // the tips wait for the dialog: they would cover its Done button
    f->settingsForm()->saveAndClose();
    QCOMPARE(f->stack().stackTop(), 0);
    QVERIFY(f->framMain()->isEnabled());
    QCOMPARE(core::getSet("smartProtect"), std::string("1"));
    QTRY_COMPARE(started_.size(), std::size_t(1));  // the tips at start-up ("doTips" empty is on)
    QCOMPARE(started_[0].first, std::string("Tipsome"));
  }

  void settledStartRegistersEntryAndBoundsPosition() {
    settled();
    const QString program = QString::fromStdString(core::coreState().exeDir + "Properties");
    touch(program, "#!/bin/sh\n");
    QFile(program).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
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
    f.reset();

    // Without the program the entry would be a broken "Open With" choice: the next start removes it.
    QVERIFY(QFile::remove(program));
    auto g = makeForm(workPath());
    QVERIFY(!QFile::exists(QString::fromStdString(platform::userDesktopEntryPath(core::propertiesEntryFileName()))));
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

  // Above 500 entries a refill shows the progress window, which disables the panel for a moment:
  // typing goes on in the box that had the focus.
  void typingInTheNameFilterSurvivesARefillWithProgress() {
    settled();
    for (int i = 0; i < 520; ++i) touch(work_->path() + QStringLiteral("/f%1.%2").arg(i).arg(i % 2 ? "a" : "abc"));
    auto f = makeForm(workPath());
    f->activateWindow();
    QTRY_VERIFY(f->isActiveWindow());
    QLineEdit* box = f->panel()->txtExtension;
    f->panel()->chkExtension->setValue(1);
    QTRY_VERIFY(box->isVisible());
    box->setFocus();
    box->selectAll();  // as getting the focus does
    QTest::keyClicks(box, QStringLiteral("*.a"));
    QTRY_COMPARE(f->list().model()->rowCount(), 260);  // after the pause, with the progress window
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(box));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("bc"));
    QCOMPARE(box->text(), QStringLiteral("*.abc"));
  }

  // Esc closes the window of its press; the main window, clicked while a box of its own waits,
  // must not end the program under it.
  void escNeverEndsTheProgramUnderAnOpenBox() {
    settled();
    auto f = makeForm(workPath());
    f->activateWindow();
    QTRY_VERIFY(f->isActiveWindow());
    bool visibleAfterEsc = false;
    QTimer::singleShot(0, [&] {
      uikit::FrmResponse* box = uikit::testing::waitForBox();
      QVERIFY(box);
      f->activateWindow();  // the user clicks the main window (the menu bar)
      QTest::keyClick(f->menuBar(), Qt::Key_Escape);
      QTest::keyClick(f->pane()->currentView(), Qt::Key_Escape);
      visibleAfterEsc = f->isVisible();
      box->answer(core::kAnswerYes);
    });
    core::host().respond(f.get(), "O", "1 file(s) could not be moved", "W", "");
    QVERIFY(visibleAfterEsc);
    QVERIFY(f->isVisible());

    f->launch("menuSettings");  // a dialog of its own is open: Esc in the main window waits too
    QTRY_VERIFY(f->settingsForm()->isVisible());
    f->activateWindow();
    QTRY_VERIFY(f->isActiveWindow());
    QTest::keyClick(f->pane()->currentView(), Qt::Key_Escape);
    QVERIFY(f->isVisible());
    f->settingsForm()->saveAndClose();
  }

  // A folder without read permission says so above the list, whether it is clicked in the tree or
  // asked for (a favourite, the command line), where the tree stops at its parent.
  void unreadableFolderSaysWhy() {
    settled();
    QVERIFY(QDir(work_->path()).mkpath(QStringLiteral("locked")));
    touch(work_->path() + QStringLiteral("/locked/inside.txt"));
    touch(work_->path() + QStringLiteral("/top.txt"));
    const QString root = test::isolateHome();
    for (const QString& open : {root, root + QStringLiteral("/tmp"), work_->path()}) {
      QFile::setPermissions(open, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                      QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    }
    const std::string locked = workPath("locked/");
    auto f = makeForm(workPath());
    QCOMPARE(f->list().model()->rowCount(), 1);
    QVERIFY(f->pane()->note().isEmpty());

    test::NoReadPermission noRead(work_->path() + QStringLiteral("/locked"));
    f->setCurrentFolder(locked);
    QCOMPARE(f->currentFolder(), workPath());  // the tree stopped at the parent
    QVERIFY2(f->pane()->note().contains(QStringLiteral("permission")), qPrintable(f->pane()->note()));
    QVERIFY(f->pane()->note().contains(QString::fromStdString(locked)));

    uikit::CtrlTreeDir* tree = f->dir1();
    QTreeWidgetItem* node = uikit::CtrlTreeDir::childWithPath(tree->currentNode(), QByteArray::fromStdString(locked));
    QVERIFY(node);
    tree->setCurrentItem(node);
    QTest::keyClick(tree, Qt::Key_Return);  // made the current folder: the list refills from it
    QCOMPARE(f->currentFolder(), locked);
    QCOMPARE(f->list().model()->rowCount(), 0);
    QVERIFY2(f->pane()->note().contains(QStringLiteral("permission")), qPrintable(f->pane()->note()));

    noRead.restore();
    f->setCurrentFolder(workPath());
    QVERIFY(f->pane()->note().isEmpty());
  }

  // The splitter takes its saved place once the window has its width, and unload saves that place.
  void splitterPositionSurvivesARestart() {
    settled();
    core::saveSet("frmMainW", "15000");
    core::saveSet("frmMainBPos", "1505");  // a position on the pixel grid, as unload writes them
    const int treePx = uikit::px(4390 + 1505 - 120);
    {
      auto f = makeForm(workPath());
      QTRY_COMPARE(f->treeWidth(), treePx);
      f->formUnload(true);
    }
    QCOMPARE(core::getSet("frmMainBPos"), std::string("1505"));
    auto g = makeForm(workPath());
    QTRY_COMPARE(g->treeWidth(), treePx);
  }

  // The progress window and the results viewer stand on the window stack like every window of
  // the program: a box without a caller belongs to the top one, and minimising either takes the
  // whole program down and back.
  void progressAndResultsJoinTheWindowStack() {
    settled();
    auto f = makeForm(workPath());
    f->mainRunHost().showProgress(nullptr);
    QWidget* progress = f->mainRunHost().progressWindow();
    QVERIFY(progress && progress->isVisible());
    QCOMPARE(f->stack().getForm(), progress);
    progress->setWindowState(Qt::WindowMinimized);  // as the window manager minimises it
    QTRY_VERIFY(f->stack().stackHidden());
    QVERIFY(!progress->isVisible());
    f->showNormal();
    QTRY_VERIFY(!f->stack().stackHidden());
    QVERIFY(progress->isVisible());
    f->mainRunHost().hideProgress(nullptr, true);
    QCOMPARE(f->stack().stackTop(), 0);

    f->menuResults();
    QWidget* results = uikit::FrmResults::current();
    QVERIFY(results && results->isVisible());
    QCOMPARE(f->stack().getForm(), results);
    results->setWindowState(Qt::WindowMinimized);
    QTRY_VERIFY(f->stack().stackHidden());
    QTRY_VERIFY(f->isMinimized());
    f->showNormal();
    QTRY_VERIFY(results->isVisible());
    static_cast<uikit::FrmResults*>(results)->unload();
    QTRY_COMPARE(f->stack().stackTop(), 0);
  }

  // Quick delete says where the files go; a rename reported by the properties editor shows the
  // new name with the look it calls for (a dot-name is hidden).
  void quickDeleteSaysWhereTheFilesGo_data() {
    QTest::addColumn<QString>("sendDeleted");
    QTest::addColumn<int>("message");
    QTest::newRow("to the trash") << "0" << 114;
    QTest::newRow("for good") << "1" << 129;
  }
  void quickDeleteSaysWhereTheFilesGo() {
    QFETCH(QString, sendDeleted);
    QFETCH(int, message);
    settled();
    core::saveSet("sendDeleted", sendDeleted.toStdString());
    touch(work_->path() + QStringLiteral("/one.txt"));
    auto f = makeForm(workPath());
    f->pane()->selectRows({0});
    QString asked;
    QTimer::singleShot(0, [&] {
      uikit::FrmResponse* box = uikit::testing::waitForBox();
      QVERIFY(box);
      asked = box->findChild<QLabel*>(QStringLiteral("lblMessage"))->text().simplified();
      box->answer(core::kAnswerNo);
    });
    f->menuQuickDel();
    QCOMPARE(asked, (QStringLiteral("1") + QString::fromStdString(core::msgMain(message))).simplified());
    QVERIFY(QFile::exists(work_->path() + QStringLiteral("/one.txt")));
  }

  void renamedByTheEditorToADotNameShowsHidden() {
    settled();
    touch(work_->path() + QStringLiteral("/shown.txt"));
    auto f = makeForm(workPath());
    f->pane()->selectRows({0});
    const QColor plain = f->list().model()->index(0, 0).data(Qt::ForegroundRole).value<QColor>();
    QVERIFY(QFile::rename(work_->path() + QStringLiteral("/shown.txt"), work_->path() + QStringLiteral("/.now-hidden.txt")));
    f->ddeCommand(QByteArray("3.now-hidden.txt") + QByteArray(8, '\0'));
    QTRY_COMPARE(QString::fromStdString(f->list().model()->entries()[0].name), QStringLiteral(".now-hidden.txt"));
    QVERIFY(f->list().model()->entries()[0].hidden());
    QCOMPARE(f->list().model()->index(0, 0).data(Qt::ForegroundRole).value<QColor>(),
             core::toQColor(core::coreState().hiddenColor));
    QVERIFY(plain != core::toQColor(core::coreState().hiddenColor));
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

  // Last: the program ends here (later message boxes would not wait once it has quit).
  // Exit during a run asks; after Yes the run is cancelled and, once it has ended, the program
  // closes and keeps the session's settings. The run here is a bare scope that an exception
  // leaves: its state ends all the same.
  void exitDuringARunClosesWhenTheRunEnds() {
    settled();
    auto f = makeForm(workPath());
    core::saveSet("frmMainW", "");
    try {
      RunScope run(*f);
      QVERIFY(f->runInProgress());
      QTimer::singleShot(0, this, [] {
        if (uikit::FrmResponse* box = uikit::testing::waitForBox()) box->answer(core::kAnswerYes);
      });
      f->menuExit();
      QVERIFY(f->isVisible());  // not under the run's feet
      QCOMPARE(f->mainRunHost().isCancel(), core::CancelState::Cancelled);
      throw std::runtime_error("the run fails");
    } catch (const std::runtime_error&) {
    }
    QVERIFY(!f->runInProgress());
    QTRY_VERIFY(!f->isVisible());
    QVERIFY(!core::getSet("frmMainW").empty());
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
