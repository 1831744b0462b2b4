// The text appender's window with the real main window: the tag button follows the tags box, the
// tag menu inserts the long forms at the caret (the date words fixed whatever language the menu
// shows), its Start appends to the main window's files, and every text fits in every language.
#include "tools/text/widgets/frm_append.h"

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

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>

#include <memory>

using namespace tools::text;
using tools::testing::child;

class FrmAppendTest : public QObject {
  Q_OBJECT

  std::unique_ptr<mainwin::MainForm> main_;
  QString folder_;

  FrmAppend* open() { return tools::testing::openTool<FrmAppend>(main_.get(), "menuAppend"); }
  // The item of the format word among the date menu's items named items (menuDate1..4).
  static QAction* dateItem(QWidget* w, const char* items, const QString& format) {
    for (QAction* a : w->findChildren<QAction*>(QString::fromLatin1(items))) {
      if (a->text() == format) return a;
    }
    return nullptr;
  }

 private Q_SLOTS:
  void initTestCase() {
    folder_ = tools::testing::folderWithFile(QStringLiteral("appended"), QStringLiteral("letter.txt"), "Dear reader");
    QVERIFY(!folder_.isEmpty());
    main_ = tools::testing::startMainWindow(folder_, registerAppendTool);
  }
  void cleanupTestCase() { main_.reset(); }
  void cleanup() {
    tools::ToolWindow::usePipeline(nullptr);
    core::coreState().langIndex = 0;
    if (QWidget* w = mainwin::toolFormInstance("frmAppend"); w && w->isVisible()) {
      dynamic_cast<FrmAppend*>(w)->closeForm();
    }
  }

  void tagMenuInsertsLongFormsInAnyLanguage() {
    core::coreState().langIndex = 2;  // German captions on the menus
    FrmAppend* w = open();
    QVERIFY(w);
    auto* tags = child<uikit::CtrlCheckBox>(w, "chkTags");
    tags->setValue(0);
    QVERIFY(!child<uikit::CtrlCmd>(w, "cmdTags")->isVisible());
    tags->setValue(1);
    QVERIFY(child<uikit::CtrlCmd>(w, "cmdTags")->isVisible());
    QCOMPARE(child<QMenu>(w, "menuMod")->title(), QStringLiteral("Datei geändert"));

    auto* text = child<QPlainTextEdit>(w, "txtAppend");
    text->setPlainText(QStringLiteral("[x]"));
    QTextCursor c = text->textCursor();
    c.setPosition(1);
    c.setPosition(2, QTextCursor::KeepAnchor);  // "x" selected
    text->setTextCursor(c);
    child<QAction>(w, "menuName")->trigger();
    dateItem(w, "menuDate1", QStringLiteral("yyyymodd"))->trigger();
    dateItem(w, "menuDate4", QStringLiteral("Month"))->trigger();
    QCOMPARE(text->toPlainText(),
             QStringLiteral("[<FileNameNoDotExt><Date;File Modified;yyyymodd><Date;Today;Month>]"));
    QCOMPARE(w->findChildren<QAction*>(QStringLiteral("menuDate3")).size(), 17);
  }

  void startAppendsToTheMainWindowsFiles() {
    core::ScriptedRunHost host;
    host.realListing = true;
    host.mainFolder = folder_.toStdString() + "/";
    core::Pipeline pipe(host);
    pipe.setMountProbe({.isFixedDrive = [](const std::string&) { return true; }});
    tools::ToolWindow::usePipeline(&pipe);
    FrmAppend* w = open();
    QVERIFY(w);
    child<uikit::CtrlCheckBox>(w, "chkTags")->setValue(1);
    child<QRadioButton>(w, "optStart")->setChecked(true);
    child<QPlainTextEdit>(w, "txtAppend")->setPlainText(QStringLiteral("<FileNameNoDotExt>: "));
    QTest::mouseClick(child<uikit::CtrlCmd>(w, "cmdStart"), Qt::LeftButton);
    QCOMPARE(host.questions.size(), std::size_t(1));  // the confirmation
    QFile f(folder_ + QStringLiteral("/letter.txt"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("letter: Dear reader"));
    QCOMPARE(host.results.size(), std::size_t(1));

    child<QPlainTextEdit>(w, "txtAppend")->setPlainText(QString());
    QTest::mouseClick(child<uikit::CtrlCmd>(w, "cmdStart"), Qt::LeftButton);
    QCOMPARE(host.questions.back().title, std::string("I"));
    QCOMPARE(host.results.size(), std::size_t(1));
  }

  void textsFitInEveryLanguage() {
    const QStringList titles = {QStringLiteral("Append Data To File Contents"),
                                QStringLiteral("Ajouter des données au contenu des fichiers"),
                                QStringLiteral("Daten an Dateiinhalte anfügen"),
                                QStringLiteral("Añadir datos al contenido de los archivos"),
                                QStringLiteral("Gegevens toevoegen aan de inhoud van bestanden")};
    const tools::testing::LanguagePass pass = tools::testing::inEveryLanguage<FrmAppend>(
        [&] { return open(); }, [&](FrmAppend* w, const tools::testing::Check& check) {
          child<uikit::CtrlCheckBox>(w, "chkTags")->setValue(1);
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
  FrmAppendTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "frm_append_qtest.moc"
