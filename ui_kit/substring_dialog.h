// frmStr: asks for a start position and a length, each a whole number from 1 to 255, and hands
// "start;length" to the opener's loadHandleFrmStr. The boxes keep their values between showings
// through the form state. Unloaded on every close.
#pragma once

#include "ui_kit/unloading_window.h"

#include <QPointer>

#include <string>
#include <string_view>

class QLineEdit;

namespace uikit {

class CtrlCmd;

// The box text after the input rules: only digits kept; below 1 (or empty) "1"; above 255 "255"
// (however many digits were typed); otherwise the digits as typed.
[[nodiscard]] std::string clampSubstringField(std::string_view text);

class FrmStr : public UnloadingWindow {
  Q_OBJECT

 public:
  // Opens the dialog for myRef (a window implementing core::ToolForm); myRef is disabled while it
  // shows. Returns at once.
  static FrmStr* LoadMe(QWidget* myRef);
  static FrmStr* current();

  explicit FrmStr(QWidget* parent = nullptr);

  void cmdStartClick();
  void cmdCloseClick();
  [[nodiscard]] QLineEdit* startBox() const { return txtStart_; }
  [[nodiscard]] QLineEdit* lengthBox() const { return txtLen_; }

 protected:
  void unloadWindow() override;

 private:
  void clampBox(QLineEdit* box);

  QLineEdit* txtStart_;
  QLineEdit* txtLen_;
  CtrlCmd* cmdStart_;
  CtrlCmd* cmdClose_;
  QPointer<QWidget> opener_;
};

}  // namespace uikit
