// frmProgress: the progress window of a run. It owns the run's cancel flag isCancel (0 running,
// 1 the user confirmed Cancel, 2 skip the current file), asks before cancelling, and moves an
// activity block while no percentage is known. The pipeline writes the texts and the bar through
// DialogRunHost. While it shows, it stands on the main window's window stack like any other
// window of the program: a box asked without a caller during a run belongs to it, and minimising
// the program takes it along.
#pragma once

#include <QWidget>

#include <cstdint>

class QLabel;
class QTimer;

namespace uikit {

class CtrlCmd;

class FrmProgress : public QWidget {
  Q_OBJECT

 public:
  explicit FrmProgress(QWidget* parent = nullptr);

  // 0 running, 1 cancel confirmed, 2 skip the current file. Workers reset 2 to 0 themselves.
  std::uint8_t isCancel = 0;

  // The moving block: shown at 420 twips and moved by the timer; endBlock hides it.
  void startBlock();
  void endBlock();
  // Shows or hides Skip; the path label ends left of it while it shows.
  void showSkip(bool doShow);

  // The texts and the bar (width in twips, 0..6015).
  void setPercent(const QString& text);
  void setFileText(const QString& text);
  void setPathText(const QString& text);
  void setBarTwips(int width);
  void showBar(bool shown);

  // The button handlers (also reached by Esc and the close box).
  void cmdCancelClick();
  void cmdSkipClick();
  // One tick of the block timer.
  void timerTick();

  [[nodiscard]] int blockLeftTwips() const;
  [[nodiscard]] int pathWidthTwips() const;
  [[nodiscard]] bool blockRunning() const;

 protected:
  void keyReleaseEvent(QKeyEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void changeEvent(QEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  void placeButtons();

  QLabel* lblBig_;
  QLabel* lblPercent_;
  QLabel* lblFile_;
  QLabel* lblOrange_;
  QLabel* picBlue_;
  QLabel* lblBlock_;
  QLabel* lblPath_;
  CtrlCmd* cmdSkip_;
  CtrlCmd* cmdCancel_;
  QTimer* timer1_;
  int blockLeft_ = 420;  // twips
  int pathWidth_ = 5295;  // twips
  bool asking_ = false;
};

// Shows win for owner through the core's showForm (language "Progress", owner disabled, tips as
// loadTips says) and pushes it onto the window stack.
void showProgressWindow(FrmProgress* win, QWidget* owner, int loadTips);
// Hides win through hideForm (reEnableOwner as there) and takes it off the window stack.
void hideProgressWindow(FrmProgress* win, QWidget* owner, int reEnableOwner);

}  // namespace uikit
