// Speed of the delete tool's delete and trash modes against the peers in the same run: deleting
// 100,000 small files in 100 folders against `rm -r` on a copy of the tree, and moving 10,000
// files to the trash against `gio trash` (when installed) on a copy. The tool walks with the main
// window's listing (a scripted host listing the real folders), checks each file, removes it and
// sums up, so the figures include what a run costs beyond the removal itself.
// Usage: bench_delete. Everything happens in a temporary folder under $TMPDIR, with HOME and the
// XDG folders (the trash among them) pointed inside it. Output: one "name: value unit" per line.
#include "bench/bench_support.h"
#include "core/pipeline.h"
#include "core/scripted_run_host.h"
#include "platform/test_home.h"
#include "tools/file_ops/delete_run.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// folders folders of perFolder files each, "file<n>.txt" holding a short line.
void makeTree(const std::string& root, int folders, int perFolder) {
  fs::create_directories(root);
  for (int d = 0; d < folders; ++d) {
    const std::string dir = root + "d" + std::to_string(d) + "/";
    fs::create_directory(dir);
    for (int f = 0; f < perFolder; ++f) std::ofstream(dir + "file" + std::to_string(f) + ".txt") << "line " << f << "\n";
  }
}

std::size_t filesIn(const std::string& root) {
  std::size_t n = 0;
  std::error_code ec;
  if (!fs::exists(root, ec)) return 0;
  for (const auto& e : fs::recursive_directory_iterator(root, ec)) n += e.is_regular_file(ec) ? 1 : 0;
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir made(QDir::tempPath() + QStringLiteral("/corvane_bench_delete-XXXXXX"));
  if (!made.isValid()) {
    std::fprintf(stderr, "cannot create a temporary folder\n");
    return 1;
  }
  const std::string root = made.path().toStdString() + "/";
  const platform::testing::IsolatedHome home(root + "home", platform::testing::IsolatedHome::perVariable(""));

  core::ScriptedRunHost host;
  host.realListing = true;
  core::Pipeline pipe(host);
  // The temporary folder counts as a fixed drive, as a local disk does.
  pipe.setMountProbe({.isFixedDrive = [](const std::string&) { return true; }, .mountPoint = {}});
  const core::MessageTable msg;
  const auto run = [&](tools::file_ops::DeleteMode mode, const std::string& folder) {
    host.mainFolder = folder;
    return tools::file_ops::deleteStart(pipe, nullptr, {.mode = mode, .folder = folder, .withSubfolders = true}, msg);
  };

  // ---- delete 100,000 files
  const std::string ours = root + "ours/", peer = root + "peer/";
  makeTree(ours, 100, 1000);
  makeTree(peer, 100, 1000);
  long long removed = 0;
  const double oursDelete = bench::secondsOf([&] { removed = run(tools::file_ops::DeleteMode::Delete, ours).tally.removed; });
  const double rmDelete = bench::secondsOf([&] {
    QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-r"), QString::fromStdString(peer)});
  });
  std::printf("delete_files: %lld files\n", removed);
  std::printf("delete_left_over: %zu files\n", filesIn(ours));
  std::printf("delete_100k: %.3f s\n", oursDelete);
  std::printf("rm_r_100k: %.3f s\n", rmDelete);
  std::printf("delete_100k_ratio: %.2f x\n", oursDelete / std::max(rmDelete, 1e-9));

  // ---- trash 10,000 files
  const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
  const std::string oursT = root + "ours-trash/", peerT = root + "peer-trash/";
  makeTree(oursT, 10, 1000);
  long long trashed = 0;
  const double oursTrash = bench::secondsOf([&] { trashed = run(tools::file_ops::DeleteMode::Recycle, oursT).tally.removed; });
  std::printf("trash_files: %lld files\n", trashed);
  std::printf("trash_10k: %.3f s\n", oursTrash);
  if (gio.isEmpty()) {
    std::printf("gio_trash_10k: not installed\n");
    return 0;
  }
  makeTree(peerT, 10, 1000);
  // gio takes the files by name, a folder's thousand at a time (trashing the folders themselves
  // would be ten renames, not the same work).
  const double gioTrash = bench::secondsOf([&] {
    for (int d = 0; d < 10; ++d) {
      QStringList args{QStringLiteral("trash")};
      const std::string dir = peerT + "d" + std::to_string(d) + "/";
      for (int f = 0; f < 1000; ++f) args << QString::fromStdString(dir + "file" + std::to_string(f) + ".txt");
      QProcess::execute(gio, args);
    }
  });
  std::printf("gio_trash_left_over: %zu files\n", filesIn(peerT));
  std::printf("gio_trash_10k: %.3f s\n", gioTrash);
  std::printf("trash_10k_ratio: %.2f x\n", oursTrash / std::max(gioTrash, 1e-9));
  return 0;
}
