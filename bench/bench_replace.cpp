// Speed of the replace tool's contents run against `sed -i`, on the same 1 GB of text in 100 files
// of 10 MB (words in lines of about 70 bytes, a match about every 1,000 bytes), each side on a
// fresh copy written just before, in one run of this program: a literal replace (exact case, as
// sed's), a "?" wildcard (sed's "."), and a "*" wildcard within lines (sed's "<[^>]*>"). The goal
// is a ratio (ours / sed) of at most 1. Ours runs as the window starts it: the pipeline over a
// scripted host, each file rewritten through a synced temporary file; replaced contents are not
// kept in the trash (sed keeps nothing either). sed does not sync what it wrote, ours does before
// each rename; a second figure adds `sync` of sed's files (what ours pays for keeping the file's old
// or new contents whole on a crash). Then how fast Cancel acts during a 1 GB file
// (goal: within 0.25 s). First of all, a literal in a tree of about 10,000 files of 1-64 KB in
// 300 folders, most of them holding it, against `find | xargs sed -i`: with the replaced contents
// not kept (goal: at most 1.2) and kept in the trash, the default (goal: at most 2), the sides in
// turns, the median of three each; the same over a tree shaped like a real one (real_*, half of
// its text files holding the literal). Usage: bench_replace [folder] (default: a temporary folder,
// removed at the end; it needs about 2.2 GB); with BENCH_SMALL_ONLY set in the environment only
// the small files are measured, with BENCH_PROFILE only one run of ours on them with each trash
// setting, between marks on standard error. Output: one "name: value unit" per line.
#include "bench/bench_real_tree.h"
#include "bench/bench_small_tree.h"
#include "bench/bench_support.h"
#include "bench/bench_workspace.h"
#include "core/message_table.h"
#include "core/pipeline.h"
#include "core/scripted_run_host.h"
#include "core/settings.h"
#include "core/state.h"
#include "platform/program_paths.h"
#include "tools/text/replace_run.h"

#include <QCoreApplication>
#include <QDir>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using tools::text::ReplaceOptions;
using tools::text::WildcardMode;

namespace {

constexpr int kFiles = 100;
constexpr std::size_t kFileSize = 10'000'000;

// Text of words and line breaks with a tagged needle ("<b>needle</b>") about every 1,000 bytes.
std::string makeText(std::size_t size, std::uint32_t seed) {
  static const char* words[] = {"alpha", "beta", "gamma", "delta", "the", "of", "and", "replace", "text",
                                "file", "folder", "name", "line", "between", "search", "wild"};
  std::mt19937 rng(seed);
  std::string t;
  t.reserve(size + 100);
  std::size_t nextNeedle = 500, lineLength = 0;
  while (t.size() < size) {
    if (t.size() >= nextNeedle) {
      t += "<b>needle</b> ";
      nextNeedle = t.size() + 700 + rng() % 600;
    } else {
      t += words[rng() % 16];
      t += ' ';
    }
    lineLength = t.size() - (t.rfind('\n') == std::string::npos ? 0 : t.rfind('\n'));
    if (lineLength > 60 + rng() % 20) t += '\n';
  }
  t.resize(size - 1);
  t += '\n';
  return t;
}

// A fresh copy, on the disk before the timed run starts (so that neither side pays for its write-back).
void copyTree(const fs::path& from, const fs::path& to) {
  fs::remove_all(to);
  fs::copy(from, to, fs::copy_options::recursive);
  ::sync();
}

std::vector<std::string> filesOf(const fs::path& dir) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path().string());
  std::sort(out.begin(), out.end());
  return out;
}

bool sameFiles(const fs::path& a, const fs::path& b) {
  for (const std::string& f : filesOf(a)) {
    std::ifstream x(f, std::ios::binary), y(b / fs::path(f).filename(), std::ios::binary);
    std::string bx((std::istreambuf_iterator<char>(x)), {}), by((std::istreambuf_iterator<char>(y)), {});
    if (bx != by) return false;
  }
  return true;
}

// A run host that presses Cancel once `after` seconds have passed, and notes when.
class CancellingHost : public core::ScriptedRunHost {
 public:
  explicit CancellingHost(double after) : after_(after), start_(std::chrono::steady_clock::now()) {}
  void doEvents() override {
    ScriptedRunHost::doEvents();
    if (pressed_ || seconds(start_) < after_) return;
    pressed_ = true;
    pressedAt_ = std::chrono::steady_clock::now();
    setCancel(core::CancelState::Cancelled);
  }
  [[nodiscard]] bool pressed() const { return pressed_; }
  [[nodiscard]] double sincePressed() const { return seconds(pressedAt_); }

