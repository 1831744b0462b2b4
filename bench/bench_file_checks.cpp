// Speed of the per-file check every run makes (checkFileUsable: one open, at most 35 bytes read)
// against a bare open/read(35)/close loop over the same files. The goal is a ratio of at most 2.
// Usage: bench_file_checks [folder]. Without a folder it creates 100,000 small text files in
// 100 folders of a temporary folder and removes them at the end; with one it checks every regular
// file directly inside that folder and its direct subfolders. One untimed pass of each loop, then
// the median of 3. Output: one "name: value unit" per line.
#include "bench/bench_support.h"
#include "core/pipeline.h"
#include "core/scripted_run_host.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

// The baseline is the bare system calls, so this program calls them itself.
#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 1000;

void makeFiles(const fs::path& root) {
  for (int d = 0; d < kFolders; ++d) {
    const fs::path dir = root / ("d" + std::to_string(d));
    fs::create_directory(dir);
    for (int f = 0; f < kFilesPerFolder; ++f) {
      std::ofstream(dir / ("file" + std::to_string(f) + ".txt"), std::ios::binary)
          << "line " << f << " of a small text file\r\nsecond line\r\n";
    }
  }
}

std::vector<std::string> collectFiles(const fs::path& root) {
  std::vector<std::string> paths;
  std::error_code ec;
  auto addRegular = [&](const fs::path& dir) {
    for (const fs::directory_entry& e : fs::directory_iterator(dir, ec)) {
      if (e.is_regular_file(ec) && !e.is_symlink(ec)) paths.push_back(e.path().string());
    }
  };
  addRegular(root);
  for (const fs::directory_entry& e : fs::directory_iterator(root, ec)) {
    if (e.is_directory(ec) && !e.is_symlink(ec)) addRegular(e.path());
  }
  return paths;
}

// One untimed pass, then the median of three.
double median3(const std::function<void()>& f) { return bench::warmMedianSeconds(3, f); }

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  fs::path root;
  QTemporaryDir made(QDir::tempPath() + QStringLiteral("/corvane_bench_file_checks-XXXXXX"));
  if (argc > 1) {
    root = argv[1];
  } else {
    if (!made.isValid()) {
      std::fprintf(stderr, "cannot create a temporary folder\n");
      return 1;
    }
    root = made.path().toStdString();
    std::printf("files_build: %.2f s\n", bench::secondsOf([&] { makeFiles(root); }));
  }
  const std::vector<std::string> paths = collectFiles(root);
  if (paths.empty()) {
    std::fprintf(stderr, "no files in %s\n", root.c_str());
    return 1;
  }

  std::size_t bareBytes = 0;
  const double bare = median3([&] {
    bareBytes = 0;
    char buf[35];
    for (const std::string& p : paths) {
      const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) continue;
      const ssize_t r = ::read(fd, buf, sizeof buf);
      if (r > 0) bareBytes += static_cast<std::size_t>(r);
      ::close(fd);
    }
  });

  core::ScriptedRunHost host;
  core::Pipeline pipe(host);
  core::RunFlags flags;
  flags.protectOn = true;
  pipe.setFlags(flags);
  std::size_t usable[2] = {0, 0};
  double checked[2] = {0, 0};
  const core::Access accesses[2] = {core::Access::Read, core::Access::ReadWrite};
  for (int a = 0; a < 2; ++a) {
    checked[a] = median3([&] {
      usable[a] = 0;
      for (const std::string& p : paths) {
        usable[a] += static_cast<std::size_t>(
            pipe.checkFileUsable(p, {.binaryTest = true, .skipEmpty = true, .log = false, .access = accesses[a]}));
      }
    });
  }

  const double n = static_cast<double>(paths.size());
  std::printf("files: %zu files\n", paths.size());
  std::printf("bare_open_read_close: %.4f s\n", bare);
  std::printf("bare_open_read_close_per_file: %.0f ns\n", bare / n * 1e9);
  std::printf("bare_bytes_read: %zu bytes\n", bareBytes);
  std::printf("check_file_usable_read: %.4f s\n", checked[0]);
  std::printf("check_file_usable_read_per_file: %.0f ns\n", checked[0] / n * 1e9);
  std::printf("check_file_usable_read_usable: %zu files\n", usable[0]);
  std::printf("check_file_usable_read_write: %.4f s\n", checked[1]);
  std::printf("check_file_usable_read_write_usable: %zu files\n", usable[1]);
  std::printf("ratio_check_read_to_bare: %.2f x\n", checked[0] / std::max(bare, 1e-9));
  std::printf("ratio_check_read_write_to_bare: %.2f x\n", checked[1] / std::max(bare, 1e-9));
  return 0;
}
