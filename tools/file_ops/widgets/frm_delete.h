// The delete tool's window "frmDelete": four modes (delete, move to the trash, wipe files, wipe
// the free space of a mount), the passes of the two wipes, the mount to wipe, a plain note of what
// wiping cannot reach, and Start and Close. It reads its controls into DeleteOptions and hands them
// to deleteStart (tools/file_ops/delete_run.h).
#pragma once

#include "tools/file_ops/delete_options.h"
#include "tools/frame/widgets/tool_window.h"

#include <QComboBox>

class QGroupBox;
class QLabel;
class QRadioButton;

namespace uikit {
class CtrlCmd;
}

namespace tools::file_ops {

// The list of mounts to wipe ("DriveWipe"): the volumes a user browses, plus the mounts of the
// main window's folder and of the home folder. Its Drive property (the chosen mount point) is what
// the form state keeps.
class DriveList : public QComboBox {
  Q_OBJECT
  Q_PROPERTY(QString Drive READ Drive WRITE setDrive)

 public:
  explicit DriveList(QWidget* parent = nullptr);
  // Reads the mount table again; the chosen mount stays chosen while it is mounted, else
  // preferred's mount (the main window's folder) is chosen.
  void refresh(const std::string& preferred);
  // The chosen mount point (bytes, ending "/"); "" when the list is empty.
  [[nodiscard]] std::string mountPoint() const;
  [[nodiscard]] QString Drive() const;
  void setDrive(const QString& drive);

 private:
  bool choose(const std::string& mountPoint);
  std::string wanted_;  // a restored choice not in the list yet
};

class FrmDelete : public tools::ToolWindow {
  Q_OBJECT

 public:
  FrmDelete();
  void doResize() override;
  // The controls as the run takes them, with the main window's folder and filters.
  [[nodiscard]] DeleteOptions readOptions() const;
  // What Start does (the button's Click).
  void cmdStartClick();

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  // Shows the frame of the chosen mode and fits the window to it.
  void layoutFrames();

  QRadioButton *optDelete_, *optRecycle_, *optFiles_, *optDrive_;
  QGroupBox *framWFiles_, *framWFS_, *framDrive_;
  QRadioButton *optFile1_, *optFile3_, *optDrive1_, *optDrive3_;
  DriveList* driveWipe_;
  QLabel* lblNote_;
  QWidget* framCmd_;
  uikit::CtrlCmd *cmdStart_, *cmdClose_;
};

}  // namespace tools::file_ops
