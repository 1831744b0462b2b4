// Speed of the copy and move tool against coreutils, in one run of this program: copying 1 GB in
// 1,000 files of 1 MB into a new folder against `cp -r`, and moving the same 1,000 files together
// with 10,000 small ones (1 KB each; without them mv's own start would be a good part of its time)
// into another folder of the same file system against `mv` (goal for both: a ratio ours / peer of
// at most 1.1). Ours runs as the window starts it: the pipeline over a scripted host, each
// transfer logged and journalled for undo. Each side starts from the same state: for the copy the
// sources read once (in the page cache), everything written before synced to disk, both sides'
// earlier copies removed; for the move the side's own source folder, its files put back (renamed)
// after each turn and synced. The two sides take turns (ours first in one round, the peer first in
// the next), so that a machine busy with other work slows both alike; each figure is the median
// of its side's five runs. A move across file systems of the 1,000 files (into /dev/shm, a tmpfs,
// where there is one) is reported apart, without a goal: ours syncs each copy before it deletes
// the source, mv does not. Before those: a tree of about 10,000 small files against `cp -r` (goal
// 1.2), and a tree shaped like a real one (bench_real_tree.h: 10,000 files of every size in 850
// folders, about 155 MB) against `cp -r`, on the workspace's file system (goal 1.5) and on a
// fresh journaled ext4 in a loop file when the benchmark may mount one (goal 1.2; else a note
// line). Usage: bench_copy [folder] (default: a temporary folder, removed at the end; it needs
// about 3 GB of disk and 1 GB of /dev/shm).
#include "bench/bench_real_tree.h"
#include "bench/bench_small_tree.h"
#include "bench/bench_support.h"
#include "bench/bench_workspace.h"
#include "core/message_table.h"
#include "core/pipeline.h"
#include "core/scripted_run_host.h"
#include "core/settings.h"
#include "core/state.h"
#include "tools/file_ops/copy_run.h"

#include <QCoreApplication>
#include <QDir>

#include <unistd.h>

#include <algorithm>
#include <functional>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using tools::file_ops::CopyMode;

namespace {

constexpr int kFiles = 1000;
constexpr std::size_t kFileSize = 1'000'000;
constexpr int kSmallFiles = 10000;
constexpr std::size_t kSmallSize = 1000;

core::MessageTable messages() {
  std::vector<std::string> texts;
  for (int n = 1; n <= 100; ++n) texts.push_back("{" + std::to_string(n) + "}");
  return core::MessageTable(texts);
}

std::string quoted(const fs::path& p) { return "'" + p.string() + "'"; }

// The sources as a fresh tree (bytes in the page cache, nothing unwritten pending).
void freshCopy(const fs::path& from, const fs::path& to) {
  fs::remove_all(to);
  fs::copy(from, to, fs::copy_options::recursive);
  ::sync();
}

// Every file of from renamed back into to (the folder a move took them from), then synced.
void moveBack(const fs::path& from, const fs::path& to) {
  if (fs::exists(from)) {
    for (const auto& e : fs::directory_iterator(from)) fs::rename(e.path(), to / e.path().filename());
  }
  ::sync();
}

void readAll(const fs::path& dir) {
  std::vector<char> buf(1 << 20);
  for (const auto& e : fs::directory_iterator(dir)) {
    std::ifstream in(e.path(), std::ios::binary);
    while (in.read(buf.data(), static_cast<std::streamsize>(buf.size()))) {
    }
  }
}

// Whether folder b holds the files of the folders in a (their names with their bytes) and nothing else.
bool sameFiles(const std::vector<fs::path>& a, const fs::path& b) {
  std::size_t count = 0;
  for (const fs::path& from : a) {
    for (const auto& e : fs::directory_iterator(from)) {
      ++count;
      std::ifstream x(e.path(), std::ios::binary), y(b / e.path().filename(), std::ios::binary);
      if (!y) return false;
      const std::string bx((std::istreambuf_iterator<char>(x)), {}), by((std::istreambuf_iterator<char>(y)), {});
      if (bx != by) return false;
    }
  }
  return count == static_cast<std::size_t>(std::distance(fs::directory_iterator(b), fs::directory_iterator()));
}

// One run of the tool over folder's files into target, as the window starts it; with tree, the
// folders below too, each file into its folder's place under target.
int runOurs(const fs::path& folder, const fs::path& target, CopyMode mode, bool tree = false) {
  bench::WalkHost host;
  host.mainFolder = folder.string() + "/";
  core::Pipeline pipe(host);
  tools::file_ops::CopyJobOptions options;
  options.pattern = target.string();
  options.mode = mode;
  options.keepStructure = options.withSubfolders = tree;
  options.mainFolder = host.mainFolder;
  // BENCH_COPY_WORKERS=n: n threads copy ahead (0: each file in its turn), to compare the two.
  if (const char* workers = std::getenv("BENCH_COPY_WORKERS")) options.copyAheadWorkers = std::atoi(workers);
  const tools::file_ops::CopyJobResult r = tools::file_ops::runCopyJob(pipe, nullptr, options, messages());
  return r.outcome.done;
}

int shell(const std::string& command) { return std::system(command.c_str()); }

// The files below dir by their path relative to it, with their bytes.
std::map<std::string, std::string> treeContents(const fs::path& dir) {
  std::map<std::string, std::string> out;
  if (!fs::exists(dir)) return out;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    if (!e.is_regular_file()) continue;
    std::ifstream in(e.path(), std::ios::binary);
    out[fs::relative(e.path(), dir).string()] = std::string((std::istreambuf_iterator<char>(in)), {});
  }
  return out;
}

