// The file lister's window with the real main window: opened from its menu, it follows its options
// however they change (a preset's setChecked, a value set in code, a restored state), its Start
// lists the main window's folder with the options it shows, refuses dates without a kind, and
// every text fits in every language.
#include "tools/text/widgets/frm_list.h"

#include "core/pipeline.h"
#include "core/scripted_run_host.h"
#include "core/settings.h"
#include "core/state.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/main_test_support.h"
#include "main_window/widgets/tool_launcher.h"
#include "tools/frame/widgets/tool_language_qtest_support.h"
#include "tools/frame/widgets/tool_qtest_support.h"
#include "tools/text/widgets/frm_list_find_append_tools.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QRadioButton>
#include <QTest>

#include <memory>

using namespace tools::text;
using tools::testing::child;

class FrmListTest : public QObject {
  Q_OBJECT

  std::unique_ptr<mainwin::MainForm> main_;
  QString folder_;

  FrmList* open() { return tools::testing::openTool<FrmList>(main_.get(), "menuListF"); }
  static uikit::CtrlCheckBox* box(QWidget* w, const char* name) { return child<uikit::CtrlCheckBox>(w, name); }

 private Q_SLOTS:
  void initTestCase() {
    folder_ = tools::testing::folderWithFile(QStringLiteral("listed"), QStringLiteral("report.txt"), QByteArray(1025, 'r'));
    QVERIFY(!folder_.isEmpty());
    main_ = tools::testing::startMainWindow(folder_, registerListTool);
  }
  void cleanupTestCase() { main_.reset(); }
  void cleanup() {
    tools::testing::closeTool("frmList");
  }

  void followsItsOptionsHoweverTheyChange() {
    FrmList* w = open();
    QVERIFY(w);
    child<QRadioButton>(w, "optFile")->setChecked(true);
    box(w, "chkSize")->setValue(1);
    box(w, "chkPath")->setValue(0);
    box(w, "chkNull")->setValue(1);
    QVERIFY(child<QGroupBox>(w, "framSize")->isVisible());

    child<QRadioButton>(w, "optFold")->setChecked(true);  // as a preset would
    QCOMPARE(box(w, "chkSize")->Value(), 0);
    QVERIFY(!box(w, "chkSize")->Enabled());
    QVERIFY(!box(w, "chkDate")->Enabled());
    QVERIFY(!box(w, "chkPath")->Enabled());
    QCOMPARE(box(w, "chkNull")->Value(), 0);
    QVERIFY(!child<QGroupBox>(w, "framSize")->isVisible());
    QVERIFY(!box(w, "chkDelim")->isVisible());
    QVERIFY(!box(w, "chkAtt")->isVisible());
    QVERIFY(!box(w, "chkDos")->isVisible());  // no short names on Linux

    // The state saved on closing comes back through the same handlers.
    w->closeForm();
    w = open();
    QVERIFY(child<QRadioButton>(w, "optFold")->isChecked());
    QVERIFY(!box(w, "chkDelim")->isVisible());
    child<QRadioButton>(w, "optFile")->setChecked(true);
    QVERIFY(box(w, "chkDelim")->isVisible());
    QVERIFY(box(w, "chkSize")->Enabled());
    box(w, "chkDate")->setValue(1);
    QVERIFY(child<QGroupBox>(w, "framDate")->isVisible());
    box(w, "chkPath")->setValue(1);
    QVERIFY(!box(w, "chkNull")->Enabled());
    box(w, "chkPath")->setValue(0);
    QVERIFY(box(w, "chkNull")->Enabled());
  }

  void startListsTheMainWindowsFolder() {
    core::ScriptedRunHost host;
    host.realListing = true;
    host.mainFolder = folder_.toStdString() + "/";
    core::Pipeline pipe(host);
    tools::ToolWindow::usePipeline(&pipe);
    FrmList* w = open();
    QVERIFY(w);
    child<QRadioButton>(w, "optFile")->setChecked(true);
    child<QRadioButton>(w, "optKB")->setChecked(true);
    box(w, "chkSize")->setValue(1);
    box(w, "chkDate")->setValue(0);
    box(w, "chkDelim")->setValue(1);
    box(w, "chkPath")->setValue(1);
    QTest::mouseClick(child<uikit::CtrlCmd>(w, "cmdStart"), Qt::LeftButton);
    QCOMPARE(host.results.size(), std::size_t(1));
    const std::string& text = host.results[0].text;
    QVERIFY2(text.find(host.mainFolder + "report.txt\t1.1\t\r\n") != std::string::npos, text.c_str());
    QVERIFY2(text.find("Size (KB)") != std::string::npos, text.c_str());

    // Dates without a kind: the notice, and the dates box is unticked.
    box(w, "chkDate")->setValue(1);
    for (const char* kind : {"chkCreated", "chkModified", "chkAccessed"}) box(w, kind)->setValue(0);
    QTest::mouseClick(child<uikit::CtrlCmd>(w, "cmdStart"), Qt::LeftButton);
    QCOMPARE(host.results.size(), std::size_t(1));
    QCOMPARE(host.questions.size(), std::size_t(1));
    QVERIFY(QString::fromStdString(host.questions[0].message).contains(QLatin1String("kind of date")));
    QCOMPARE(box(w, "chkDate")->Value(), 0);
    QVERIFY(!child<QGroupBox>(w, "framDate")->isVisible());
  }

  void textsFitInEveryLanguage() {
    const QStringList titles = {QStringLiteral("Generate Lists"), QStringLiteral("Générer des listes"),
                                QStringLiteral("Listen erstellen"), QStringLiteral("Generar listas"),
                                QStringLiteral("Lijsten maken")};
    const tools::testing::LanguagePass pass = tools::testing::inEveryLanguage<FrmList>(
        [&] { return open(); }, [&](FrmList* w, const tools::testing::Check& check) {
          child<QRadioButton>(w, "optFile")->setChecked(true);
          for (const char* name : {"chkSize", "chkDate"}) box(w, name)->setValue(1);
          QTest::qWait(20);
          check();
        });
    QCOMPARE(pass.titles, titles);
    QVERIFY2(pass.problems.isEmpty(), qPrintable(pass.problems.join(QLatin1Char('\n'))));
  }
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  FrmListTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "frm_list_qtest.moc"
