// What a screen reader finds in every tool window, read through Qt's accessibility interface as the
// AT-SPI bridge reads it, in each of the five languages and each of the window's modes: every
// input control is named by its label (never by its object name) and no two controls share a
// name; controls that look disabled say so and take no Tab focus; the pop-up menus of the tools'
// buttons are part of the tree while open. The Rename menu's entries open their tools on names.
#include "main_window/app/tool_list.h"
#include "main_window/app/tool_windows_qtest_support.h"

#include "core/language_file.h"
#include "core/state.h"
#include "main_window/widgets/accessibility_qtest_support.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/main_test_support.h"
#include "main_window/widgets/tool_launcher.h"
#include "tools/frame/widgets/tool_qtest_support.h"
#include "tools/frame/widgets/tool_window.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QMap>
#include <QMenu>
#include <QRadioButton>
#include <QSet>
#include <QTest>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace mainwin;
using namespace mainwin::testing;
using tools::testing::child;

namespace {

// The input controls of form that a screen reader meets, Qt's inner parts left out.
QList<QWidget*> inputControls(QWidget* form) {
  QList<QWidget*> out;
  for (QWidget* w : form->findChildren<QWidget*>()) {
    if (test::expectedRoles(w).isEmpty() || test::isInnerPart(w) || w->window() != form || !metInForm(w, form)) continue;
    out << w;
  }
  return out;
}

// The text of the label that a (Linux) screen reader reads before a, or "" without one.
QString labelOf(QAccessibleInterface* a) {
  for (const auto& [label, relation] : a->relations(QAccessible::Label)) {
    const QString text = label ? label->text(QAccessible::Name).trimmed() : QString();
    if (!text.isEmpty()) return text;
  }
  return {};
}

// What a screen reader could not announce in form as it stands, and buttons it could not tell
// apart, each line led by where.
QStringList namingProblems(QWidget* form, const QString& where) {
  QStringList problems;
  QMap<QString, QStringList> byName;
  for (QWidget* w : inputControls(form)) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    if (!a) {
      problems << where + test::who(w) + QStringLiteral(": no accessible interface");
      continue;
    }
    // On Linux Qt reads a drop-down list's current item as its name; its label comes as the
    // "labelled by" relation, and that is what tells two lists apart.
    const bool list = qobject_cast<QComboBox*>(w) != nullptr;
    const QString name = list ? labelOf(a) : a->text(QAccessible::Name).trimmed();
    if (name.isEmpty()) {
      problems << where + test::who(w) + QStringLiteral(": no name");
    } else if (name == w->objectName()) {
      problems << where + test::who(w) + QStringLiteral(": named by its object name");
    } else if (qobject_cast<QAbstractButton*>(w)) {
      byName[name] << w->objectName();
    }
    if (!test::expectedRoles(w).contains(a->role())) problems << where + test::who(w) + QStringLiteral(": role %1").arg(int(a->role()));
  }
  // Every worded button underlines a letter for Alt, unless the window's other Alt keys have
  // taken every plain letter of its caption.
  QSet<QChar> taken;
  for (QWidget* w : form->findChildren<QWidget*>()) {
    QStringList texts;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) texts << b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) texts << l->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) texts << g->title();
    if (auto* bar = qobject_cast<QMenuBar*>(w)) {
      for (QAction* a : bar->actions()) texts << a->text();
    }
    for (const QString& t : texts) {
      if (const QChar key = accessKey(t); !key.isNull()) taken << key;
    }
  }
  for (auto* b : form->findChildren<uikit::CtrlCmd*>()) {
    const QString caption = b->text().toLower();
    const bool free = std::any_of(caption.cbegin(), caption.cend(), [&](QChar c) {
      return c >= u'a' && c <= u'z' && !taken.contains(c);
    });
    if (b->window() == form && metInForm(b, form) && free && accessKey(b->text()).isNull()) {
      problems << where + test::who(b) + QStringLiteral(": no Alt key in \"") + b->text() + QLatin1Char('"');
    }
  }
  // A panel of controls is named by its title, or by what it belongs to.
  for (auto* g : form->findChildren<QGroupBox*>()) {
    if (g->window() == form && metInForm(g, form) && QAccessible::queryAccessibleInterface(g)->text(QAccessible::Name).trimmed().isEmpty()) {
      problems << where + test::who(g) + QStringLiteral(": an unnamed panel");
    }
  }
  for (auto it = byName.cbegin(); it != byName.cend(); ++it) {
    if (it.value().size() > 1) problems << where + it.value().join(QLatin1String(", ")) + QStringLiteral(" share the name \"") + it.key() + QLatin1Char('"');
  }
  return problems;
}

