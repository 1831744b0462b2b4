// What assistive technology sees of the main window and the settings dialog: every button, check
// box, arrow label, text box, drop-down list and folder or file list has a name to read and a role
// that fits it, and the file list exposes its rows and cells.
#include "main_window/widgets/file_list_pane.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/accessibility_qtest_support.h"
#include "main_window/widgets/main_test_support.h"
#include "main_window/widgets/settings_dialog.h"

#include "core/settings.h"
#include "core/widgets/host.h"
#include "main_window/widgets/favourites_dialog.h"
#include "main_window/widgets/main_host.h"
#include "main_window/widgets/tool_launcher.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/ctrl_tree_dir.h"
#include "ui_kit/dialog_test_support.h"
#include "ui_kit/folder_dialog.h"
#include "ui_kit/message_box.h"
#include "ui_kit/progress_window.h"
#include "ui_kit/results_viewer.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidgetItem>
#include <QTreeView>

#include <memory>

using namespace mainwin;

namespace {

// "Name (class): problem" for each control of form that a screen reader could not announce.
QStringList unnamedControls(QWidget* form) {
  QStringList problems;
  int checked = 0;
  for (QWidget* w : form->findChildren<QWidget*>()) {
    const QList<QAccessible::Role> roles = test::expectedRoles(w);
    if (roles.isEmpty() || test::isInnerPart(w) || w->window() != form) continue;
    ++checked;
    const QString who = test::who(w);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    if (!a) {
      problems << who + QLatin1String(": no accessible interface");
      continue;
    }
    if (a->text(QAccessible::Name).trimmed().isEmpty()) problems << who + QLatin1String(": no name");
    if (!roles.contains(a->role())) problems << who + QStringLiteral(": role %1").arg(int(a->role()));
  }
  if (checked == 0) problems << QStringLiteral("no controls found in ") + form->objectName();
  return problems;
}

}  // namespace

class AccessibilityTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> work_;
  std::unique_ptr<MainForm> form_;

 private Q_SLOTS:
  void initTestCase() {
    MainForm::setDefaultProgramStarter([](const std::string&, const std::string&) {});
    core::clearSettings();
    core::saveSet("vardfilt", "1");  // settled: the filter panel shown, no first-run dialog
    core::saveSet("doTips", "0");
    work_ = std::make_unique<QTemporaryDir>();
    for (const char* name : {"alpha.txt", "beta.log", "gamma.txt"}) {
      QFile f(work_->path() + QLatin1Char('/') + QLatin1String(name));
      QVERIFY(f.open(QIODevice::WriteOnly));
    }
    form_ = std::make_unique<MainForm>(work_->path().toStdString() + "/");
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    QAccessible::setActive(true);
  }
  void cleanupTestCase() { form_.reset(); }

  void mainWindowControlsAreNamed() {
    const QStringList problems = unnamedControls(form_.get());
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1String("; "))));
  }

  void settingsDialogControlsAreNamed() {
    form_->launch("menuSettings");
    QWidget* settings = form_->settingsForm();
    QTRY_VERIFY(settings->isVisible());
    const QStringList problems = unnamedControls(settings);
    settings->close();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1String("; "))));
  }

  // Every window of the program is a window to a screen reader, named by its title.
  void everyWindowHasAWindowRoleAndItsTitle() {
    QStringList problems;
    const auto checkWindow = [&problems](QWidget* w) {
      QAccessibleInterface* a = w ? QAccessible::queryAccessibleInterface(w) : nullptr;
      if (!a) {
        problems << QStringLiteral("no interface");
        return;
      }
      if (a->role() != QAccessible::Window && a->role() != QAccessible::Dialog) {
        problems << w->objectName() + QStringLiteral(": role %1").arg(int(a->role()));
      }
      if (a->text(QAccessible::Name) != w->windowTitle() || w->windowTitle().isEmpty()) {
        problems << w->objectName() + QStringLiteral(": name \"") + a->text(QAccessible::Name) + QLatin1Char('"');
      }
    };
    checkWindow(form_.get());
    form_->launch("menuSettings");
    QTRY_VERIFY(form_->settingsForm()->isVisible());
    checkWindow(form_->settingsForm());
    form_->settingsForm()->saveAndClose();
    form_->menuOrgFav();
    checkWindow(form_->favForm());
    form_->favForm()->cmdCloseClick();
    form_->mainRunHost().showProgress(nullptr);
    checkWindow(form_->mainRunHost().progressWindow());
    form_->mainRunHost().hideProgress(nullptr, true);
    form_->menuResults();
    checkWindow(uikit::FrmResults::current());
    uikit::FrmResults::current()->unload();
    checkWindow(uikit::FrmBrowse2::LoadMe(form_.get(), QString()));
    uikit::FrmBrowse2::current()->unload();
    QTimer::singleShot(0, [&] {
      uikit::FrmResponse* box = uikit::testing::waitForBox();
      checkWindow(box);
      if (box) box->answer(core::kAnswerYes);
    });
    (void)core::host().respond(form_.get(), "O", "Notice", "I", "");
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1String("; "))));
  }

  // The settings dialog works without a mouse: a screen reader toggles its check boxes (which then
  // hold what they show) and presses Done.
  void settingsDialogWorksThroughTheScreenReader() {
    form_->launch("menuSettings");
    auto* settings = form_->settingsForm();
    QTRY_VERIFY(settings->isVisible());
    auto* prop = settings->findChild<uikit::CtrlCheckBox*>(QStringLiteral("chkProp"));
    QVERIFY(prop);
    const int before = prop->Value();
    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(prop);
    box->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QTRY_COMPARE(prop->Value(), before ? 0 : 1);
    QCOMPARE(box->state().checked, prop->Value() != 0);
    box->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QTRY_COMPARE(prop->Value(), before);

    QAccessibleInterface* done = QAccessible::queryAccessibleInterface(settings->findChild<QWidget*>(QStringLiteral("cmdClose")));
    QVERIFY(done && done->actionInterface());
    done->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_VERIFY(!settings->isVisible());
  }

  // The picture buttons and the folder tree speak the language shown.
  void buttonNamesAndTreeWordsFollowTheLanguage() {
    QCOMPARE(form_->button(1)->accessibleName(), QStringLiteral("Append Data"));
    form_->menuLang(1);
    QStringList problems;
    for (int i = 1; i <= kButtonCount; ++i) {
      QAction* entry = form_->action(QString::fromLatin1(std::string(buttonMenu(i)).c_str()));
      QVERIFY(entry);
      const QString name = QAccessible::queryAccessibleInterface(form_->button(i))->text(QAccessible::Name);
      if (name != QString(entry->text()).remove(QLatin1Char('&'))) problems << name + QStringLiteral(" / ") + entry->text();
    }
    QCOMPARE(form_->button(1)->accessibleName(), QStringLiteral("Ajouter des données"));
    QCOMPARE(form_->dir1()->rootNode()->text(0), QStringLiteral("Poste de travail"));
    QCOMPARE(QAccessible::queryAccessibleInterface(form_->dir1())->text(QAccessible::Name), QStringLiteral("Dossiers"));
    QCOMPARE(QAccessible::queryAccessibleInterface(form_->pane()->detailsView())->text(QAccessible::Name),
             QStringLiteral("Fichiers"));
    form_->menuLang(0);
    QCOMPARE(form_->dir1()->rootNode()->text(0), QStringLiteral("My Computer"));
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1String("; "))));
  }

  void fileListExposesRowsAndCells() {
    QTreeView* view = form_->pane()->detailsView();
    QVERIFY(view);
    QTRY_COMPARE(view->model()->rowCount(), 3);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(view);
    QVERIFY(a);
    QVERIFY(!a->text(QAccessible::Name).isEmpty());
    QAccessibleTableInterface* table = a->tableInterface();
    QVERIFY2(table, "the file list offers no table interface");
    QCOMPARE(table->rowCount(), 3);
    QVERIFY(table->columnCount() >= 3);
    QStringList names;
    for (int r = 0; r < table->rowCount(); ++r) {
      QAccessibleInterface* cell = table->cellAt(r, 0);
      QVERIFY(cell);
      names << cell->text(QAccessible::Name);
    }
    names.sort();
    QCOMPARE(names, (QStringList{"alpha.txt", "beta.log", "gamma.txt"}));
    // Column captions are read as the header of each column.
    QAccessibleInterface* first = table->cellAt(0, 0);
    QAccessibleTableCellInterface* cell = first ? first->tableCellInterface() : nullptr;
    QVERIFY(cell);
    const QList<QAccessibleInterface*> headers = cell->columnHeaderCells();
    QVERIFY(!headers.isEmpty() && !headers.first()->text(QAccessible::Name).isEmpty());
    QVERIFY(a->childCount() > 0);
  }
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  AccessibilityTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "accessibility_qtest.moc"