 private:
  static double seconds(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
  }
  double after_;
  std::chrono::steady_clock::time_point start_, pressedAt_;
  bool pressed_ = false;
};

core::MessageTable messages() {
  std::vector<std::string> texts;
  for (int n = 1; n <= 40; ++n) texts.push_back("{" + std::to_string(n) + "}");
  return core::MessageTable(texts);
}

void runOurs(core::ScriptedRunHost& host, const fs::path& folder, const ReplaceOptions& options,
             const tools::text::ReplaceRunSetup& setup = {}) {
  host.realListing = true;
  host.mainFolder = folder.string() + "/";
  core::Pipeline pipe(host);
  (void)tools::text::runReplace(pipe, nullptr, {options}, setup, messages());
}

// The files below a folder, by their path relative to it, and their bytes.
std::map<std::string, std::string> treeContents(const fs::path& dir) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    if (!e.is_regular_file()) continue;
    std::ifstream in(e.path(), std::ios::binary);
    out[fs::relative(e.path(), dir).string()] = std::string((std::istreambuf_iterator<char>(in)), {});
  }
  return out;
}

// Entries in the trash's files/ folder.
long long trashEntries() {
  const fs::path files = fs::path(platform::dataHome()) / "Trash/files";
  if (!fs::exists(files)) return 0;
  return std::distance(fs::directory_iterator(files), fs::directory_iterator());
}

// A literal replaced in a tree of many small files (most of them holding it) against
// `find | xargs sed -i`, with the replaced contents kept in the trash or not: each turn on a fresh
// copy of the tree, synced before it starts, and the trash emptied before ours.
// The same over a tree shaped like a real one (bench_real_tree.h), half of its text files holding
// the literal, its figures named real_*: with real set.
void smallFiles(const fs::path& root, bool real = false) {
  const std::string prefix = real ? "real" : "small";
  const fs::path master = root / (prefix + "_master"), ours = root / (prefix + "_ours"),
                 peer = root / (prefix + "_peer");
  fs::create_directories(master);
  long long withNeedle = 0, files = 0;
  double megabytes = 0;
  bool ok = false;
  if (real) {
    const bench::RealTreeMade made = bench::makeRealTree(master.string() + "/", "needle", 0.5);
    ok = made.ok, files = made.files, withNeedle = made.withNeedle, megabytes = static_cast<double>(made.bytes) / 1e6;
  } else {
    const bench::SmallTreeMade made = bench::makeSmallTree(master.string() + "/", "needle", 0.85);
    ok = made.ok, files = made.files, withNeedle = made.withNeedle, megabytes = static_cast<double>(made.bytes) / 1e6;
  }
  if (!ok) {
    std::fprintf(stderr, "cannot create the %s files in %s\n", prefix.c_str(), master.c_str());
    return;
  }
  bench::printLine(prefix + "_files", static_cast<double>(files), "files");
  bench::printLine(prefix + "_files_with_literal", static_cast<double>(withNeedle), "files");
  bench::printLine(prefix + "_size", megabytes, "MB");
  const ReplaceOptions literal{.search = "needle", .replacement = "pin", .exactCase = true};
  const std::string sedCommand =
      "find '" + peer.string() + "' -type f -print0 | LC_ALL=C xargs -0 sed -i 's/needle/pin/g'";
  for (const bool toTrash : {false, true}) {
    core::saveSet("sendContent", toTrash ? "0" : "1");
    const std::string nameText = prefix + (toTrash ? "_literal_trash" : "_literal");
    const char* name = nameText.c_str();
    bench::WalkHost host;
    if (std::getenv("BENCH_PROFILE") != nullptr) {
      // One run of ours alone between two marks on standard error, for strace or perf to cut out.
      copyTree(master, ours);
      std::fprintf(stderr, "profile: begin %s\n", name);
      runOurs(host, ours, literal, {.withSubfolders = true});
      std::fprintf(stderr, "profile: end %s\n", name);
      continue;
    }
    const bench::TurnTimes t = bench::alternatingMedians(
        3,
        [&] {
          copyTree(master, ours);
          fs::remove_all(fs::path(platform::dataHome()) / "Trash");
        },
        [&] { runOurs(host, ours, literal, {.withSubfolders = true}); },
        [&] { copyTree(master, peer); }, [&] { (void)std::system(sedCommand.c_str()); });
    const bool same = treeContents(ours) == treeContents(peer);
    bench::printCompared(name, t);
    bench::printLine(std::string(name) + "_same_result", same ? 1 : 0, "bool");
    if (toTrash)
      bench::printLine(std::string(name) + "_kept_in_trash", trashEntries() == withNeedle ? 1 : 0, "bool");
    fs::remove_all(ours);
    fs::remove_all(peer);
  }
  core::saveSet("sendContent", "1");
  fs::remove_all(master);
}

