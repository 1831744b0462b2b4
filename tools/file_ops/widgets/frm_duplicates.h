// frmDuplicates, the duplicate finder's window ("Manage Duplicate Files"): the mode (find by
// contents or by name; list, delete, copy or move), and for copying and moving the target folder
// with its folder dialog. Its Start reads the controls into DupesOptions and runs
// tools::file_ops::findDuplicates over the main window's folder and filters.
#pragma once

#include "tools/file_ops/dupes_run.h"
#include "tools/frame/widgets/tool_window.h"

class QComboBox;
class QGroupBox;
class QLineEdit;

namespace uikit {
class CtrlCmd;
}

namespace tools::file_ops {

class FrmDuplicates : public tools::ToolWindow {
  Q_OBJECT

 public:
  FrmDuplicates();

  // The options the controls say, the main window's boxes included.
  [[nodiscard]] DupesOptions readOptions() const;
  void doResize() override {}
  // The folder dialog's answer: an existing folder becomes the target folder.
  void browseClose(const QString& myPath) override;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void follow();       // the target folder is for the copy and move modes only
  void stripInvalid();  // characters no folder path may hold here
  void findFolder();
  void start();

  QComboBox* comDup_;
  QGroupBox* framPath_;
  QLineEdit* txtPath_;
  uikit::CtrlCmd *cmdFind_, *cmdStart_, *cmdClose_;
};

// Registers frmDuplicates with the tool launcher (main_window/app/tool_list.cpp calls it once).
void registerDuplicatesTool();

}  // namespace tools::file_ops