// A tree of about 10,000 small files in 300 folders copied with its structure against `cp -r`
// (goal: a ratio of at most 1.2), the sides in turns as above.
void smallTree(const fs::path& root) {
  const fs::path tree = root / "small_tree", ours = root / "small_ours", peer = root / "small_peer";
  fs::create_directories(tree);
  const bench::SmallTreeMade made = bench::makeSmallTree(tree.string() + "/", "", 0);
  ::sync();
  if (std::getenv("BENCH_PROFILE") != nullptr) {
    // One run of ours alone between two marks on standard error, for strace or perf to cut out.
    std::fprintf(stderr, "profile: begin small_tree_copy\n");
    (void)runOurs(tree, ours, CopyMode::Copy, true);
    std::fprintf(stderr, "profile: end small_tree_copy\n");
    fs::remove_all(ours);
    fs::remove_all(tree);
    return;
  }
  int done = 0;
  // Each side clears only its own copy, so that both are there to compare after the last turns.
  const auto freshOurs = [&] {
    fs::remove_all(ours);
    ::sync();
  };
  const auto freshPeer = [&] {
    fs::remove_all(peer);
    ::sync();
  };
  const bench::TurnTimes t = bench::alternatingMedians(
      3, freshOurs, [&] { done = runOurs(tree, ours, CopyMode::Copy, true); }, freshPeer,
      [&] { shell("cp -r " + quoted(tree) + " " + quoted(peer)); });
  bench::printLine("small_tree_files", static_cast<double>(made.files), "files");
  bench::printCompared("small_tree_copy", t);
  const auto source = treeContents(tree);
  const bool oursSame = treeContents(ours) == source, peerSame = treeContents(peer) == source;
  if (!oursSame || !peerSame || done != made.files)
    std::fprintf(stderr, "small tree copy: ours %s, cp %s, %d files done\n", oursSame ? "same" : "differs",
                 peerSame ? "same" : "differs", done);
  const bool same = done == made.files && oursSame && peerSame;
  bench::printLine("small_tree_copy_same_result", same ? 1 : 0, "bool");
  fs::remove_all(ours);
  fs::remove_all(peer);
  fs::remove_all(tree);
}

// A tree shaped like a real one (bench_real_tree.h) copied with its structure against `cp -r`, in
// folder (on the file system being measured), five rounds in turns; names start with label.
void realTree(const fs::path& folder, const std::string& label) {
  const fs::path tree = folder / "real_tree", ours = folder / "real_ours", peer = folder / "real_peer";
  fs::create_directories(tree);
  const bench::RealTreeMade made = bench::makeRealTree(tree.string() + "/", "", 0);
  ::sync();
  if (!made.ok) {
    std::fprintf(stderr, "%s: cannot make the tree in %s\n", label.c_str(), tree.c_str());
    return;
  }
  if (std::getenv("BENCH_PROFILE") != nullptr) {
    // One run of ours alone between two marks on standard error, for strace or perf to cut out.
    std::fprintf(stderr, "profile: begin %s\n", label.c_str());
    (void)runOurs(tree, ours, CopyMode::Copy, true);
    std::fprintf(stderr, "profile: end %s\n", label.c_str());
    fs::remove_all(ours);
    fs::remove_all(tree);
    return;
  }
  bench::printLine(label + "_files", static_cast<double>(made.files), "files");
  bench::printLine(label + "_folders", static_cast<double>(made.folders), "folders");
  bench::printLine(label + "_size", static_cast<double>(made.bytes) / 1e6, "MB");
  int done = 0;
  const auto fresh = [](const fs::path& copy) {
    return [copy] {
      fs::remove_all(copy);
      ::sync();
    };
  };
  const bench::TurnTimes t = bench::alternatingMedians(
      5, fresh(ours), [&] { done = runOurs(tree, ours, CopyMode::Copy, true); }, fresh(peer),
      [&] { shell("cp -r " + quoted(tree) + " " + quoted(peer)); });
  bench::printCompared(label + "_copy", t);
  const auto source = treeContents(tree);
  const bool same = done == made.files && treeContents(ours) == source && treeContents(peer) == source;
  bench::printLine(label + "_copy_same_result", same ? 1 : 0, "bool");
  fs::remove_all(ours);
  fs::remove_all(peer);
  fs::remove_all(tree);
}

