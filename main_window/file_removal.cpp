#include "main_window/file_removal.h"

#include "core/file_paths.h"
#include "core/vb.h"
#include "platform/dir_listing.h"
#include "platform/fs.h"
#include "platform/hidden_list.h"

namespace mainwin {

int removeFiles(const std::string& folder, const std::vector<std::string>& names, bool toTrash) {
  int kept = 0;
  for (const std::string& name : names) {
    const std::string path = folder + name;
    if (platform::fileStatus(path, /*followLinks=*/false).type == platform::FileType::Symlink) {
      // A link holds no data of its own: it goes to the trash as itself, and where the trash
      // cannot take it (a dangling link, a loop) the link alone is removed. Its target is never
      // looked at.
      if (toTrash && platform::moveToTrash(path) == 0) continue;
      if (core::KillFile(path) != 0) ++kept;
      continue;
    }
    if ((toTrash ? platform::moveToTrash(path) : core::KillFile(path)) != 0) ++kept;
  }
  return kept;
}

void deleteMatchingFiles(const std::string& folder, std::initializer_list<std::string_view> patterns) {
  platform::FolderReader reader;
  if (reader.open(folder) != 0) return;
  std::vector<platform::DirName> names;
  (void)reader.readNames(names);
  const auto hidden = reader.hiddenNames();
  for (const auto& n : names) {
    // Hidden files are the user's own (a history file kept on purpose): never listed, never deleted.
    if (n.name.empty() || platform::isHiddenEntry(n.name, hidden)) continue;
    bool matches = false;
    for (std::string_view p : patterns) matches = matches || vb::Like(n.name, p);
    if (!matches) continue;
    const platform::EntryStatus s = reader.status(n.name, platform::kStatType);
    if (s.ok && s.isRegular && !s.isSymlink) (void)core::KillFile(core::AddSlash(folder) + n.name);
  }
}

}  // namespace mainwin
