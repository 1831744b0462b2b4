// CtrlDibber: the size grip in a host form's bottom-right corner. Dragging it resizes the host by
// the pointer's offset from the grab point, ten times a second, never below minX x minY twips;
// releasing the button calls the host's doResize once. Screen readers skip it (it serves the
// mouse only).
#pragma once

#include <QPoint>
#include <QSize>
#include <QWidget>

class QTimer;

namespace uikit {

class CtrlDibber : public QWidget {
  Q_OBJECT
  Q_PROPERTY(double minX READ minX WRITE setMinX)
  Q_PROPERTY(double minY READ minY WRITE setMinY)

 public:
  explicit CtrlDibber(QWidget* parent = nullptr);

  // Smallest host width and height, in twips (default 0).
  [[nodiscard]] double minX() const { return minX_; }
  void setMinX(double myVal) { minX_ = myVal; }
  [[nodiscard]] double minY() const { return minY_; }
  void setMinY(double myVal) { minY_ = myVal; }

  [[nodiscard]] bool isDragging() const { return dragging_; }
  // One drag step (the timer's tick): applies the pointer's offset to the host's size.
  void applyDrag();

  QSize sizeHint() const override;
  static constexpr int kTickMs = 100;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  QTimer* timerDrag_;
  bool dragging_ = false;
  QPoint down_;      // global pointer position at button down
  QPoint cur_;       // last global pointer position
  QSize startSize_;  // host size at button down
  double minX_ = 0;
  double minY_ = 0;
};

}  // namespace uikit
