// Speed of the duplicate finder's contents mode (list only) against fdupes -r, jdupes -r and
// rdfind -dryrun true on one generated tree: 100 folders of 200 files (12,000 of them of one size,
// 4 KiB; the others of a few hundred sizes), every tenth file a copy of another, and eight files of
// 8 MiB, two of them equal and two differing only in their last byte. No empty files and no hard
// links, where the peers' defaults differ from ours. One untimed run of each, then three rounds of
// ours and the peer in turns, the median of each side.
// Each peer's count of duplicate files is printed beside ours, so a fast wrong answer shows.
// Then the same over a tree shaped like a real one (bench_real_tree.h: 10,000 files of every size
// in 850 folders, some of them copies of others), its figures named real_*.
// Usage: bench_duplicates [folder [tree]] (folder: where the trees are made, by default a temporary
// folder removed at the end; tree: an existing tree, such as a copy of /usr/share, compared on too
// and left as it is, its figures named given_*).
// Output: one "name: value unit" per line; <peer>_ratio is our time / the peer's.
#include "bench/bench_real_tree.h"
#include "bench/bench_small_tree.h"
#include "bench/bench_support.h"
#include "bench/bench_workspace.h"
#include "core/message_table.h"
#include "core/pipeline.h"
#include "core/scripted_run_host.h"
#include "core/settings.h"
#include "core/state.h"
#include "tools/file_ops/dupes_run.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kFolders = 100, kPerFolder = 200;
constexpr std::size_t kLarge = 8 * 1024 * 1024;

std::string bytesOf(std::uint64_t seed, std::size_t size) {
  std::mt19937_64 rng(seed);
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; i += 8) {
    const std::uint64_t v = rng();
    for (std::size_t b = 0; b < 8 && i + b < size; ++b) s[i + b] = static_cast<char>(v >> (8 * b));
  }
  return s;
}

// File k's contents: every tenth run of five files copies the run before it.
std::string contentsOf(int k) {
  const int source = (k / 5) % 10 == 9 ? k - 5 : k;
  std::size_t size = 4096;
  if (k % 5 == 3) size = 100 + static_cast<std::size_t>(source) * 7919 % 8000;
  if (k % 5 == 4) size = 1000 + static_cast<std::size_t>(source % 50) * 37;
  return bytesOf(static_cast<std::uint64_t>(source) + 1, size);
}

// The tree; the number of duplicate files it holds.
int buildTree(const fs::path& root) {
  int duplicates = 0;
  for (int f = 0; f < kFolders; ++f) {
    const fs::path dir = root / ("d" + std::to_string(f));
    fs::create_directories(dir);
    for (int i = 0; i < kPerFolder; ++i) {
      const int k = f * kPerFolder + i;
      std::ofstream(dir / ("f" + std::to_string(k) + ".dat"), std::ios::binary) << contentsOf(k);
      if ((k / 5) % 10 == 9) ++duplicates;
    }
  }
  for (int l = 0; l < 8; ++l) {
    std::string data = bytesOf(1000000 + static_cast<std::uint64_t>(l == 1 ? 0 : l == 3 ? 2 : l), kLarge);
    if (l == 3) data.back() = static_cast<char>(data.back() ^ 1);
    std::ofstream(root / ("large" + std::to_string(l) + ".bin"), std::ios::binary) << data;
  }
  return duplicates + 1;
}

// The duplicates a peer listed: its non-empty lines less one per group (groups end with a blank).
int countFdupesStyle(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  int lines = 0, groups = 0;
  bool inGroup = false;
  while (std::getline(in, line)) {
    if (line.empty()) {
      inGroup = false;
    } else {
      ++lines;
      if (!inGroup) ++groups;
      inGroup = true;
    }
  }
  return lines - groups;
}

// The duplicates in rdfind's results file: its lines of kind DUPTYPE_WITHIN_SAME_TREE.
int countRdfind(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  int n = 0;
  while (std::getline(in, line)) {
    if (line.rfind("DUPTYPE_WITHIN_SAME_TREE", 0) == 0) ++n;
  }
  return n;
}

