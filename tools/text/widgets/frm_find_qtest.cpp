// The word finder's window with the real main window: opened from both its menus, its Start
// searches the main window's folder with the options it shows, an empty target text gives the
// notice, unsplit text searches as one target in any-mode, and every text fits in every language.
#include "tools/text/widgets/frm_find.h"

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
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>

#include <memory>

using namespace tools::text;
using tools::testing::child;

class FrmFindTest : public QObject {
  Q_OBJECT

  std::unique_ptr<mainwin::MainForm> main_;
  QString folder_;

  FrmFind* open(const char* menu = "menuFind") {
    auto* w = dynamic_cast<FrmFind*>(mainwin::launchTool(menu, main_.get()));
    if (w) QTest::qWait(20);
    return w;
  }
  void write(const char* name, const QByteArray& contents) {
    QFile f(folder_ + QLatin1Char('/') + QLatin1String(name));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(contents);
  }

 private Q_SLOTS:
  void initTestCase() {
    folder_ = QDir::tempPath() + QStringLiteral("/searched");
    QDir().mkpath(folder_);
    write("minutes.txt", "The Annual meeting");
    write("notes.txt", "annual budget");
    main_ = tools::testing::startMainWindow(folder_, registerFindTool);
  }
  void cleanupTestCase() { main_.reset(); }
  void cleanup() {
    tools::testing::closeTool("frmFind");
  }

  void startSearchesWithTheOptionsShown() {
    core::ScriptedRunHost host;
    host.realListing = true;
    host.mainFolder = folder_.toStdString() + "/";
    core::Pipeline pipe(host);
    tools::ToolWindow::usePipeline(&pipe);
    FrmFind* w = open("menuFind2");
    QVERIFY(w);
    auto* text = child<QPlainTextEdit>(w, "txtTargWords");
    auto* start = child<uikit::CtrlCmd>(w, "cmdStart");

    text->setPlainText(QString());
    QTest::mouseClick(start, Qt::LeftButton);
    QCOMPARE(host.questions.size(), std::size_t(1));
    QCOMPARE(host.questions[0].title, std::string("I"));
    QVERIFY(host.results.empty());

    text->setPlainText(QStringLiteral("annual \"THE annual\""));
    child<uikit::CtrlCheckBox>(w, "chkPhrase")->setValue(1);
    child<uikit::CtrlCheckBox>(w, "chkSens")->setValue(0);
    child<QRadioButton>(w, "optTargAll")->setChecked(true);
    child<QRadioButton>(w, "optFile")->setChecked(true);
    QTest::mouseClick(start, Qt::LeftButton);
    QCOMPARE(host.results.size(), std::size_t(1));
    const std::string hits = "\t\r\n" + host.mainFolder + "minutes.txt\r\n\t";
    QVERIFY2(host.results[0].text.find(hits) != std::string::npos, host.results[0].text.c_str());

    // Unsplit, the text is one target and the all/any choice is set to any.
    child<uikit::CtrlCheckBox>(w, "chkPhrase")->setValue(0);
    QVERIFY(!child<QRadioButton>(w, "optTargAll")->isEnabled());
    text->setPlainText(QStringLiteral("annual budget"));
    QTest::mouseClick(start, Qt::LeftButton);
    QVERIFY(child<QRadioButton>(w, "optTargAny")->isChecked());
    QCOMPARE(host.results.size(), std::size_t(2));
    QVERIFY(host.results[1].text.find("\t\r\n" + host.mainFolder + "notes.txt\r\n\t") != std::string::npos);
  }

  void textsFitInEveryLanguage() {
    const QStringList titles = {QStringLiteral("Search Engine"), QStringLiteral("Moteur de recherche"),
                                QStringLiteral("Suchmaschine"), QStringLiteral("Motor de búsqueda"),
                                QStringLiteral("Zoekmachine")};
    const tools::testing::LanguagePass pass = tools::testing::inEveryLanguage<FrmFind>([&] { return open(); });
    QCOMPARE(pass.titles, titles);
    QVERIFY2(pass.problems.isEmpty(), qPrintable(pass.problems.join(QLatin1Char('\n'))));
  }
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  FrmFindTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "frm_find_qtest.moc"
