#include "ui_kit/ctrl_arrow.h"

#include "core/state.h"
#include "core/vb.h"
#include "ui_kit/look.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace uikit {

QPixmap defaultArrowPicture(bool hover) {
  QPixmap pm(18, 19);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath arrow;
  arrow.moveTo(4, 3);
  arrow.lineTo(14, 9.5);
  arrow.lineTo(4, 16);
  arrow.closeSubpath();
  p.fillPath(arrow, hover ? QColor(0, 0, 255) : QColor(96, 96, 96));
  return pm;
}

CtrlArrow::CtrlArrow(QWidget* parent)
    : QAbstractButton(parent), imgOut_(defaultArrowPicture(false)), imgOver_(defaultArrowPicture(true)) {
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::PointingHandCursor);
  // A layout never squeezes the caption: the label is at least as wide as its text needs.
  setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
  QWidget::setFont(faceFont(vb::qs(core::coreState().fontName), 10, false));
  connect(this, &QAbstractButton::clicked, this, &CtrlArrow::Click);
  connect(this, &QObject::objectNameChanged, this, [this] { applyAccessibleName(this, text()); });
  setCaption(QStringLiteral("Caption"));
}

void CtrlArrow::setFontName(const QString& myFont) { setFontFace(this, myFont); }

void CtrlArrow::setCaption(const QString& myCap) {
  setText(myCap);
  applyAccessibleName(this, myCap);
  updateGeometry();
}

int CtrlArrow::FontSize() const { return fontPoints(this); }

void CtrlArrow::setFontSize(int mySize) { setFontPoints(this, mySize); }

void CtrlArrow::setBackColor(uint myCol) {
  backColor_ = myCol;
  update();
}

bool CtrlArrow::changeSet() {
  for (QWidget* w = parentWidget(); w != nullptr; w = w->parentWidget()) {
    auto* out = w->findChild<QLabel*>(QStringLiteral("imgOut"), Qt::FindDirectChildrenOnly);
    auto* over = w->findChild<QLabel*>(QStringLiteral("imgOver"), Qt::FindDirectChildrenOnly);
    if (out == nullptr || over == nullptr) continue;
    imgOut_ = out->pixmap();
    imgOver_ = over->pixmap();
    update();
    return true;
  }
  return false;
}

void CtrlArrow::ReadProperties(const QVariantMap& bag) {
  setCaption(bag.value(QStringLiteral("Caption"), QStringLiteral("Caption")).toString());
  setBackColor(static_cast<uint>(bag.value(QStringLiteral("BackColor"), qlonglong{0xD8E9EC}).toLongLong()));
  setFontSize(static_cast<int>(std::lround(bag.value(QStringLiteral("FontSize"), 10).toDouble())));
  setFontName(bag.value(QStringLiteral("Font"), QStringLiteral("MS Sans Serif")).toString());
}

QVariantMap CtrlArrow::WriteProperties() const {
  return {{QStringLiteral("Caption"), Caption()},
          {QStringLiteral("BackColor"), BackColor()},
          {QStringLiteral("FontSize"), FontSize()},
          {QStringLiteral("Font"), Font()}};
}

QSize CtrlArrow::minimumSizeHint() const { return sizeHint(); }

QSize CtrlArrow::sizeHint() const {
  const QFontMetrics fm(font());
  return {imgOut_.width() + 4 + fm.horizontalAdvance(text()) + 4, std::max(imgOut_.height(), fm.height()) + 4};
}

void CtrlArrow::setLook(bool hover) {
  hoverLook_ = hover;
  update();
}

void CtrlArrow::keyPressEvent(QKeyEvent* e) {
  // Enter raises Click; the other keys (Space included) do nothing here.
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    click();
    return;
  }
  if (e->key() == Qt::Key_Space) {
    e->ignore();
    return;
  }
  QAbstractButton::keyPressEvent(e);
}

void CtrlArrow::keyReleaseEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Space) {
    e->ignore();
    return;
  }
  QAbstractButton::keyReleaseEvent(e);
}

void CtrlArrow::enterEvent(QEnterEvent* e) {
  if (isEnabled()) setLook(true);
  QAbstractButton::enterEvent(e);
}

void CtrlArrow::leaveEvent(QEvent* e) {
  if (isEnabled()) setLook(false);
  QAbstractButton::leaveEvent(e);
}

void CtrlArrow::focusInEvent(QFocusEvent* e) {
  setLook(true);
  QAbstractButton::focusInEvent(e);
}

void CtrlArrow::focusOutEvent(QFocusEvent* e) {
  setLook(false);
  QAbstractButton::focusOutEvent(e);
}

void CtrlArrow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), core::toQColor(backColor_));
  const QPixmap& pic = hoverLook_ ? imgOver_ : imgOut_;
  p.drawPixmap(2, (height() - pic.height()) / 2, pic);
  p.setFont(font());
  p.setPen(hoverLook_ ? core::toQColor(0xFF0000) : QColor(Qt::black));
  p.drawText(QRect(pic.width() + 4, 0, width() - pic.width() - 4, height()),
             Qt::AlignVCenter | Qt::AlignLeft | Qt::TextShowMnemonic, text());
}

}  // namespace uikit
