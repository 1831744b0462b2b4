#include "ui_kit/look.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

namespace uikit {

QColor vbColor(std::uint32_t bgr) {
  if ((bgr & 0x80000000u) != 0) return QApplication::palette().color(QPalette::Button);
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

std::uint32_t toVbColor(const QColor& c) {
  return static_cast<std::uint32_t>(c.red()) | (static_cast<std::uint32_t>(c.green()) << 8) |
         (static_cast<std::uint32_t>(c.blue()) << 16);
}

QFont faceFont(const QString& face, double pointSize, bool bold) {
  QFont f(face);
  if (pointSize > 0) f.setPointSizeF(pointSize);
  f.setBold(bold);
  return f;
}

void applyAccessibleName(QWidget* w, const QString& caption) {
  // A caption's "&" marks the access key; a screen reader reads the caption without it.
  QString name;
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&' && i + 1 < caption.size()) ++i;
    else if (caption[i] == u'&') continue;
    name += caption[i];
  }
  w->setAccessibleName(name.isEmpty() ? w->objectName() : name);
}

}  // namespace uikit
