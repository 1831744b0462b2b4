// CtrlResize: turns a burst of resize events of its host form into one call of the host's
// doResize. The first event of a burst starts a 500 ms timer that later events do not restart;
// maximising and leaving the maximised state lay out at once; a hidden host gets no call.
// The host is the window of the parent widget and must implement core::ToolForm.
#pragma once

#include <QObject>
#include <QPointer>

class QTimer;
class QWidget;

namespace uikit {

class CtrlResize : public QObject {
  Q_OBJECT
 public:
  // parent: any widget of the host form (the form itself as a rule).
  explicit CtrlResize(QWidget* parent);

  // Called from the host's resize event (after its own minimised check).
  Q_INVOKABLE void doSize();

  static constexpr int kDelayMs = 500;
  [[nodiscard]] bool isPending() const;

 private:
  void callDoResize();

  QPointer<QWidget> anchor_;
  QTimer* timerSize_;
  bool wasMaximised_ = false;
};

// Calls doResize on the window of w when that window implements core::ToolForm; false otherwise.
bool callHostDoResize(QWidget* w);

}  // namespace uikit
