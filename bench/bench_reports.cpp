// Speed of the report tools against the programs a Linux user would reach for, in one run:
//   - the word finder over 1 GB of text in 1,000 files, with a target that occurs nowhere (every
//     byte is read), against "grep -rlF" (match case) and "grep -rliF" (ignoring case; grep folds
//     case as it compares, and so does the finder);
//   - the file lister over 100,000 files in 100 folders (tab-delimited: path, accessed date,
//     modified time, size) against "find -printf" writing the same columns to a file.
// Both tools run their whole run as the program does (folder list, the main window's job walk,
// checks, reads, the report and its spill files) on a scripted host, with the files in the page
// cache; the peers run as programs under LC_ALL=C. Both again over a tree of about 10,000 files
// of 1-64 KB in 300 folders, as a source tree. One untimed run of each, then three rounds with the
// sides in turns, the median of each. Goal: ratios of at most 1. Usage: bench_reports [megabytes]
// [files-to-list]. With BENCH_SMALL_ONLY set, only the small-tree cases run.
// Last, a tree shaped like a real one (bench_real_tree.h: 10,000 files of every size in 850
// folders, text and binary), one word held by some of its text files: the finder against
// "grep -rlF", "rg -j1 -lF" (one thread, as ours matches on one) and "rg -lF" (all its threads;
// goal 1.5), with the files in the page cache and, where this may drop the caches (root), cold
// before each run; the lister against find. BENCH_REAL_ONLY: only the real-shaped tree.
#include "bench/bench_real_tree.h"
#include "bench/bench_small_tree.h"
#include "bench/bench_support.h"
#include "core/language_file.h"
#include "core/pipeline.h"
#include "core/scripted_run_host.h"
#include "core/state.h"
#include "tools/text/find_run.h"
#include "tools/text/list_run.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr const char* kNeedle = bench::kAbsentPhrase;
constexpr int kTextFiles = 1000;
constexpr int kListFolders = 100;

// The finder's texts: lines of words in files of equal size.
bool writeTexts(const std::string& dir, std::uint64_t totalBytes) {
  std::mt19937 rng(42);
  const std::uint64_t perFile = totalBytes / kTextFiles;
  std::string text;
  for (int i = 0; i < kTextFiles; ++i) {
    text.clear();
    bench::appendWordLines(text, perFile, rng);
    text.resize(perFile);
    std::ofstream out(dir + "text" + std::to_string(i) + ".txt", std::ios::binary);
    if (!out.write(text.data(), static_cast<std::streamsize>(text.size()))) return false;
  }
  return true;
}

// 100 folders of files with sizes but no data (sparse), as bench_listing makes them.
bool makeTree(const std::string& dir, int files) {
  for (int f = 0; f < kListFolders; ++f) {
    const std::string folder = dir + "folder" + std::to_string(f) + "/";
    if (::mkdir(folder.c_str(), 0755) != 0) return false;
    for (int i = 0; i < files / kListFolders; ++i) {
      const std::string name = folder + "file" + std::to_string(i) + (i % 3 ? ".txt" : ".dat");
      const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
      if (fd < 0) return false;
      const bool ok = ::ftruncate(fd, (static_cast<off_t>(i) * 7919) % 50000) == 0;
      ::close(fd);
      if (!ok) return false;
    }
  }
  return true;
}

void print(const std::string& name, double value, const char* unit) {
  std::printf("%s: %.3f %s\n", name.c_str(), value, unit);
  std::fflush(stdout);
}

// One untimed run of each side, then three rounds in turns (bench::alternatingMedians).
void compare(const std::string& name, const std::function<void()>& ours, const std::function<void()>& peer) {
  ours();
  peer();
  bench::printCompared(name, bench::alternatingMedians(3, {}, ours, {}, peer));
}

}  // namespace

