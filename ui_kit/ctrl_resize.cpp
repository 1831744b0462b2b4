#include "ui_kit/ctrl_resize.h"

#include "core/widgets/tool_form.h"

#include <QTimer>
#include <QWidget>

namespace uikit {

bool callHostDoResize(QWidget* w) {
  if (w == nullptr) return false;
  auto* host = dynamic_cast<core::ToolForm*>(w->window());
  if (host == nullptr) return false;
  host->doResize();
  return true;
}

CtrlResize::CtrlResize(QWidget* parent) : QObject(parent), anchor_(parent), timerSize_(new QTimer(this)) {
  setObjectName(QStringLiteral("CtrlResize"));
  timerSize_->setSingleShot(true);
  timerSize_->setInterval(kDelayMs);
  connect(timerSize_, &QTimer::timeout, this, &CtrlResize::callDoResize);
}

bool CtrlResize::isPending() const { return timerSize_->isActive(); }

void CtrlResize::callDoResize() {
  timerSize_->stop();
  callHostDoResize(anchor_);
}

void CtrlResize::doSize() {
  if (!anchor_) return;
  QWidget* form = anchor_->window();
  if (!form->isVisible()) return;
  if (form->isMaximized()) {
    wasMaximised_ = true;
    callDoResize();
  } else if (wasMaximised_) {
    wasMaximised_ = false;
    callDoResize();
  } else if (!timerSize_->isActive()) {
    timerSize_->start();  // a running timer is left alone: one call per burst
  }
}

}  // namespace uikit
