// The attribute window with the real main window: opened from its menu, each attribute's frame
// shows while its box is ticked, the note on read-only folders shows when it applies, Start sets
// the attributes of the main window's files, and every text fits in every language.
#include "tools/file_ops/widgets/frm_attrib.h"

#include "core/file_paths.h"
#include "core/pipeline.h"
#include "core/scripted_run_host.h"
#include "core/settings.h"
#include "core/state.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/main_test_support.h"
#include "main_window/widgets/tool_launcher.h"
#include "tools/file_ops/widgets/frm_date_attrib_tools.h"
#include "tools/frame/widgets/tool_language_qtest_support.h"
#include "tools/frame/widgets/tool_qtest_support.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QTest>

#include <memory>

using namespace tools::file_ops;
using tools::testing::child;

class FrmAttribTest : public QObject {
  Q_OBJECT

  std::unique_ptr<mainwin::MainForm> main_;
  QString folder_;

  FrmAttrib* open() { return tools::testing::openTool<FrmAttrib>(main_.get(), "menuAttributes"); }
  static uikit::CtrlCheckBox* box(QWidget* w, const char* name) { return child<uikit::CtrlCheckBox>(w, name); }

 private Q_SLOTS:
  void initTestCase() {
    folder_ = tools::testing::folderWithFile(QStringLiteral("attributed"), QStringLiteral("report.txt"));
    QVERIFY(!folder_.isEmpty());
    main_ = tools::testing::startMainWindow(folder_, registerAttribTool);
  }
  void cleanupTestCase() { main_.reset(); }
  void cleanup() {
    tools::testing::closeTool("frmAttrib");
  }

  void framesFollowTheirBoxes() {
    FrmAttrib* w = open();
    QVERIFY(w);
    for (const char* name : {"chkArchive", "chkHidden", "chkRO"}) box(w, name)->setValue(0);
    for (const char* name : {"framArchive", "framHidden", "framRO"}) QVERIFY(!child<QGroupBox>(w, name)->isVisible());
    box(w, "chkHidden")->setValue(1);
    QVERIFY(child<QGroupBox>(w, "framHidden")->isVisible());
    QVERIFY(!child<QGroupBox>(w, "framRO")->isVisible());

    box(w, "chkRO")->setValue(1);
    child<QRadioButton>(w, "optRO2")->setChecked(true);
    child<QRadioButton>(w, "optFile")->setChecked(true);
    QVERIFY(!child<QLabel>(w, "lblFoldRO")->isVisible());
    child<QRadioButton>(w, "optFold")->setChecked(true);
    QVERIFY(child<QLabel>(w, "lblFoldRO")->isVisible());

    w->closeForm();
    w = open();
    QVERIFY(child<QGroupBox>(w, "framRO")->isVisible());
    QVERIFY(child<QLabel>(w, "lblFoldRO")->isVisible());
    child<QRadioButton>(w, "optFile")->setChecked(true);
  }

  void startChangesTheMainWindowsFiles() {
    core::ScriptedRunHost host;
    host.realListing = true;
    host.mainFolder = folder_.toStdString() + "/";
    core::Pipeline pipe(host);
    tools::ToolWindow::usePipeline(&pipe);
    FrmAttrib* w = open();
    child<QRadioButton>(w, "optFile")->setChecked(true);
    for (const char* name : {"chkArchive", "chkHidden"}) box(w, name)->setValue(0);
    box(w, "chkRO")->setValue(1);
    child<QRadioButton>(w, "optRO2")->setChecked(true);
    QTest::mouseClick(child<uikit::CtrlCmd>(w, "cmdStart"), Qt::LeftButton);
    QCOMPARE(host.results.size(), std::size_t(1));
    const std::string file = host.mainFolder + "report.txt";
    QCOMPARE(int(core::GetAtt(file) & core::kAttrReadOnly), int(core::kAttrReadOnly));
    child<QRadioButton>(w, "optRO3")->setChecked(true);
    QTest::mouseClick(child<uikit::CtrlCmd>(w, "cmdStart"), Qt::LeftButton);
    QCOMPARE(int(core::GetAtt(file) & core::kAttrReadOnly), 0);

    for (const char* name : {"chkArchive", "chkHidden", "chkRO"}) box(w, name)->setValue(0);
    QTest::mouseClick(child<uikit::CtrlCmd>(w, "cmdStart"), Qt::LeftButton);
    QCOMPARE(host.questions.size(), std::size_t(1));
    QVERIFY(QString::fromStdString(host.questions[0].message).contains(QLatin1String("at least one attribute")));
  }

  void textsFitInEveryLanguage() {
    const QStringList titles = {QStringLiteral("Change Attributes"), QStringLiteral("Modifier les attributs"),
                                QStringLiteral("Attribute ändern"), QStringLiteral("Cambiar atributos"),
                                QStringLiteral("Kenmerken wijzigen")};
    const tools::testing::LanguagePass pass = tools::testing::inEveryLanguage<FrmAttrib>(
        [&] { return open(); }, [&](FrmAttrib* w, const tools::testing::Check& check) {
          child<QRadioButton>(w, "optFold")->setChecked(true);
          for (const char* name : {"chkArchive", "chkHidden", "chkRO"}) box(w, name)->setValue(1);
          child<QRadioButton>(w, "optRO2")->setChecked(true);
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
  FrmAttribTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "frm_attrib_qtest.moc"
