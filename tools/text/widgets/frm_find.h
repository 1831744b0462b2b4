// frmFind, the word finder's window ("Search Engine"): the targets, how they are read (split into
// words and quoted phrases, case), whether all or any must match, and where to look (contents,
// file names, folder names). Its Start reads the controls into FindOptions and runs
// tools::text::findWords.
#pragma once

#include "tools/frame/widgets/tool_window.h"
#include "tools/text/find_run.h"

class QPlainTextEdit;
class QRadioButton;

namespace uikit {
class CtrlCheckBox;
class CtrlCmd;
}  // namespace uikit

namespace tools::text {

class FrmFind : public tools::ToolWindow {
  Q_OBJECT

 public:
  FrmFind();

  // The options the controls say, the main window's boxes included.
  [[nodiscard]] FindOptions readOptions() const;
  void doResize() override {}

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void follow();  // the all/any options are for split targets only
  void start();

  QPlainTextEdit* txtTargWords_;
  uikit::CtrlCheckBox *chkPhrase_, *chkSens_;
  QRadioButton *optTargAll_, *optTargAny_, *optFile_, *optFileName_, *optFold_;
  uikit::CtrlCmd *cmdStart_, *cmdClose_;
};

}  // namespace tools::text
