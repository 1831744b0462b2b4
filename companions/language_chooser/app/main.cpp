// Dorvisk: lets the user choose the interface language at the main program's first start and
// saves it under the settings word given on the command line ("vardulek" for the main program);
// with a command line holding "/" it shows the notice for other character sets instead.
#include "companions/language_chooser/widgets/dorvisk_start.h"

#include <QApplication>

int main(int argc, char** argv) {
  QApplication app(argc, argv);  // takes the toolkit's own options out of argv
  const std::unique_ptr<dorvisk::Form1> form = dorvisk::startDorvisk({argv + 1, argv + argc});
  (void)form->exec();
  return 0;
}
