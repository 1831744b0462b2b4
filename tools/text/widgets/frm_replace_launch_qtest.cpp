// The replace window as the main window opens it: from the contents menu it comes up set to
// contents (whatever its saved state said), from the names menu as it was left; Start takes the
// main window's folder, its subfolder choice and its pattern; and in each of the five languages no
// caption of it is cut short.
#include "tools/text/widgets/frm_replace.h"
#include "tools/text/widgets/frm_replace_register.h"

#include "core/language_file.h"
#include "core/pipeline.h"
#include "core/scripted_run_host.h"
#include "core/settings.h"
#include "core/state.h"
#include "core/widgets/fake_host.h"
#include "main_window/widgets/filter_panel.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/main_test_support.h"
#include "main_window/widgets/tool_launcher.h"
#include "tools/frame/widgets/tool_language_qtest_support.h"
#include "tools/frame/widgets/tool_qtest_support.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>

#include <memory>

using namespace mainwin;
using tools::testing::child;

class FrmReplaceLaunchTest : public QObject {
  Q_OBJECT

  std::unique_ptr<MainForm> main_;
  QString folder_;

  void makeFile(const QString& rel) {
    QFile f(folder_ + QLatin1Char('/') + rel);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("text");
  }

  tools::text::FrmReplace* open(const char* menu) {
    QAction* a = main_->action(QString::fromLatin1(menu));
    if (!a || !a->isEnabled()) return nullptr;
    a->trigger();
    return qobject_cast<tools::text::FrmReplace*>(toolFormInstance("frmReplace"));
  }

 private Q_SLOTS:
  void initTestCase() {
    MainForm::setDefaultProgramStarter([](const std::string&, const std::string&) {});
    core::saveSet("vardfilt", "1");
    core::saveSet("doTips", "0");
    tools::text::registerReplaceTool();
    folder_ = QDir::tempPath() + QStringLiteral("/replaced");
    QDir().mkpath(folder_ + QStringLiteral("/sub"));
    main_ = std::make_unique<MainForm>(folder_.toStdString() + "/");
    main_->show();
  }
  void cleanupTestCase() {
    tools::ToolWindow::usePipeline(nullptr);
    main_.reset();
  }

  void theContentsMenuOpensItSetToContents() {
    auto* form = open("menuReplace");
    QVERIFY(form);
    QVERIFY(form->isVisible());
    child<QRadioButton>(form, "optFile")->setChecked(true);
    child<uikit::CtrlCheckBox>(form, "chkWildCards")->setValue(1);
    form->closeForm();
    QVERIFY(!form->isVisible());

    form = open("menuConSer");
    QVERIFY(child<QRadioButton>(form, "optContent")->isChecked());
    QVERIFY(child<uikit::CtrlCheckBox>(form, "chkSpan")->isVisibleTo(form));  // the window followed the preset
    form->closeForm();

    form = open("menuReplace2");
    QVERIFY(child<QRadioButton>(form, "optContent")->isChecked());  // as it was left
    form->closeForm();

    form = open("menuReplace");  // Rename -> Search And Replace: names, never contents
    QVERIFY(child<QRadioButton>(form, "optFile")->isChecked());
    QVERIFY(!child<uikit::CtrlCheckBox>(form, "chkSpan")->isVisibleTo(form));
    form->closeForm();
  }

  // A file-names run over the main window's folder and, as the main window asks, its subfolders;
  // the report heads each folder's lines with the main window's pattern.
  void startRenamesInTheMainWindowsFolders() {
    makeFile(QStringLiteral("old.txt"));
    makeFile(QStringLiteral("sub/old.txt"));
    makeFile(QStringLiteral("keep.txt"));
    core::ScriptedRunHost host;
    host.realListing = true;
    host.mainFolder = folder_.toStdString() + "/";
    core::Pipeline pipe(host);
    tools::ToolWindow::usePipeline(&pipe);
    core::FakeHost boxes;  // message boxes are noted, not shown
    boxes.main = main_.get();
    const core::ScopedHost scoped(boxes);
    main_->panel()->chkInclude->setValue(1);  // the main window's own notice about subfolders
    boxes.responds.clear();

    auto* form = open("menuReplace");
    QVERIFY(form);
    child<QRadioButton>(form, "optFile")->setChecked(true);
    child<uikit::CtrlCheckBox>(form, "chkWildCards")->setValue(0);
    child<uikit::CtrlCheckBox>(form, "chkMulRun")->setValue(0);
    child<QPlainTextEdit>(form, "txtSearch")->setPlainText(QStringLiteral("old"));
    child<QPlainTextEdit>(form, "txtReplace")->setPlainText(QStringLiteral("new"));
    QTest::mouseClick(child<uikit::CtrlCmd>(form, "cmdStart"), Qt::LeftButton);

    for (const auto& r : boxes.responds) qWarning("%s", r.text.c_str());
    QVERIFY(boxes.responds.empty());
    QCOMPARE(host.questions.size(), std::size_t(1));
    QVERIFY(host.questions[0].message.find(form->msg(16)) != std::string::npos);  // subfolders included
    QVERIFY(QFile::exists(folder_ + QStringLiteral("/new.txt")));
    QVERIFY(QFile::exists(folder_ + QStringLiteral("/sub/new.txt")));
    QVERIFY(QFile::exists(folder_ + QStringLiteral("/keep.txt")));
    QVERIFY(!QFile::exists(folder_ + QStringLiteral("/old.txt")));
    QCOMPARE(host.results.size(), std::size_t(1));
    const std::string report = host.results[0].text;
    const std::string heading = folder_.toStdString() + "/sub/" + main_->myPattern() + "\r\n";
    QVERIFY2(report.find(heading) != std::string::npos, report.c_str());
    QVERIFY(report.find("2" + form->msg(22)) != std::string::npos);

    main_->panel()->chkInclude->setValue(0);
    tools::ToolWindow::usePipeline(nullptr);
    form->closeForm();
  }

  void everyLanguageFits() {
    const QStringList titles = {QStringLiteral("Search And Replace"), QStringLiteral("Rechercher et remplacer"),
                                QStringLiteral("Suchen und Ersetzen"), QStringLiteral("Buscar y reemplazar"),
                                QStringLiteral("Zoeken en vervangen")};
    const tools::testing::LanguagePass pass = tools::testing::inEveryLanguage<tools::text::FrmReplace>(
        [&] { return open("menuReplace"); }, [](tools::text::FrmReplace* form, const tools::testing::Check& check) {
          // The options that hide controls, all shown.
          child<uikit::CtrlCheckBox>(form, "chkWildCards")->setValue(1);
          child<QRadioButton>(form, "optContent")->setChecked(true);
          child<uikit::CtrlCheckBox>(form, "chkTags")->setValue(1);
          child<uikit::CtrlCheckBox>(form, "chkMulRun")->setValue(1);
          form->doResize();
          QApplication::processEvents();
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
  FrmReplaceLaunchTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "frm_replace_launch_qtest.moc"