// Controls of form that look disabled but would be announced or reached by Tab as enabled, and
// enabled controls that Tab never reaches (of a group of options, Tab reaches the chosen one).
QStringList keyboardProblems(QWidget* form, const QString& where) {
  QStringList problems;
  for (auto* box : form->findChildren<uikit::CtrlCheckBox*>()) {
    if (box->Enabled() || !box->isVisibleTo(form)) continue;
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(box);
    if (!a || !a->state().disabled) problems << where + test::who(box) + QStringLiteral(": reported enabled");
    if (box->focusPolicy() & Qt::TabFocus) problems << where + test::who(box) + QStringLiteral(": takes Tab focus");
  }
  // Round the window with Tab from the control that has the focus.
  QSet<QWidget*> reached;
  QWidget* first = QApplication::focusWidget();
  if (!first || first->window() != form) return problems << where + QStringLiteral("the window does not have the focus");
  for (int i = 0; i < 120; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QWidget* now = QApplication::focusWidget();
    if (!now || now->window() != form) {
      problems << where + QStringLiteral("Tab left the window");
      break;
    }
    if (auto* box = qobject_cast<uikit::CtrlCheckBox*>(now); box && !box->Enabled()) {
      problems << where + test::who(box) + QStringLiteral(": reached by Tab");
    }
    reached << now;
    if (now == first) break;
  }
  QSet<QWidget*> optionGroups;
  for (QWidget* w : inputControls(form)) {
    if (reached.contains(w) || !w->isVisible() || !w->isEnabled()) continue;
    if (auto* box = qobject_cast<uikit::CtrlCheckBox*>(w); box && !box->Enabled()) continue;
    if (qobject_cast<QRadioButton*>(w)) {
      optionGroups << w->parentWidget();
      continue;
    }
    problems << where + test::who(w) + QStringLiteral(": never reached by Tab");
  }
  for (QWidget* group : optionGroups) {
    bool any = false;
    for (QRadioButton* o : group->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly)) any = any || reached.contains(o);
    if (!any) problems << where + test::who(group) + QStringLiteral(": none of its options is reached by Tab");
  }
  return problems;
}

// Fails with every problem listed (QVERIFY2 would cut a long list short).
void verifyNone(const QStringList& problems) {
  for (const QString& p : problems) qWarning("%s", qPrintable(p));
  QVERIFY2(problems.isEmpty(), qPrintable(QString::number(problems.size()) + QStringLiteral(" problems")));
}

// Calls look(where) on form in each of its states: as it opened, then with each of its shown
// option buttons chosen in turn.
void inEachState(QWidget* form, const QString& language, const std::function<void(const QString&)>& look) {
  look(QStringLiteral("[%1 %2] ").arg(form->objectName(), language));
  for (QRadioButton* option : form->findChildren<QRadioButton*>()) {
    if (!option->isVisibleTo(form) || !option->isEnabled() || option->window() != form) continue;
    option->setChecked(true);
    QCoreApplication::processEvents();
    look(QStringLiteral("[%1 %2 %3] ").arg(form->objectName(), language, option->objectName()));
  }
}

// The interface of object among the descendants of root's interface (depth first), or nullptr.
QAccessibleInterface* findInTree(QAccessibleInterface* root, const QObject* object, int depth = 0) {
  if (!root || depth > 12) return nullptr;
  if (root->object() == object) return root;
  for (int i = 0; i < root->childCount(); ++i) {
    if (QAccessibleInterface* found = findInTree(root->child(i), object, depth + 1)) return found;
  }
  return nullptr;
}

}  // namespace

class ToolAccessibilityTest : public QObject {
  Q_OBJECT

  std::unique_ptr<MainForm> main_;
  QString folder_;

  QWidget* open(const std::string& menu) {
    return tools::testing::openTool<QWidget>(main_.get(), menu.c_str());
  }
  static void close(QWidget* w) {
    if (auto* t = dynamic_cast<tools::ToolWindow*>(w); t && t->isVisible()) t->closeForm();
  }
  void setLanguage(int lang) {
    core::coreState().langIndex = lang;
    (void)core::loadLanguageFile("Main");
  }

 private Q_SLOTS:
  void initTestCase() {
    folder_ = tools::testing::folderWithFile(QStringLiteral("read-aloud"), QStringLiteral("notes.txt"));
    QVERIFY(!folder_.isEmpty());
    main_ = tools::testing::startMainWindow(folder_, registerTools);
    QAccessible::setActive(true);
    QCOMPARE(toolWindows().size(), std::size_t(17));
  }
  void cleanupTestCase() { main_.reset(); }
  void cleanup() {
    while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    for (const auto& tool : toolWindows()) close(toolFormInstance(tool.first));
    setLanguage(0);
  }

  void everyControlIsNamedByItsLabelInEveryLanguage() {
    QStringList problems;
    for (int lang = 0; lang < 5; ++lang) {
      setLanguage(lang);
      for (const auto& [form, menu] : toolWindows()) {
        QWidget* w = open(menu);
        if (!w) {
          problems << QString::fromStdString(form) + QStringLiteral(": did not open");
          continue;
        }
        inEachState(w, QLatin1String(kLanguages[lang]), [&](const QString& where) { problems << namingProblems(w, where); });
        close(w);
      }
    }
    verifyNone(problems);
  }

