// Speed of Skerrow, the command-line search, against "grep -qiF" on the same 1 GB text file, both
// run as programs under LC_ALL=C with the file in the page cache: once without a match (the whole
// file is read) and once with the only match on the last line. The goal is a ratio of at most 1.5.
// Usage: bench_search [megabytes]. The file is made in a temporary folder and removed at the end.
// One untimed run of each program, then the median of three. Output: one "name: value unit" per line.
#include "bench/bench_support.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr const char* kNeedle = bench::kAbsentPhrase;

void writeText(const std::string& path, std::uint64_t bytes) {
  std::mt19937 rng(42);
  std::ofstream out(path, std::ios::binary);
  std::string block;
  std::uint64_t written = 0;
  while (written < bytes) {
    block.clear();
    bench::appendWordLines(block, 1u << 20, rng);
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
    written += block.size();
  }
}

void compare(const char* name, const std::string& skerrow, const std::string& file, int skerrowExpect,
             int grepExpect) {
  int ours = -2, theirs = -2;
  const double s = bench::warmMedianSeconds(3, [&] { ours = bench::runProgram(skerrow, {file, kNeedle}); });
  const double g = bench::warmMedianSeconds(3, [&] { theirs = bench::runProgram("grep", {"-qiF", kNeedle, file}); });
  if (ours != skerrowExpect || theirs != grepExpect) {
    std::fprintf(stderr, "%s: unexpected exit codes (Skerrow %d, grep %d)\n", name, ours, theirs);
  }
  std::printf("skerrow_%s: %.3f s\n", name, s);
  std::printf("grep_%s: %.3f s\n", name, g);
  std::printf("skerrow_%s_ratio: %.2f x\n", name, s / g);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
  const std::string skerrow = QCoreApplication::applicationDirPath().toStdString() + "/Skerrow";
  QTemporaryDir dir;
  if (!dir.isValid()) return 1;
  const std::string file = dir.path().toStdString() + "/text.txt";
  writeText(file, megabytes << 20);
  std::printf("file_size: %llu MB\n", static_cast<unsigned long long>(megabytes));

  compare("no_match", skerrow, file, 0, 1);
  {
    std::ofstream(file, std::ios::binary | std::ios::app) << "the last line names the QUIET harbour 4711\n";
  }
  compare("match_at_end", skerrow, file, 1, 0);
  return 0;
}
