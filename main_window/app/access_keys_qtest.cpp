// Access keys (the letter after "&" in a caption) in every window and menu of the programs, in each
// of the five languages: no two captions that can be reached at the same time share one, or Alt
// and that letter would only move between them. Reached at the same time are the shown controls of
// a window together with the entries of its menu bar (all on Alt), and the entries of one menu (on
// the letter alone while it is open). A window is looked at in each of its modes (as each option is
// chosen), with the controls that a tick would show in a frame of their own.
#include "main_window/app/tool_list.h"
#include "main_window/app/tool_windows_qtest_support.h"

#include "companions/font_chooser/widgets/font_form.h"
#include "companions/language_chooser/widgets/form1.h"
#include "core/language_file.h"
#include "core/settings.h"
#include "core/state.h"
#include "main_window/widgets/favourites_dialog.h"
#include "main_window/widgets/filter_panel.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/main_host.h"
#include "main_window/widgets/main_test_support.h"
#include "main_window/widgets/settings_dialog.h"
#include "main_window/widgets/tool_launcher.h"
#include "properties_editor/widgets/frm_main_b.h"
#include "tools/frame/widgets/tool_qtest_support.h"
#include "tools/frame/widgets/tool_window.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/file_dialog.h"
#include "ui_kit/folder_dialog.h"
#include "ui_kit/progress_window.h"
#include "ui_kit/results_viewer.h"
#include "ui_kit/substring_dialog.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace mainwin;
using namespace mainwin::testing;

namespace {

// Captions reached at the same time, each with who carries it.
struct Captions {
  QList<QPair<QString, QString>> items;  // (who, caption)
  void add(const QString& who, const QString& caption) {
    if (!accessKey(caption).isNull()) items << qMakePair(who, caption);
  }
};

// One line per access key that more than one caption of captions carries, led by where.
QStringList clashes(const Captions& captions, const QString& where) {
  QMap<QChar, QStringList> byKey;
  for (const auto& [who, caption] : captions.items) byKey[accessKey(caption)] << who + QStringLiteral(" \"") + caption + QLatin1Char('"');
  QStringList out;
  for (auto it = byKey.cbegin(); it != byKey.cend(); ++it) {
    if (it.value().size() > 1) out << where + QStringLiteral("Alt+") + it.key() + QStringLiteral(": ") + it.value().join(QStringLiteral(", "));
  }
  return out;
}

// The name of a menu entry for problem lines: its own, the name of the menu it opens, or its text.
QString entryName(const QAction* a) {
  if (!a->objectName().isEmpty()) return a->objectName();
  if (a->menu() && !a->menu()->objectName().isEmpty()) return a->menu()->objectName();
  return a->text();
}

// The entries of menu that show (separators aside), whether enabled now or not.
QStringList menuClashes(const QMenu* menu, const QString& where) {
  Captions c;
  for (QAction* a : menu->actions()) {
    if (a->isVisible() && !a->isSeparator()) c.add(entryName(a), a->text());
  }
  const QString name = menu->objectName().isEmpty() ? menu->title() : menu->objectName();
  return clashes(c, where + QStringLiteral("menu ") + name + QStringLiteral(": "));
}

// The clashes of form as it stands: its shown controls and menu bar entries, then each of its menus
// (the menu bar's and the pop-up menus of its buttons).
QStringList windowClashes(QWidget* form, const QString& where) {
  Captions c;
  for (QWidget* w : form->findChildren<QWidget*>()) {
    if (w->window() != form || !metInForm(w, form)) continue;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) c.add(b->objectName(), b->text());
    // A label's key moves the focus to its buddy; a label without one takes no key.
    if (auto* l = qobject_cast<QLabel*>(w); l && l->buddy()) c.add(l->objectName(), l->text());
    if (auto* g = qobject_cast<QGroupBox*>(w)) c.add(g->objectName(), g->title());
    if (auto* t = qobject_cast<QTabBar*>(w)) {
      for (int i = 0; i < t->count(); ++i) {
        if (t->isTabVisible(i)) c.add(t->objectName() + QStringLiteral(" tab"), t->tabText(i));
      }
    }
    if (auto* bar = qobject_cast<QMenuBar*>(w)) {
      for (QAction* a : bar->actions()) {
        if (a->isVisible() && !a->isSeparator()) c.add(entryName(a), a->text());
      }
    }
  }
  QStringList out = clashes(c, where);
  std::set<const QMenu*> seen;
  for (QMenu* m : form->findChildren<QMenu*>()) {
    // The menu bar's overflow list (a menu of the bar that none of its entries opens) repeats
    // the bar's own entries.
    const auto* bar = qobject_cast<const QMenuBar*>(m->parentWidget());
    const QList<QAction*> entries = bar ? bar->actions() : QList<QAction*>();
    const bool overflow = bar && std::none_of(entries.cbegin(), entries.cend(), [m](const QAction* a) { return a->menu() == m; });
    if (!overflow && seen.insert(m).second) out << menuClashes(m, where);
  }
  return out;
}

