#include "ui_kit/ctrl_check_box.h"

#include "core/state.h"
#include "core/vb.h"
#include "ui_kit/look.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include <algorithm>
#include <cmath>

namespace uikit {

namespace {

// The box to a screen reader: its Value as the checked state, and the Enabled flag as the
// enabled state (the widget itself stays input-enabled, see the header).
class CheckBoxAccessible : public QAccessibleWidget {
 public:
  explicit CheckBoxAccessible(CtrlCheckBox* box) : QAccessibleWidget(box, QAccessible::CheckBox) {}

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.checkable = true;
    s.checked = box()->Value() != 0;
    if (!box()->Enabled()) {
      s.disabled = true;
      s.focusable = false;
    }
    return s;
  }
  QStringList actionNames() const override {
    return QStringList{toggleAction()} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& action) override {
    // The click path: the value flips and Click is raised, or NotAbled while "disabled".
    if (action == toggleAction()) box()->click();
    else QAccessibleWidget::doAction(action);
  }

 private:
  CtrlCheckBox* box() const { return static_cast<CtrlCheckBox*>(widget()); }
};

QAccessibleInterface* checkBoxAccessibility(const QString& key, QObject* object) {
  auto* box = qobject_cast<CtrlCheckBox*>(object);
  return box && key == QLatin1String(CtrlCheckBox::staticMetaObject.className()) ? new CheckBoxAccessible(box) : nullptr;
}

const bool kCheckBoxAccessibility = [] {
  QAccessible::installFactory(&checkBoxAccessibility);
  return true;
}();

constexpr std::uint32_t kBlack = 0x000000, kBlue = 0xFF0000, kGrey = 0x808080, kLightGrey = 0xE0E0E0,
                        kWhite = 0xFFFFFF;
constexpr double kFrameTwips = 375;  // the drawn box's container, square
}  // namespace

CtrlCheckBox::CtrlCheckBox(QWidget* parent) : QCheckBox(parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_Hover, false);
  QWidget::setFont(faceFont(vb::qs(core::coreState().fontName), 10, true));
  connect(this, &QObject::objectNameChanged, this, [this] { applyAccessibleName(this, text()); });
}

void CtrlCheckBox::storeValue(int v) {
  value_ = static_cast<std::uint8_t>(std::clamp(v, 0, 255));
  // The native checked state mirrors the value so assistive technology reads it.
  if (isChecked() != (value_ != 0)) {
    storing_ = true;
    setChecked(value_ != 0);
    storing_ = false;
  }
  update();
}

void CtrlCheckBox::setValue(int myVal) {
  const std::uint8_t old = value_;
  storeValue(myVal);
  if (old != value_) Q_EMIT Click();
}

void CtrlCheckBox::setCaption(const QString& myCap) {
  setText(myCap);
  applyAccessibleName(this, myCap);
  updateGeometry();
}

void CtrlCheckBox::setFontName(const QString& myFont) { setFontFace(this, myFont); }

void CtrlCheckBox::setBackColor(uint myCol) {
  backColor_ = myCol;
  update();
}

void CtrlCheckBox::setEnabledFlag(bool myEnabled) {
  const bool changed = enabledFlag_ != myEnabled;
  enabledFlag_ = myEnabled;
  // A box that looks disabled is left out of the Tab round, as a disabled control is.
  if (!myEnabled && focusPolicy() != Qt::NoFocus) {
    focusPolicy_ = focusPolicy();
    setFocusPolicy(Qt::NoFocus);
    if (hasFocus()) focusNextChild();
  } else if (myEnabled && focusPolicy() == Qt::NoFocus) {
    setFocusPolicy(focusPolicy_);
  }
  if (changed && QAccessible::isActive()) {
    QAccessible::State state;
    state.disabled = true;
    QAccessibleStateChangeEvent event(this, state);
    QAccessible::updateAccessibility(&event);
  }
  // A box disabled while hovered keeps its hover state; once enabled again with the pointer
  // elsewhere, it returns to the normal look.
  if (enabledFlag_ && hover_ && !underMouse()) hover_ = false;
  update();
}

int CtrlCheckBox::FontSize() const { return fontPoints(this); }

void CtrlCheckBox::setFontSize(int mySize) { setFontPoints(this, mySize); }

