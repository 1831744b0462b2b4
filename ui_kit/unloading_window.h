// UnloadingWindow: the base of the kit's windows that are unloaded on every close. Esc (on its
// press, wherever the window's focus is), the close box and the window's own buttons all end in unload(), which runs once:
// the subclass hides the window and hands its owner back, then the window deletes itself.
#pragma once

#include <QWidget>

namespace uikit {

class UnloadingWindow : public QWidget {
  Q_OBJECT

 public:
  // minimiseWithProgram: minimising this window minimises the program's window stack.
  explicit UnloadingWindow(QWidget* parent, bool minimiseWithProgram);

  // Unloads the window: the first call runs unloadWindow() and schedules the deletion; later
  // calls (a second Esc, a close box during the unload) do nothing.
  void unload();

 protected:
  // Hides the window and gives its owner back what showing it took (enabled state, focus, the
  // window stack). Runs once, from unload().
  virtual void unloadWindow() = 0;
  [[nodiscard]] bool isUnloading() const { return unloading_; }

  void keyPressEvent(QKeyEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  bool minimiseWithProgram_;
  bool unloading_ = false;
};

}  // namespace uikit
