// frmAttrib, the attribute tool's window ("Change Attributes"): files or folders, and for each of
// archive, hidden and read-only a check box whose frame (set or clear) shows while it is ticked.
// Its Start reads the controls into AttribOptions and runs tools::file_ops::runAttributes. A note
// says what read-only means for a folder on Linux while folders and read-only are chosen.
#pragma once

#include "tools/file_ops/attrib_run.h"
#include "tools/frame/widgets/tool_window.h"

class QGroupBox;
class QLabel;
class QRadioButton;

namespace uikit {
class CtrlCheckBox;
class CtrlCmd;
}  // namespace uikit

namespace tools::file_ops {

class FrmAttrib : public tools::ToolWindow {
  Q_OBJECT

 public:
  FrmAttrib();

  // The options the controls say, the main window's boxes and pattern included.
  [[nodiscard]] AttribOptions readOptions() const;
  void doResize() override;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void follow();
  void start();

  QRadioButton *optFile_, *optFold_;
  uikit::CtrlCheckBox *chkArchive_, *chkHidden_, *chkRO_;
  QGroupBox *framArchive_, *framHidden_, *framRO_;
  QRadioButton *optArchive2_, *optArchive3_, *optHidden2_, *optHidden3_, *optRO2_, *optRO3_;
  QLabel* lblFoldRO_;
  uikit::CtrlCmd *cmdStart_, *cmdClose_;
};

}  // namespace tools::file_ops