// The same on a journaled ext4 made for the purpose in a file beside the workspace and mounted
// through a loop device, where this runs as root with mkfs.ext4; else a note says why not.
void realTreeJournaled(const fs::path& root) {
  const fs::path image = root / "journaled.img", mountPoint = root / "journaled";
  const auto note = [](const char* why) { std::printf("note: real_tree_journaled_copy not measured: %s\n", why); };
  if (::geteuid() != 0) return note("mounting a loop file needs root");
  std::error_code ec;
  fs::create_directories(mountPoint, ec);
  if (shell("truncate -s 2G " + quoted(image) + " && mkfs.ext4 -q -F " + quoted(image) + " >/dev/null 2>&1") != 0) {
    fs::remove(image, ec);
    return note("mkfs.ext4 failed or is missing");
  }
  if (shell("mount -o loop " + quoted(image) + " " + quoted(mountPoint) + " 2>/dev/null") != 0) {
    fs::remove(image, ec);
    return note("the loop file could not be mounted");
  }
  realTree(mountPoint, "real_tree_journaled");
  (void)shell("umount " + quoted(mountPoint));
  fs::remove(image, ec);
}

// One side of a comparison: the untimed preparation, then the timed work.
struct Side {
  std::function<void()> prepare, work;
};

// The median seconds of each side over five rounds in which the sides take turns.
std::pair<double, double> medians(const Side& ours, const Side& peer) {
  constexpr int kRounds = 5;
  std::vector<double> a, b;
  const auto time = [](const Side& side, std::vector<double>& into) {
    side.prepare();
    into.push_back(bench::secondsOf(side.work));
  };
  for (int i = 0; i < kRounds; ++i) {
    if (i % 2 == 0) {
      time(ours, a);
      time(peer, b);
    } else {
      time(peer, b);
      time(ours, a);
    }
  }
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  return {a[kRounds / 2], b[kRounds / 2]};
}