void CtrlCheckBox::ReadProperties(const QVariantMap& bag) {
  setCaption(bag.value(QStringLiteral("Caption"), QString()).toString());
  setEnabledFlag(bag.value(QStringLiteral("Enabled"), true).toBool());
  storeValue(bag.value(QStringLiteral("Value"), 0).toInt());
  Q_EMIT Click();
  setBackColor(static_cast<uint>(bag.value(QStringLiteral("BackColor"), qlonglong{kSysButtonFace}).toLongLong()));
  setFontSize(static_cast<int>(std::lround(bag.value(QStringLiteral("FontSize"), 10).toDouble())));
  setFontName(bag.value(QStringLiteral("Font"), QStringLiteral("MS Sans Serif")).toString());
}

QVariantMap CtrlCheckBox::WriteProperties() const {
  return {{QStringLiteral("Caption"), Caption()},          {QStringLiteral("Enabled"), enabledFlag_},
          {QStringLiteral("Value"), int{value_}},          {QStringLiteral("BackColor"), BackColor()},
          {QStringLiteral("FontSize"), FontSize()},        {QStringLiteral("Font"), Font()}};
}

QSize CtrlCheckBox::sizeHint() const {
  const QFontMetrics fm(font());
  return {px(kFrameTwips) + fm.horizontalAdvance(text()) + 6, std::max(px(kFrameTwips), fm.height() + 6)};
}

QSize CtrlCheckBox::minimumSizeHint() const { return {px(kFrameTwips), px(kFrameTwips)}; }

void CtrlCheckBox::nextCheckState() {
  if (!enabledFlag_) {
    Q_EMIT NotAbled();
    return;
  }
  storeValue(value_ == 0 ? 1 : 0);
  Q_EMIT Click();
}

void CtrlCheckBox::checkStateSet() {
  QCheckBox::checkStateSet();
  if (storing_ || isChecked() == (value_ != 0)) return;
  // Toggled from outside the click path (a screen reader's Toggle is QAbstractButton::toggle).
  // Once that setChecked is over, the value takes the native state back and the click a mouse
  // would make runs: the value flips and Click is raised (NotAbled while the box is "disabled").
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (isChecked() == (value_ != 0)) return;
        storeValue(value_);
        nextCheckState();
      },
      Qt::QueuedConnection);
}

bool CtrlCheckBox::hitButton(const QPoint& pos) const { return rect().contains(pos); }

void CtrlCheckBox::setHover(bool on) {
  hover_ = on;
  update();
}

void CtrlCheckBox::mouseMoveEvent(QMouseEvent* e) {
  if (enabledFlag_) {
    Q_EMIT MouseMove();
    if (!hover_ && rect().contains(e->position().toPoint())) setHover(true);
  }
  QCheckBox::mouseMoveEvent(e);
}

void CtrlCheckBox::enterEvent(QEnterEvent* e) {
  if (enabledFlag_ && !hover_) setHover(true);
  QCheckBox::enterEvent(e);
}

void CtrlCheckBox::leaveEvent(QEvent* e) {
  if (enabledFlag_ && hover_) setHover(false);
  QCheckBox::leaveEvent(e);
}

void CtrlCheckBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.fillRect(rect(), core::toQColor(backColor_));

  std::uint32_t ink = kBlack;
  std::uint32_t fill = kWhite;
  // A box inside a disabled container (the filter panel while a tool is open) greys as well.
  if (!enabledFlag_ || !isEnabled()) {
    ink = kGrey;
    fill = kLightGrey;
  } else if (hover_) {
    ink = kBlue;
  }
  // The drawn box's container is centred vertically: top = half the height - 220 twips.
  const double frameTop = height() * 15.0 / 2.0 - 220.0;
  const auto at = [&](double x, double y) { return QPointF(x / 15.0, (frameTop + y) / 15.0); };

  p.setPen(QPen(core::toQColor(ink), 2));
  p.setBrush(core::toQColor(fill));
  p.drawRect(QRectF(at(10, 120), at(220, 330)));
  if (value_ != 0) {
    // The tick stays inside the box (10..220 across, 120..330 down), clear of its border.
    QPen tick(core::toQColor(ink), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(tick);
    p.setBrush(Qt::NoBrush);
    const QPointF points[3] = {at(55, 225), at(100, 275), at(180, 165)};
    p.drawPolyline(points, 3);
  }

  p.setPen(core::toQColor(ink));
  p.setFont(font());
  const QRect textRect(px(kFrameTwips), 0, width() - px(kFrameTwips), height());
  p.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextShowMnemonic, text());
  if (hasFocus()) {
    QStyleOptionFocusRect opt;
    opt.initFrom(this);
    const QRect br = p.fontMetrics().boundingRect(textRect, Qt::AlignVCenter | Qt::AlignLeft, text());
    opt.rect = br.adjusted(-2, -1, 2, 1);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &opt, &p, this);
  }
}

}  // namespace uikit
