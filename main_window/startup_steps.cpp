#include "main_window/startup_steps.h"

#include "core/file_paths.h"
#include "core/settings.h"
#include "core/shell.h"
#include "core/vb.h"
#include "platform/dir_listing.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "platform/write_through.h"

#include <vector>

namespace mainwin {

CommandLineTarget commandLineTarget(std::string_view path, std::string_view workingFolder) {
  CommandLineTarget t;
  if (path.empty()) return t;
  t.present = true;
  std::string p(path);
  if (p.front() != '/') p = core::AddSlash(workingFolder.empty() ? std::string_view("/") : workingFolder) + p;
  if (core::PathExist(p) != 0) {
    t.folder = core::AddSlash(p);
    t.pattern = "*";
    return t;
  }
  t.isFile = true;
  std::string folder = core::RetBefLast("/", p);
  t.folder = core::AddSlash(folder.empty() ? std::string("/") : folder);
  const std::string name = core::RetAftLast("/", p);
  const std::string ext = core::RetAftLast(".", name);
  const bool hasExtension = name.find('.') != std::string::npos && !ext.empty();
  t.pattern = core::FileExist(p) != 0 && hasExtension ? "*." + vb::LCase(ext) : "*";
  return t;
}

int boundedPosition(int twips, int bound, bool& replaced) {
  replaced = twips < 0 || twips > bound;
  return replaced ? 200 : twips;
}

bool isWipeFillName(std::string_view name) {
  constexpr std::string_view head = "QWBigFile";
  constexpr std::string_view tail = ".Big";
  if (name.size() <= head.size() + tail.size()) return false;
  if (name.substr(0, head.size()) != head || name.substr(name.size() - tail.size()) != tail) return false;
  for (char c : name.substr(head.size(), name.size() - head.size() - tail.size())) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

int removeWipeLeftovers(const std::string& folder, const LeftoverHooks& hooks) {
  platform::FolderReader reader;
  if (reader.open(folder) != 0) return -1;
  std::vector<platform::DirName> names;
  (void)reader.readNames(names);
  int remaining = 0;
  const std::string dir = core::AddSlash(folder);
  for (const auto& n : names) {
    if (!isWipeFillName(n.name)) continue;
    const std::string path = dir + n.name;
    // Only regular files are ours to delete; a link named like a fill file is left alone.
    if (platform::fileStatus(path, /*followLinks=*/false).type != platform::FileType::Regular) continue;
    if (hooks.each) hooks.each(path);
    (void)core::SetAtt(path, 0);
    (void)platform::truncateToZero(path);  // releases the blocks even if the name cannot go
    if (core::KillFile(path) != 0) {
      ++remaining;
      if (hooks.failed) hooks.failed(path);
    }
  }
  const std::string base = core::withoutTrailingSlashes(dir);
  if (remaining == 0 && core::RetAftLast("/", base).rfind(kWipeFolderPrefix, 0) == 0) {
    (void)platform::removeDirectory(base);  // refused while anything else is inside: then it stays
  }
  return remaining;
}

void cleanWipeLeftovers() {
  const std::string d = core::getSet("drivewiped");
  if (d.empty()) return;
  const int remaining = removeWipeLeftovers(d);
  if (remaining == 0 || (remaining < 0 && core::PathExist(d) == 0)) core::saveSet("drivewiped", "");
}

bool syncPropertiesEntry(const std::string& programPath, bool wanted) {
  if (wanted && platform::isExecutableFile(programPath)) return core::registerPropertiesEntry(programPath);
  (void)core::unregisterPropertiesEntry();
  return false;
}

}  // namespace mainwin
