// Speed of wiping one large file: the delete tool's wipe (one pass of fresh random data, flushed to
// the disk, then cut, renamed and deleted) against `shred -n 1` (one random pass, flushed) on a
// copy of the same size, in the same run. The goal is a ratio of at most 1.1.
// Usage: bench_wipe [megabytes] [folder]. Default 1024 MB in a temporary folder under $TMPDIR;
// the folder's file system is what is measured. Each side runs twice in turns; the better run of
// each counts. Output: one "name: value unit" per line.
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
#include <cstdlib>
#include <string>
#include <vector>

// The files are written and flushed here before each timed run, so that neither side pays for
// the other's dirty pages.
#include <fcntl.h>
#include <unistd.h>

namespace {

bool makeFile(const std::string& path, std::size_t megabytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::vector<char> block(1 << 20, 'x');
  bool ok = true;
  for (std::size_t i = 0; i < megabytes && ok; ++i) ok = ::write(fd, block.data(), block.size()) == static_cast<ssize_t>(block.size());
  ok = ok && ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1024;
  const QString base = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::tempPath();
  QTemporaryDir made(base + QStringLiteral("/corvane_bench_wipe-XXXXXX"));
  const QString shred = QStandardPaths::findExecutable(QStringLiteral("shred"));
  if (!made.isValid() || megabytes == 0) {
    std::fprintf(stderr, "cannot create a temporary folder\n");
    return 1;
  }
  const std::string root = made.path().toStdString() + "/";
  const platform::testing::IsolatedHome home(root + "home", platform::testing::IsolatedHome::perVariable(""));
  const std::string ours = root + "ours/";
  QDir().mkpath(QString::fromStdString(ours));

  core::ScriptedRunHost host;
  host.realListing = true;
  host.mainFolder = ours;
  core::Pipeline pipe(host);
  const core::MessageTable msg;

  std::vector<double> oursTimes, shredTimes;
  for (int round = 0; round < 2; ++round) {
    if (!makeFile(ours + "big.bin", megabytes)) {
      std::fprintf(stderr, "cannot write the test file\n");
      return 1;
    }
    oursTimes.push_back(bench::secondsOf([&] {
      (void)tools::file_ops::deleteStart(pipe, nullptr,
                                         {.mode = tools::file_ops::DeleteMode::WipeFiles, .passes = 1, .folder = ours}, msg);
    }));
    if (QFile::exists(QString::fromStdString(ours + "big.bin"))) {
      std::fprintf(stderr, "the wipe left the file\n");
      return 1;
    }
    if (shred.isEmpty()) continue;
    const std::string copy = root + "copy.bin";
    if (!makeFile(copy, megabytes)) return 1;
    shredTimes.push_back(bench::secondsOf([&] {
      QProcess::execute(shred, {QStringLiteral("-n"), QStringLiteral("1"), QString::fromStdString(copy)});
    }));
    QFile::remove(QString::fromStdString(copy));
  }
  const double best = *std::min_element(oursTimes.begin(), oursTimes.end());
  const double mb = static_cast<double>(megabytes);
  std::printf("wipe_file_size: %zu MB\n", megabytes);
  std::printf("wipe_one_pass: %.3f s\n", best);
  std::printf("wipe_one_pass_speed: %.0f MB/s\n", mb / best);
  if (!shredTimes.empty()) {
    const double peer = *std::min_element(shredTimes.begin(), shredTimes.end());
    std::printf("shred_one_pass: %.3f s\n", peer);
    std::printf("shred_one_pass_speed: %.0f MB/s\n", mb / peer);
    std::printf("wipe_one_pass_ratio: %.2f x\n", best / peer);
  } else {
    std::printf("shred_one_pass: not installed\n");
  }
  return 0;
}
