// Speed of the contents tools on one large text file against the shell's tools doing the same on
// a copy of it and syncing their output (our rewrite syncs its new file before it replaces the
// old one):
//   - case: the case changer's upper-case style against "tr a-z A-Z";
//   - trim at the start: the trimmer removing 1,000 characters from the start against "tail -c";
//   - trim at the end: the trimmer removing 1,000 characters from the end against "head -c -N".
// Each run starts from a fresh copy of the same file (the copy is not timed, and leaves the file in
// the page cache for both); the median of three runs of each, ours and theirs in turn. The goal is
// a ratio of at most 1.5. Then the peak memory of this process after converting and trimming a
// file twice as large: it stays bounded by the piece size, whatever the file's size.
// Usage: bench_contents [megabytes] (default 1024). Everything is made in a temporary folder, with
// HOME and the XDG folders pointed inside it, and removed at the end.
// Output: one "name: value unit" per line.
#include "bench/bench_support.h"
#include "core/pipeline.h"
#include "core/scripted_run_host.h"
#include "core/settings.h"
#include "core/state.h"
#include "platform/test_home.h"
#include "tools/renaming/case_run.h"
#include "tools/renaming/trim_run.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

// The peak memory comes from the kernel.
#include <sys/resource.h>

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kTrimCount = 1000;

// Lines of words, a few of them with accented letters: the case changer's usual fare.
void writeText(const std::string& path, std::uint64_t bytes) {
  static const std::vector<std::string> words = {
      "the",    "file",  "Folder", "record", "value", "error",  "warning", "copy",  "moved",   "batch",
      "line",   "name",  "size",   "date",   "Time",  "USER",   "report",  "café",  "Über",    "4712",
      "Search", "façade", "total", "count",  "open",  "closed", "data",    "index", "crème", "end."};
  std::mt19937 rng(42);
  std::uniform_int_distribution<std::size_t> pick(0, words.size() - 1);
  std::ofstream out(path, std::ios::binary);
  std::string block;
  std::uint64_t written = 0;
  while (written < bytes) {
    block.clear();
    while (block.size() < (1u << 20)) {
      for (int w = 0; w < 11; ++w) {
        block += words[pick(rng)];
        block += w == 10 ? "\r\n" : " ";
      }
    }
    const std::uint64_t n = std::min<std::uint64_t>(block.size(), bytes - written);
    out.write(block.data(), static_cast<std::streamsize>(n));
    written += n;
  }
}

// Runs "sh -c script" in folder (under LC_ALL=C, as bench::runProgram runs peers); true when it
// exited with 0.
bool shell(const std::string& folder, const std::string& script) {
  return bench::runProgram("sh", {"-c", "cd \"$0\" && " + script, folder}) == 0;
}

double median(std::vector<double> t) {
  std::sort(t.begin(), t.end());
  return t[t.size() / 2];
}

// The tools run headless: a scripted host that answers every question with yes.
struct Tools {
  core::ScriptedRunHost host;
  core::Pipeline pipe{host};
  core::MessageTable msg;
  std::string folder;

  explicit Tools(std::string f) : folder(std::move(f)) {
    host.realListing = true;
    host.mainFolder = folder;
  }
  bool upperCase() {
    const auto out = tools::runCaseChanger(
        pipe, nullptr, {.mode = tools::CaseMode::Contents, .styles = {.name = tools::CaseStyle::Upper}, .folder = folder},
        msg);
    return out && out->done == 1;
  }
  bool trim(tools::TrimWhere where) {
    const auto out = tools::runTrimmer(
        pipe, nullptr, {.mode = tools::TrimMode::Contents, .count = kTrimCount, .where = where, .folder = folder}, msg);
    return out && out->done == 1;
  }
};

struct Figure {
  const char* name;
  std::string peerName, peerScript;
  std::function<bool()> ours;
  std::uint64_t peerSize;
  std::uint64_t oursLeast, oursMost;  // ours counts characters: up to four bytes each
};

// Times ours and the peer on fresh copies of source; false when either failed.
bool compare(const Figure& f, const std::string& source, const std::string& work) {
  const std::string file = work + "f.txt";
  std::vector<double> ours, theirs;
  bool ok = true;
  for (int run = 0; run < 3 && ok; ++run) {
    fs::copy_file(source, file, fs::copy_options::overwrite_existing);
    ours.push_back(bench::secondsOf([&] { ok = f.ours(); }));
    ok = ok && fs::file_size(file) >= f.oursLeast && fs::file_size(file) <= f.oursMost;
    fs::copy_file(source, file, fs::copy_options::overwrite_existing);
    theirs.push_back(bench::secondsOf([&] { ok = ok && shell(work, f.peerScript + " < f.txt > f.out && sync f.out"); }));
    ok = ok && fs::file_size(work + "f.out") == f.peerSize;
    fs::remove(work + "f.out");
  }
  if (!ok) {
    std::fprintf(stderr, "%s: a run failed or gave another size\n", f.name);
    return false;
  }
  const double o = median(ours), t = median(theirs);
  std::printf("%s: %.3f s\n", f.name, o);
  std::printf("%s_%s: %.3f s\n", f.name, f.peerName.c_str(), t);
  std::printf("%s_ratio: %.2f x\n", f.name, o / t);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
  QTemporaryDir made(QDir::tempPath() + QStringLiteral("/corvane_bench_contents-XXXXXX"));
  if (!made.isValid() || megabytes == 0) {
    std::fprintf(stderr, "usage: bench_contents [megabytes]\n");
    return 1;
  }
  const std::string root = made.path().toStdString();
  const platform::testing::IsolatedHome home(root, {"home", "config", "data", "run", "tmp"});
  core::ScopedCoreState state;
  state.state().tempPath = root + "/tmp/";
  core::setSettingsWord("vardulek");
  core::saveSet("sendContent", "1");  // no copy of each original in the trash
  const std::string work = root + "/work/";
  fs::create_directories(work);

  const std::uint64_t bytes = megabytes << 20;
  const std::string source = root + "/source.txt";
  std::printf("file_build: %.2f s\n", bench::secondsOf([&] { writeText(source, bytes); }));
  std::printf("file_size: %llu bytes\n", static_cast<unsigned long long>(bytes));
  Tools t(work);
  const std::uint64_t trimmed = bytes - kTrimCount, least = bytes - 4 * kTrimCount;
  const std::vector<Figure> figures = {
      {"case_upper", "tr", "tr a-z A-Z", [&] { return t.upperCase(); }, bytes, bytes, bytes},
      {"trim_start", "tail", "tail -c +" + std::to_string(kTrimCount + 1),
       [&] { return t.trim(tools::TrimWhere::Start); }, trimmed, least, trimmed},
      {"trim_end", "head", "head -c -" + std::to_string(kTrimCount), [&] { return t.trim(tools::TrimWhere::End); },
       trimmed, least, trimmed},
  };
  for (const Figure& f : figures) {
    if (!compare(f, source, work)) return 1;
  }

  // Memory on a file twice as large: made in place (the 1 GB source goes first).
  fs::remove(source);
  const std::string big = work + "f.txt";
  writeText(big, 2 * bytes);
  if (!t.upperCase() || !t.trim(tools::TrimWhere::End) || !t.trim(tools::TrimWhere::Start)) {
    std::fprintf(stderr, "the large file failed\n");
    return 1;
  }
  struct rusage usage {};
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf("large_file_size: %llu bytes\n", static_cast<unsigned long long>(2 * bytes));
  std::printf("peak_rss_large_file: %.1f MB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
  return 0;
}
