// Dorvisk as its program runs it, for tests that need it in a second process (the main program's
// start routine waiting for it). The choice is scripted on the command line before the
// chooser's own arguments: "--choose TEXT" picks a list entry, then "--done" presses Done or
// "--ok" presses OK (without one the window is closed). Everything after "--" is Dorvisk's.
#include "companions/language_chooser/widgets/dorvisk_start.h"
#include "ui_kit/ctrl_cmd.h"

#include <QApplication>
#include <QComboBox>
#include <QTimer>

#include <algorithm>

#include <string>
#include <vector>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  std::string choice, press;
  std::vector<std::string> args;
  int i = 1;
  for (; i < argc && std::string(argv[i]) != "--"; ++i) {
    const std::string a = argv[i];
    if (a == "--choose" && i + 1 < argc) choice = argv[++i];
    else if (a == "--done" || a == "--ok") press = a.substr(2);
  }
  args.assign(argv + std::min(i + 1, argc), argv + argc);

  const std::unique_ptr<dorvisk::Form1> form = dorvisk::startDorvisk(args);
  QTimer::singleShot(0, form.get(), [&] {
    if (!choice.empty()) form->languageList()->setCurrentText(QString::fromStdString(choice));
    if (press.empty()) {
      form->close();
      return;
    }
    form->findChild<uikit::CtrlCmd*>(press == "done" ? QStringLiteral("cmdDone") : QStringLiteral("cmdOK"))->click();
  });
  (void)form->exec();
  return 0;
}
