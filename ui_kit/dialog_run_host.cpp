#include "ui_kit/dialog_run_host.h"

#include "core/vb.h"
#include "core/widgets/form_show.h"
#include "core/widgets/tool_form.h"
#include "ui_kit/message_box.h"
#include "ui_kit/progress_window.h"
#include "ui_kit/results_viewer.h"

#include <QApplication>
#include <QWidget>

namespace uikit {

QWidget* formWidget(core::ToolForm* form) { return dynamic_cast<QWidget*>(form); }

DialogRunHost::DialogRunHost() { FrmResults::setSaveHost(this); }

DialogRunHost::~DialogRunHost() {
  FrmResults::setSaveHost(nullptr);
  delete progress_.data();
}

void DialogRunHost::setFormEnabled(core::ToolForm* form, bool enabled) {
  if (QWidget* w = formWidget(form)) w->setEnabled(enabled);
}

void DialogRunHost::showProgress(core::ToolForm* owner) {
  if (!progress_) {
    progress_ = new FrmProgress();
    progress_->isCancel = static_cast<std::uint8_t>(cancel_);
  }
  int stateMode = 0;
  core::showForm(progress_, formWidget(owner), stateMode, 2, "Progress", 1);
}

void DialogRunHost::hideProgress(core::ToolForm* owner, bool reEnableOwner) {
  if (!progress_) return;
  cancel_ = isCancel();
  core::hideForm(progress_, formWidget(owner), 0, reEnableOwner ? 1 : 0);
  progress_->deleteLater();
  progress_ = nullptr;
}

void DialogRunHost::setProgressCaption(const std::string& text) {
  if (progress_) progress_->setWindowTitle(vb::qs(text));
  doEvents();
}

void DialogRunHost::setProgressPath(const std::string& text) {
  if (progress_) progress_->setPathText(vb::qpath(text));
}

void DialogRunHost::setProgressFile(const std::string& text) {
  if (progress_) progress_->setFileText(vb::qs(text));
}

void DialogRunHost::setProgressPercent(const std::string& text) {
  if (progress_) progress_->setPercent(vb::qs(text));
}

void DialogRunHost::setProgressBar(int twips) {
  if (progress_) progress_->setBarTwips(twips);
}

void DialogRunHost::showProgressBar(bool shown) {
  if (progress_) progress_->showBar(shown);
}

void DialogRunHost::startBlock() {
  if (progress_) progress_->startBlock();
}

void DialogRunHost::endBlock() {
  if (progress_) progress_->endBlock();
}

void DialogRunHost::showSkip(bool shown) {
  if (progress_) progress_->showSkip(shown);
}

core::CancelState DialogRunHost::isCancel() const {
  if (!progress_) return cancel_;
  // The window's byte is set by its buttons; anything but Cancel and Skip means the run goes on.
  const auto value = static_cast<core::CancelState>(progress_->isCancel);
  return value == core::CancelState::Cancelled || value == core::CancelState::SkipFile ? value
                                                                                         : core::CancelState::Running;
}

void DialogRunHost::setCancel(core::CancelState value) {
  cancel_ = value;
  if (progress_) progress_->isCancel = static_cast<std::uint8_t>(value);
}

core::RespondAnswer DialogRunHost::respond(core::ToolForm* caller, std::string_view style, const std::string& message,
                                           std::string_view title) {
  return static_cast<core::RespondAnswer>(uikit::respond(formWidget(caller), style, message, title, ""));
}

void DialogRunHost::showResults(core::ToolForm* referrer, const std::string& text, const std::string& stamp,
                                bool disableOwner) {
  FrmResults::showRun(formWidget(referrer), text, stamp, disableOwner);
}

void DialogRunHost::beep() { QApplication::beep(); }

void DialogRunHost::doEvents() { QApplication::processEvents(); }

}  // namespace uikit