int runOurs(const fs::path& tree) {
  core::ScriptedRunHost host;
  host.realListing = true;
  host.mainFolder = tree.string() + "/";
  core::Pipeline pipe(host);
  std::vector<std::string> texts;
  for (int n = 1; n <= 21; ++n) texts.push_back("{" + std::to_string(n) + "}");
  (void)tools::file_ops::findDuplicates(pipe, nullptr, {.mode = tools::file_ops::DupesMode::ListByContents,
                                                        .withSubfolders = true},
                                        core::MessageTable(texts));
  if (host.results.empty()) return -1;
  std::istringstream report(host.results.back().text);
  std::string line;
  int n = 0;
  while (std::getline(report, line)) {
    if (line.rfind("     ", 0) == 0) ++n;
  }
  return n;
}

// Ours and each peer over tree, the figures' names starting with prefix.
void compareOn(const fs::path& root, const fs::path& tree, const std::string& prefix) {
  int found = 0;
  const double ours = bench::warmMedianSeconds(3, [&] { found = runOurs(tree); });
  std::printf("%sours: %.3f s\n%sours_found: %d files\n", prefix.c_str(), ours, prefix.c_str(), found);

  struct Peer {
    const char* name;
    std::vector<std::string> args;
    bool rdfindStyle;
  };
  const std::string out = (root / "peer_output.txt").string();
  const Peer peers[] = {
      {"fdupes", {"-r", "-q", tree.string()}, false},  // -q: no progress on the terminal
      {"jdupes", {"-r", "-q", tree.string()}, false},
      {"rdfind", {"-dryrun", "true", "-outputname", out, tree.string()}, true},
  };
  // Each peer in turns with ours (bench::alternatingMedians), after one untimed run of each.
  for (const Peer& p : peers) {
    int rc = -1;
    const auto peerRun = [&] { rc = bench::runProgram(p.name, p.args, p.rdfindStyle ? "/dev/null" : out); };
    peerRun();
    if (rc < 0) {
      std::printf("note: %s%s not measured: not installed\n", prefix.c_str(), p.name);
      continue;
    }
    const bench::TurnTimes t = bench::alternatingMedians(3, {}, [&] { found = runOurs(tree); }, {}, peerRun);
    const int peerFound = p.rdfindStyle ? countRdfind(out) : countFdupesStyle(out);
    const std::string n = prefix + p.name;
    std::printf("%s_ours: %.3f s\n%s: %.3f s\n%s_found: %d files\n%s_ratio: %.2f x\n", n.c_str(), t.ours, n.c_str(),
                t.peer, n.c_str(), peerFound, n.c_str(), t.ratio());
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  bench::Workspace workspace(argc, argv, "duplicates");
  if (!workspace.ok()) return 1;
  const fs::path& root = workspace.root();

  const fs::path tree = root / "tree";
  int expected = 0;
  std::printf("data_build: %.2f s\n", bench::secondsOf([&] { expected = buildTree(tree); }));
  std::printf("duplicates_expected: %d files\n", expected);

  compareOn(root, tree, "");
  fs::remove_all(tree);

  const fs::path real = root / "real";
  fs::create_directories(real);
  const bench::RealTreeMade made = bench::makeRealTree(real.string() + "/", "", 0);
  if (!made.ok) {
    std::fprintf(stderr, "cannot make the real-shaped tree in %s\n", real.c_str());
    return 1;
  }
  std::printf("real_files: %lld files\nreal_folders: %lld folders\nreal_size: %.1f MB\nreal_copies_made: %lld files\n",
              made.files, made.folders, static_cast<double>(made.bytes) / 1e6, made.duplicates);
  compareOn(root, real, "real_");
  fs::remove_all(real);

  if (argc > 2) {
    const fs::path given = fs::absolute(argv[2]);
    std::printf("given_tree: %s\n", given.c_str());
    compareOn(root, given, "given_");
  }
  return 0;
}
