// The language chooser's window "Form1" (caption "Select Language"): a list of the languages in
// the scheme's colours and Done, which saves the choice as the command line asks and ends the
// program. Started with a command line holding "/", a notice for systems whose character set is
// not UTF-8 or Latin-1 covers the choice instead, with a link to a help page and OK. The list's
// label comes from the chooser's language file "LfrmDorvisk.bin" in all five languages at once (the
// chooser runs before any language is known); the other texts are fixed. Closing the window saves
// nothing.
#pragma once

#include "companions/language_chooser/language_choice.h"

#include <QDialog>

#include <functional>
#include <string_view>

class QComboBox;
class QFrame;
class QLabel;
class QStackedLayout;

namespace uikit {
class CtrlCmd;
}

namespace dorvisk {

// The short name of the chooser's language file.
inline constexpr const char* kTextsName = "Dorvisk";

class Form1 : public QDialog {
  Q_OBJECT

 public:
  // Colours come from coreState() (back and fore colour); the window shows the choice or, for a
  // command line holding "/", the notice.
  explicit Form1(ChooserRequest request, QWidget* parent = nullptr);

  // Opens a web page; false when it could not be started. The default goes through the desktop.
  using PageOpener = std::function<bool(std::string_view address)>;
  void setPageOpener(PageOpener opener) { openPage_ = std::move(opener); }
  // Shows a plain notice with OK only. The default is a message box.
  using Notice = std::function<void(const QString& text)>;
  void setNotice(Notice notice) { notice_ = std::move(notice); }

  // Covers the choice with the notice for other character sets.
  void showUnicodeWarning();
  // Done: saves the language in the list as the command line asks, then closes (ends) the window.
  void chooseLanguage();
  // The link of the notice: opens the help page, or tells that it could not.
  void openHelpPage();

  [[nodiscard]] bool warningShown() const;
  [[nodiscard]] QComboBox* languageList() const { return comDorvisk_; }

 private:
  void buildChoice();
  void buildWarning();
  void applyScheme();

  ChooserRequest request_;
  PageOpener openPage_;
  Notice notice_;
  QStackedLayout* pages_ = nullptr;
  QFrame* framComDorvisk_ = nullptr;
  QWidget* bakComDorvisk_ = nullptr;
  QComboBox* comDorvisk_ = nullptr;
  QLabel* lblLanguage_ = nullptr;
  uikit::CtrlCmd* cmdDone_ = nullptr;
  QFrame* framUnicode_ = nullptr;
  QLabel* lblUnicode_ = nullptr;
  QLabel* lblURL_ = nullptr;
  QLabel* image1_ = nullptr;
  uikit::CtrlCmd* cmdOK_ = nullptr;
};

}  // namespace dorvisk
