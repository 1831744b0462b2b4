// The rename window with the real main window: opened from its menus and its button, the rule
// boxes' checks and token insertion, each mode's own rules, the live preview, Start and Undo on a
// real folder, rule-set files, and its texts whole in every language.
#include "tools/renaming/widgets/frm_ren.h"

#include "core/file_content.h"
#include "core/form_state.h"
#include "core/language_file.h"
#include "core/pipeline.h"
#include "core/scripted_run_host.h"
#include "core/settings.h"
#include "core/state.h"
#include "core/vb.h"
#include "main_window/widgets/file_list_controller.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/main_test_support.h"
#include "main_window/widgets/tool_launcher.h"
#include "main_window/widgets/window_stack.h"
#include "tools/renaming/rename_journal.h"
#include "tools/frame/widgets/tool_language_qtest_support.h"
#include "tools/renaming/widgets/frm_ren_tool.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/dialog_test_support.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>
#include <memory>

using namespace mainwin;
using tools::ren::FrmRen;
using tools::ren::PreviewRow;
using Rows = std::vector<PreviewRow>;

namespace {

std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(folder)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace

class FrmRenTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> work_;
  std::string folder_;
  std::unique_ptr<MainForm> main_;

  FrmRen* ren() const { return dynamic_cast<FrmRen*>(toolFormInstance("frmRen")); }
  FrmRen* open(const char* menu = "menuRename2") {
    main_->launch(menu);
    FrmRen* r = ren();
    return r && r->isVisible() ? r : nullptr;
  }
  void makeFiles(std::initializer_list<const char*> names) {
    for (const char* n : names) std::ofstream(folder_ + n) << n;
  }
  // The main window on folder, its list filled.
  void showFolder(const std::string& folder) {
    main_->setCurrentFolder(folder);
    QTRY_COMPARE(main_->currentFolder(), folder);
    QVERIFY(main_->list().updateFiles(true) != 0);
  }
  static void setRules(FrmRen* r, const QString& start, const QString& end, bool sequence) {
    r->chkSeq->setValue(sequence ? 1 : 0);
    r->txtStart->setText(start);
    r->txtEnd->setText(end);
  }

 private Q_SLOTS:
  void initTestCase() {
    MainForm::setDefaultProgramStarter([](const std::string&, const std::string&) {});
    core::saveSet("vardfilt", "1");
    core::saveSet("doTips", "0");
    work_ = std::make_unique<QTemporaryDir>();
    folder_ = work_->path().toStdString() + "/files/";
    std::filesystem::create_directories(folder_);
    tools::ren::registerRenameTool();
    main_ = std::make_unique<MainForm>(folder_);
    main_->show();
    QVERIFY(QTest::qWaitForWindowExposed(main_.get()));
  }
  void cleanupTestCase() {
    if (FrmRen* r = ren(); r && r->isVisible()) r->closeForm();
    main_.reset();
  }
  void init() {
    for (const auto& e : std::filesystem::directory_iterator(folder_)) std::filesystem::remove_all(e.path());
    showFolder(folder_);
  }
  void cleanup() {
    if (FrmRen* r = ren(); r && r->isVisible()) r->closeForm();
    tools::ToolWindow::usePipeline(nullptr);
  }

  void opensFromTheMenusAndTheButtonWithTheirPresets() {
    FrmRen* r = open("menuSeq");
    QVERIFY(r);
    QCOMPARE(r->windowTitle(), QStringLiteral("Rename"));
    QCOMPARE(r->chkSeq->Value(), 1);
    QVERIFY(r->framSeq->isVisible());
    r->optFold->setChecked(true);
    r->closeForm();

    r = open("menuRename");  // presets the file mode
    QVERIFY(r);
    QVERIFY(r->optFile->isChecked());
    QCOMPARE(r->txtStart->text(), QStringLiteral("<oldFileNameNoExt>"));
    r->closeForm();

    main_->button(12)->click();
    QVERIFY(ren() && ren()->isVisible());
    QCOMPARE(main_->stack().getForm(), static_cast<QWidget*>(ren()));
  }

  // Tab goes down the rows as they stand and reaches the preview; Alt presses the buttons.
  void theKeyboardGoesDownTheRowsAndAltPressesTheButtons() {
    FrmRen* r = open();
    QVERIFY(r);
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(r));
    r->chkSeq->setValue(1);
    r->optFile->setChecked(true);
    r->chkStart->setFocus();
    QStringList order;
    for (int i = 0; i < 30 && QApplication::focusWidget(); ++i) {
      order << QApplication::focusWidget()->objectName();
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      if (QApplication::focusWidget() == r->chkStart) break;
    }
    // The new-folder options wait for the main window's subfolders; of the two modes Tab takes
    // the one the focus was last in, as in any group of options.
    if (order.size() > 9 && order[9] == QLatin1String("optFold")) order[9] = QStringLiteral("optFile");
    QCOMPARE(order, QStringList({"chkStart", "txtStart", "cmdIns1", "chkSeq", "txtFirst", "txtZeros", "chkEnd", "txtEnd",
                                 "cmdIns2", "optFile", "ListViewPrev", "cmdStart", "cmdUndo", "cmdClose"}));

