#include "ui_kit/ctrl_dibber.h"

#include "ui_kit/ctrl_resize.h"
#include "ui_kit/look.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace uikit {

namespace {

// The grip serves the mouse only (the window manager resizes a window from the keyboard): screen
// readers are told it is not there, and never read its object name.
class GripAccessibility : public QAccessibleWidget {
 public:
  explicit GripAccessibility(QWidget* w) : QAccessibleWidget(w, QAccessible::Grip) {}
  QString text(QAccessible::Text) const override { return {}; }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.invisible = true;
    s.focusable = false;
    return s;
  }
};

QAccessibleInterface* gripAccessibility(const QString& key, QObject* object) {
  auto* grip = qobject_cast<CtrlDibber*>(object);
  if (!grip || key != QLatin1String(object->metaObject()->className())) return nullptr;
  return new GripAccessibility(grip);
}

}  // namespace

CtrlDibber::CtrlDibber(QWidget* parent) : QWidget(parent), timerDrag_(new QTimer(this)) {
  setFixedSize(px(315), px(330));
  setCursor(Qt::SizeFDiagCursor);
  timerDrag_->setInterval(kTickMs);
  connect(timerDrag_, &QTimer::timeout, this, &CtrlDibber::applyDrag);
  static const bool kSkippedByReaders = [] {
    QAccessible::installFactory(&gripAccessibility);
    return true;
  }();
  (void)kSkippedByReaders;
}

QSize CtrlDibber::sizeHint() const { return {px(315), px(330)}; }

void CtrlDibber::mousePressEvent(QMouseEvent* e) {
  dragging_ = true;
  down_ = cur_ = e->globalPosition().toPoint();
  startSize_ = window()->size();
  timerDrag_->start();
  e->accept();
}

void CtrlDibber::mouseMoveEvent(QMouseEvent* e) {
  if (dragging_) cur_ = e->globalPosition().toPoint();
  e->accept();
}

void CtrlDibber::mouseReleaseEvent(QMouseEvent* e) {
  if (dragging_) cur_ = e->globalPosition().toPoint();
  applyDrag();
  dragging_ = false;
  timerDrag_->stop();
  callHostDoResize(this);
  e->accept();
}

void CtrlDibber::applyDrag() {
  if (!dragging_) return;
  // The new size follows the pointer's offset from the grab point, measured on the screen and
  // applied to the size at button down, so it does not depend on when the host moves the grip.
  const QPoint d = cur_ - down_;
  const int w = std::max(startSize_.width() + d.x(), px(minX_));
  const int h = std::max(startSize_.height() + d.y(), px(minY_));
  if (window()->size() != QSize(w, h)) window()->resize(w, h);
}

void CtrlDibber::paintEvent(QPaintEvent*) {
  QPainter p(this);
  // Three diagonal rows of dots: the usual corner pattern.
  for (int row = 0; row < 3; ++row) {
    for (int i = 0; i <= row; ++i) {
      const int x = width() - 4 - 4 * i;
      const int y = height() - 4 - 4 * (row - i);
      p.fillRect(x, y, 2, 2, QColor(255, 255, 255));
      p.fillRect(x - 1, y - 1, 2, 2, QColor(128, 128, 128));
    }
  }
}

}  // namespace uikit
