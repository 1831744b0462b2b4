// frmBrowse2: picks a folder in the folder tree. Open hands the chosen folder to the opener's
// browseClose and closes; Open on the tree's root node or on a folder that no longer exists keeps
// the dialog open and calls nothing. Cancel closes without a call. Unloaded on every close.
#pragma once

#include "ui_kit/unloading_window.h"

#include <QPointer>

namespace uikit {

class CtrlCmd;
class CtrlTreeDir;

class FrmBrowse2 : public UnloadingWindow {
  Q_OBJECT

 public:
  // Opens the dialog for myForm (a window implementing core::ToolForm) on myPath when that is an
  // existing folder, else on the folder of the last Open. Returns at once.
  static FrmBrowse2* LoadMe(QWidget* myForm, const QString& myPath);
  static FrmBrowse2* current();

  explicit FrmBrowse2(QWidget* parent = nullptr);

  void cmdOpenClick();
  void cmdCancelClick();
  void menuDesktopClick();
  [[nodiscard]] CtrlTreeDir* tree() const { return dir1_; }

 protected:
  void unloadWindow() override;

 private:

  CtrlTreeDir* dir1_;
  CtrlCmd* cmdOpen_;
  CtrlCmd* cmdCancel_;
  QPointer<QWidget> opener_;
};

}  // namespace uikit