// windowClashes of form as it opened, then with each of its shown options chosen in turn (an
// option may show controls of its own), then with its boxes ticked one by one (a tick may too).
QStringList clashesInEachMode(QWidget* form, const QString& language) {
  QStringList out = windowClashes(form, QStringLiteral("[%1 %2] ").arg(form->objectName(), language));
  for (QRadioButton* option : form->findChildren<QRadioButton*>()) {
    if (option->window() != form || !option->isVisible() || !option->isEnabled()) continue;
    option->setChecked(true);
    QCoreApplication::processEvents();
    out << windowClashes(form, QStringLiteral("[%1 %2 %3] ").arg(form->objectName(), language, option->objectName()));
  }
  for (auto* box : form->findChildren<uikit::CtrlCheckBox*>()) {
    if (box->window() != form || !box->isVisible() || !box->isEnabled() || box->Value() != 0) continue;
    box->setValue(1);
    QCoreApplication::processEvents();
    out << windowClashes(form, QStringLiteral("[%1 %2 %3] ").arg(form->objectName(), language, box->objectName()));
  }
  out.removeDuplicates();
  return out;
}

// Fails with every clash listed (QVERIFY2 would cut a long list short).
void verifyNone(const QStringList& problems) {
  for (const QString& p : problems) qWarning("%s", qPrintable(p));
  QVERIFY2(problems.isEmpty(), qPrintable(QString::number(problems.size()) + QStringLiteral(" access keys clash")));
}

}  // namespace

class AccessKeysTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> work_;

  void setLanguage(int lang) {
    core::coreState().langIndex = lang;
    (void)core::loadLanguageFile("Main");
  }

 private Q_SLOTS:
  void initTestCase() {
    MainForm::setDefaultProgramStarter([](const std::string&, const std::string&) {});
    work_ = std::make_unique<QTemporaryDir>();
    QFile f(work_->path() + QStringLiteral("/a.txt"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    registerTools();
    QCOMPARE(toolWindows().size(), std::size_t(17));
  }
  void cleanup() { setLanguage(0); }

  void languages_data() {
    QTest::addColumn<int>("lang");
    for (int lang = 0; lang < 5; ++lang) QTest::newRow(kLanguages[lang]) << lang;
  }

  // The main window with every filter control shown, its menus, and the dialogs it opens.
  void noClashInTheMainProgramsWindows_data() { languages_data(); }
  void noClashInTheMainProgramsWindows() {
    QFETCH(int, lang);
    const QString language = QLatin1String(kLanguages[lang]);
    core::clearSettings();
    core::saveSet("vardfilt", "1");
    core::saveSet("doTips", "0");
    core::saveSet("frmMainShowSub", "1");  // the subfolder notice (a box) was seen before
    setLanguage(lang);
    auto main = std::make_unique<MainForm>(work_->path().toStdString() + "/");
    main->show();
    QVERIFY(QTest::qWaitForWindowExposed(main.get()));
    FilterPanel* panel = main->panel();
    for (uikit::CtrlCheckBox* c : {panel->chkExtension, panel->chkSiz, panel->chkDat, panel->chkInclude}) c->setValue(1);
    QStringList problems = windowClashes(main.get(), QStringLiteral("[frmMain %1] ").arg(language));

    main->launch("menuSettings");
    problems << clashesInEachMode(main->settingsForm(), language);
    main->settingsForm()->optProtect()->setChecked(true);
    main->settingsForm()->saveAndClose();

    main->menuOrgFav();
    problems << clashesInEachMode(main->favForm(), language);
    main->favForm()->cmdCloseClick();

    main->mainRunHost().showProgress(nullptr);
    main->mainRunHost().showSkip(true);
    problems << windowClashes(main->mainRunHost().progressWindow(), QStringLiteral("[frmProgress %1] ").arg(language));
    main->mainRunHost().hideProgress(nullptr, true);

    main->menuResults();
    problems << windowClashes(uikit::FrmResults::current(), QStringLiteral("[frmResults %1] ").arg(language));
    uikit::FrmResults::current()->unload();

    for (const char* type : {"Load", "Save"}) {
      problems << windowClashes(uikit::FrmBrowse::LoadMe(main.get(), QLatin1String(type), QString(), QString()),
                                QStringLiteral("[frmBrowse %1 %2] ").arg(language, QLatin1String(type)));
      uikit::FrmBrowse::current()->unload();
    }
    problems << windowClashes(uikit::FrmBrowse2::LoadMe(main.get(), QString()), QStringLiteral("[frmBrowse2 %1] ").arg(language));
    uikit::FrmBrowse2::current()->unload();
    problems << clashesInEachMode(uikit::FrmStr::LoadMe(main.get()), language);
    uikit::FrmStr::current()->unload();

    main->formUnload(true);
    verifyNone(problems);
  }

  // Each of the seventeen tool windows in each of its modes, with its menus.
  void noClashInAnyToolWindow_data() { languages_data(); }
  void noClashInAnyToolWindow() {
    QFETCH(int, lang);
    core::clearSettings();
    core::saveSet("vardfilt", "1");
    core::saveSet("doTips", "0");
    setLanguage(0);
    auto main = tools::testing::startMainWindow(work_->path(), [] {});
    setLanguage(lang);
    QStringList problems;
    for (const auto& [form, menu] : toolWindows()) {
      auto* w = tools::testing::openTool<QWidget>(main.get(), menu.c_str());
      if (!w) {
        problems << QString::fromStdString(form) + QStringLiteral(": did not open");
        continue;
      }
      problems << clashesInEachMode(w, QLatin1String(kLanguages[lang]));
      if (auto* t = dynamic_cast<tools::ToolWindow*>(w); t && t->isVisible()) t->closeForm();
    }
    main->formUnload(true);
    main.reset();
    resetToolForms();
    verifyNone(problems);
  }

  // The companions with captions of their own: Properties, the font and the language choosers.
  void noClashInTheCompanionWindows_data() { languages_data(); }
  void noClashInTheCompanionWindows() {
    QFETCH(int, lang);
    const QString language = QLatin1String(kLanguages[lang]);
    core::coreState().langIndex = lang;
    QStringList problems;
    {
      propedit::FrmMainB editor;
      editor.show();
      editor.loadProperties(work_->path().toStdString() + "/a.txt", false);
      QVERIFY(QTest::qWaitForWindowExposed(&editor));
      problems << windowClashes(&editor, QStringLiteral("[frmMainB %1] ").arg(language));
    }
    {
      brannock::FrmMain fonts(brannock::FontRequest{});
      fonts.show();
      QVERIFY(QTest::qWaitForWindowExposed(&fonts));
      problems << windowClashes(&fonts, QStringLiteral("[Brannock %1] ").arg(language));
    }
    {
      dorvisk::Form1 chooser(dorvisk::ChooserRequest{});
      chooser.show();
      QVERIFY(QTest::qWaitForWindowExposed(&chooser));
      problems << windowClashes(&chooser, QStringLiteral("[Dorvisk %1] ").arg(language));
    }
    verifyNone(problems);
  }
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  AccessKeysTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "access_keys_qtest.moc"
