// frmAppend, the text appender's window ("Append Data To File Contents"): the text, where it goes
// (start or end of the contents), and whether its tags are filled in per file; the tag menu
// inserts the tags' long forms at the caret. Its Start reads the controls into AppendOptions and
// runs tools::text::appendText. The "Today" of the date tags is the time the window was opened.
#pragma once

#include "tools/frame/widgets/tool_window.h"
#include "tools/text/append_run.h"

#include <string_view>

class QMenu;
class QPlainTextEdit;
class QRadioButton;

namespace uikit {
class CtrlCheckBox;
class CtrlCmd;
}  // namespace uikit

namespace tools::text {

class FrmAppend : public tools::ToolWindow {
  Q_OBJECT

 public:
  FrmAppend();

  // The options the controls say, the main window's boxes and the window's today included.
  [[nodiscard]] AppendOptions readOptions() const;
  // Replaces the selection of the text by tag, the caret right after it, the focus in the text.
  void insertTag(std::string_view tag);
  [[nodiscard]] QMenu* menuIndex() const { return menuIndex_; }
  void doResize() override {}

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void buildMenu();
  void follow();  // the tag button shows while tags are on
  void start();

  QPlainTextEdit* txtAppend_;
  QRadioButton *optStart_, *optEnd_;
  uikit::CtrlCheckBox* chkTags_;
  uikit::CtrlCmd *cmdTags_, *cmdStart_, *cmdClose_;
  QMenu* menuIndex_ = nullptr;
  std::string today_;
};

}  // namespace tools::text
