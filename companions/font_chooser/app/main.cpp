// Brannock: lets the user choose the interface font of the program named on the command line
// ("Quarrow" for the main program), saves it and tells that program to apply it at once.
#include "companions/font_chooser/widgets/brannock_start.h"

#include <QApplication>

int main(int argc, char** argv) {
  QApplication app(argc, argv);  // takes the toolkit's own options out of argv
  const std::unique_ptr<brannock::FrmMain> form = brannock::startBrannock({argv + 1, argv + argc});
  (void)form->exec();
  return 0;
}
