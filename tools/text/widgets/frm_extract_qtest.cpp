// The keyword extractor's window with the real main window: it opens from its menus and its
// button, follows its options however they are chosen, keeps the length boxes consistent, runs on
// the main window's folder with the options as shown, refuses a malformed pattern before the run,
// saves and loads presets (refusing another tool's file) and shows its texts whole in every
// language.
#include "tools/text/widgets/frm_extract.h"

#include "core/file_content.h"
#include "core/pipeline.h"
#include "core/scripted_run_host.h"
#include "core/settings.h"
#include "core/state.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/main_test_support.h"
#include "main_window/widgets/tool_launcher.h"
#include "tools/frame/widgets/tool_language_qtest_support.h"
#include "tools/text/widgets/frm_extract_register.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/file_dialog.h"
#include "ui_kit/message_box.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <memory>

using namespace mainwin;
using tools::text::FrmExtract;

namespace {

// Answers every message box that opens while it lives with one answer, and keeps each box's text
// (its line breaks made blanks).
class Boxes {
 public:
  explicit Boxes(int answer = core::kAnswerYes) : answer_(answer) {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      for (uikit::FrmResponse* box : uikit::openMessageBoxes()) {
        if (!box->isVisible() || box->pendingAnswer() != 0) continue;
        QStringList parts;
        for (const QLabel* l : box->findChildren<QLabel*>()) parts << l->text();
        texts << parts.join(QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' ')).simplified();
        box->answer(answer_);
      }
    });
    timer_.start();
  }
  // Whether a box showed text (compared with its blanks made single).
  [[nodiscard]] bool showed(const std::string& text) const {
    const QString wanted = QString::fromStdString(text).simplified();
    for (const QString& t : texts) {
      if (t.contains(wanted)) return true;
    }
    return false;
  }
  QStringList texts;

 private:
  int answer_;
  QTimer timer_;
};

void writeFile(const QString& path, const std::string& bytes) {
  std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

}  // namespace

class FrmExtractTest : public QObject {
  Q_OBJECT

  std::unique_ptr<MainForm> main_;
  QTemporaryDir work_;

