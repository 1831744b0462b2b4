// The case changer's window opened from the main window's menus: the contents preset shows the
// contents layout, folders never offer "Unchanged", the preview converts the first names of the
// list or the first subfolders, Start runs the chosen styles on the main window's folder, and
// every text fits in every language.
#include "tools/renaming/widgets/frm_case.h"

#include "core/pipeline.h"
#include "core/scripted_run_host.h"
#include "core/settings.h"
#include "core/state.h"
#include "main_window/widgets/file_list_controller.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/main_test_support.h"
#include "main_window/widgets/tool_launcher.h"
#include "tools/frame/widgets/tool_language_qtest_support.h"
#include "tools/frame/widgets/tool_qtest_support.h"
#include "tools/renaming/widgets/case_trim_qtest_support.h"
#include "tools/renaming/widgets/case_tool.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <map>
#include <memory>

using namespace mainwin;
using tools::testing::child;

class FrmCaseTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> work_;
  std::unique_ptr<MainForm> main_;

  std::string folder() const { return work_->path().toStdString() + "/"; }
  tools::FrmCase* open(const char* menu) {
    main_->launch(menu);
    return dynamic_cast<tools::FrmCase*>(toolFormInstance("frmCase"));
  }
  static QRadioButton* opt(QWidget* f, const char* name) { return child<QRadioButton>(f, name); }
  void makeFile(const QString& name) {
    QFile f(work_->path() + QLatin1Char('/') + name);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("Some TEXT. more text");
  }

 private Q_SLOTS:
  void initTestCase() {
    MainForm::setDefaultProgramStarter([](const std::string&, const std::string&) {});
    core::saveSet("vardfilt", "1");
    core::saveSet("doTips", "0");
    core::saveSet("frmMainShowSub", "1");
    work_ = std::make_unique<QTemporaryDir>();
    makeFile(QStringLiteral("MY FILE.TXT"));
    makeFile(QStringLiteral("Second.Doc"));
    QVERIFY(QDir(work_->path()).mkdir(QStringLiteral("Sub One")));
    tools::registerCaseTool();
    main_ = std::make_unique<MainForm>(folder());
    main_->show();
    QTRY_COMPARE(main_->list().firstVisibleNames().size(), std::size_t(2));
  }
  void cleanupTestCase() {
    unregisterToolForm("frmCase");
    main_.reset();
  }
  void cleanup() {
    if (QWidget* f = toolFormInstance("frmCase"); f && f->isVisible()) dynamic_cast<tools::FrmCase*>(f)->closeForm();
    tools::ToolWindow::usePipeline(nullptr);
  }

  // The menus of the contents preset it with setChecked: the window shows the contents layout.
  void theContentsMenuShowsTheContentsLayout() {
    tools::FrmCase* f = open("menuConCase");
    QVERIFY(f && f->isVisible());
    QVERIFY(opt(f, "optContents")->isChecked());
    QCOMPARE(f->mode(), tools::CaseMode::Contents);
    QVERIFY(!child(f, "framExt")->isVisible());
    QVERIFY(!child(f, "ListViewPrev")->isVisible());
    QVERIFY(!opt(f, "optFile4")->isVisible() && !opt(f, "optFile4")->isEnabled());
    QVERIFY(!opt(f, "optFile4")->isChecked());
    QCOMPARE(f->findChild<QGroupBox*>(QStringLiteral("framName"))->title(), QStringLiteral("Contents"));
    f->closeForm();

    f = open("menuCase2");  // the quick menu: the state it was left in
    QVERIFY(opt(f, "optContents")->isChecked());
    f->closeForm();
    f = open("menuCase");  // Rename -> Change Capitalization: names, never contents
    QVERIFY(opt(f, "optFile")->isChecked() && !opt(f, "optContents")->isChecked());
    QVERIFY(child(f, "framExt")->isVisible());
    QVERIFY(child(f, "ListViewPrev")->isVisible());
    QVERIFY(opt(f, "optFile4")->isVisible() && opt(f, "optFile4")->isEnabled());
    QCOMPARE(f->findChild<QGroupBox*>(QStringLiteral("framName"))->title(), QStringLiteral("Name"));
  }

  // The room the user gives the window goes to the preview, not to the option groups; without
  // the preview (contents) the window keeps the height of its options.
  void theWindowGrowsItsPreview() {
    tools::FrmCase* f = open("menuCase");
    QVERIFY(f);
    QTRY_VERIFY(child(f, "ListViewPrev")->isVisible());
    QVERIFY(f->maximumHeight() > f->minimumHeight());
    const int list = child(f, "ListViewPrev")->height(), name = child(f, "framName")->height();
    const QSize before = f->size();
    const int tall = f->height() + 200;
    f->resize(f->width() + 60, tall);
    QTRY_COMPARE(f->height(), tall);
    QTRY_COMPARE(child(f, "ListViewPrev")->height(), list + 200);
    QCOMPARE(child(f, "framName")->height(), name);
    opt(f, "optContents")->setChecked(true);
    QTRY_VERIFY(f->height() < tall - 200);
    QCOMPARE(f->minimumHeight(), f->maximumHeight());
    opt(f, "optFile")->setChecked(true);
    QTRY_VERIFY(child(f, "ListViewPrev")->isVisible());
    QVERIFY(f->maximumHeight() > f->minimumHeight());
    f->resize(before);
  }

  void foldersNeverOfferUnchanged() {
    tools::FrmCase* f = open("menuCase");
    opt(f, "optFile")->setChecked(true);
    opt(f, "optFile4")->setChecked(true);
    QTest::mouseClick(opt(f, "optFold"), Qt::LeftButton);
    QVERIFY(opt(f, "optFold")->isChecked());
    QVERIFY(opt(f, "optFile1")->isChecked());
    QVERIFY(!opt(f, "optFile4")->isVisible());
    QVERIFY(!child(f, "framExt")->isVisible());
  }

  void thePreviewConvertsTheFirstNamesOfTheList() {
    tools::FrmCase* f = open("menuCase");
    opt(f, "optFile")->setChecked(true);
    opt(f, "optFile2")->setChecked(true);
    opt(f, "optExt3")->setChecked(true);
    auto rows = tools::testing::previewRows(f);
    QCOMPARE(rows[QStringLiteral("MY FILE.TXT")], QStringLiteral("MY FILE.txt"));
    QCOMPARE(rows[QStringLiteral("Second.Doc")], QStringLiteral("SECOND.doc"));
    opt(f, "optFile5")->setChecked(true);
    QCOMPARE(tools::testing::previewRows(f)[QStringLiteral("MY FILE.TXT")], QStringLiteral("My File.txt"));
    opt(f, "optFold")->setChecked(true);
    rows = tools::testing::previewRows(f);
    QCOMPARE(rows.size(), std::size_t(1));
    QCOMPARE(rows[QStringLiteral("Sub One")], QStringLiteral("Sub One"));
    opt(f, "optFile2")->setChecked(true);
    QCOMPARE(tools::testing::previewRows(f)[QStringLiteral("Sub One")], QStringLiteral("SUB ONE"));
  }

  void everyTextFitsInEveryLanguage() {
    const tools::testing::LanguagePass pass = tools::testing::inEveryLanguage<tools::FrmCase>(
        [&] { return open("menuCase"); }, [](tools::FrmCase* f, const tools::testing::Check& check) {
          tools::testing::checkEachOption(f, check, {"optFile", "optFold", "optContents"});
        });
    QVERIFY2(pass.problems.isEmpty(), qPrintable(pass.problems.join(QLatin1Char('\n'))));
  }

  // Last: it renames the folder's files.
  void startRunsTheChosenStylesOnTheMainWindowsFolder() {
    core::ScriptedRunHost host;
    host.realListing = true;
    host.mainFolder = folder();
    core::Pipeline pipe(host);
    tools::ToolWindow::usePipeline(&pipe);
    tools::FrmCase* f = open("menuCase");
    opt(f, "optFile")->setChecked(true);
    opt(f, "optFile4")->setChecked(true);
    opt(f, "optExt4")->setChecked(true);
    f->cmdStartClick();
    QCOMPARE(QString::fromStdString(host.questions.back().message), QString::fromStdString(f->msg(1)));
    QVERIFY(QFile::exists(work_->path() + QStringLiteral("/MY FILE.TXT")));

    opt(f, "optFile3")->setChecked(true);
    opt(f, "optExt3")->setChecked(true);
    f->cmdStartClick();
    QVERIFY(QFile::exists(work_->path() + QStringLiteral("/my file.txt")));
    QVERIFY(QFile::exists(work_->path() + QStringLiteral("/second.doc")));
    QVERIFY(QDir(work_->path() + QStringLiteral("/Sub One")).exists());  // files mode: folders stay

    opt(f, "optContents")->setChecked(true);
    opt(f, "optFile1")->setChecked(true);
    f->cmdStartClick();
    QFile text(work_->path() + QStringLiteral("/second.doc"));
    QVERIFY(text.open(QIODevice::ReadOnly));
    QCOMPARE(text.readAll(), QByteArray("Some text. More text"));
  }
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  FrmCaseTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "frm_case_qtest.moc"
