// frmJoin, the file joiner's window ("Join Files"): the mode (the splitter's pieces, numbered
// pieces, or every listed file into one), the join-all output's name, separator and span, and
// the overwrite and delete choices. Start reads them into JoinOptions and runs
// tools::file_ops::joinFiles.
#pragma once

#include "tools/frame/widgets/tool_window.h"
#include "tools/file_ops/join_run.h"

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace uikit {
class CtrlCheckBox;
class CtrlCmd;
}  // namespace uikit

namespace tools::file_ops {

class FrmJoin : public tools::ToolWindow {
  Q_OBJECT

 public:
  FrmJoin();
  [[nodiscard]] JoinOptions readOptions() const;
  void doResize() override {}

 protected:
  void showEvent(QShowEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void follow();  // the join-all controls are enabled in that mode only
  void start();

  QRadioButton *optJoinFM_, *optJoinThird_, *optJoinAll_;
  QLineEdit* txtJoinAllFile_;
  QComboBox* comBreak_;
  uikit::CtrlCheckBox *chkSpan_, *chkJoinOverwrite_, *chkJoinDelete_;
  uikit::CtrlCmd* cmdStart_;
};

}  // namespace tools::file_ops
