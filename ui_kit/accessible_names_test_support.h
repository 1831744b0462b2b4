// What a screen reader hears of a window's controls, read through Qt's accessibility interface as
// the AT-SPI bridge reads it: every input control that is shown (text box, drop-down list, check
// box, option button, button, list) has a name, that name is not its object name, and no two
// buttons share one. On Linux Qt gives a drop-down list the name of the item it shows, and a
// reader names the list by the label it is "labelled by" (a label whose buddy it is, beside it):
// a list without one is known only by its value. Only *_qtest.cpp files include it.
#pragma once

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QHash>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QStringList>
#include <QWidget>

namespace uikit::testing {

// Qt's own inner parts (a combo box's edit field, a spin box's box) are read through their owner.
inline bool isInnerPart(const QWidget* w) {
  for (const QObject* p = w->parent(); p; p = p->parent()) {
    if (qobject_cast<const QComboBox*>(p) || qobject_cast<const QAbstractSpinBox*>(p)) return true;
  }
  return w->objectName().startsWith(QLatin1String("qt_"));
}

inline bool isInputControl(const QWidget* w) {
  if (qobject_cast<const QHeaderView*>(w)) return false;  // read through its list's columns
  return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w) ||
         qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QAbstractItemView*>(w);
}

// The name a reader announces: a drop-down list's label, any other control's own name.
inline QString spokenName(const QWidget* w, QAccessibleInterface* a) {
  if (!qobject_cast<const QComboBox*>(w)) return a->text(QAccessible::Name).trimmed();
  QStringList labels;
  for (const auto& [label, relation] : a->relations(QAccessible::Label)) {
    if (label) labels << label->text(QAccessible::Name).trimmed();
  }
  labels.removeAll(QString());
  return labels.join(QLatin1Char(' '));
}

// "objectName (class): problem" for each shown control of window that a screen reader could not
// tell apart; empty when there is none. The window must be shown.
inline QStringList accessibleNameProblems(QWidget* window) {
  QAccessible::setActive(true);
  QStringList problems;
  QHash<QString, QString> buttonNames;  // name -> the first button that has it
  int checked = 0;
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (!isInputControl(w) || isInnerPart(w) || w->window() != window || !w->isVisible()) continue;
    ++checked;
    const QString who = w->objectName() + QLatin1String(" (") + QLatin1String(w->metaObject()->className()) +
                        QLatin1Char(')');
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    if (!a) {
      problems << who + QLatin1String(": no accessible interface");
      continue;
    }
    const QString name = spokenName(w, a);
    if (name.isEmpty()) problems << who + QLatin1String(": no name");
    else if (name == w->objectName()) problems << who + QLatin1String(": named by its object name");
    const bool button = qobject_cast<QAbstractButton*>(w) && !qobject_cast<QCheckBox*>(w) &&
                        !qobject_cast<QRadioButton*>(w);
    if (!button || name.isEmpty()) continue;
    if (buttonNames.contains(name)) {
      problems << who + QLatin1String(": shares the name \"") + name + QLatin1String("\" with ") +
                      buttonNames.value(name);
    } else {
      buttonNames.insert(name, w->objectName());
    }
  }
  if (checked == 0) problems << QLatin1String("no controls shown in ") + window->objectName();
  return problems;
}

}  // namespace uikit::testing