int runSed(const fs::path& folder, const std::string& expression) {
  std::string command = "sed -i '" + expression + "'";
  for (const std::string& f : filesOf(folder)) command += " '" + f + "'";
  return std::system(command.c_str());
}

// Writes sed's files to the disk (fsync of each, as ours does before its rename).
int syncFiles(const fs::path& folder) {
  std::string command = "sync";
  for (const std::string& f : filesOf(folder)) command += " '" + f + "'";
  return std::system(command.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure shows as soon as it is measured
  QCoreApplication app(argc, argv);
  bench::Workspace workspace(argc, argv, "replace");
  if (!workspace.ok()) return 1;
  const fs::path& root = workspace.root();
  if (std::system("sed --version >/dev/null 2>&1") != 0) {
    std::fprintf(stderr, "sed is not installed\n");
    return 1;
  }
  core::saveSet("sendContent", "1");
  // BENCH_REAL_ONLY: only the real-shaped tree.
  if (std::getenv("BENCH_REAL_ONLY") == nullptr) smallFiles(root);
  if (std::getenv("BENCH_SMALL_ONLY") != nullptr) return 0;
  smallFiles(root, true);
  if (std::getenv("BENCH_REAL_ONLY") != nullptr) return 0;

  const fs::path master = root / "master", ours = root / "ours", peer = root / "peer";
  fs::create_directories(master);
  std::printf("data_build: %.2f s\n", bench::secondsOf([&] {
                for (int i = 0; i < kFiles; ++i)
                  std::ofstream(master / ("f" + std::to_string(100 + i) + ".txt"), std::ios::binary)
                      << makeText(kFileSize, static_cast<std::uint32_t>(i));
              }));

  struct Case {
    const char* name;
    ReplaceOptions options;
    std::string sed;
  };
  const Case cases[] = {
      {"literal", {.search = "needle", .replacement = "pin", .exactCase = true}, "s/needle/pin/g"},
      {"question", {.search = "n??dle", .replacement = "pin", .exactCase = true, .wildcards = WildcardMode::Question},
       "s/n..dle/pin/g"},
      {"star", {.search = "<*>", .replacement = "", .exactCase = true, .wildcards = WildcardMode::Star},
       "s/<[^>]*>//g"},
  };
  for (const Case& c : cases) {
    copyTree(master, ours);
    core::ScriptedRunHost host;
    const double oursSeconds = bench::secondsOf([&] { runOurs(host, ours, c.options); });
    copyTree(master, peer);
    int rc = 0;
    const double sedSeconds = bench::secondsOf([&] { rc = runSed(peer, c.sed); });
    const double syncSeconds = bench::secondsOf([&] { (void)syncFiles(peer); });
    const bool same = rc == 0 && sameFiles(ours, peer);
    std::printf("%s_ours: %.2f s\n%s_sed: %.2f s\n%s_same_result: %d bool\n%s_ratio: %.2f x\n", c.name, oursSeconds,
                c.name, sedSeconds, c.name, same ? 1 : 0, c.name, oursSeconds / sedSeconds);
    std::printf("%s_sed_synced: %.2f s\n%s_synced_ratio: %.2f x\n", c.name, sedSeconds + syncSeconds, c.name,
                oursSeconds / (sedSeconds + syncSeconds));
    fs::remove_all(ours);
    fs::remove_all(peer);
  }

  // Cancel during one 1 GB file: the time from the press to the end of the run, the file intact.
  fs::create_directories(ours);
  {
    std::ofstream big(ours / "big.txt", std::ios::binary);
    for (const std::string& f : filesOf(master)) big << std::ifstream(f, std::ios::binary).rdbuf();
  }
  fs::remove_all(master);
  const auto sizeBefore = fs::file_size(ours / "big.txt");
  CancellingHost host(0.2);  // well inside the file even on a fast machine
  runOurs(host, ours, cases[0].options);
  const double latency = host.sincePressed();
  const bool intact = host.pressed() && fs::file_size(ours / "big.txt") == sizeBefore && filesOf(ours).size() == 1;
  std::printf("cancel_latency: %.3f s\ncancel_file_intact: %d bool\n", latency, intact ? 1 : 0);
  fs::remove_all(ours);
  return 0;
}
