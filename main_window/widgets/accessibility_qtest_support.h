// Test support for what assistive technology reads of a window: which widgets are input controls
// a screen reader announces, the roles each kind may take, and the parts Qt reads through their
// owner. Only *_qtest.cpp files include it.
#pragma once

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QList>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTextEdit>
#include <QWidget>

namespace mainwin::test {

// The roles a control of each kind may take; empty for widgets that are no input control.
inline QList<QAccessible::Role> expectedRoles(const QWidget* w) {
  if (qobject_cast<const QCheckBox*>(w)) return {QAccessible::CheckBox};
  if (qobject_cast<const QRadioButton*>(w)) return {QAccessible::RadioButton};
  if (qobject_cast<const QAbstractButton*>(w)) return {QAccessible::Button, QAccessible::Link};
  if (qobject_cast<const QLineEdit*>(w)) return {QAccessible::EditableText};
  if (qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QTextEdit*>(w)) return {QAccessible::EditableText};
  if (qobject_cast<const QComboBox*>(w)) return {QAccessible::ComboBox};
  if (qobject_cast<const QAbstractSpinBox*>(w)) return {QAccessible::SpinBox};
  if (qobject_cast<const QTabBar*>(w)) return {QAccessible::PageTabList};
  if (qobject_cast<const QHeaderView*>(w)) return {};  // read through its list's column headers
  if (qobject_cast<const QAbstractItemView*>(w)) return {QAccessible::Tree, QAccessible::Table, QAccessible::List};
  return {};
}

// Qt's own inner parts (a combo box's edit field and list, a spin box's field, scroll bars, tab
// bar buttons) are read through the control that owns them.
inline bool isInnerPart(const QWidget* w) {
  for (const QObject* p = w->parent(); p; p = p->parent()) {
    if (qobject_cast<const QComboBox*>(p) || qobject_cast<const QAbstractSpinBox*>(p) || qobject_cast<const QTabBar*>(p)) {
      return true;
    }
  }
  return w->objectName().startsWith(QLatin1String("qt_"));
}

// "objectName (class)" of w, for problem lines.
inline QString who(const QWidget* w) {
  return w->objectName() + QLatin1String(" (") + QLatin1String(w->metaObject()->className()) + QLatin1Char(')');
}

}  // namespace mainwin::test
