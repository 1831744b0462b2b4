// The main window's record of the tool forms and dialogs open above it, in the order they were
// opened (topmost last): the newest stays in front of the main window, minimising any stacked
// window minimises the whole program, and restoring the main window brings them all back.
// It stores references only; it never creates, loads or unloads a form.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>

class QTimer;

namespace mainwin {

class WindowStack : public QObject {
  Q_OBJECT

 public:
  // Room above the main window; a push beyond it leaves the window shown but unstacked.
  static constexpr int kMaxStacked = 10;
  static constexpr int kTimerMs = 500;

  // mainForm: entry 0, never changed. The ticks call doResize through relayout on a restore.
  explicit WindowStack(QWidget* mainForm, QObject* parent = nullptr);

  // Pushes form. Returns false (nothing stored) when ten windows are stacked already.
  bool addForm(QWidget* form);
  // A window was closed (it is hidden already): removes the topmost entry of a hidden window, or
  // nothing when every stacked window is still visible (the closed one was never stacked), then
  // drops hidden windows from the top. Stops the timer when nothing is left.
  void remForm();
  // Removes the topmost entry of form (nothing when it is not stacked), then drops hidden windows
  // from the top. The caller may call it before or after hiding form.
  void remForm(QWidget* form);
  // The topmost stacked window; the main window when nothing is stacked.
  [[nodiscard]] QWidget* getForm() const;
  // A stacked window was minimised: hides every stacked window and minimises the main window.
  void minForm();
  // The main window came back from a minimise while the stack was hidden: restores its previous
  // state, calls relayout, shows every stacked window in the normal state and restarts the timer.
  void restore();
  // One tick of the foreground watch (the timer calls it every 500 ms while windows are stacked).
  void tick();

  // Called by restore to lay the main window out (its doResize).
  void setRelayout(std::function<void()> relayout) { relayout_ = std::move(relayout); }

  [[nodiscard]] int stackTop() const { return top_; }
  [[nodiscard]] bool stackHidden() const { return hidden_; }
  [[nodiscard]] bool timerActive() const;
  // Entry i (0 the main window); nullptr outside 0..stackTop or for a destroyed window.
  [[nodiscard]] QWidget* entry(int i) const;

 private:
  void dropHiddenTop();
  void hideStacked();
  void updateTimer();

  QPointer<QWidget> main_;
  std::array<QPointer<QWidget>, kMaxStacked + 1> forms_{};
  int top_ = 0;
  bool hidden_ = false;
  bool savedMaximised_ = false;
  QTimer* timerForm_;
  std::function<void()> relayout_;
};

}  // namespace mainwin
