// Every window of the main program in each of the five shipped languages, as a new user first
// sees it: no caption, label, button, check box, option or drop-down item is cut short, and the
// program is called by its own name everywhere a person reads it.
#include "main_window/widgets/favourites_dialog.h"
#include "main_window/widgets/filter_panel.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/main_host.h"
#include "main_window/widgets/cut_texts_test_support.h"
#include "main_window/widgets/main_test_support.h"
#include "main_window/widgets/settings_dialog.h"

#include "core/settings.h"
#include "core/state.h"
#include "core/widgets/host.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/dialog_test_support.h"
#include "ui_kit/file_dialog.h"
#include "ui_kit/folder_dialog.h"
#include "ui_kit/message_box.h"
#include "ui_kit/progress_window.h"
#include "ui_kit/results_viewer.h"
#include "ui_kit/substring_dialog.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace mainwin;


class LanguagesTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> work_;
  QStringList problems_;

  void check(QWidget* form, int lang) {
    QVERIFY(form);
    QVERIFY2(form->isVisible(), qPrintable(form->objectName()));
    QTest::qWait(20);  // the layout of a window just shown
    for (const QString& p : mainwin::test::cutTexts(form)) problems_ << QStringLiteral("[%1] ").arg(lang) + p;
  }

 private Q_SLOTS:
  void initTestCase() {
    MainForm::setDefaultProgramStarter([](const std::string&, const std::string&) {});
    work_ = std::make_unique<QTemporaryDir>();
    QFile f(work_->path() + QStringLiteral("/a.txt"));
    QVERIFY(f.open(QIODevice::WriteOnly));
  }

  void everyWindowInEveryLanguageShowsItsTextsWhole_data() {
    QTest::addColumn<int>("lang");
    int lang = 0;
    for (const char* l : {"English", "French", "German", "Spanish", "Dutch"}) QTest::newRow(l) << lang++;
  }
  void everyWindowInEveryLanguageShowsItsTextsWhole() {
    QFETCH(int, lang);
    problems_.clear();
    core::clearSettings();
    core::saveSet("vardfilt", "1");
    core::saveSet("doTips", "0");
    core::saveSet("frmMainShowSub", "1");  // the subfolder notice (a box) was seen before
    core::coreState().langIndex = lang;
    (void)core::loadLanguageFile("Main");

    auto main = std::make_unique<MainForm>(work_->path().toStdString() + "/");
    main->show();
    QVERIFY(QTest::qWaitForWindowExposed(main.get()));
    // Every control of the filter panel on view: the boxes show what their ticks open.
    FilterPanel* panel = main->panel();
    for (uikit::CtrlCheckBox* c : {panel->chkExtension, panel->chkSiz, panel->chkDat, panel->chkInclude}) c->setValue(1);
    check(main.get(), lang);
    panel->disableFilters();  // the other arrow label
    check(main.get(), lang);
    panel->enableFilters();

    main->launch("menuSettings");
    check(main->settingsForm(), lang);
    main->settingsForm()->optNoProtect()->setChecked(true);  // shows the launch tick
    check(main->settingsForm(), lang);
    main->settingsForm()->optProtect()->setChecked(true);
    main->settingsForm()->saveAndClose();

    main->menuOrgFav();
    check(main->favForm(), lang);
    main->favForm()->cmdCloseClick();

    main->mainRunHost().showProgress(nullptr);
    main->mainRunHost().showSkip(true);
    check(main->mainRunHost().progressWindow(), lang);
    main->mainRunHost().hideProgress(nullptr, true);

    main->menuResults();
    check(uikit::FrmResults::current(), lang);
    uikit::FrmResults::current()->unload();

    check(uikit::FrmBrowse::LoadMe(main.get(), QStringLiteral("Load"), QString(), QString()), lang);
    uikit::FrmBrowse::current()->unload();
    check(uikit::FrmBrowse::LoadMe(main.get(), QStringLiteral("Save"), QString(), QString()), lang);
    uikit::FrmBrowse::current()->unload();
    check(uikit::FrmBrowse2::LoadMe(main.get(), QString()), lang);
    uikit::FrmBrowse2::current()->unload();
    check(uikit::FrmStr::LoadMe(main.get()), lang);
    uikit::FrmStr::current()->unload();

    // The message box in each of its styles, with the "show again" tick. The box is looked at once
    // it shows (its own wait runs the events), then answered.
    for (const char* style : {"O", "YN", "YNC", "OAC", ""}) {
      std::function<void()> inspect = [&] {
        const auto boxes = uikit::openMessageBoxes();
        if (boxes.empty() || !boxes.back()->isVisible()) {
          QTimer::singleShot(10, inspect);
          return;
        }
        check(boxes.back(), lang);
        boxes.back()->answer(core::kAnswerNo);
      };
      QTimer::singleShot(0, inspect);
      (void)core::host().respond(main.get(), style, core::msgMain(113), "W", "languagesTestAgain");
    }

    main->formUnload(true);
    // The character-set warning says what is wrong, in words a user can act on.
    QVERIFY2(QString::fromStdString(core::msgMain(122)).contains(QLatin1String("UTF-8")), core::msgMain(122).c_str());
    QVERIFY2(problems_.isEmpty(), qPrintable(problems_.join(QLatin1Char('\n'))));
  }
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  LanguagesTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "languages_qtest.moc"
