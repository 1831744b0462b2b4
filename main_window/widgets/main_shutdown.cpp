// The main window's unload (Form_Unload), closing, and the keys it previews (Esc).
#include "main_window/widgets/main_form.h"

#include "core/settings.h"
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/form_loader.h"
#include "core/widgets/host.h"
#include "main_window/widgets/file_list_controller.h"
#include "main_window/widgets/file_list_pane.h"
#include "main_window/widgets/filter_panel.h"
#include "main_window/widgets/main_host.h"
#include "ui_kit/look.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>

namespace mainwin {

void MainForm::saveColumns() {
  for (int i = 1; i <= 5; ++i) {
    core::saveSet("col" + std::to_string(i) + "width", static_cast<long long>(pane_->columnTwips(i)));
    const int pos = pane_->header() ? pane_->header()->visualIndex(i - 1) + 1 : i;
    core::saveSet("col" + std::to_string(i) + "pos", static_cast<long long>(pos));
  }
}

bool MainForm::confirmCloseDuringRun() {
  // A run ends at a file boundary: ask, then cancel it; the close happens when it has ended.
  std::string text = core::msgMain(125);
  if (text.empty()) text = "A run is in progress. Cancel it and close?";
  if (core::host().respond(this, "YN", text, "W", "") != core::kAnswerYes) return false;
  runHost_->setCancel(core::CancelState::Cancelled);
  return true;
}

void MainForm::formUnload(bool cancel) {
  if (!cancel && runInProgress()) {
    if (confirmCloseDuringRun()) closePending_ = true;
    return;
  }
  core::saveSet("vardfilt", panelShown_ ? "1" : "0");
  if (!isMinimized()) {
    const QRect g = normalGeometry().isValid() ? normalGeometry() : geometry();
    // Start-up moves the frame (move() places the frame's corner), so the frame's corner is what is
    // kept: saving the client area's corner would walk the window down by a title bar each run.
    const QPoint frameCorner = g.topLeft() - (geometry().topLeft() - pos());
    core::saveSet("frmMainH", static_cast<long long>(uikit::twips(g.height())));
    core::saveSet("frmMainW", static_cast<long long>(uikit::twips(g.width())));
    core::saveSet("frmMainT", static_cast<long long>(uikit::twips(frameCorner.y())));
    core::saveSet("frmMainL", static_cast<long long>(uikit::twips(frameCorner.x())));
  }
  saveSplitter();
  saveColumns();
  const QStringList history = panel_->history();
  for (int k = 1; k <= 10; ++k) {
    core::saveSet("ext" + std::to_string(k), k <= history.size() ? vb::bs(history.at(k - 1)) : std::string());
  }
  const SortState sort = list_->sort();
  core::saveSet("sortcolumn", static_cast<long long>(sort.column));
  core::saveSet("ascending", sort.descending ? "1" : "0");
  (void)core::saveFormState(this, std::string_view{}, 1);
  // Properties loads only paths of existing files, so this says goodbye without changing anything.
  sendToPropertiesEditor("c:\\s");
  if (cancel) return;
  closing_ = true;
  close();
}

void MainForm::closeEvent(QCloseEvent* e) {
  if (closing_) {
    // Every other window of the program closes with the main window.
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w != this && w->isVisible()) w->hide();
    }
    QMainWindow::closeEvent(e);
    QApplication::quit();
    return;
  }
  e->ignore();
  formUnload(false);
}

bool MainForm::eventFilter(QObject* watched, QEvent* e) {
  const bool isEsc = (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease) &&
                     static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape;
  if (!isEsc) return QMainWindow::eventFilter(watched, e);
  auto* w = qobject_cast<QWidget*>(watched);
  if (e->type() == QEvent::KeyPress) {
    // The windows of this program close on Esc's release. A press that closed a menu, a drop-down
    // list, a message box or another program's window leaves its release to land on whatever
    // window is in front next, which must not close as well: a release counts only in the window
    // that had the press.
    if (!static_cast<QKeyEvent*>(e)->isAutoRepeat() && w) {
      escPressWindow_ = w->window();
      escPressInPopup_ = QApplication::activePopupWidget() != nullptr;
    }
    return QMainWindow::eventFilter(watched, e);
  }
  if (!w) return QMainWindow::eventFilter(watched, e);
  if (escPressWindow_ != w->window()) return true;  // the press belonged to another window
  if (!static_cast<QKeyEvent*>(e)->isAutoRepeat()) {
    // The release travels up through the parents first; the press is spent once it has arrived.
    QTimer::singleShot(0, this, [this] { escPressWindow_ = nullptr; });
  }
  if (w->window() != this || !isActiveWindow() || escPressInPopup_) return QMainWindow::eventFilter(watched, e);
  // Esc closes the window unless text is being edited (filter boxes, the rename editor) or a
  // calendar or drop-down list is open.
  QWidget* focus = QApplication::focusWidget();
  const bool editing = qobject_cast<QLineEdit*>(focus) || qobject_cast<QTextEdit*>(focus) ||
                       qobject_cast<QPlainTextEdit*>(focus) || qobject_cast<QAbstractSpinBox*>(focus) ||
                       (qobject_cast<QComboBox*>(focus) && static_cast<QComboBox*>(focus)->isEditable());
  const bool popupOpen = QApplication::activePopupWidget() != nullptr;
  if (!escCloses_ || editing || popupOpen || pane_->renameOpen()) return QMainWindow::eventFilter(watched, e);
  if (watched != focus && focus) return QMainWindow::eventFilter(watched, e);  // one close per key
  formUnload(false);
  return true;
}

}  // namespace mainwin
