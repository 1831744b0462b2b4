#include "ui_kit/tree_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <array>

namespace uikit {

namespace {

QPixmap folderPicture(bool open, bool hidden) {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor body = hidden ? QColor(176, 176, 176) : QColor(240, 200, 80);
  const QColor edge = hidden ? QColor(120, 120, 120) : QColor(170, 130, 30);
  p.setPen(edge);
  p.setBrush(body.darker(110));
  p.drawRect(QRectF(1.5, 3.5, 6, 2));
  p.drawRect(QRectF(1.5, 4.5, 13, 9));
  if (open) {
    QPainterPath flap;
    flap.moveTo(3.5, 7.5);
    flap.lineTo(15.5, 7.5);
    flap.lineTo(13.5, 13.5);
    flap.lineTo(1.5, 13.5);
    flap.closeSubpath();
    p.setBrush(body.lighter(115));
    p.drawPath(flap);
  }
  return pm;
}

QPixmap drivePicture(const QColor& light, const QString& mark) {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QColor(80, 80, 80));
  p.setBrush(QColor(200, 200, 200));
  p.drawRoundedRect(QRectF(1.5, 5.5, 13, 7), 1.5, 1.5);
  p.setBrush(light);
  p.drawEllipse(QRectF(11, 9.5, 2, 2));
  if (!mark.isEmpty()) {
    QFont f;
    f.setPixelSize(7);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(2, 5, 9, 8), Qt::AlignCenter, mark);
  }
  return pm;
}

QPixmap computerPicture() {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setPen(QColor(60, 60, 60));
  p.setBrush(QColor(90, 150, 220));
  p.drawRect(1, 2, 13, 9);
  p.setBrush(QColor(180, 180, 180));
  p.drawRect(5, 12, 5, 2);
  return pm;
}

QPixmap homePicture() {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QColor(90, 60, 30));
  p.setBrush(QColor(220, 120, 70));
  QPainterPath roof;
  roof.moveTo(1, 8);
  roof.lineTo(8, 1.5);
  roof.lineTo(15, 8);
  roof.closeSubpath();
  p.drawPath(roof);
  p.setBrush(QColor(240, 220, 180));
  p.drawRect(QRectF(3.5, 8, 9, 6.5));
  return pm;
}

}  // namespace

QIcon treeIcon(TreeIcon which) {
  static const std::array<QIcon, 11> icons = [] {
    return std::array<QIcon, 11>{QIcon(folderPicture(false, false)),
                                 QIcon(folderPicture(false, true)),
                                 QIcon(folderPicture(true, true)),
                                 QIcon(drivePicture(QColor(80, 160, 255), QStringLiteral("CD"))),
                                 QIcon(folderPicture(true, false)),
                                 QIcon(drivePicture(QColor(255, 170, 0), QString())),
                                 QIcon(drivePicture(QColor(0, 200, 0), QString())),
                                 QIcon(computerPicture()),
                                 QIcon(drivePicture(QColor(200, 0, 200), QStringLiteral("R"))),
                                 QIcon(drivePicture(QColor(0, 120, 255), QStringLiteral("N"))),
                                 QIcon(homePicture())};
  }();
  return icons[static_cast<std::size_t>(which)];
}

}  // namespace uikit
