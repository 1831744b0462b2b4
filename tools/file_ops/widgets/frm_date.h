// frmDate, the file date tool's window ("Date And Time Stamps"): in Change mode six boxes (date
// and time of the created, modified and accessed times) with check boxes, insert menus that put
// tags into them and a drop-down calendar for the dates; in Add/remove mode an amount, a unit, a
// direction and the time to shift. Its Start reads the controls into DateOptions and runs
// tools::file_ops::runDates. The creation time cannot be set on Linux: its boxes stay unticked
// and disabled, whatever a saved state says, and "created" cannot be chosen to shift.
#pragma once

#include "tools/file_ops/date_run.h"
#include "tools/frame/widgets/tool_window.h"

#include <array>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QRadioButton;

namespace uikit {
class CtrlCalendar;
class CtrlCheckBox;
class CtrlCmd;
}  // namespace uikit

namespace tools::file_ops {

class FrmDate : public tools::ToolWindow {
  Q_OBJECT

 public:
  FrmDate();

  // The options the controls say, the main window's boxes included.
  [[nodiscard]] DateOptions readOptions() const;
  void doResize() override;

  // The insert menu as the button of box index (0 created date .. 5 accessed time) pops it up.
  [[nodiscard]] QMenu* insertMenu(int index);
  [[nodiscard]] uikit::CtrlCalendar* calendar() const { return calMain_; }

 protected:
  void showEvent(QShowEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closing() override;

 private:
  void follow();           // enabling and visibility as the options say
  void fitHeight();        // the window's height follows the visible frame
  void insertTag(DateKind source, bool timeBox);
  void pickDate(QLineEdit* box);
  void fixTime(QLineEdit* box);
  void fixAmount();
  void start();

  QRadioButton *optChange_, *optAdd_;
  QGroupBox *framChange_, *framInc_;
  std::array<uikit::CtrlCheckBox*, 6> chk_{};
  std::array<QLineEdit*, 6> txt_{};
  std::array<uikit::CtrlCmd*, 6> cmdIns_{};
  QLabel* lblOrder_;
  QLabel* lblCreate_;
  QLineEdit* txtAdd_;
  QComboBox *comAddMinus_, *comType_, *comDatType_;
  QLabel* lblTo_;
  uikit::CtrlCmd *cmdStart_, *cmdClose_;
  uikit::CtrlCalendar* calMain_;
  QMenu* menuDate_;
  std::array<QAction*, 6> menuEntries_{};  // menuCreated, menuModified, menuAccessed, then the time entries
  int insIndex_ = 0;
  bool following_ = false;
};

}  // namespace tools::file_ops
