#include "ui_kit/ctrl_cmd.h"

#include "core/state.h"
#include "core/vb.h"
#include "ui_kit/image_list.h"
#include "ui_kit/look.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionButton>

#include <algorithm>
#include <cmath>

namespace uikit {

namespace {
constexpr uint kHoverColor = 0x80FFFF;  // light yellow
}

CtrlCmd* CtrlCmd::make(QWidget* parent, const char* objectName, const QString& caption, int minWidth) {
  auto* b = new CtrlCmd(parent);
  b->setObjectName(QString::fromLatin1(objectName));
  b->setCaption(caption);
  b->setMinimumWidth(minWidth);
  return b;
}

CtrlCmd::CtrlCmd(QWidget* parent) : QPushButton(parent) {
  setAttribute(Qt::WA_Hover, false);
  QWidget::setFont(faceFont(vb::qs(core::coreState().fontName), 10, true));
  connect(this, &QPushButton::clicked, this, &CtrlCmd::Click);
  connect(this, &QObject::objectNameChanged, this, [this] { applyAccessibleName(this, text()); });
}

void CtrlCmd::setCaption(const QString& myCap) {
  setText(myCap);
  applyAccessibleName(this, myCap);
  applyDesignSize();
  updateGeometry();
}

void CtrlCmd::setFontName(const QString& myFont) {
  setFontFace(this, myFont);
  applyDesignSize();
}

void CtrlCmd::setDesignSize(QSize size) {
  designSize_ = size;
  if (size.isEmpty()) {
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    return;
  }
  applyDesignSize();
}

void CtrlCmd::applyDesignSize() {
  if (designSize_.isEmpty()) return;
  setFixedSize(std::max(designSize_.width(), captionWidth()), designSize_.height());
}

int CtrlCmd::captionWidth() const {
  const QFontMetrics fm(font());
  const QString cap = QString(text()).remove(QLatin1Char('&'));
  int w = cap.isEmpty() ? 0 : fm.horizontalAdvance(cap);
  if (!icon().isNull()) w += iconSize().width() + (cap.isEmpty() ? 0 : 4);
  return w + 12;  // the painted margins (4 each side) and room for the pressed shift
}

uint CtrlCmd::BackColor() const { return hoverLook_ ? kHoverColor : backColor_; }

void CtrlCmd::setBackColor(uint myCol) {
  backColor_ = myCol;
  update();
}

int CtrlCmd::FontSize() const { return fontPoints(this); }

void CtrlCmd::setFontSize(int mySize) {
  setFontPoints(this, mySize);
  applyDesignSize();
}

void CtrlCmd::setEnabledFlag(bool myEnabled) {
  enabledFlag_ = myEnabled;
  setEnabled(myEnabled);
  // Disabled while hovered, the button keeps its look; enabled again with the pointer
  // elsewhere, it returns to normal.
  if (enabledFlag_ && pointerHover_ && !underMouse()) {
    pointerHover_ = false;
    if (!hasFocus()) setLook(false);
  }
}

bool CtrlCmd::setPicture(int myPic) {
  for (QWidget* w = parentWidget(); w != nullptr; w = w->parentWidget()) {
    auto* list = w->findChild<ImageList*>(QStringLiteral("imgSet"), Qt::FindDirectChildrenOnly);
    if (list == nullptr) continue;
    const QIcon icon = list->item(myPic);
    if (icon.isNull()) return false;
    setIcon(icon);
    return true;
  }
  return false;
}

void CtrlCmd::ReadProperties(const QVariantMap& bag) {
  setCaption(bag.value(QStringLiteral("Caption"), QString()).toString());
  setFontSize(static_cast<int>(std::lround(bag.value(QStringLiteral("FontSize"), 10).toDouble())));
  setBackColor(static_cast<uint>(vb::ValInt(vb::bs(bag.value(QStringLiteral("BackColor"),
                                                             QString::number(0xE2FFFF)).toString()))));
  setEnabledFlag(bag.value(QStringLiteral("Enabled"), true).toBool());
  setFontName(bag.value(QStringLiteral("Font"), QStringLiteral("MS Sans Serif")).toString());
}

QVariantMap CtrlCmd::WriteProperties() const {
  return {{QStringLiteral("Caption"), Caption()},
          {QStringLiteral("FontSize"), font().pointSizeF()},
          {QStringLiteral("BackColor"), QString::number(BackColor())},
          {QStringLiteral("Enabled"), enabledFlag_},
          {QStringLiteral("Font"), Font()}};
}

QSize CtrlCmd::sizeHint() const {
  const QFontMetrics fm(font());
  return {std::max(captionWidth() + 4, px(1335)), std::max(px(375), fm.height() + 8)};
}

void CtrlCmd::setLook(bool hover) {
  hoverLook_ = hover;
  update();
}

void CtrlCmd::enterEvent(QEnterEvent* e) {
  if (enabledFlag_ && !pointerHover_) {
    pointerHover_ = true;
    Q_EMIT MouseMove();
    setLook(true);
  }
  QPushButton::enterEvent(e);
}

void CtrlCmd::leaveEvent(QEvent* e) {
  if (enabledFlag_ && pointerHover_) {
    pointerHover_ = false;
    setLook(false);
  }
  QPushButton::leaveEvent(e);
}

void CtrlCmd::focusInEvent(QFocusEvent* e) {
  setLook(true);
  QPushButton::focusInEvent(e);
}

void CtrlCmd::focusOutEvent(QFocusEvent* e) {
  setLook(false);
  QPushButton::focusOutEvent(e);
}

namespace {
bool isEnterKey(const QKeyEvent* e) { return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter; }
}  // namespace

void CtrlCmd::keyPressEvent(QKeyEvent* e) {
  // Enter presses the button that has the focus, as Space does (a plain push button outside a
  // dialog leaves Enter to its window).
  if (isEnterKey(e) && (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    if (!e->isAutoRepeat()) setDown(true);
    e->accept();
    return;
  }
  QPushButton::keyPressEvent(e);
}

void CtrlCmd::keyReleaseEvent(QKeyEvent* e) {
  if (isEnterKey(e) && (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    e->accept();
    if (!e->isAutoRepeat() && isDown()) {
      setDown(false);
      click();
    }
    return;
  }
  QPushButton::keyReleaseEvent(e);
}

void CtrlCmd::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect r = rect();
  // A disabled button loses its colour and sinks into the form, so it does not look pressable.
  p.fillRect(r, isEnabled() ? core::toQColor(BackColor()) : palette().color(QPalette::Window));
  if (isDown()) {
    // Pressed: a sunken top-left edge.
    p.setPen(QColor(96, 96, 96));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
  } else if (hoverLook_) {
    // The raised edge of the inner button shows at the top and left only.
    p.setPen(Qt::white);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(QColor(227, 227, 227));
    p.drawLine(r.topLeft() + QPoint(1, 1), r.topRight() + QPoint(0, 1));
    p.drawLine(r.topLeft() + QPoint(1, 1), r.bottomLeft() + QPoint(1, 0));
  }
  QRect content = r.adjusted(4, 2, -4, -2);
  if (isDown()) content.translate(1, 1);
  const QIcon ic = icon();
  const QString cap = text();
  const QFontMetrics fm(font());
  int total = cap.isEmpty() ? 0 : fm.horizontalAdvance(QString(cap).remove(QLatin1Char('&')));
  const QSize is = iconSize();
  if (!ic.isNull()) total += is.width() + (cap.isEmpty() ? 0 : 4);
  int x = content.left() + std::max(0, (content.width() - total) / 2);
  if (!ic.isNull()) {
    ic.paint(&p, QRect(QPoint(x, content.top() + (content.height() - is.height()) / 2), is),
             Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
    x += is.width() + 4;
  }
  p.setPen(isEnabled() ? QColor(Qt::black) : QColor(128, 128, 128));
  p.drawText(QRect(x, content.top(), content.right() - x + 1, content.height()),
             Qt::AlignVCenter | Qt::AlignLeft | Qt::TextShowMnemonic, cap);
}

}  // namespace uikit
