// The case changer's window "frmCase": the mode (file names, folder names, contents), the name
// style and the extension style, a preview of what the styles do to the first names of the main
// window's list (or to the first subfolders of its folder), Start and Close. The run itself is
// tools::runCaseChanger (case_run.h).
//
// The layout follows the mode however it is chosen (a click, a menu's preset, a restored state):
// folders and contents offer no "Default" name style and no extension style; contents shows no
// preview and calls the name styles the contents' styles.
#pragma once

#include "tools/frame/widgets/tool_window.h"
#include "tools/renaming/case_run.h"

#include <array>

class QGroupBox;
class QRadioButton;
class QTreeWidget;

namespace uikit {
class CtrlCmd;
}

namespace tools {

class FrmCase : public ToolWindow {
  Q_OBJECT

 public:
  FrmCase();

  // The mode and the styles as the controls show them.
  [[nodiscard]] CaseMode mode() const;
  [[nodiscard]] CaseStyles styles() const;
  // What Start hands the run: the controls and the main window's folder and boxes.
  [[nodiscard]] CaseRunOptions readOptions() const;

  // Start, as a click on cmdStart.
  void cmdStartClick();
  // Refreshes the preview (not in contents mode).
  void fillCasePreview();

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void arrangeCaseFrames();
  // The window's height for mode m: free with the preview, that of the options without.
  void fitMode(CaseMode m);
  void applyMessages();
  [[nodiscard]] std::vector<std::string> collectCaseSamples() const;

  QGroupBox* frame1_;
  QGroupBox* framName_;
  QGroupBox* framExt_;
  QRadioButton* optFile_;
  QRadioButton* optFold_;
  QRadioButton* optContents_;
  std::array<QRadioButton*, 5> optName_{};  // optFile1..optFile5
  std::array<QRadioButton*, 5> optExt_{};   // optExt1..optExt5
  QTreeWidget* listViewPrev_;
  bool previewShown_ = false;  // the mode shown last had the preview
  uikit::CtrlCmd* cmdStart_;
  uikit::CtrlCmd* cmdClose_;
};

}  // namespace tools
