// Properties: shows and edits one file's name, times and flags. Started by Corvane with "?" + the
// path (or nothing), or by the desktop entry with the bare path.
#include "properties_editor/widgets/editor_start.h"

#include <QApplication>
#include <QIcon>

#include <string>
#include <vector>

int main(int argc, char** argv) {
  // Taken before QApplication, which removes the options it knows from argv.
  const std::vector<std::string> args(argv + 1, argv + argc);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Properties"));
  // File pictures come from the icon theme; a desktop without one still finds the common set.
  QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
  const auto form = propedit::startEditor(args);
  return app.exec();
}