void report(const char* name, double ours, double peer, const char* peerName, bool same) {
  std::printf("%s_ours: %.3f s\n%s_%s: %.3f s\n%s_same_result: %d bool\n%s_ratio: %.2f x\n", name, ours, name,
              peerName, peer, name, same ? 1 : 0, name, ours / peer);
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure shows as soon as it is measured
  QCoreApplication app(argc, argv);
  bench::Workspace workspace(argc, argv, "copy");
  if (!workspace.ok()) return 1;
  const fs::path& root = workspace.root();
  workspace.state().appPath = (root / "env/app/").string();
  fs::create_directories(workspace.state().appPath);
  // BENCH_SMALL_ONLY: the small tree's copy alone; BENCH_COPY_ONLY: the 1 GB copy alone.
  // BENCH_REAL_ONLY: the real-shaped tree's copies alone.
  const bool copyOnly = std::getenv("BENCH_COPY_ONLY") != nullptr;
  const bool realOnly = std::getenv("BENCH_REAL_ONLY") != nullptr;
  if (!copyOnly && !realOnly) smallTree(root);
  if (std::getenv("BENCH_SMALL_ONLY") != nullptr) return 0;
  if (!copyOnly) {
    realTree(root, "real_tree");
    realTreeJournaled(root);
  }
  if (realOnly) return 0;

  const fs::path master = root / "master", source = root / "source", ours = root / "ours", peer = root / "peer";
  const fs::path small = root / "small";
  fs::create_directories(master);
  fs::create_directories(small);
  std::printf("data_build: %.2f s\n", bench::secondsOf([&] {
                std::mt19937 rng(7);
                std::string block(kFileSize, '\0');
                for (char& c : block) c = static_cast<char>(rng());
                for (int i = 0; i < kFiles; ++i) {
                  const std::string name = "file " + std::to_string(1000 + i) + ".bin";
                  block.replace(0, name.size(), name);  // no two files alike
                  std::ofstream(master / name, std::ios::binary) << block;
                }
                for (int i = 0; i < kSmallFiles; ++i) {
                  const std::string name = "small " + std::to_string(10000 + i) + ".txt";
                  std::ofstream(small / name, std::ios::binary) << block.substr(0, kSmallSize - name.size()) << name;
                }
                ::sync();
              }));

  // Copy: the sources stay; each side copies them into a folder it makes.
  int done = 0;
  // Both copies made before go (each checked first), so that neither side finds the page cache
  // full of the other's.
  bool oursCopied = true, peerCopied = true;
  const auto retire = [&](const fs::path& copy, bool& same) {
    if (fs::exists(copy)) same = same && sameFiles({master}, copy);
    fs::remove_all(copy);
  };
  const auto fresh = [&] {
    retire(ours, oursCopied);
    retire(peer, peerCopied);
    ::sync();
    readAll(master);
  };
  const auto [copyOurs, copyPeer] = medians({fresh, [&] { done = runOurs(master, ours, CopyMode::Copy); }},
                                            {fresh, [&] { shell("cp -r " + quoted(master) + " " + quoted(peer)); }});
  retire(ours, oursCopied);
  retire(peer, peerCopied);
  report("copy", copyOurs, copyPeer, "cp", done == kFiles && oursCopied && peerCopied);
  if (copyOnly) return 0;

  // Move within one file system: each file renamed into another folder. Each side has its own
  // source folder; its files go back there (renamed, untimed) before each of its turns.
  const fs::path peerSource = root / "peer_source";
  for (const fs::path& to : {source, peerSource}) {
    freshCopy(master, to);
    fs::copy(small, to);
  }
  fs::create_directories(ours);
  fs::create_directories(peer);
  ::sync();
  bool oursMoved = true;
  const auto [moveOurs, movePeer] = medians(
      {[&] { moveBack(ours, source); },
       [&] { oursMoved = runOurs(source, ours, CopyMode::Move) == kFiles + kSmallFiles && oursMoved; }},
      {[&] { moveBack(peer, peerSource); },
       [&] { shell("cd " + quoted(peerSource) + " && mv -t " + quoted(peer) + " -- *"); }});
  oursMoved = oursMoved && fs::is_empty(source) && sameFiles({master, small}, ours);
  const bool peerMoved = fs::is_empty(peerSource) && sameFiles({master, small}, peer);
  report("move", moveOurs, movePeer, "mv", oursMoved && peerMoved);
  fs::remove_all(ours);
  fs::remove_all(peer);
  fs::remove_all(small);

  // Move across file systems into a tmpfs: copy, sync, check, delete the source.
  const fs::path shm = "/dev/shm";
  if (fs::is_directory(shm) && ::access(shm.c_str(), W_OK) == 0) {
    const fs::path away = shm / ("corvane_bench_copy-" + std::to_string(::getpid()));
    const fs::path peerAway = shm / ("corvane_bench_copy_peer-" + std::to_string(::getpid()));
    // As for the copy, both earlier results go (each checked first) before either side's turn.
    bool oursCross = true, peerCross = true;
    const auto retireMoved = [&](const fs::path& to, const fs::path& from, bool& same) {
      if (fs::exists(to)) same = same && fs::is_empty(from) && sameFiles({master}, to);
      fs::remove_all(to);
    };
    const auto retireBoth = [&] {
      retireMoved(away, source, oursCross);
      retireMoved(peerAway, peerSource, peerCross);
    };
    const auto [crossOurs, crossPeer] = medians(
        {[&] {
           retireBoth();
           freshCopy(master, source);
         },
         [&] { done = runOurs(source, away, CopyMode::Move); }},
        {[&] {
           retireBoth();
           fs::create_directories(peerAway);
           freshCopy(master, peerSource);
         },
         [&] { shell("cd " + quoted(peerSource) + " && mv -t " + quoted(peerAway) + " -- *"); }});
    retireBoth();
    const bool same = done == kFiles && oursCross && peerCross;
    std::printf("cross_fs_move_ours: %.3f s\ncross_fs_move_mv: %.3f s\ncross_fs_move_same_result: %d bool\n",
                crossOurs, crossPeer, same ? 1 : 0);
  }
  fs::remove_all(peerSource);
  return 0;
}