  // The names speak the language shown, as the captions do.
  void namesSpeakTheLanguageShown() {
    const auto name = [](QWidget* w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); };
    setLanguage(2);
    QWidget* ren = open("menuRename2");
    QVERIFY(ren);
    QCOMPARE(name(child<QWidget>(ren, "ListViewPrev")), QStringLiteral("Vorschau"));
    QCOMPARE(name(child<QWidget>(ren, "cmdIns2")), QStringLiteral("Namensende: Einfügen"));
    close(ren);
    QWidget* date = open("menuDates2");
    QVERIFY(date);
    QCOMPARE(name(child<QWidget>(date, "chkModifyT")), QStringLiteral("Änderungszeit"));
    QCOMPARE(name(date->findChildren<uikit::CtrlCmd*>(QStringLiteral("cmdIns")).at(2)), QStringLiteral("Einfügen: Änderungsdatum"));
    QCOMPARE(labelOf(QAccessible::queryAccessibleInterface(child<QWidget>(date, "comType"))), QStringLiteral("Einheit"));
    close(date);
  }

  // Tab reaches every control that is enabled, and none that only looks so.
  void theKeyboardReachesWhatIsEnabledOnly() {
    QStringList problems;
    for (const auto& [form, menu] : toolWindows()) {
      QWidget* w = open(menu);
      QVERIFY2(w, form.c_str());
      inEachState(w, QStringLiteral("English"), [&](const QString& where) { problems << keyboardProblems(w, where); });
      close(w);
    }
    verifyNone(problems);
  }

  // A screen reader presses the button; the menu it opens is found in the window's tree, with its
  // entries, and leads back up to the window.
  void popUpMenusAreInTheTreeWhileOpen_data() {
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("index");  // among the buttons of that name
    QTest::newRow("rename insert") << "menuRename2" << "cmdIns1" << 0;
    QTest::newRow("rename undo") << "menuRename2" << "cmdUndo" << 0;
    QTest::newRow("replace tags") << "menuReplace2" << "cmdTags" << 0;
    QTest::newRow("append tags") << "menuAppend" << "cmdTags" << 0;
    QTest::newRow("date insert") << "menuDates2" << "cmdIns" << 2;
    QTest::newRow("copy find") << "menuCopy" << "cmdFind" << 0;
    QTest::newRow("copy undo") << "menuCopy" << "cmdUndo" << 0;
  }
  void popUpMenusAreInTheTreeWhileOpen() {
    QFETCH(QString, menu);
    QFETCH(QString, button);
    QFETCH(int, index);
    QWidget* w = open(menu.toStdString());
    QVERIFY(w);
    if (menu == QLatin1String("menuDates2")) {
      child<QRadioButton>(w, "optChange")->setChecked(true);
      child<uikit::CtrlCheckBox>(w, "chkModify")->setValue(1);
    }
    const QList<uikit::CtrlCmd*> buttons = w->findChildren<uikit::CtrlCmd*>(button);
    QVERIFY(buttons.size() > index);
    QAccessibleInterface* press = QAccessible::queryAccessibleInterface(buttons[index]);
    QVERIFY(press && press->actionInterface());
    press->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
    auto* popup = static_cast<QMenu*>(QApplication::activePopupWidget());
    QAccessibleInterface* application = QAccessible::queryAccessibleInterface(qApp);
    QAccessibleInterface* found = findInTree(application, popup);
    QVERIFY2(found, qPrintable(popup->objectName() + QStringLiteral(" is not in the tree")));
    QCOMPARE(found->role(), QAccessible::PopupMenu);
    QVERIFY(found->childCount() > 0);
    QVERIFY(!found->child(0)->text(QAccessible::Name).isEmpty());
    QVERIFY2(found->parent() && found->parent()->indexOfChild(found) >= 0, "the menu's parent does not list it");
    popup->close();
    close(w);
  }

  // The Rename menu's entries open their tools on file names, whatever mode they were left in.
  void renameEntriesOpenTheirToolOnNames_data() {
    QTest::addColumn<QString>("contents");
    QTest::addColumn<QString>("contentsOption");
    QTest::addColumn<QString>("rename");
    QTest::newRow("case") << "menuConCase" << "optContents" << "menuCase";
    QTest::newRow("replace") << "menuConSer" << "optContent" << "menuReplace";
    QTest::newRow("trim") << "menuTrim3" << "optContents" << "menuTrim";
  }
  void renameEntriesOpenTheirToolOnNames() {
    QFETCH(QString, contents);
    QFETCH(QString, contentsOption);
    QFETCH(QString, rename);
    QWidget* w = open(contents.toStdString());
    QVERIFY(w);
    QVERIFY(w->findChild<QRadioButton*>(contentsOption)->isChecked());
    close(w);
    w = open(rename.toStdString());
    QVERIFY(w);
    QVERIFY(child<QRadioButton>(w, "optFile")->isChecked());
    QVERIFY(!w->findChild<QRadioButton*>(contentsOption)->isChecked());
    close(w);
  }
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  ToolAccessibilityTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "tool_accessibility_qtest.moc"
