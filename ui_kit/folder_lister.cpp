#include "ui_kit/folder_lister.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace uikit {

QSet<QString> readDotHidden(const QByteArray& folder) {
  QSet<QString> names;
  QFile f(QFile::decodeName(folder + ".hidden"));
  if (!f.open(QIODevice::ReadOnly)) return names;
  const QByteArray all = f.read(1 << 20);
  for (QByteArray line : all.split('\n')) {
    if (line.endsWith('\r')) line.chop(1);
    if (!line.isEmpty()) names.insert(QFile::decodeName(line));
  }
  return names;
}

bool isHiddenFolder(const QByteArray& path) {
  QByteArray p = path;
  while (p.size() > 1 && p.endsWith('/')) p.chop(1);
  const qsizetype slash = p.lastIndexOf('/');
  if (slash < 0 || slash + 1 >= p.size()) return false;
  const QByteArray name = p.mid(slash + 1);
  if (name.startsWith('.')) return true;
  return readDotHidden(p.left(slash + 1)).contains(QFile::decodeName(name));
}

FolderListing listSubFolders(const QByteArray& folder, bool showHidden) {
  FolderListing out;
  if (!folderOpens(folder)) return out;
  out.ok = true;
  const QSet<QString> dotHidden = readDotHidden(folder);
  QDirIterator it(QFile::decodeName(folder), QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  while (it.hasNext()) {
    it.next();
    const QString name = it.fileName();
    if (name.compare(QLatin1String("system volume information"), Qt::CaseInsensitive) == 0) continue;
    const bool hidden = name.startsWith(QLatin1Char('.')) || dotHidden.contains(name);
    if (hidden && !showHidden) continue;
    out.folders.push_back({name, folder + QFile::encodeName(name) + '/', hidden});
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
