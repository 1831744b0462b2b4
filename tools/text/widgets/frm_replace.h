// frmReplace: the search-and-replace window. The two texts (search and replacement, with a swap
// button and a tag menu), the target (contents, file names, folder names), the options (exact case,
// "*" or "?" wildcards, "*" over line breaks, tags), the run list with its buttons, and Start. The
// window reads its controls into ReplaceOptions and leaves the work to the engine
// (tools/text/replace_run.h); a run list holds each run as the window's form-state text.
//
// Implementation: frm_replace.cpp (controls, layout, option handlers, tag menu),
// frm_replace_runs.cpp (run list buttons, run-list files, the scratch list, Start).
#pragma once

#include "tools/frame/widgets/tool_window.h"
#include "tools/text/replace_checks.h"
#include "tools/text/replace_options.h"
#include "tools/text/replace_run_list.h"

#include <QString>

#include <string>

class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QRadioButton;
class QTimer;

namespace uikit {
class CtrlCheckBox;
class CtrlCmd;
class CtrlDibber;
}

namespace tools::text {

class FrmReplace : public tools::ToolWindow {
  Q_OBJECT

 public:
  FrmReplace();

  // --- what the shared dialogs call ---
  // The file dialog's save: 0 written (the dialog closes), 1 kept open (declined or failed).
  std::uint8_t saveHandle(const QString& myFile) override;
  // The file dialog's load: reads a run list into a new list first; a file that is not a complete
  // run list gives a message and leaves the current list. Always 0.
  std::uint8_t loadHandle(const QString& myFile) override;
  // The substring dialog's "start;length": a substring tag at the cursor of the tag target.
  void loadHandleFrmStr(const QString& myData) override;
  void doResize() override;

  // --- the handlers (tests call them as the buttons do) ---
  void cmdStartClick();
  void cmdSwapClick();
  void cmdMultNextClick();
  void cmdMultPreviousClick();
  void cmdMultInsertClick();
  void cmdMultRemoveClick();
  void cmdMultSaveClick();
  void cmdMultLoadClick();

  // The run the controls stand for now.
  [[nodiscard]] ReplaceOptions readOptions() const;
  [[nodiscard]] const RunList& runList() const { return runs_; }
  // The tag target's text with tag inserted at its cursor (replacing a selection).
  void insertAtCursor(const QString& tag);
  [[nodiscard]] QPlainTextEdit* tagTarget() const { return tagTarget_; }
  // Where the scratch list lives: tempPath + "tmpSch.run".
  [[nodiscard]] static std::string scratchPath();

 protected:
  void showEvent(QShowEvent* e) override;
  // The size grip keeps to the bottom right corner at every size, the first one included.
  void resizeEvent(QResizeEvent* e) override;
  void closing() override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void placeGrip();
  void buildControls();
  void buildLayout();
  void connectHandlers();
  // The option controls shown and enabled as the options now are.
  void updateOptionControls();
  void chkMulRunChanged();
  void showRunState();

  // Window load and unload: the scratch list.
  void formLoad();
  void formUnload();

  // The checks with messages (showMessages) or silently; true when the input can run.
  bool validateInput(bool showMessages);
  void showProblem(const InputProblem& problem, const ReplaceOptions& options, int runNumber);
  void storeRun(int k);
  // Puts run k on the controls; false (after message 8) when it has no state.
  bool loadRun(int k);
  // Reads the run list at path into the window; quiet: no message for a bad file (the scratch).
  bool loadRunListFile(const std::string& path, bool quiet);
  // Every run of the list, each checked; nullopt after the message of the first that cannot run
  // (that run is then shown).
  std::optional<std::vector<ReplaceOptions>> checkedRuns();
  void moveTo(int k);

  QPlainTextEdit* txtSearch_;
  QPlainTextEdit* txtReplace_;
  QLabel* lblSearch_;
  QLabel* lblReplace_;
  uikit::CtrlCmd* cmdSwap_;
  QGroupBox* frame1_;
  QRadioButton* optContent_;
  QRadioButton* optFile_;
  QRadioButton* optFold_;
  QGroupBox* frame2_;
  uikit::CtrlCheckBox* chkCase_;
  uikit::CtrlCheckBox* chkWildCards_;
  QFrame* framWild_;
  QRadioButton* optWildAst_;
  QRadioButton* optWildQuest_;
  uikit::CtrlCheckBox* chkSpan_;
  uikit::CtrlCheckBox* chkTags_;
  uikit::CtrlCmd* cmdTags_;
  QMenu* menuIndex_;
  uikit::CtrlCheckBox* chkMulRun_;
  QFrame* framMul_;
  QLabel* lblMultRuns_;
  uikit::CtrlCmd* cmdMultLoad_;
  uikit::CtrlCmd* cmdMultSave_;
  uikit::CtrlCmd* cmdMultInsert_;
  uikit::CtrlCmd* cmdMultRemove_;
  uikit::CtrlCmd* cmdMultNext_;
  uikit::CtrlCmd* cmdMultPrevious_;
  QFrame* framCtrls_;
  uikit::CtrlCmd* cmdStart_;
  uikit::CtrlCmd* cmdClose_;
  uikit::CtrlCmd* cmdHelp_;
  uikit::CtrlDibber* ctrlDibber1_;
  QTimer* timerChkVis_;

  QPlainTextEdit* tagTarget_;
  bool substringOfFile_ = true;  // the substring dialog's tag: of the file name (else the folder's)
  bool loaded_ = false;          // the window was loaded (shown) since it was last closed
  RunList runs_;
};

}  // namespace tools::text