  FrmExtract* open(const char* menu = "menuNamExtract") {
    main_->launch(menu);
    return qobject_cast<FrmExtract*>(toolFormInstance("frmExtract"));
  }
  // The box loses the focus to another control of its window (offscreen windows are never active).
  static void leave(QWidget* box) {
    QFocusEvent e(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(box, &e);
  }
  std::string folder() const { return work_.path().toStdString() + "/"; }

 private Q_SLOTS:
  void initTestCase() {
    MainForm::setDefaultProgramStarter([](const std::string&, const std::string&) {});
    core::saveSet("vardfilt", "1");
    core::saveSet("doTips", "0");
    writeFile(work_.path() + QStringLiteral("/notes.txt"), "Write to john@example.com, or to ann@example.org.\n");
    tools::text::registerExtractTool();
    main_ = std::make_unique<MainForm>(folder());
    main_->show();
  }
  void cleanupTestCase() { main_.reset(); }
  void cleanup() {
    if (auto* w = qobject_cast<FrmExtract*>(toolFormInstance("frmExtract")); w && w->isVisible()) w->closeForm();
    tools::ToolWindow::usePipeline(nullptr);
  }

  void opensFromItsMenusAndButton() {
    for (const char* menu : {"menuNamExtract", "menuExtract2"}) {
      FrmExtract* w = open(menu);
      QVERIFY2(w && w->isVisible(), menu);
      QCOMPARE(w->windowTitle(), QStringLiteral("Text Extractor"));
      QCOMPARE(w->comChar->count(), 3);
      QCOMPARE(w->comChar->itemText(1), QStringLiteral("Line break"));
      QVERIFY(!main_->framMain()->isEnabled());
      w->cmdClose->click();
      QVERIFY(!w->isVisible());
      QVERIFY(main_->framMain()->isEnabled());
    }
    main_->button(8)->click();
    QVERIFY(toolFormInstance("frmExtract")->isVisible());
  }

  // "One list for all files" belongs to file contents: the window follows the source however it
  // is chosen, including a restored state.
  void combineFollowsTheSource() {
    FrmExtract* w = open();
    w->optFold->setChecked(true);
    QVERIFY(!w->chkCombine->Enabled());
    w->optFile->setChecked(true);
    QVERIFY(w->chkCombine->Enabled());
    w->optFileName->setChecked(true);
    QVERIFY(!w->chkCombine->Enabled());
    w->closeForm();  // the state file keeps file names
    w->optFile->setChecked(true);
    w = open();
    QVERIFY(w->optFileName->isChecked());
    QVERIFY(!w->chkCombine->Enabled());
    w->optFile->setChecked(true);
  }

  void lengthBoxesStayConsistent() {
    FrmExtract* w = open();
    w->chkMinKey->setValue(1);
    w->chkMaxKey->setValue(1);
    QVERIFY(w->txtMinKey->isEnabled() && w->txtMaxKey->isEnabled());

    // Letters typed into a length box leave its digits.
    w->txtMaxKey->clear();
    QTest::keyClicks(w->txtMaxKey, QStringLiteral("a0b"));
    QCOMPARE(w->txtMaxKey->text(), QStringLiteral("0"));

    // Leaving the maximum at 0 sets it to the minimum + 1 and says so.
    w->chkMinKey->setValue(0);
    w->txtMinKey->setText(QStringLiteral("5"));
    {
      Boxes boxes;
      leave(w->txtMaxKey);
      QTRY_COMPARE(w->txtMaxKey->text(), QStringLiteral("6"));
      QVERIFY(boxes.showed(w->msg(16)));
    }

    // Ticking the minimum above a ticked, smaller maximum is refused.
    w->chkMinKey->setValue(0);
    w->txtMinKey->setText(QStringLiteral("9"));
    {
      Boxes boxes;
      w->chkMinKey->click();
      QVERIFY(boxes.showed(w->msg(14)));
    }
    QCOMPARE(w->chkMinKey->Value(), 0);
    QCOMPARE(w->txtMinKey->text(), QStringLiteral("0"));
    QVERIFY(!w->txtMinKey->isEnabled());

    // Ticking the maximum below a ticked, larger minimum switches the minimum off.
    w->chkMaxKey->setValue(0);
    w->chkMinKey->setValue(1);
    w->txtMinKey->setText(QStringLiteral("9"));
    {
      Boxes boxes;
      w->chkMaxKey->click();
      QVERIFY(boxes.showed(w->msg(13)));
    }
    QCOMPARE(w->chkMinKey->Value(), 0);
    QVERIFY(w->txtMaxKey->isEnabled());
    w->chkMaxKey->setValue(0);
  }

  void resetAsksFirst() {
    FrmExtract* w = open();
    w->txtAlphaKey->setText(QStringLiteral("abc"));
    {
      Boxes no(core::kAnswerNo);
      w->cmdResetKey->click();
      QVERIFY(no.showed(w->msg(12)));
    }
    QCOMPARE(w->txtAlphaKey->text(), QStringLiteral("abc"));
    {
      Boxes yes;
      w->cmdResetKey->click();
    }
    QCOMPARE(w->txtAlphaKey->text().size(), 94);
  }

  void commonWordsBoxGrowsTheWindow() {
    FrmExtract* w = open();
    w->chkExcKey->setValue(0);
    const int shut = w->height();
    w->chkExcKey->setValue(1);
    QVERIFY(w->txtCommonWords->isVisible());
    QVERIFY(w->height() >= shut + w->txtCommonWords->height());
    w->chkExcKey->setValue(0);
    QVERIFY(!w->txtCommonWords->isVisible());
    QCOMPARE(w->height(), shut);
  }

  // Start runs on the main window's folder with the options as shown: an emptied valid-characters
  // box shows the set the run used; a malformed pattern is refused before anything starts.
  void startRunsOrRefuses() {
    core::ScriptedRunHost host;
    host.realListing = true;
    host.mainFolder = folder();
    core::Pipeline pipe(host);
    tools::ToolWindow::usePipeline(&pipe);
    FrmExtract* w = open();
    w->txtAlphaKey->clear();
    w->chkPat->setValue(1);
    w->txtPat->setText(QStringLiteral("?*@?*.?*"));
    w->chkCombine->setValue(1);
    w->cmdStart->click();
    QCOMPARE(w->txtAlphaKey->text().size(), 94);
    QCOMPARE(host.results.size(), std::size_t(1));
    QVERIFY2(host.results[0].text.find("john@example.com, ann@example.org.") != std::string::npos,
             host.results[0].text.c_str());

    w->txtPat->setText(QStringLiteral("[ab"));
    {
      Boxes boxes;
      w->cmdStart->click();
      QVERIFY(boxes.showed(w->msg(27)));
    }
    QCOMPARE(host.results.size(), std::size_t(1));  // nothing ran
    w->txtPat->setText(QStringLiteral("?*@?*.?*"));
    w->chkPat->setValue(0);
    w->chkCombine->setValue(0);
  }

  void presetsRoundTripAndRefuseForeignFiles() {
    FrmExtract* w = open();
    const QString preset = work_.path() + QStringLiteral("/mine.Pre");
    const QString commonWords = QStringLiteral("A_Sep A_Esc%5F\nsecond line");
    w->txtCommonWords->setPlainText(commonWords);
    w->txtPat->setText(QStringLiteral("*A_Sep?"));
    w->optFold->setChecked(true);
    w->chkSens->setValue(1);
    w->comChar->setCurrentIndex(2);
    {
      Boxes ok;
      QCOMPARE(w->saveHandle(preset), std::uint8_t(0));
      QVERIFY(ok.showed(core::msgMain(119)));
    }
    // A file that exists is replaced only after a yes.
    const std::string saved = core::InputBits(preset.toStdString());
    w->chkSens->setValue(0);
    {
      Boxes no(core::kAnswerNo);
      QCOMPARE(w->saveHandle(preset), std::uint8_t(1));
      QVERIFY(no.showed(core::msgMain(117)));
    }
    QCOMPARE(core::InputBits(preset.toStdString()), saved);

    w->txtCommonWords->setPlainText(QStringLiteral("other"));
    w->txtPat->setText(QStringLiteral("x"));
    w->optFile->setChecked(true);
    w->comChar->setCurrentIndex(0);
    QCOMPARE(w->loadHandle(preset), std::uint8_t(0));
    QCOMPARE(w->txtCommonWords->toPlainText(), commonWords);
    QCOMPARE(w->txtPat->text(), QStringLiteral("*A_Sep?"));
    QVERIFY(w->optFold->isChecked());
    QVERIFY(!w->chkCombine->Enabled());
    QCOMPARE(w->chkSens->Value(), 1);
    QCOMPARE(w->comChar->currentIndex(), 2);
    QCOMPARE(core::getSet("vardtlf"), preset.toStdString());

    // Another tool's settings file, or any other file, changes nothing.
    const QString foreign = work_.path() + QStringLiteral("/rules.Ren");
    writeFile(foreign, "qw9ConfigsA_SepwinStateA_Sep0A_SepoptFileA_SepTrueA_SepchkSensA_Sep0A_SeptxtRuleA_Sepx A_Sep");
    for (const QString& file : {foreign, work_.path() + QStringLiteral("/notes.txt"), work_.path() + QStringLiteral("/none")}) {
      Boxes refused;
      QCOMPARE(w->loadHandle(file), std::uint8_t(1));
      QVERIFY(refused.showed(core::msgMain(116)));
      QVERIFY(w->optFold->isChecked());
      QCOMPARE(w->chkSens->Value(), 1);
    }
    QCOMPARE(core::getSet("vardtlf"), preset.toStdString());

    // The menu opens the file dialog on presets.
    w->menuLoad->trigger();
    uikit::FrmBrowse* dialog = uikit::FrmBrowse::current();
    QVERIFY(dialog && !dialog->isSaveMode());
    dialog->close();
    w->optFile->setChecked(true);
    w->chkSens->setValue(0);
    w->comChar->setCurrentIndex(0);
  }

  void textsFitInEveryLanguage() {
    const tools::testing::LanguagePass pass = tools::testing::inEveryLanguage<FrmExtract>(
        [&] { return open(); }, [](FrmExtract* w, const tools::testing::Check& check) {
          w->chkExcKey->setValue(1);
          QTest::qWait(20);
          check();
          QVERIFY(!w->msg(24).empty());
          QCOMPARE(w->comChar->itemText(0), QString::fromStdString(w->msg(24)));
          w->chkExcKey->setValue(0);
        });
    QVERIFY2(pass.problems.isEmpty(), qPrintable(pass.problems.join(QLatin1Char('\n'))));
  }
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  FrmExtractTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "frm_extract_qtest.moc"
