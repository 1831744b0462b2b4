// Corvane's entry point: the start routine sets up the shared state and shows the main window;
// from then on the program is driven by window events. argv[1], when given, is a folder or file
// path (whole, as the shell passed it).
#include "core/widgets/start_routine.h"
#include "main_window/app/tool_list.h"
#include "main_window/widgets/main_form.h"

#include <QApplication>
#include <QIcon>

#include <memory>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // Button pictures come from the icon theme; a desktop without one still finds the common set.
  QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
  mainwin::registerTools();
  std::unique_ptr<mainwin::MainForm> form;
  const bool shown = core::Main(core::systemStartEnvironment(), [&form]() -> QWidget* {
    form = std::make_unique<mainwin::MainForm>();
    return form.get();
  });
  if (!shown) return 0;
  return app.exec();
}
