#include "main_window/widgets/main_form.h"

namespace mainwin {

MainForm::MainForm(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("Corvane"));
  resize(800, 600);
}

}  // namespace mainwin
