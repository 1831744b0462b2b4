// Folder tree benchmark: opening a folder of 10,000 subfolders with a warm cache, from the
// request to the sorted nodes inserted, against a bare readdir of the same folder.
#include "ui_kit/ctrl_tree_dir.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <dirent.h>

#include <algorithm>
#include <cstdio>

namespace {

double readdirMs(const QByteArray& folder) {
  QElapsedTimer t;
  t.start();
  DIR* d = opendir(folder.constData());
  int n = 0;
  if (d != nullptr) {
    while (dirent* e = readdir(d)) n += (e->d_type == DT_DIR) ? 1 : 0;
    closedir(d);
  }
  const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
  if (n == 0) std::fprintf(stderr, "readdir found nothing\n");
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir tmp;
  if (!tmp.isValid()) return 1;
  const QString big = tmp.path() + QStringLiteral("/big");
  QDir().mkpath(big);
  for (int i = 0; i < 10000; ++i) QDir(big).mkdir(QStringLiteral("folder_%1").arg((i * 7919) % 10000, 5, 10, QLatin1Char('0')));
  const QByteArray bigBytes = QFile::encodeName(big);
  readdirMs(bigBytes);  // warm the cache

  constexpr int kRuns = 5;
  double best = 1e9, bestBase = 1e9;
  for (int run = 0; run < kRuns; ++run) {
    uikit::CtrlTreeDir tree;
    tree.Initialize();
    tree.setPath(tmp.path());  // the parent is open; the timed step opens the big folder
    QElapsedTimer t;
    t.start();
    tree.setPath(big);
    const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
    if (tree.currentNode() == nullptr || tree.currentNode()->childCount() != 10000) {
      std::fprintf(stderr, "tree did not open the folder\n");
      return 1;
    }
    best = std::min(best, ms);
    bestBase = std::min(bestBase, readdirMs(bigBytes));
  }
  std::printf("tree_open_10k: %.1f ms\n", best);
  std::printf("readdir_10k: %.2f ms\n", bestBase);
  std::printf("tree_vs_readdir_ratio: %.1f x\n", bestBase > 0 ? best / bestBase : 0.0);
  return 0;
}
