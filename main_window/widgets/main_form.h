// The main window form "frmMain". Its contents (folder tree, file list, filter panel, menus)
// arrive with the main-window work; for now it is the bare top-level window the program shows.
#pragma once

#include <QMainWindow>

namespace mainwin {

class MainForm : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainForm(QWidget* parent = nullptr);
};

}  // namespace mainwin
