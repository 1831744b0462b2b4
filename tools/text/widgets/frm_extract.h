// frmExtract: the keyword extractor's window. It holds the options (source, valid characters,
// separator, length limits, common words, pattern and five switches), keeps the two length boxes
// consistent, reads its controls into tools::text::ExtractOptions when Start is pressed and runs
// the extraction, and loads and saves presets ("*.Pre") through the shared file dialog.
#pragma once

#include "tools/frame/widgets/tool_window.h"
#include "tools/text/extract_setup.h"

class QComboBox;
class QLineEdit;
class QMenu;
class QAction;
class QPlainTextEdit;
class QRadioButton;

namespace uikit {
class CtrlCheckBox;
class CtrlCmd;
}

namespace tools::text {

class FrmExtract : public tools::ToolWindow {
  Q_OBJECT

 public:
  FrmExtract();

  // The options as the controls hold them now.
  [[nodiscard]] ExtractOptions readOptions() const;
  // Start: prepares the run (the valid characters and the common words are shown as the run uses
  // them), refuses a pattern it cannot use with a message, else runs the extraction.
  void cmdStartClick();
  // Asks, then refills the valid characters with the default set.
  void cmdResetKeyClick();

  // --- core::ToolForm: the file dialog's chosen preset ---
  // Applies the preset; a file that is not a preset of this window is refused with common message
  // 116 and changes nothing. The path is remembered as "vardtlf". 0 accepted, 1 refused.
  std::uint8_t loadHandle(const QString& myFile) override;
  // Writes the options to the file, asking before it replaces one. 0 saved, 1 not.
  std::uint8_t saveHandle(const QString& myFile) override;

  // The controls, by their form names (tests and the window's own code).
  QRadioButton *optFile, *optFileName, *optFold;
  QLineEdit *txtAlphaKey, *txtMinKey, *txtMaxKey, *txtPat;
  QPlainTextEdit* txtCommonWords;
  QComboBox* comChar;
  uikit::CtrlCheckBox *chkMinKey, *chkMaxKey, *chkExcKey, *chkPat, *chkSens, *chkStripKey, *chkSpace,
      *chkCombine, *chkNull;
  uikit::CtrlCmd *cmdResetKey, *cmdStart, *cmdClose;
  QMenu* menuPresets;
  QAction *menuLoad, *menuSave;

 protected:
  void showEvent(QShowEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void buildControls();
  void connectControls();
  void fillSeparators();
  // The length checks of a tick, or of leaving a box; a change that does not come from the user
  // (a restored state, a preset) only sets the boxes' look.
  void chkMinKeyClick();
  void chkMaxKeyClick();
  void txtMinKeyLostFocus();
  void txtMaxKeyLostFocus();
  void syncLengthBoxes();
  void chkPatClick();
  void chkExcKeyClick();
  [[nodiscard]] bool byUser() const;
  int respond(std::string_view style, const std::string& text, std::string_view title);

  bool loading_ = false;
  bool fitOnShow_ = true;
};

}  // namespace tools::text
