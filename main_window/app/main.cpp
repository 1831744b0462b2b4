#include "main_window/widgets/main_form.h"

#include <QApplication>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  mainwin::MainForm form;
  form.show();
  return app.exec();
}
