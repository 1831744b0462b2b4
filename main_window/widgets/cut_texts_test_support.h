// Test support for windows shown in every language: the texts of a window that do not fit their
// controls (captions, labels, drop-down items, frame titles, labels running into each other) and
// texts that name the program otherwise than Corvane. Only *_qtest.cpp files include it.
#pragma once

#include "ui_kit/ctrl_cmd.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QStringList>
#include <QWidget>

namespace mainwin::test {

inline QString plain(QString caption) { return caption.remove(QRegularExpression(QStringLiteral("&(?!&)"))); }

// Pixels a control needs to show its caption whole (0: nothing to check).
inline int neededWidth(const QWidget* w, const QString& text) {
  const QFontMetrics fm(w->font());
  if (auto* cmd = qobject_cast<const uikit::CtrlCmd*>(w)) {
    const int icon = cmd->icon().isNull() ? 0 : cmd->iconSize().width() + 4;
    return text.isEmpty() ? 0 : fm.horizontalAdvance(plain(text)) + 8 + icon;
  }
  if (qobject_cast<const QAbstractButton*>(w)) return text.isEmpty() ? 0 : w->sizeHint().width();
  return 0;
}

// "form/control: text (needs n px, has m)" for each visible control of form whose caption or
// item does not fit, plus every visible text that names the program otherwise than Corvane.
inline QStringList cutTexts(QWidget* form) {
  QStringList problems;
  const auto report = [&](const QWidget* w, const QString& text, int needs, int has) {
    problems << QStringLiteral("%1/%2: \"%3\" needs %4 px, has %5")
                    .arg(form->objectName(), w->objectName(), text)
                    .arg(needs)
                    .arg(has);
  };
  const auto named = [&](const QWidget* w, const QString& text) {
    if (text.contains(QLatin1String("Quarrow"))) problems << form->objectName() + QLatin1Char('/') + w->objectName() + QStringLiteral(": ") + text;
  };
  named(form, form->windowTitle());
  for (QWidget* w : form->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(form) || w->window() != form) continue;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
      named(w, b->text());
      const int needs = neededWidth(w, b->text());
      if (needs > w->width()) report(w, b->text(), needs, w->width());
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
      named(w, l->text());
      if (l->wordWrap() || l->text().isEmpty() || l->textFormat() == Qt::RichText) continue;
      const QSize needs = QFontMetrics(l->font()).size(Qt::TextShowMnemonic, l->text()) + QSize(2, 2) * l->margin();
      const QSize has = l->contentsRect().size();
      if (needs.width() > has.width() || needs.height() > has.height()) {
        report(w, l->text(), needs.width(), has.width());
      }
    } else if (auto* c = qobject_cast<QComboBox*>(w)) {
      if (c->isEditable() || c->width() < 40) continue;  // a history drop-down shows only its arrow
      // What the widest item needs, by the drop-down's own measure (a fresh one, nothing cached).
      QComboBox fresh;
      fresh.setFont(c->font());
      for (int i = 0; i < c->count(); ++i) {
        named(w, c->itemText(i));
        fresh.addItem(c->itemText(i));
      }
      if (fresh.sizeHint().width() > c->width()) report(w, c->currentText(), fresh.sizeHint().width(), c->width());
    } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
      named(w, g->title());
      if (g->minimumSizeHint().width() > g->width()) report(w, g->title(), g->minimumSizeHint().width(), g->width());
    }
  }
  // Texts of labels side by side must not run into each other.
  QList<QLabel*> labels;
  for (QLabel* l : form->findChildren<QLabel*>()) {
    if (l->isVisibleTo(form) && l->window() == form && !l->wordWrap() && !l->text().isEmpty() &&
        l->textFormat() != Qt::RichText) {
      labels << l;
    }
  }
  const auto textRect = [](const QLabel* l) {
    const QSize s = QFontMetrics(l->font()).size(Qt::TextShowMnemonic, l->text());
    return QRect(l->mapTo(l->window(), l->contentsRect().topLeft()), s);
  };
  for (int i = 0; i < labels.size(); ++i) {
    for (int k = i + 1; k < labels.size(); ++k) {
      if (textRect(labels[i]).intersects(textRect(labels[k]))) {
        problems << QStringLiteral("%1: \"%2\" runs into \"%3\"").arg(form->objectName(), labels[i]->text(), labels[k]->text());
      }
    }
  }
  return problems;
}


}  // namespace mainwin::test
