// frmSplit, the file splitter's window ("Split Files"): the piece size and its unit, whether a
// rejoin script is written and whether the source is deleted. Start reads them into SplitOptions
// and runs tools::file_ops::splitFiles; a zero size puts the focus back in the size box.
#pragma once

#include "tools/frame/widgets/tool_window.h"
#include "tools/file_ops/split_run.h"

class QComboBox;
class QLineEdit;

namespace uikit {
class CtrlCheckBox;
class CtrlCmd;
}  // namespace uikit

namespace tools::file_ops {

class FrmSplit : public tools::ToolWindow {
  Q_OBJECT

 public:
  FrmSplit();
  [[nodiscard]] SplitOptions readOptions() const;
  void doResize() override {}

 protected:
  // The size box selects its whole text whenever it gets the focus.
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void start();

  QLineEdit* txtSplitSize_;
  QComboBox* comSplitSize_;
  uikit::CtrlCheckBox *chkAJoiSplit_, *chkSplitDelOrig_;
  uikit::CtrlCmd* cmdStart_;
};

}  // namespace tools::file_ops
