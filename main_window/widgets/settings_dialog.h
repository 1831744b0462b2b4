// frmSettings: the program's options window. Its controls come back from its form-state file when
// it is shown; closing it (Done, Esc or the close box) writes "sendContent", "sendDeleted",
// "smartProtect", "isShell" and "isProp", writes or removes the desktop entry of the properties
// editor, and closes through hideForm.
#pragma once

#include <QPointer>
#include <QWidget>

#include <string>

class QRadioButton;

namespace uikit {
class CtrlCheckBox;
class CtrlCmd;
}

namespace mainwin {

// The Properties program beside this program's executable.
[[nodiscard]] std::string propertiesProgramPath();

// The five values the dialog writes, from its controls.
struct SettingsValues {
  std::string sendContent, sendDeleted, smartProtect, isShell, isProp;
};

class FrmSettings : public QWidget {
  Q_OBJECT

 public:
  explicit FrmSettings(QWidget* parent = nullptr);

  // The path of the Properties program whose desktop entry the dialog writes.
  void setPropertiesProgram(std::string path) { propertiesProgram_ = std::move(path); }

  // The values the controls stand for now.
  [[nodiscard]] SettingsValues values() const;
  // Saving at close: the settings values, the desktop entry, then hideForm with the owner.
  void saveAndClose();

  [[nodiscard]] QRadioButton* optProtect() const { return optProtect_; }
  [[nodiscard]] QRadioButton* optNoProtect() const { return optNoProtect_; }
  [[nodiscard]] uikit::CtrlCheckBox* chkSPLaunch() const { return chkSPLaunch_; }

 protected:
  void showEvent(QShowEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  void updateLaunchVisibility();

  QRadioButton* optProtect_;
  QRadioButton* optNoProtect_;
  uikit::CtrlCheckBox* chkSPLaunch_;
  QRadioButton* optDeleteY_;
  QRadioButton* optDeleteN_;
  QRadioButton* optContentY_;
  QRadioButton* optContentN_;
  uikit::CtrlCheckBox* chkProp_;
  uikit::CtrlCheckBox* chkStartProp_;
  uikit::CtrlCmd* cmdClose_;
  std::string propertiesProgram_;
  bool closing_ = false;
};

}  // namespace mainwin
