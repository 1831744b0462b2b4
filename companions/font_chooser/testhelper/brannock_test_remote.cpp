// Brannock as its program runs it, for tests that need it in a second process (a running main
// window listening on its link). Scripted on the command line before the chooser's own
// arguments: "--choose FAMILY" selects a listed font, "--done" presses Done (without it the
// window is closed). Everything after "--" is Brannock's. A notice is reported on stdout as
// "notice TITLE|TEXT" instead of being shown.
#include "companions/font_chooser/widgets/brannock_start.h"

#include <QApplication>
#include <QListWidget>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  std::string choice;
  bool done = false;
  int i = 1;
  for (; i < argc && std::string(argv[i]) != "--"; ++i) {
    const std::string a = argv[i];
    if (a == "--choose" && i + 1 < argc) choice = argv[++i];
    else if (a == "--done") done = true;
  }
  const std::unique_ptr<brannock::FrmMain> form =
      brannock::startBrannock(std::vector<std::string>(argv + std::min(i + 1, argc), argv + argc));
  form->setNotice([](const QString& title, const QString& text) {
    std::printf("notice %s|%s\n", title.toUtf8().constData(), text.toUtf8().constData());
    std::fflush(stdout);
  });
  QTimer::singleShot(0, form.get(), [&] {
    const auto items = form->fontList()->findItems(QString::fromStdString(choice), Qt::MatchExactly);
    if (!items.isEmpty()) form->fontList()->setCurrentItem(items.front());
    if (done) form->cmdDoneClick();
    else form->close();
  });
  (void)form->exec();
  return 0;
}
