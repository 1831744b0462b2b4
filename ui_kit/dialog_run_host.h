// The screen side of a run: a core::RunHost whose progress, cancel and skip, questions and results
// go to the shared dialogs (FrmProgress, the message box, FrmResults). What belongs to the main
// window (listing a folder with its filters, its folder, refreshing it, the extension history) is
// left to a subclass: the main window derives from this class.
#pragma once

#include "core/run_host.h"

#include <QPointer>

class QWidget;

namespace uikit {

class FrmProgress;

// The window of an operation form (a form that is a QWidget and a core::ToolForm), or nullptr.
[[nodiscard]] QWidget* formWidget(core::ToolForm* form);

class DialogRunHost : public core::RunHost {
 public:
  DialogRunHost();
  ~DialogRunHost() override;

  void setFormEnabled(core::ToolForm* form, bool enabled) override;
  // Creates the progress window when there is none and shows it for owner (owner disabled).
  void showProgress(core::ToolForm* owner) override;
  // Hides the progress window and unloads it.
  void hideProgress(core::ToolForm* owner, bool reEnableOwner) override;
  void setProgressCaption(const std::string& text) override;
  void setProgressPath(const std::string& text) override;
  void setProgressFile(const std::string& text) override;
  void setProgressPercent(const std::string& text) override;
  void setProgressBar(int twips) override;
  void showProgressBar(bool shown) override;
  void startBlock() override;
  void endBlock() override;
  void showSkip(bool shown) override;
  // The progress window's isCancel (the last value set while no window exists).
  [[nodiscard]] core::CancelState isCancel() const override;
  void setCancel(core::CancelState value) override;
  // The shared message box, with the caller's window (nullptr: the top of the window stack).
  core::RespondAnswer respond(core::ToolForm* caller, std::string_view style, const std::string& message,
                              std::string_view title) override;
  // Shows the results viewer for referrer (a new showing; the history records the run once).
  void showResults(core::ToolForm* referrer, const std::string& text, const std::string& stamp,
                   bool disableOwner) override;
  void beep() override;
  void doEvents() override;

  // The progress window while one is loaded.
  [[nodiscard]] FrmProgress* progressWindow() const { return progress_.data(); }

 private:
  QPointer<FrmProgress> progress_;
  core::CancelState cancel_ = core::CancelState::Running;
};

}  // namespace uikit
