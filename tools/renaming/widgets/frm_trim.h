// The trimmer's window "frmTrim": the mode (file names, folder names, contents), how many
// characters or lines to remove (txtDelete, digits only), from where (comDelWhat), the unit
// (comDelType: characters, and in contents mode lines too), whether a file's extension is trimmed
// with its name (chkExt), a preview of the first names of the main window's list (or of the first
// subfolders of its folder), Start and Close. The run itself is tools::runTrimmer (trim_run.h).
//
// The layout follows the mode however it is chosen (a click, a menu's preset, a restored state).
// The window's width and the preview's column widths are kept in the settings.
#pragma once

#include "tools/frame/widgets/tool_window.h"
#include "tools/renaming/trim_run.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTreeWidget;

namespace uikit {
class CtrlCheckBox;
class CtrlCmd;
}

namespace tools {

class FrmTrim : public ToolWindow {
  Q_OBJECT

 public:
  FrmTrim();

  [[nodiscard]] TrimMode mode() const;
  // The count as the box shows it (0 for an empty box).
  [[nodiscard]] std::uint64_t count() const;
  // What Start hands the run: the controls and the main window's folder, boxes and pattern.
  [[nodiscard]] TrimRunOptions readOptions() const;

  // Start, as a click on cmdStart.
  void cmdStartClick();
  // Refreshes the preview (not in contents mode).
  void previewTrim();
  // Keeps the window at least as wide as its controls need; the preview takes the extra width.
  void doResize() override;

 protected:
  void showEvent(QShowEvent* e) override;
  void closing() override;

 private:
  void arrangeMode();
  void fillUnits();
  void applyMessages();
  void txtDeleteChanged();
  void restoreWidths();
  [[nodiscard]] std::vector<std::string> collectTrimSamples() const;

  QRadioButton* optFile_;
  QRadioButton* optFold_;
  QRadioButton* optContents_;
  QLabel* lblDelete_;
  QLineEdit* txtDelete_;
  QComboBox* comDelWhat_;
  QComboBox* comDelType_;
  uikit::CtrlCheckBox* chkExt_;
  QTreeWidget* listViewPrev_;
  uikit::CtrlCmd* cmdStart_;
  uikit::CtrlCmd* cmdClose_;
  bool widthsRestored_ = false;
};

}  // namespace tools
