// Wendle: the last step of every batch job. Tells a running main program to refresh its lists and
// ends at once, silently and with exit code 0, whether or not the main program runs.
#include "companions/refresh_trigger/refresh_trigger.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  (void)wendle::sendRefresh();
  return 0;
}
