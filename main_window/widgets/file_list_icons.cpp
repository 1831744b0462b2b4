#include "main_window/widgets/file_list_icons.h"

#include "core/vb.h"

#include <QApplication>
#include <QMimeDatabase>
#include <QPixmap>
#include <QStandardPaths>
#include <QStyle>

namespace mainwin {

namespace {

QIcon themeIcon(const QMimeType& mime) {
  if (!mime.isValid()) return {};
  QIcon icon = QIcon::fromTheme(mime.iconName());
  if (icon.isNull()) icon = QIcon::fromTheme(mime.genericIconName());
  return icon;
}

QIcon dimmed(const QIcon& icon) {
  QIcon out;
  for (int size : {16, 32}) out.addPixmap(icon.pixmap(size, QIcon::Disabled));
  return out;
}

}  // namespace

ExtensionIcons::ExtensionIcons() {
  // Without a desktop session Qt knows no theme and searches no XDG folders; the freedesktop
  // folders and a common default theme keep the icons meaningful.
  if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor")) {
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString& p :
         QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("icons"),
                                   QStandardPaths::LocateDirectory)) {
      if (!paths.contains(p)) paths << p;
    }
    QIcon::setThemeSearchPaths(paths);
    QIcon::setThemeName(QStringLiteral("Adwaita"));
  }
  trim();
}

std::string ExtensionIcons::keyOf(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  std::string key = vb::LCase(name.substr(dot + 1));
  if (key == "ico") key.clear();
  return key;
}

ExtensionIcons::Entry ExtensionIcons::make(const QString& probeName) {
  ++lookups_;
  static const QMimeDatabase db;
  QIcon icon = probeName.isEmpty() ? QIcon() : themeIcon(db.mimeTypeForFile(probeName, QMimeDatabase::MatchExtension));
  if (icon.isNull()) icon = QIcon::fromTheme(QStringLiteral("text-x-generic"));
  if (icon.isNull() && qApp) icon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
  return Entry{icon, QIcon()};
}

void ExtensionIcons::trim() {
  if (!icons_.empty() && icons_.size() < kCap) return;
  icons_.clear();
  byKey_.clear();
  icons_.push_back(make(QString()));  // blank
  byKey_.emplace(std::string(), 0);
}

int ExtensionIcons::indexOf(std::string_view name) {
  std::string key = keyOf(name);
  const auto it = byKey_.find(key);
  if (it != byKey_.end()) return it->second;
  if (icons_.size() >= kCap) return 0;
  icons_.push_back(make(QStringLiteral("x.") + vb::qs(key)));
  const int index = static_cast<int>(icons_.size() - 1);
  byKey_.emplace(std::move(key), index);
  return index;
}

const QIcon& ExtensionIcons::icon(int index, bool ghosted) const {
  static const QIcon none;
  if (index < 0 || static_cast<std::size_t>(index) >= icons_.size()) return none;
  Entry& e = icons_[static_cast<std::size_t>(index)];
  if (!ghosted) return e.normal;
  if (e.ghosted.isNull() && !e.normal.isNull()) e.ghosted = dimmed(e.normal);
  return e.ghosted;
}

}  // namespace mainwin
