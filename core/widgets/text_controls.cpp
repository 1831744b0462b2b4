#include "core/widgets/text_controls.h"

#include "core/state.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace core {

QColor toQColor(std::uint32_t colour) {
  // System colours (&H800000xx) all take the palette's button colour: the only one stored is
  // &H8000000F, and reading another one's index bits as red would give a wrong colour.
  if ((colour & 0x80000000u) != 0) return QApplication::palette().color(QPalette::Button);
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

void setBackColour(QWidget* control, std::uint32_t colour) {
  if (!control) return;
  if (control->property("BackColor").isValid()) {
    control->setProperty("BackColor", QVariant::fromValue(colour));
    return;
  }
  QPalette p = control->palette();
  const QColor c = toQColor(colour);
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    p.setColor(group, QPalette::Base, c);
    p.setColor(group, QPalette::Window, c);
  }
  control->setPalette(p);
  control->setAutoFillBackground(true);
}

void setForeColour(QWidget* control, std::uint32_t colour) {
  if (!control) return;
  if (control->property("ForeColor").isValid()) {
    control->setProperty("ForeColor", QVariant::fromValue(colour));
    return;
  }
  QPalette p = control->palette();
  const QColor c = toQColor(colour);
  for (auto group : {QPalette::Active, QPalette::Inactive}) {
    p.setColor(group, QPalette::Text, c);
    p.setColor(group, QPalette::WindowText, c);
    p.setColor(group, QPalette::ButtonText, c);
  }
  control->setPalette(p);
}

void SelectText(QWidget* box) {
  if (auto* e = qobject_cast<QLineEdit*>(box)) {
    e->selectAll();
  } else if (auto* c = qobject_cast<QComboBox*>(box)) {
    if (c->lineEdit()) c->lineEdit()->selectAll();
  } else if (auto* t = qobject_cast<QPlainTextEdit*>(box)) {
    t->selectAll();
  } else if (auto* r = qobject_cast<QTextEdit*>(box)) {
    r->selectAll();
  }
}

void enableText(QWidget* control) {
  if (!control) return;
  control->setEnabled(true);
  setBackColour(control, coreState().backColor);
  setForeColour(control, coreState().foreColor);
}

void disableText(QWidget* control) {
  if (!control) return;
  control->setEnabled(false);
  setBackColour(control, coreState().disabledColor);
}

}  // namespace core
