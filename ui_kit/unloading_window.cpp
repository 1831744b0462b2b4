#include "ui_kit/unloading_window.h"

#include "core/widgets/host.h"

#include <QCloseEvent>
#include <QKeyEvent>

namespace uikit {

UnloadingWindow::UnloadingWindow(QWidget* parent, bool minimiseWithProgram)
    : QWidget(parent, Qt::Window), minimiseWithProgram_(minimiseWithProgram) {}

void UnloadingWindow::unload() {
  if (unloading_) return;
  unloading_ = true;
  unloadWindow();
  deleteLater();
}

// Esc unloads on its press, which only the window holding the focus gets (also from a text box,
// which passes Esc on). The release then goes to the window beneath, whose own Esc handling
// ignores a release it never saw pressed.
void UnloadingWindow::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    if (!e->isAutoRepeat()) unload();
    return;
  }
  QWidget::keyPressEvent(e);
}

void UnloadingWindow::closeEvent(QCloseEvent* e) {
  e->ignore();
  unload();
}

void UnloadingWindow::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (minimiseWithProgram_ && e->type() == QEvent::WindowStateChange && isMinimized()) core::host().minForm();
}

}  // namespace uikit
