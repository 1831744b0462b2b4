#include "main_window/widgets/window_stack.h"

#include "ui_kit/look.h"

#include <QApplication>
#include <QTimer>


namespace mainwin {

WindowStack::WindowStack(QWidget* mainForm, QObject* parent)
    : QObject(parent), main_(mainForm), timerForm_(new QTimer(this)) {
  forms_[0] = mainForm;
  timerForm_->setInterval(kTimerMs);
  connect(timerForm_, &QTimer::timeout, this, &WindowStack::tick);
}

bool WindowStack::addForm(QWidget* form) {
  if (!form || top_ >= kMaxStacked) return false;
  uikit::placeOverOwner(form, getForm());
  forms_[++top_] = form;
  updateTimer();
  return true;
}

void WindowStack::remForm() {
  // Every closer hides its window before it pops, so the hidden entry nearest the top is the one
  // that closed; a still visible top window must not be dropped in its place.
  for (int i = top_; i >= 1; --i) {
    if (!forms_[i] || !forms_[i]->isVisible() || hidden_) {
      for (int k = i; k < top_; ++k) forms_[k] = forms_[k + 1];
      forms_[top_--] = nullptr;
      break;
    }
  }
  dropHiddenTop();
  updateTimer();
}

void WindowStack::remForm(QWidget* form) {
  for (int i = top_; i >= 1; --i) {
    if (forms_[i] == form) {
      for (int k = i; k < top_; ++k) forms_[k] = forms_[k + 1];
      forms_[top_--] = nullptr;
      break;
    }
  }
  dropHiddenTop();
  updateTimer();
}

QWidget* WindowStack::getForm() const {
  for (int i = top_; i >= 1; --i) {
    if (forms_[i]) return forms_[i];
  }
  return main_;
}

void WindowStack::dropHiddenTop() {
  // While the program is minimised every stacked window is hidden on purpose and stays stacked.
  if (hidden_) return;
  while (top_ > 0 && (!forms_[top_] || !forms_[top_]->isVisible())) forms_[top_--] = nullptr;
}

void WindowStack::hideStacked() {
  for (int i = 1; i <= top_; ++i) {
    if (forms_[i]) forms_[i]->hide();
  }
}

void WindowStack::minForm() {
  if (main_) savedMaximised_ = main_->isMaximized();
  hideStacked();
  hidden_ = true;
  if (main_) {
    main_->showMinimized();
    main_->setEnabled(true);
  }
  updateTimer();
}

void WindowStack::restore() {
  if (!hidden_) return;
  hidden_ = false;
  if (main_) {
    if (savedMaximised_) {
      main_->showMaximized();
    } else {
      main_->showNormal();
    }
  }
  if (relayout_) relayout_();
  for (int i = 1; i <= top_; ++i) {
    if (!forms_[i]) continue;
    forms_[i]->setWindowState(forms_[i]->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    forms_[i]->show();
  }
  timerForm_->start();
}

void WindowStack::tick() {
  QWidget* top = top_ > 0 ? forms_[top_].data() : nullptr;
  QWidget* active = QApplication::activeWindow();
  if (top && active && active != top) {
    for (int i = 0; i < top_; ++i) {
      if (forms_[i] == active) {
        top->raise();  // back in front of the window the user clicked, without taking the focus
        break;
      }
    }
  }
  if (main_ && main_->isMinimized()) {
    hideStacked();
    main_->setEnabled(true);
    hidden_ = true;
    updateTimer();
    return;
  }
  if (main_ && main_->isMaximized()) savedMaximised_ = true;
}

bool WindowStack::timerActive() const { return timerForm_->isActive(); }

QWidget* WindowStack::entry(int i) const {
  if (i < 0 || i > top_) return nullptr;
  return forms_[i].data();
}

void WindowStack::updateTimer() {
  if (top_ > 0 && !hidden_) {
    if (!timerForm_->isActive()) timerForm_->start();
  } else {
    timerForm_->stop();
  }
}

}  // namespace mainwin
