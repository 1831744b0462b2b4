// frmList, the file lister's window ("Generate Lists"): what to list (files or folders, all or
// only read-only or archive entries) and which columns, in labelled blocks or tab-delimited lines.
// Its Start reads the controls into ListOptions and runs tools::text::listFiles. The window
// follows its options however they change (a click, the keyboard, a restored state): size and
// date frames show with their boxes and the window grows and shrinks to fit.
#pragma once

#include "tools/frame/widgets/tool_window.h"
#include "tools/text/list_run.h"

class QGroupBox;
class QRadioButton;

namespace uikit {
class CtrlCheckBox;
class CtrlCmd;
}  // namespace uikit

namespace tools::text {

class FrmList : public tools::ToolWindow {
  Q_OBJECT

 public:
  FrmList();

  // The options the controls say, the main window's boxes and pattern included.
  [[nodiscard]] ListOptions readOptions() const;
  void doResize() override;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void follow();  // enables, shows and hides controls as the options say
  void start();

  QRadioButton *optFile_, *optFold_, *optAll_, *optRead_, *optArchive_, *optBytes_, *optKB_, *optMB_;
  uikit::CtrlCheckBox *chkPath_, *chkDos_, *chkSize_, *chkDate_, *chkCreated_, *chkModified_, *chkAccessed_,
      *chkAtt_, *chkDelim_, *chkNull_;
  QGroupBox *framSize_, *framDate_, *framInclude_;
  QWidget* framCmd_;
  uikit::CtrlCmd *cmdStart_, *cmdClose_;
  bool following_ = false;
};

}  // namespace tools::text
