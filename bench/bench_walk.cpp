// Speed of the folder-tree walk that builds a run's folder list, against `find -type d`.
// Usage: bench_walk [--remove] [folder]. Without a folder it walks a fixed tree in the temporary
// folder (100 x 100 x 10 folders, 5 files in each folder, every tenth top folder hidden by a
// leading dot and one subfolder of each top folder named in its ".hidden" file), building it on
// the first run and reusing it later, since creating and deleting 660,000 entries takes far
// longer than the walks; --remove deletes it at the end. One untimed pass of each walk, then the
// median of 3. Output: one "name: value unit" per line.
#include "bench/bench_support.h"
#include "core/folder_structure.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

void touch(const fs::path& p) { std::ofstream(p) << "x"; }

void fillFolder(const fs::path& dir) {
  for (int f = 0; f < 5; ++f) touch(dir / ("file" + std::to_string(f) + ".txt"));
}

std::string twoDigits(int i) { return (i < 10 ? "0" : "") + std::to_string(i); }

void buildTree(const fs::path& root) {
  for (int a = 0; a < 100; ++a) {
    const fs::path top = root / ((a % 10 == 0 ? ".t" : "t") + twoDigits(a));
    fs::create_directory(top);
    fillFolder(top);
    std::ofstream(top / ".hidden") << "s07\n";
    for (int b = 0; b < 100; ++b) {
      const fs::path mid = top / ("s" + twoDigits(b));
      fs::create_directory(mid);
      fillFolder(mid);
      for (int c = 0; c < 10; ++c) {
        const fs::path leaf = mid / ("l" + std::to_string(c));
        fs::create_directory(leaf);
        fillFolder(leaf);
      }
    }
  }
}

// One untimed pass, then the median of three.
double median3(const std::function<void()>& f) { return bench::warmMedianSeconds(3, f); }

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::string root;
  bool remove = false;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--remove") remove = true;
    else root = argv[i];
  }
  fs::path made;
  if (root.empty()) {
    made = fs::path(QDir::tempPath().toStdString()) / "corvane_bench_walk_tree";
    const fs::path marker = made / ".complete";
    std::error_code ec;
    if (!fs::exists(marker, ec)) {
      fs::remove_all(made, ec);
      fs::create_directories(made);
      std::printf("tree_build: %.2f s\n", bench::secondsOf([&] { buildTree(made); }));
      touch(marker);
    } else {
      std::printf("tree_build: 0 s\n");
    }
    root = made.string();
  }

  std::size_t findCount = 0;
  const double findSeconds = median3([&] {
    QProcess p;
    p.start("find", {QString::fromStdString(root), "-type", "d"});
    p.waitForFinished(-1);
    findCount = static_cast<std::size_t>(p.readAllStandardOutput().count('\n'));
  });

  std::size_t counts[2] = {0, 0};
  double seconds[2] = {0, 0};
  for (int hidden = 1; hidden >= 0; --hidden) {
    seconds[hidden] = median3([&] {
      std::vector<std::string> list{root};
      core::ExpandOptions opt;
      opt.includeHidden = hidden == 1;
      core::expandFolderTree(list, opt);
      counts[hidden] = list.size();
    });
  }

  std::printf("find_type_d: %.4f s\n", findSeconds);
  std::printf("find_type_d_folders: %zu folders\n", findCount);
  std::printf("walk_with_hidden: %.4f s\n", seconds[1]);
  std::printf("walk_with_hidden_folders: %zu folders\n", counts[1]);
  std::printf("walk_without_hidden: %.4f s\n", seconds[0]);
  std::printf("walk_without_hidden_folders: %zu folders\n", counts[0]);
  std::printf("ratio_walk_with_hidden_to_find: %.2f x\n", seconds[1] / std::max(findSeconds, 1e-9));
  std::printf("ratio_walk_without_hidden_to_find: %.2f x\n", seconds[0] / std::max(findSeconds, 1e-9));

  if (!made.empty() && remove) {
    std::error_code ec;
    fs::remove_all(made, ec);
  }
  return 0;
}
