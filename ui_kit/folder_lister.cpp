#include "ui_kit/folder_lister.h"

#include "platform/dir_listing.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace uikit {

bool isHiddenFolder(const QByteArray& path) {
  QByteArray p = path;
  while (p.size() > 1 && p.endsWith('/')) p.chop(1);
  const qsizetype slash = p.lastIndexOf('/');
  if (slash < 0 || slash + 1 >= p.size()) return false;
  const std::string name = p.mid(slash + 1).toStdString();
  if (name.front() == '.') return true;
  platform::FolderReader parent;
  return parent.open(p.left(slash + 1).toStdString()) == 0 && parent.hiddenNames().count(name) != 0;
}

FolderListing listSubFolders(const QByteArray& folder, bool showHidden) {
  FolderListing out;
  // Search permission is needed as well, to learn which entries are folders.
  if (!folderOpens(folder)) return out;
  platform::FolderReader reader;
  if (reader.open(folder.toStdString()) != 0) return out;
  out.ok = true;
  std::vector<platform::DirName> entries;
  (void)reader.readNames(entries);  // a listing cut short shows what was read
  const auto dotHidden = reader.hiddenNames();
  for (const platform::DirName& e : entries) {
    // A link to a folder is shown as a folder, as the file manager does.
    const bool isFolder = e.kind == platform::DirEntryKind::Folder ||
                          ((e.kind == platform::DirEntryKind::Unknown || e.kind == platform::DirEntryKind::Symlink) &&
                           reader.status(e.name, platform::kStatType).isFolder);
    if (!isFolder) continue;
    const QString name = QFile::decodeName(QByteArray::fromStdString(e.name));
    if (name.compare(QLatin1String("system volume information"), Qt::CaseInsensitive) == 0) continue;
    const bool hidden = e.name.front() == '.' || dotHidden.count(e.name) != 0;
    if (hidden && !showHidden) continue;
    out.folders.push_back({name, folder + QByteArray::fromStdString(e.name) + '/', hidden});
  }
  // Case-insensitive order, the same in every locale; folded keys are made once per name.
  std::vector<std::pair<QString, std::size_t>> keys;
  keys.reserve(out.folders.size());
  for (std::size_t i = 0; i < out.folders.size(); ++i) keys.emplace_back(out.folders[i].name.toCaseFolded(), i);
  std::sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
    const int c = a.first.compare(b.first);
    if (c != 0) return c < 0;
    return out.folders[a.second].path < out.folders[b.second].path;  // equal keys: a fixed order
  });
  std::vector<SubFolder> sorted;
  sorted.reserve(keys.size());
  for (const auto& k : keys) sorted.push_back(std::move(out.folders[k.second]));
  out.folders = std::move(sorted);
  return out;
}

bool folderOpens(const QByteArray& folder) {
  const QFileInfo fi(QFile::decodeName(folder));
  return fi.isDir() && fi.isReadable() && fi.isExecutable();
}

bool runWithin(const std::function<void()>& job, int limitMs) {
  struct Shared {
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
  };
  auto shared = std::make_shared<Shared>();
  auto copy = std::make_shared<std::function<void()>>(job);
  std::thread([shared, copy] {
    (*copy)();
    const std::lock_guard<std::mutex> lock(shared->m);
    shared->done = true;
    shared->cv.notify_all();
  }).detach();
  std::unique_lock<std::mutex> lock(shared->m);
  return shared->cv.wait_for(lock, std::chrono::milliseconds(limitMs), [&] { return shared->done; });
}

}  // namespace uikit
