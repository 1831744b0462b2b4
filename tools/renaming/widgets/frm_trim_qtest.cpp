// The trimmer's window opened from the main window's menus: the contents preset shows the
// contents layout with its two units, the count box keeps digits only and the preview follows
// the count, the end and the extension box, a count of 0 asks for one, the widths are kept, Start
// trims on the main window's folder, and every text fits in every language.
#include "tools/renaming/widgets/frm_trim.h"

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
#include "tools/renaming/widgets/trim_tool.h"
#include "ui_kit/ctrl_check_box.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <map>
#include <memory>

using namespace mainwin;
using tools::testing::child;

class FrmTrimTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> work_;
  std::unique_ptr<MainForm> main_;

  std::string folder() const { return work_->path().toStdString() + "/"; }
  tools::FrmTrim* open(const char* menu) {
    main_->launch(menu);
    return dynamic_cast<tools::FrmTrim*>(toolFormInstance("frmTrim"));
  }
  void makeFile(const QString& name, const QByteArray& data) {
    QFile f(work_->path() + QLatin1Char('/') + name);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
  }
  QByteArray readFile(const QString& name) {
    QFile f(work_->path() + QLatin1Char('/') + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
  }

 private Q_SLOTS:
  void initTestCase() {
    MainForm::setDefaultProgramStarter([](const std::string&, const std::string&) {});
    core::saveSet("vardfilt", "1");
    core::saveSet("doTips", "0");
    core::saveSet("frmMainShowSub", "1");
    work_ = std::make_unique<QTemporaryDir>();
    makeFile(QStringLiteral("photo.jpeg"), "one\r\ntwo\r\nthree");
    makeFile(QStringLiteral("café.txt"), "café\nau lait\n");
    QVERIFY(QDir(work_->path()).mkdir(QStringLiteral("Folder")));
    tools::registerTrimTool();
    main_ = std::make_unique<MainForm>(folder());
    main_->show();
    QTRY_COMPARE(main_->list().firstVisibleNames().size(), std::size_t(2));
  }
  void cleanupTestCase() {
    unregisterToolForm("frmTrim");
    main_.reset();
  }
  void cleanup() {
    if (QWidget* f = toolFormInstance("frmTrim"); f && f->isVisible()) dynamic_cast<tools::FrmTrim*>(f)->closeForm();
    tools::ToolWindow::usePipeline(nullptr);
  }

  void theContentsMenuShowsTheContentsLayout() {
    tools::FrmTrim* f = open("menuTrim3");
    QVERIFY(f && f->isVisible());
    QVERIFY(child<QRadioButton>(f, "optContents")->isChecked());
    auto* units = child<QComboBox>(f, "comDelType");
    QCOMPARE(units->count(), 2);
    QCOMPARE(units->itemText(0), QStringLiteral("Characters"));
    QCOMPARE(units->itemText(1), QStringLiteral("Lines"));
    QVERIFY(!child(f, "chkExt")->isVisible());
    QVERIFY(!child(f, "ListViewPrev")->isVisible());
    f->closeForm();

    f = open("menuTrim2");  // the quick menu: the state it was left in
    QVERIFY(child<QRadioButton>(f, "optContents")->isChecked());
    f->closeForm();
    f = open("menuTrim");  // Rename -> Trim Characters: names, never contents
    QVERIFY(child<QRadioButton>(f, "optFile")->isChecked() && !child<QRadioButton>(f, "optContents")->isChecked());
    QCOMPARE(units->count(), 1);
    QVERIFY(child(f, "chkExt")->isVisible());
    QVERIFY(child(f, "ListViewPrev")->isVisible());
  }

  void theCountKeepsDigitsAndThePreviewFollows() {
    tools::FrmTrim* f = open("menuTrim");
    child<QRadioButton>(f, "optFile")->setChecked(true);
    child<uikit::CtrlCheckBox>(f, "chkExt")->setValue(0);
    auto* box = child<QLineEdit>(f, "txtDelete");
    auto* where = child<QComboBox>(f, "comDelWhat");
    where->setCurrentIndex(0);
    box->clear();
    QTest::keyClicks(box, QStringLiteral("1x"));
    QCOMPARE(box->text(), QStringLiteral("1"));
    QCOMPARE(tools::testing::previewRows(f)[QStringLiteral("photo.jpeg")], QStringLiteral("hoto.jpeg"));
    QCOMPARE(tools::testing::previewRows(f)[QStringLiteral("café.txt")], QStringLiteral("afé.txt"));
    where->setCurrentIndex(1);
    QCOMPARE(tools::testing::previewRows(f)[QStringLiteral("café.txt")], QStringLiteral("caf.txt"));
    child<uikit::CtrlCheckBox>(f, "chkExt")->setValue(1);
    QCOMPARE(tools::testing::previewRows(f)[QStringLiteral("photo.jpeg")], QStringLiteral("photo.jpe"));
    QTest::keyClicks(box, QStringLiteral("0"));  // 10: longer than either name
    QCOMPARE(tools::testing::previewRows(f)[QStringLiteral("photo.jpeg")], QStringLiteral("photo.jpeg"));
    child<QRadioButton>(f, "optFold")->setChecked(true);
    box->setText(QStringLiteral("2"));
    QCOMPARE(tools::testing::previewRows(f), (std::map<QString, QString>{{QStringLiteral("Folder"), QStringLiteral("Fold")}}));
  }

  void aCountOfZeroAsksForOne() {
    core::ScriptedRunHost host;
    host.mainFolder = folder();
    core::Pipeline pipe(host);
    tools::ToolWindow::usePipeline(&pipe);
    tools::FrmTrim* f = open("menuTrim");
    child<QLineEdit>(f, "txtDelete")->clear();
    child<QRadioButton>(f, "optFile")->setFocus();
    f->cmdStartClick();
    QCOMPARE(host.questions.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(host.questions[0].message), QString::fromStdString(f->msg(1)));
    QCOMPARE(f->focusWidget(), child(f, "txtDelete"));
  }

  void theWidthsAreKept() {
    tools::FrmTrim* f = open("menuTrim");
    child<QRadioButton>(f, "optFile")->setChecked(true);
    f->resize(f->width() + 90, f->height());
    const int width = f->width();
    f->closeForm();
    QCOMPARE(core::getSet("frmtrimwidth"), std::to_string(width * 15));
    QVERIFY(std::stoi(core::getSet("frmtrimcol1width")) > 0);
  }

  void everyTextFitsInEveryLanguage() {
    const tools::testing::LanguagePass pass = tools::testing::inEveryLanguage<tools::FrmTrim>(
        [&] { return open("menuTrim"); }, [](tools::FrmTrim* f, const tools::testing::Check& check) {
          tools::testing::checkEachOption(f, check, {"optFile", "optFold", "optContents"});
        });
    QVERIFY2(pass.problems.isEmpty(), qPrintable(pass.problems.join(QLatin1Char('\n'))));
  }

  // Last: it changes the folder's files.
  void startTrimsOnTheMainWindowsFolder() {
    core::ScriptedRunHost host;
    host.realListing = true;
    host.mainFolder = folder();
    core::Pipeline pipe(host);
    tools::ToolWindow::usePipeline(&pipe);
    tools::FrmTrim* f = open("menuTrim3");
    child<QLineEdit>(f, "txtDelete")->setText(QStringLiteral("1"));
    child<QComboBox>(f, "comDelType")->setCurrentIndex(1);
    child<QComboBox>(f, "comDelWhat")->setCurrentIndex(1);
    f->cmdStartClick();
    QCOMPARE(readFile(QStringLiteral("photo.jpeg")), QByteArray("one\r\ntwo"));
    QCOMPARE(readFile(QStringLiteral("café.txt")), QByteArray("café\nau lait"));

    child<QComboBox>(f, "comDelType")->setCurrentIndex(0);
    f->cmdStartClick();
    QCOMPARE(readFile(QStringLiteral("café.txt")), QByteArray("café\nau lai"));

    child<QRadioButton>(f, "optFile")->setChecked(true);
    child<uikit::CtrlCheckBox>(f, "chkExt")->setValue(0);
    child<QLineEdit>(f, "txtDelete")->setText(QStringLiteral("2"));
    f->cmdStartClick();
    QCOMPARE(readFile(QStringLiteral("pho.jpeg")), QByteArray("one\r\ntw"));
    QCOMPARE(readFile(QStringLiteral("ca.txt")), QByteArray("café\nau lai"));
  }
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  FrmTrimTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "frm_trim_qtest.moc"