int main(int argc, char** argv) {
  // Without TZ, glibc's localtime reads /etc/localtime again at every call, which would make find
  // four times slower than it is where TZ is set. Both sides run with it set.
  if (std::getenv("TZ") == nullptr) ::setenv("TZ", ":/etc/localtime", 1);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure shows as soon as it is measured
  QCoreApplication app(argc, argv);
  const std::uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1024;
  const int listed = argc > 2 ? std::atoi(argv[2]) : 100000;
  QTemporaryDir tmp;
  if (!tmp.isValid()) return 1;
  const std::string base = tmp.path().toStdString() + "/";
  const std::string texts = base + "texts/", tree = base + "tree/", scratch = base + "scratch/",
                    small = base + "small/";
  for (const std::string& d : {texts, tree, scratch, small}) ::mkdir(d.c_str(), 0755);

  core::CoreState& st = core::coreState();
  st.appPath = st.tempPath = scratch;
  st.dataPath = QCoreApplication::applicationDirPath().toStdString() + "/../share/vardulek/";
  (void)core::loadLanguageFile("Main");
  bench::WalkHost host;
  core::Pipeline pipe(host);

  const bool realOnly = std::getenv("BENCH_REAL_ONLY") != nullptr;
  const bool smallOnly = realOnly || std::getenv("BENCH_SMALL_ONLY") != nullptr;
  if (!smallOnly && (!writeTexts(texts, megabytes << 20) || !makeTree(tree, listed))) {
    std::fprintf(stderr, "cannot create the files in %s\n", base.c_str());
    return 1;
  }

  // The finder: every file read to its end, none matching.
  const core::MessageTable findMsg = core::readFormMessages("Find");
  const auto finder = [&](const std::string& name, const std::string& folder, const std::string& lastFile,
                          bool matchCase) {
    host.mainFolder = folder;
    bool shown = true;
    int grepCode = 1;
    compare(
        name,
        [&] {
          (void)tools::text::findWords(pipe, nullptr, {.text = kNeedle, .matchCase = matchCase, .withSubfolders = true},
                                       findMsg);
          shown = shown && host.results.back().text.find(lastFile) != std::string::npos;
          host.results.clear();
        },
        [&] {
          const int rc =
              bench::runProgram("grep", {matchCase ? "-rlF" : "-rliF", kNeedle, folder}, scratch + "grep.out");
          if (rc != 1) grepCode = rc;
        });
    if (!shown || grepCode != 1) std::fprintf(stderr, "%s: unexpected outcome (grep exit %d)\n", name.c_str(), grepCode);
  };
  if (!smallOnly) {
    print("text_size", static_cast<double>(megabytes), "MB");
    print("text_files", kTextFiles, "files");
    finder("find_match_case", texts, texts + "text999.txt", true);
    finder("find_ignore_case", texts, texts + "text999.txt", false);
  }

  // The lister: path, accessed date, modified time and size of every file, one line each.
  const core::MessageTable listMsg = core::readFormMessages("List");
  const tools::text::ListOptions options{
      .withSubfolders = true,
      .withPath = true,
      .dates = true,
      .layout = {.delimited = true, .columns = {.accessed = true, .modified = true, .size = true}}};
  const auto lister = [&](const std::string& name, const std::string& folder) {
    host.mainFolder = folder;
    std::size_t reportBytes = 1;
    int findCode = 0;
    compare(
        name,
        [&] {
          (void)tools::text::listFiles(pipe, nullptr, options, listMsg);
          reportBytes = std::min(reportBytes, host.results.back().text.size());
          host.results.clear();
        },
        [&] {
          const int rc = bench::runProgram(
              "find", {folder, "-type", "f", "-printf", "%h/%f\t%Ad/%Am/%AY\t%Td/%Tm/%TY %TH:%TM:%TS\t%s\t\n"},
              scratch + "find.out");
          if (rc != 0) findCode = rc;
        });
    if (findCode != 0 || reportBytes == 0)
      std::fprintf(stderr, "%s: unexpected outcome (find exit %d)\n", name.c_str(), findCode);
  };
  if (!smallOnly) {
    print("list_files", listed, "files");
    lister("list_delimited", tree);
  }

  // Many small files in a few hundred folders, as a source tree: the finder (nothing matches, so
  // every byte is read) and the lister.
  if (!realOnly) {
    const bench::SmallTreeMade made = bench::makeSmallTree(small, "", 0);
    if (!made.ok) {
      std::fprintf(stderr, "cannot create the small files in %s\n", small.c_str());
      return 1;
    }
    print("small_files", static_cast<double>(made.files), "files");
    print("small_folders", static_cast<double>(made.folders), "folders");
    print("small_size", static_cast<double>(made.bytes) / 1e6, "MB");
    finder("find_small_files", small, small + "module19/part13/README.txt", true);
    lister("list_small_files", small);
  }

  // The real-shaped tree: one word in some of its text files.
  const std::string real = base + "real/";
  ::mkdir(real.c_str(), 0755);
  const std::string word = "Lanternfish";
  const bench::RealTreeMade made = bench::makeRealTree(real, word, 0.05);
  if (!made.ok) {
    std::fprintf(stderr, "cannot create the real-shaped tree in %s\n", real.c_str());
    return 1;
  }
  ::sync();
  print("real_files", static_cast<double>(made.files), "files");
  print("real_folders", static_cast<double>(made.folders), "folders");
  print("real_size", static_cast<double>(made.bytes) / 1e6, "MB");
  print("real_files_with_word", static_cast<double>(made.withNeedle), "files");
  host.mainFolder = real;
  // Caches dropped before each timed run where that is allowed (root); cold runs read the disk.
  const bool canDrop = ::access("/proc/sys/vm/drop_caches", W_OK) == 0;
  const auto dropCaches = [&] {
    ::sync();
    std::ofstream("/proc/sys/vm/drop_caches") << "3\n";
  };
  struct Peer {
    const char* name;
    const char* program;
    std::vector<std::string> args;
  };
  const Peer peers[] = {{"grep", "grep", {"-rlF", word, real}},
                        {"rg_j1", "rg", {"-j1", "-lF", word, real}},
                        {"rg", "rg", {"-lF", word, real}},
                        {"alone_rg_j1", "rg", {"-j1", "-lF", word, real}}};
  // Ours without its read-ahead (every file read on the run's thread) beside rg on one thread.
  // BENCH_FIND_ONLY=N: only our finder, warm, N times (its median and how many files the helpers
  // judged), for a profiler; BENCH_FIND_HELPERS sets their number.
  if (const char* only = std::getenv("BENCH_FIND_ONLY")) {
    const char* h = std::getenv("BENCH_FIND_HELPERS");
    const int helperCount = h ? std::atoi(h) : tools::text::FindOptions{}.readAheadHelpers;
    std::vector<double> times;
    long long judged = 0;
    for (int i = 0; i < std::max(std::atoi(only), 1); ++i) {
      times.push_back(bench::secondsOf([&] {
        (void)tools::text::findWords(pipe, nullptr,
                                     {.text = word, .matchCase = true, .withSubfolders = true,
                                      .readAheadHelpers = helperCount, .judgedAhead = &judged},
                                     findMsg);
      }));
      host.results.clear();
    }
    std::sort(times.begin(), times.end());
    print("real_find_only", times[times.size() / 2], "s");
    print("real_find_only_judged_ahead", static_cast<double>(judged), "files");
    return 0;
  }
  int helpers = tools::text::FindOptions{}.readAheadHelpers;
  for (const bool cold : {false, true}) {
    if (cold && !canDrop) {
      std::printf("note: real_find_cold not measured: the page cache cannot be dropped here\n");
      break;
    }
    for (const Peer& peer : peers) {
      long long ours = -1, theirs = -1;
      const auto oursRun = [&] {
        (void)tools::text::findWords(
            pipe, nullptr, {.text = word, .matchCase = true, .withSubfolders = true, .readAheadHelpers = helpers},
            findMsg);
        const std::string& text = host.results.back().text;
        // The hits are the lines between the first two tab lines.
        const std::size_t from = text.find("\t\r\n"), to = text.find("\t", from + 1);
        ours = from == std::string::npos ? 0
                                         : std::count(text.begin() + static_cast<std::ptrdiff_t>(from + 3),
                                                      text.begin() + static_cast<std::ptrdiff_t>(to), '\n');
        host.results.clear();
      };
      const auto peerRun = [&] {
        const std::string out = scratch + "peer.out";
        if (bench::runProgram(peer.program, peer.args, out) < 0) return;
        std::ifstream in(out);
        theirs = std::count(std::istreambuf_iterator<char>(in), {}, '\n');
      };
      const std::string name = std::string(cold ? "real_find_cold_" : "real_find_") + peer.name;
      helpers = std::string_view(peer.name).starts_with("alone") ? 0 : tools::text::FindOptions{}.readAheadHelpers;
      if (!cold) {
        oursRun();
        peerRun();
      }
      const std::function<void()> prepare = cold ? std::function<void()>(dropCaches) : std::function<void()>();
      bench::printCompared(name, bench::alternatingMedians(3, prepare, oursRun, prepare, peerRun));
      if (theirs < 0) std::printf("note: %s not measured: %s is not installed\n", name.c_str(), peer.program);
      if (ours != theirs || ours != made.withNeedle)
        std::fprintf(stderr, "%s: ours %lld files, %s %lld, made %lld\n", name.c_str(), ours, peer.name, theirs,
                     made.withNeedle);
      print(name + "_same_result", ours == theirs && ours == made.withNeedle ? 1 : 0, "bool");
    }
  }
  lister("real_list", real);
  return 0;
}
