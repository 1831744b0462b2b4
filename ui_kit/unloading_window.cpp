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

void UnloadingWindow::keyReleaseEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    unload();
    return;
  }
  QWidget::keyReleaseEvent(e);
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
