// The font chooser's window "frmMain" (caption "Select Font"): the system's font families in the
// scheme's colours with a preview of the one selected, Done (save, tell the caller, end) and
// Cancel (end without saving; Esc and closing the window do the same). The caption and the list's
// label come from the chooser's language file "LfrmBrannock.bin"; the other texts are fixed.
#pragma once

#include "companions/font_chooser/font_choice.h"

#include <QDialog>

#include <functional>

class QLabel;
class QListWidget;

namespace uikit {
class CtrlCmd;
}

namespace brannock {

// The short name of the chooser's language file (its form's name, frmMain, is the main window's).
inline constexpr const char* kTextsName = "Brannock";

class FrmMain : public QDialog {
  Q_OBJECT

 public:
  // Colours come from coreState(); the font saved for the caller is selected when it is listed.
  explicit FrmMain(FontRequest request, QWidget* parent = nullptr);

  // Shows a notice with a title and OK. The default is a message box.
  using Notice = std::function<void(const QString& title, const QString& text)>;
  void setNotice(Notice notice) { notice_ = std::move(notice); }

  // Done: saves the selected font for the caller and tells it; when it did not answer, says the
  // font shows at its next start. Then closes (ends) the window. Nothing selected saves nothing.
  void cmdDoneClick();

  [[nodiscard]] QListWidget* fontList() const { return listFonts_; }
  [[nodiscard]] QLabel* preview() const { return lblPreview_; }

 private:
  void listFonts();
  void showPreview();

  FontRequest request_;
  Notice notice_;
  QListWidget* listFonts_ = nullptr;
  QLabel* lblPreview_ = nullptr;
  uikit::CtrlCmd* cmdDone_ = nullptr;
  uikit::CtrlCmd* cmdCancel_ = nullptr;
};

}  // namespace brannock
