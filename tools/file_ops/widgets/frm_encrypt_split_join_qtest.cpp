// The encryption, split and join windows with the real main window: each Start reads its
// controls and works on the main window's files, the key stays out of the form-state file and
// shows again on Shift+Alt, the joiner's controls follow its mode, and every text fits in every
// language.
#include "tools/file_ops/widgets/frm_encrypt.h"
#include "tools/file_ops/widgets/frm_join.h"
#include "tools/file_ops/widgets/frm_split.h"

#include "core/pipeline.h"
#include "core/scripted_run_host.h"
#include "core/settings.h"
#include "core/state.h"
#include "core/widgets/fake_host.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/main_test_support.h"
#include "main_window/widgets/tool_launcher.h"
#include "tools/file_ops/widgets/frm_encrypt_split_join_tools.h"
#include "tools/frame/widgets/tool_language_qtest_support.h"
#include "tools/frame/widgets/tool_qtest_support.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include <memory>

using namespace tools::file_ops;
using tools::testing::child;

class FrmEncryptSplitJoinTest : public QObject {
  Q_OBJECT

  std::unique_ptr<mainwin::MainForm> main_;
  QString folder_;

  template <class T>
  T* open(const char* menu) {
    return tools::testing::openTool<T>(main_.get(), menu);
  }
  void write(const QString& name, const QByteArray& data) {
    QFile f(folder_ + QLatin1Char('/') + name);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
  }
  QByteArray read(const QString& name) {
    QFile f(folder_ + QLatin1Char('/') + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  void clearFolder() {
    QDir d(folder_);
    for (const QString& n : d.entryList(QDir::Files)) d.remove(n);
  }
  // A pipeline over scripted answers on the main window's folder.
  struct Run {
    core::ScriptedRunHost host;
    std::unique_ptr<core::Pipeline> pipe;
  };
  std::unique_ptr<Run> scripted() {
    auto run = std::make_unique<Run>();
    run->host.realListing = true;
    run->host.mainFolder = folder_.toStdString() + "/";
    run->pipe = std::make_unique<core::Pipeline>(run->host);
    run->pipe->setMountProbe({.isFixedDrive = [](const std::string&) { return true; }});
    tools::ToolWindow::usePipeline(run->pipe.get());
    return run;
  }

 private Q_SLOTS:
  void initTestCase() {
    folder_ = QDir::tempPath() + QStringLiteral("/pieces");
    QDir().mkpath(folder_);
    main_ = tools::testing::startMainWindow(folder_, [] {
      registerEncryptTool();
      registerSplitTool();
      registerJoinTool();
    });
  }
  void cleanupTestCase() { main_.reset(); }
  void cleanup() {
    tools::ToolWindow::usePipeline(nullptr);
    core::coreState().langIndex = 0;
    for (const char* form : {"frmEncrypt", "frmSplit", "frmJoin"}) {
      if (QWidget* w = mainwin::toolFormInstance(form); w && w->isVisible()) {
        dynamic_cast<tools::ToolWindow*>(w)->closeForm();
      }
    }
    clearFolder();
  }

  void encryptTwiceGivesTheFileBackAndTheKeyStaysOutOfTheFormState() {
    write(QStringLiteral("plain.txt"), "attack at dawn");
    auto run = scripted();
    auto* w = open<FrmEncrypt>("menuEncrypt");
    QVERIFY(w);
    auto* key = w->findChild<QLineEdit*>(QStringLiteral("keyText"));
    QVERIFY(key);
    key->setText(QStringLiteral("Sésame ouvre-toi"));
    run->host.answers = {core::kAnswerYes};
    QTest::mouseClick(child<uikit::CtrlCmd>(w, "cmdStart"), Qt::LeftButton);
    QVERIFY(read(QStringLiteral("plain.txt")) != "attack at dawn");
    run->host.answers = {core::kAnswerYes};
    QTest::mouseClick(child<uikit::CtrlCmd>(w, "cmdStart"), Qt::LeftButton);
    QCOMPARE(read(QStringLiteral("plain.txt")), QByteArray("attack at dawn"));

    w->closeForm();
    QFile state(QString::fromStdString(core::coreState().appPath) + QStringLiteral("frmEncrypt.txt"));
    QVERIFY(state.open(QIODevice::ReadOnly));
    QVERIFY(!state.readAll().contains("ouvre"));
  }

  void shiftAltShowsTheLastKey() {
    core::saveSet("encryptKeyValue", "olleh-terces");
    auto* w = open<FrmEncrypt>("menuEncrypt");
    QVERIFY(w);
    core::FakeHost boxes;  // message boxes are noted, not shown
    boxes.main = main_.get();
    const core::ScopedHost scoped(boxes);
    // The keys go where the keyboard sends them: to the key box, which has the focus.
    auto* key = w->findChild<QLineEdit*>(QStringLiteral("keyText"));
    key->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(key));
    QTest::keyRelease(key, Qt::Key_Alt, Qt::ShiftModifier);
    QCOMPARE(boxes.responds.size(), std::size_t(1));
    QCOMPARE(boxes.responds[0].text, std::string("\"secret-hello\""));
    QTest::keyRelease(key, Qt::Key_Alt, Qt::ControlModifier);
    QCOMPARE(boxes.responds.size(), std::size_t(2));
    QTest::keyRelease(key, Qt::Key_Alt);  // Alt alone shows nothing
    QCOMPARE(boxes.responds.size(), std::size_t(2));
  }

  void splitCutsTheFilesAndAZeroSizeAsksAgain() {
    write(QStringLiteral("data.bin"), QByteArray(2500, 'd'));
    auto run = scripted();
    auto* w = open<FrmSplit>("menuSplit");
    QVERIFY(w);
    auto* size = child<QLineEdit>(w, "txtSplitSize");
    size->clear();
    QTest::keyClicks(size, QStringLiteral("1x.5"));
    QCOMPARE(size->text(), QStringLiteral("1.5"));
    child<QComboBox>(w, "comSplitSize")->setCurrentIndex(1);  // KB: 1536-byte pieces
    QTest::mouseClick(child<uikit::CtrlCmd>(w, "cmdStart"), Qt::LeftButton);
    QCOMPARE(read(QStringLiteral("data.bin 2QWsplit.1")).size(), 1536);
    QCOMPARE(read(QStringLiteral("data.bin 2QWsplit.2")).size(), 964);

    size->setText(QStringLiteral("0.5"));
    child<QComboBox>(w, "comSplitSize")->setCurrentIndex(0);
    QTest::mouseClick(child<uikit::CtrlCmd>(w, "cmdStart"), Qt::LeftButton);
    QCOMPARE(run->host.questions.back().title, std::string("I"));
    QVERIFY(size->hasFocus());
    QTRY_COMPARE(size->selectedText(), QStringLiteral("0.5"));

    // The box selects its whole number whenever it gets the focus, by Tab or by a click.
    child<QComboBox>(w, "comSplitSize")->setFocus();
    size->setCursorPosition(1);
    QTest::keyClick(child<QComboBox>(w, "comSplitSize"), Qt::Key_Backtab);
    QVERIFY(size->hasFocus());
    QTRY_COMPARE(size->selectedText(), QStringLiteral("0.5"));
    child<QComboBox>(w, "comSplitSize")->setFocus();
    QTest::mouseClick(size, Qt::LeftButton, {}, QPoint(2, size->height() / 2));
    QTRY_COMPARE(size->selectedText(), QStringLiteral("0.5"));
  }

  void joinFollowsItsModeAndJoinsThePieces() {
    write(QStringLiteral("a.txt 2QWsplit.1"), "first,");
    write(QStringLiteral("a.txt 2QWsplit.2"), "last");
    auto run = scripted();
    auto* w = open<FrmJoin>("menuJoin");
    QVERIFY(w);
    QCOMPARE(child<QComboBox>(w, "comBreak")->count(), 2);
    child<QRadioButton>(w, "optJoinFM")->setChecked(true);
    QVERIFY(!child<QLineEdit>(w, "txtJoinAllFile")->isEnabled());
    child<QRadioButton>(w, "optJoinAll")->setChecked(true);
    QVERIFY(child<QLineEdit>(w, "txtJoinAllFile")->isEnabled());
    QVERIFY(!child<uikit::CtrlCheckBox>(w, "chkSpan")->Enabled());  // subfolders are not included

    child<QRadioButton>(w, "optJoinFM")->setChecked(true);
    QTest::mouseClick(child<uikit::CtrlCmd>(w, "cmdStart"), Qt::LeftButton);
    QCOMPARE(read(QStringLiteral("a.txt")), QByteArray("first,last"));
  }

  void textsFitInEveryLanguage() {
    QStringList problems;
    for (const char* menu : {"menuEncrypt", "menuSplit", "menuJoin"}) {
      problems << tools::testing::inEveryLanguage<tools::ToolWindow>([&] { return open<tools::ToolWindow>(menu); })
                      .problems;
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
  }
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  FrmEncryptSplitJoinTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "frm_encrypt_split_join_qtest.moc"