    QTest::keyClick(r, Qt::Key_N, Qt::AltModifier);  // I&nsert, the end text's
    QTRY_COMPARE(QApplication::activePopupWidget(), static_cast<QWidget*>(r->menuAdd));
    r->menuRand->trigger();
    r->menuAdd->close();
    QVERIFY(r->txtEnd->text().endsWith(QLatin1String("<RandChar>")));
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(r));  // back from the menu
    QTest::keyClick(r, Qt::Key_C, Qt::AltModifier);  // &Close, pressed as a button shows it
    QTRY_VERIFY(!r->isVisible());
  }

  void typingALessThanEmptiesTheBoxAMenuTokenStays() {
    FrmRen* r = open();
    QVERIFY(r);
    r->txtStart->clear();
    QTest::keyClicks(r->txtStart, "a/b");
    QCOMPARE(r->txtStart->text(), QStringLiteral("ab"));  // "/" cannot be in a name
    QTest::keyClicks(r->txtStart, "<");
    QCOMPARE(r->txtStart->text(), QString());
    r->cmdIns2->click();  // the end box becomes the target
    r->menuAdd->hide();
    r->txtEnd->clear();
    r->menuOld->trigger();
    QCOMPARE(r->txtEnd->text(), QStringLiteral("<oldFileNameNoExt>"));
    r->dateSources[3]->actions().at(6)->trigger();  // Today, yyyymodd
    QCOMPARE(r->txtEnd->text(), QStringLiteral("<oldFileNameNoExt><Date;Today;yyyymodd>"));
    r->loadHandleFrmStr(QStringLiteral("2;3"));
    QCOMPARE(r->txtEnd->text(), QStringLiteral("<oldFileNameNoExt><Date;Today;yyyymodd><CustSub;2;3>"));
  }

  void eachModeKeepsItsOwnRules() {
    FrmRen* r = open();
    QVERIFY(r);
    r->txtStart->setText(QStringLiteral("a<oldFileNameNoExt>"));
    r->txtEnd->setText(QStringLiteral(".<oldFileExtension>"));
    r->optFold->setChecked(true);
    QCOMPARE(r->txtStart->text(), QStringLiteral("<oldFolderName>"));
    QVERIFY(!r->menuOld->isVisible());
    QCOMPARE(r->menuFold->text(), QStringLiteral("Add Old Folder Name"));
    r->txtStart->setText(QStringLiteral("f<oldFolderName>"));
    r->optFile->setChecked(true);
    QCOMPARE(r->txtStart->text(), QStringLiteral("a<oldFileNameNoExt>"));
    QCOMPARE(r->txtEnd->text(), QStringLiteral(".<oldFileExtension>"));
    r->optFold->setChecked(true);
    QCOMPARE(r->txtStart->text(), QStringLiteral("f<oldFolderName>"));
    r->optFile->setChecked(true);
  }

  void thePreviewFollowsTheRulesAndTheFolder() {
    makeFiles({"a.txt", "b.txt", "x_1.txt"});
    showFolder(folder_);
    FrmRen* r = open();
    QVERIFY(r);
    setRules(r, QStringLiteral("x_"), QStringLiteral(".txt"), true);
    r->txtFirst->setText(QStringLiteral("1"));
    r->txtZeros->setText(QString());
    QCOMPARE(r->txtZeros->text(), QStringLiteral("0"));
    QCOMPARE(r->previewRows(), (Rows{{"a.txt", "x_2.txt"}, {"b.txt", "x_3.txt"}, {"x_1.txt", "x_1.txt"}}));
    QTest::keyClicks(r->txtEnd, "t");  // ".txtt"
    QCOMPARE(r->previewRows().at(0), (PreviewRow{"a.txt", "x_1.txtt"}));
    QCOMPARE(r->ListViewPrev->topLevelItem(0)->text(1), QStringLiteral("x_1.txtt"));
    r->closeForm();

    // An empty list: the sample name of the messages.
    const std::string empty = work_->path().toStdString() + "/empty/";
    std::filesystem::create_directories(empty);
    showFolder(empty);
    r = open();
    QCOMPARE(r->previewRows(), (Rows{{"Example File.txt", "x_1.txtt"}}));
  }

  void startRenamesAndUndoPutsBack() {
    makeFiles({"a.txt", "b.txt", "x_1.txt"});
    showFolder(folder_);
    core::ScriptedRunHost host;
    host.mainFolder = folder_;
    host.realListing = true;
    core::Pipeline pipe(host);
    tools::ToolWindow::usePipeline(&pipe);
    FrmRen* r = open();
    QVERIFY(r);
    setRules(r, QStringLiteral("x_"), QStringLiteral(".txt"), true);
    r->cmdStart->click();
    QCOMPARE(namesIn(folder_), (std::vector<std::string>{"x_1.txt", "x_2.txt", "x_3.txt"}));
    QVERIFY(r->menuRecent->isEnabled());
    QVERIFY(r->menuClear->isEnabled());
    r->menuRecent->trigger();
    QCOMPARE(namesIn(folder_), (std::vector<std::string>{"a.txt", "b.txt", "x_1.txt"}));
    QVERIFY(!r->menuRecent->isEnabled());
    QCOMPARE(host.questions.back().title, r->msg(2));
  }

  void ruleSetsSaveLoadAndRefuse() {
    FrmRen* r = open();
    QVERIFY(r);
    const std::string dir = work_->path().toStdString() + "/";
    const QString saved = QString::fromStdString(dir + "mine.Ren");
    setRules(r, QStringLiteral("x A_Sep y A_Run"), QStringLiteral(".<oldFileExtension>"), true);
    r->txtFirst->setText(QStringLiteral("-5"));
    uikit::testing::answerNextBox("cmd6");  // "saved"
    QCOMPARE(r->saveHandle(saved), std::uint8_t{0});
    uikit::testing::answerNextBox("cmd5");  // "replace it?" No
    QCOMPARE(r->saveHandle(saved), std::uint8_t{1});

    setRules(r, QStringLiteral("other"), QStringLiteral(".txt"), false);
    QCOMPARE(r->loadHandle(saved), std::uint8_t{0});
    QCOMPARE(r->txtStart->text(), QStringLiteral("x A_Sep y A_Run"));
    QCOMPARE(r->txtFirst->text(), QStringLiteral("-5"));
    QCOMPARE(r->chkSeq->Value(), 1);
    QCOMPARE(core::getSet("vardtlf"), dir + "mine.Ren");

    const auto load = [&](const std::string& name, const std::string& content) {
      std::ofstream(dir + name, std::ios::binary) << content;
      return r->loadHandle(QString::fromStdString(dir + name));
    };
    uikit::testing::answerNextBox("cmd6");  // "not a settings file"
    QCOMPARE(load("foreign.Ren", "PK\x03\x04 not a rule set"), std::uint8_t{1});
    QCOMPARE(r->txtStart->text(), QStringLiteral("x A_Sep y A_Run"));
    // Another tool's state: what it names applies, the rest stays.
    QCOMPARE(load("other.Ren", "qw9ConfigsA_SepwinStateA_Sep0A_SepoptContentA_SepTrueA_SepchkSeqA_Sep0A_Sep"),
             std::uint8_t{0});
    QCOMPARE(r->chkSeq->Value(), 0);
    QCOMPARE(r->txtStart->text(), QStringLiteral("x A_Sep y A_Run"));
    // A file cut short: its last, incomplete entry is left out.
    QCOMPARE(load("cut.Ren", "qw9ConfigsA_SepwinStateA_Sep0A_SeptxtStartA_SepnewA_SeptxtEndA_Sep.tx"), std::uint8_t{0});
    QCOMPARE(r->txtStart->text(), QStringLiteral("new"));
    QCOMPARE(r->txtEnd->text(), QStringLiteral(".<oldFileExtension>"));
  }

  // A rule set saved in folder mode brings back the mode and both modes' rules, whatever mode
  // the window is in when it is loaded.
  void aRuleSetBringsBackItsModeAndBothPairsOfRules() {
    FrmRen* r = open();
    QVERIFY(r);
    const QString saved = QString::fromStdString(work_->path().toStdString() + "/modes.Ren");
    r->optFile->setChecked(true);
    setRules(r, QStringLiteral("file_<oldFileNameNoExt>"), QStringLiteral(".<oldFileExtension>"), false);
    r->optFold->setChecked(true);
    setRules(r, QStringLiteral("dir_<oldFolderName>"), QStringLiteral("_d"), false);
    QFile::remove(saved);
    uikit::testing::answerNextBox("cmd6");
    QCOMPARE(r->saveHandle(saved), std::uint8_t{0});

    r->optFile->setChecked(true);
    setRules(r, QStringLiteral("other"), QStringLiteral(".x"), false);
    QCOMPARE(r->loadHandle(saved), std::uint8_t{0});
    QVERIFY(r->optFold->isChecked());
    QCOMPARE(r->txtStart->text(), QStringLiteral("dir_<oldFolderName>"));
    QCOMPARE(r->txtEnd->text(), QStringLiteral("_d"));
    r->optFile->setChecked(true);
    QCOMPARE(r->txtStart->text(), QStringLiteral("file_<oldFileNameNoExt>"));
    QCOMPARE(r->txtEnd->text(), QStringLiteral(".<oldFileExtension>"));
  }

  void neverNarrowerThanItsDesign() {
    FrmRen* r = open();
    QVERIFY(r);
    const int design = r->minimumWidth();
    r->resize(design / 2, r->height());
    QVERIFY(r->width() >= design);
  }

  void textsFitInEveryLanguage() {
    const tools::testing::LanguagePass pass = tools::testing::inEveryLanguage<FrmRen>(
        [&] { return open("menuSeq"); }, [](FrmRen* r, const tools::testing::Check& check) {
          tools::testing::checkEachOption(r, check, {"optFile", "optFold"});
        });
    QVERIFY2(pass.problems.isEmpty(), qPrintable(pass.problems.join(QLatin1Char('\n'))));
  }
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  FrmRenTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "frm_ren_qtest.moc"
