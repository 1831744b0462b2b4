// The main window's side of the two interfaces the core calls: core::Host (the message box, tips,
// the window stack, the menu ticks, the panel and the icon) and core::RunHost (the progress
// window, questions and results through the shared dialogs; listing a folder with the main
// window's filters, its folder and its refresh through the file list). While its progress window
// is up the run host holds a RunScope, so that link messages, a language change or a close wait
// for a file boundary even outside a tool's Start (saving a long report).
#pragma once

#include "core/pipeline.h"
#include "core/widgets/host.h"
#include "main_window/widgets/main_form.h"
#include "ui_kit/dialog_run_host.h"
#include "ui_kit/progress_window.h"

#include <functional>
#include <optional>

namespace mainwin {

class MainForm;

class MainHost : public core::Host {
 public:
  explicit MainHost(MainForm& form) : form_(form) {}

  int respond(QWidget* caller, std::string_view style, std::string_view text, std::string_view title,
              std::string_view dontAskKey) override;
  std::unique_ptr<core::TipObject> makeTip(QWidget* control, QWidget* form, std::string_view tip,
                                           std::uint32_t foreColour, std::uint32_t backColour,
                                           std::string_view fontName) override;
  void setTreeHiddenColour(QWidget* folderTree, std::uint32_t colour) override;
  QWidget* mainForm() override;
  void addForm(QWidget* form) override;
  void remForm(QWidget* form) override;
  QWidget* getForm() override;
  void minForm() override;
  bool sMenuOpa() override;
  bool sMenuAuto() override;
  QWidget* framMain() override;
  QIcon icon() override;

 private:
  MainForm& form_;
};

class MainRunHost : public uikit::DialogRunHost {
 public:
  explicit MainRunHost(MainForm& form) : form_(form) {}

  void showProgress(core::ToolForm* owner) override;
  void hideProgress(core::ToolForm* owner, bool reEnableOwner) override;
  core::UpdateFilesResult updateFiles(bool visibleList, const std::string& folder) override;
  [[nodiscard]] const std::vector<core::ListEntry>& listViewRoot() const override;
  [[nodiscard]] int listCount() const override;
  [[nodiscard]] std::string dir1() const override;
  void refreshMain(core::RefreshMode mode) override;
  void addExt() override;

  // True while the progress window is up. A run may show it again while it is up (each run of a
  // run list); one hide ends it.
  [[nodiscard]] bool progressShown() const { return progressRun_.has_value(); }
  // The end of a tool's Start: a progress window the run left up closes, giving owner back.
  void endOfStart(core::ToolForm* owner);

 private:
  MainForm& form_;
  std::optional<RunScope> progressRun_;
};

// The program's pipeline, working through the main window's run host; tools run through it.
// Valid while the main window exists (nullptr before).
core::Pipeline* mainPipeline();
// Records the main window whose pipeline mainPipeline returns (nullptr when it goes).
void setMainPipelineOwner(MainForm* form);

}  // namespace mainwin
