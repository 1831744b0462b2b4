// The program's question-and-notice window (frmResponse) and its one operation, respond: lays a
// message out with the buttons of a style, disables the caller, waits (other windows keep
// working) and returns an answer code. Each call gets its own window, so a box opened while
// another waits is answered first and the outer one then returns its own answer.
#pragma once

#include <QPointer>
#include <QWidget>

#include <array>
#include <string>
#include <string_view>
#include <vector>

class QEventLoop;
class QLabel;

namespace uikit {

class CtrlCheckBox;
class CtrlCmd;

// The buttons of one style: which container shows, the common message number of each caption
// (0: the button keeps its design caption), the answer of each button, and layout choices.
struct ButtonSet {
  std::string_view container;    // "framSaveAs", "framYesNo" or "cmd6"
  std::array<int, 3> captions{};  // common messages, in button order
  std::array<int, 3> answers{};   // answer codes, in button order
  int count = 0;                  // buttons shown
  bool picture = false;           // Image1 shown
  bool centreNarrow = false;      // a label narrower than the window is centred
  int focus = 0;                  // index of the button that takes the focus
};
// The button set of style "OAC", "YNC", "YN", "O"; any other text gives OK/Cancel.
[[nodiscard]] ButtonSet buttonSetFor(std::string_view style);

// Breaks a paragraph at every fifth space (each space counts, line breaks do not reset the count).
// Line breaks in and out are "\n".
[[nodiscard]] std::string wrapParagraph(std::string_view text);
// Drops up to two leading line breaks, wraps each paragraph (paragraphs are separated by an empty
// line) and frames the result with one empty line above and below. LF with an optional CR before
// it counts as one break; the result uses "\n".
[[nodiscard]] std::string wrapMessage(std::string_view text);
// "W", "E", "N", "I" become common messages 12 to 15; any other title stands as given.
[[nodiscard]] std::string titleText(std::string_view title);

// The window of one respond call. Created and destroyed by respond; tests reach the open ones
// through openMessageBoxes().
class FrmResponse : public QWidget {
  Q_OBJECT

 public:
  explicit FrmResponse(QWidget* parent = nullptr);
  ~FrmResponse() override;

  // Lays the window out for style and message; showAgain shows the ticked check box.
  void arrange(std::string_view style, std::string_view message, const QString& caption, bool showAgain);
  // Shows the window and waits for an answer; returns it.
  int waitForAnswer();
  // Sets the pending answer (the buttons do this); ends the wait.
  void answer(int code);
  [[nodiscard]] int pendingAnswer() const { return pending_; }
  // True when the check box was shown and the user cleared it.
  [[nodiscard]] bool checkCleared() const;
  [[nodiscard]] const std::string& buttonStyle() const { return style_; }
  // The button with objectName name ("cmd1" ... "cmd6").
  [[nodiscard]] CtrlCmd* button(std::string_view name) const;

 protected:
  void keyReleaseEvent(QKeyEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  QLabel* image_;
  QLabel* message_;
  QWidget* framSaveAs_;
  QWidget* framYesNo_;
  std::array<CtrlCmd*, 6> cmd_{};
  CtrlCheckBox* check_;
  QWidget* focusTarget_ = nullptr;
  QEventLoop* loop_ = nullptr;
  std::string style_;
  int pending_ = 0;
  bool checkShown_ = false;
};

// The message box. caller: the calling window (nullptr: the top of the window stack); style: the
// button style; text: the message (UTF-8); title: "W", "E", "N", "I" or a caption; regAgain: a
// settings name that suppresses the box ("" for none). Returns 1, 2, 6 or 7 by the button, 0 when
// the box was suppressed (nothing shown, the caller untouched). The caller is disabled while the
// box waits and afterwards gets back exactly the enabled state it had. A ticked "show again" box
// that the user clears stores "1" under regAgain only when the answer is 6 (Yes/OK).
int respond(QWidget* caller, std::string_view style, std::string_view text, std::string_view title,
            std::string_view regAgain);

// The boxes waiting for an answer, innermost last.
[[nodiscard]] std::vector<FrmResponse*> openMessageBoxes();

}  // namespace uikit
