// The delete tool's window with the real main window: each menu opens it on its mode with that
// mode's frame, the window fits what it shows, Start hands the run the main window's folder and
// filters with the chosen mode and passes, and every text fits in all five languages.
#include "tools/file_ops/widgets/frm_delete.h"

#include "core/pipeline.h"
#include "core/scripted_run_host.h"
#include "core/settings.h"
#include "core/state.h"
#include "main_window/widgets/filter_panel.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/main_test_support.h"
#include "main_window/widgets/tool_launcher.h"
#include "platform/mounts.h"
#include "platform/program_paths.h"
#include "tools/file_ops/widgets/frm_delete_tool.h"
#include "tools/frame/widgets/tool_language_qtest_support.h"
#include "tools/frame/widgets/tool_qtest_support.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace mainwin;
using tools::file_ops::DeleteMode;
using tools::file_ops::FrmDelete;
using tools::testing::child;

class FrmDeleteTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> work_;
  std::unique_ptr<MainForm> main_;

  std::string folder() const { return work_->path().toStdString() + "/"; }
  FrmDelete* open(const char* menu) {
    QAction* a = main_->action(QString::fromLatin1(menu));
    if (!a || !a->isEnabled()) return nullptr;
    a->trigger();
    auto* f = dynamic_cast<FrmDelete*>(toolFormInstance("frmDelete"));
    if (f) QTest::qWait(20);
    return f;
  }
  static QRadioButton* opt(QWidget* f, const char* name) { return child<QRadioButton>(f, name); }
  static bool shown(QWidget* f, const char* name) { return child<QWidget>(f, name)->isVisibleTo(f); }
  void touch(const char* name) {
    QFile file(work_->path() + QLatin1Char('/') + QString::fromLatin1(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("data");
  }

 private Q_SLOTS:
  void initTestCase() {
    MainForm::setDefaultProgramStarter([](const std::string&, const std::string&) {});
    core::saveSet("vardfilt", "1");
    core::saveSet("doTips", "0");
    core::saveSet("frmMainShowSub", "1");
    work_ = std::make_unique<QTemporaryDir>();
    tools::file_ops::registerDeleteTool();
    main_ = std::make_unique<MainForm>(folder());
    main_->show();
    QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
  }
  void cleanupTestCase() {
    unregisterToolForm("frmDelete");
    main_.reset();
  }
  void cleanup() {
    if (auto* f = dynamic_cast<FrmDelete*>(toolFormInstance("frmDelete")); f && f->isVisible()) f->closeForm();
    tools::ToolWindow::usePipeline(nullptr);
  }

  void eachMenuOpensItsModeWithItsFrame_data() {
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("option");
    QTest::newRow("delete") << "menuDelete1" << "optDelete";
    QTest::newRow("wipe files") << "menuDelete3" << "optFiles";
    QTest::newRow("wipe free space") << "menuDelete2" << "optDrive";
    QTest::newRow("quick menu keeps the last mode") << "menuDelete" << "optDrive";
  }
  void eachMenuOpensItsModeWithItsFrame() {
    QFETCH(QString, menu);
    QFETCH(QString, option);
    FrmDelete* f = open(menu.toLatin1().constData());
    QVERIFY(f && f->isVisible());
    QVERIFY(opt(f, option.toLatin1().constData())->isChecked());
    const bool files = option == QLatin1String("optFiles");
    const bool drive = option == QLatin1String("optDrive");
    QCOMPARE(shown(f, "framWFiles"), files);
    QCOMPARE(shown(f, "framWFS"), drive);
    QCOMPARE(shown(f, "lblNote"), files || drive);
    QVERIFY(shown(f, "cmdStart") && shown(f, "cmdClose"));
    QVERIFY2(f->height() >= f->sizeHint().height(), "the window fits what it shows");
    if (drive) {
      // The mount of the main window's folder is offered and chosen.
      const std::optional<platform::MountEntry> m = platform::mountOf(folder());
      QVERIFY(m);
      QCOMPARE(f->readOptions().mountPoint, m->mountPoint);
    }
  }

  void theWindowFollowsTheOptionHoweverItIsChosen() {
    FrmDelete* f = open("menuDelete1");
    QVERIFY(f);
    const int plain = f->height();
    QTest::mouseClick(opt(f, "optFiles"), Qt::LeftButton, {}, QPoint(5, 5));
    QTRY_VERIFY(f->height() > plain);
    QVERIFY(shown(f, "framWFiles"));
    QTest::mouseClick(opt(f, "optRecycle"), Qt::LeftButton, {}, QPoint(5, 5));
    QTRY_COMPARE(f->height(), plain);
    QVERIFY(!shown(f, "framWFiles") && !shown(f, "framWFS") && !shown(f, "lblNote"));
  }

  void optionsTakeTheModePassesAndTheMainWindowsFolderAndFilters_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("passes");
    QTest::addColumn<int>("wantMode");
    QTest::addColumn<int>("wantPasses");
    QTest::newRow("delete") << "optDelete" << "" << int(DeleteMode::Delete) << 1;
    QTest::newRow("recycle") << "optRecycle" << "" << int(DeleteMode::Recycle) << 1;
    QTest::newRow("wipe 1") << "optFiles" << "optFile1" << int(DeleteMode::WipeFiles) << 1;
    QTest::newRow("wipe 3") << "optFiles" << "optFile3" << int(DeleteMode::WipeFiles) << 3;
    QTest::newRow("free space 3") << "optDrive" << "optDrive3" << int(DeleteMode::WipeFreeSpace) << 3;
    QTest::newRow("file passes are not the free space's") << "optDrive" << "optFile3" << int(DeleteMode::WipeFreeSpace) << 1;
  }
  void optionsTakeTheModePassesAndTheMainWindowsFolderAndFilters() {
    QFETCH(QString, mode);
    QFETCH(QString, passes);
    QFETCH(int, wantMode);
    QFETCH(int, wantPasses);
    FrmDelete* f = open("menuDelete");
    QVERIFY(f);
    opt(f, "optDrive1")->setChecked(true);
    opt(f, "optFile1")->setChecked(true);
    opt(f, mode.toLatin1().constData())->setChecked(true);
    if (!passes.isEmpty()) opt(f, passes.toLatin1().constData())->setChecked(true);
    main_->panel()->chkInclude->setValue(1);
    main_->panel()->chkIncHidden->setValue(1);
    const tools::file_ops::DeleteOptions o = f->readOptions();
    main_->panel()->chkInclude->setValue(0);
    main_->panel()->chkIncHidden->setValue(0);
    QCOMPARE(int(o.mode), wantMode);
    QCOMPARE(o.passes, wantPasses);
    QCOMPARE(o.folder, folder());
    QCOMPARE(o.withSubfolders, wantMode != int(DeleteMode::WipeFreeSpace));
    QVERIFY(o.withHidden);
    QCOMPARE(o.pattern, main_->myPattern());
    QCOMPARE(o.fillFolderParents, (std::vector<std::string>{platform::homeDir(), folder()}));
  }

  void startAsksThenDeletesTheFilesOfTheMainWindowsFolder() {
    touch("one.txt");
    touch("two.txt");
    core::ScriptedRunHost host;
    host.realListing = true;
    host.mainFolder = folder();
    core::Pipeline pipe(host);
    pipe.setMountProbe({.isFixedDrive = [](const std::string&) { return true; }, .mountPoint = {}});
    tools::ToolWindow::usePipeline(&pipe);
    FrmDelete* f = open("menuDelete1");
    QVERIFY(f);
    f->findChild<uikit::CtrlCmd*>(QStringLiteral("cmdStart"))->click();
    QCOMPARE(host.questions.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(host.questions[0].message), QStringLiteral(
        "The targeted files will be deleted permanently, without going to the trash. Continue?"));
    QCOMPARE(host.results.size(), std::size_t(1));
    QVERIFY(QDir(work_->path()).entryList(QDir::Files).isEmpty());
    QVERIFY(QString::fromStdString(host.results[0].text).contains(QStringLiteral("Removed: 2 file(s)")));
  }

  void everyTextFitsInEveryLanguage() {
    const tools::testing::LanguagePass pass = tools::testing::inEveryLanguage<FrmDelete>(
        [&] { return open("menuDelete"); }, [](FrmDelete* f, const tools::testing::Check& check) {
          tools::testing::checkEachOption(f, check, {"optDelete", "optRecycle", "optFiles", "optDrive"});
        });
    QCOMPARE(pass.titles.value(0), QStringLiteral("Delete And Wipe"));
    QVERIFY2(pass.problems.isEmpty(), qPrintable(pass.problems.join(QLatin1Char('\n'))));
  }
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  FrmDeleteTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "frm_delete_qtest.moc"
