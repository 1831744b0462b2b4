// Speed of the splitter and the joiner against `split -b` and `cat`, on the same 1 GB file in one
// run of this program: 1 GB cut into pieces of 100 MB, and those pieces joined again (each side
// joins its own pieces; both results must equal the source). Ours runs as the windows start it:
// the pipeline over a scripted host. Each side runs three times, the sides taking turns to go
// first, each time after the system wrote out what was pending (sync), so that neither pays for
// the other's writeback; the ratio is of the medians. Goal: each ratio (ours / peer) at most 1.0.
// Then the encryption transform's speed in memory (goal: at least 500 MB/s), the part of an
// encryption run that is ours alone (the rest is the contents rewrite's read, write and fsync).
// Usage: bench_split_join [folder] (default: a temporary folder, removed at the end; it needs
// about 4.2 GB). Output: one "name: value unit" per line.
#include "bench/bench_support.h"
#include "bench/bench_workspace.h"
#include "core/message_table.h"
#include "core/pipeline.h"
#include "core/scripted_run_host.h"
#include "core/settings.h"
#include "core/state.h"
#include "tools/file_ops/encrypt_key.h"
#include "tools/file_ops/join_run.h"
#include "tools/file_ops/split_pieces.h"
#include "tools/file_ops/split_run.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kSize = 1'000'000'000;
constexpr std::uint64_t kPiece = 100'000'000;

core::MessageTable messages() {
  std::vector<std::string> texts;
  for (int n = 1; n <= 40; ++n) texts.push_back("{" + std::to_string(n) + "}");
  return core::MessageTable(texts);
}

// A scripted host listing folder's files for the run.
struct OurRun {
  core::ScriptedRunHost host;
  core::Pipeline pipe{host};
  explicit OurRun(const fs::path& folder) {
    host.realListing = true;
    host.mainFolder = folder.string() + "/";
    pipe.setMountProbe({.isFixedDrive = [](const std::string&) { return true; }});
  }
};

constexpr int kRounds = 3;

double median(std::vector<double> t) {
  std::sort(t.begin(), t.end());
  return t[t.size() / 2];
}

// One side of a comparison: what it times, what takes away (untimed) what its last turn made, and
// whose processor time it spends (RUSAGE_SELF for ours, RUSAGE_CHILDREN for a peer program).
struct Side {
  std::function<void()> reset, run;
  int who = RUSAGE_SELF;
};

// Medians of each side's wall time and processor time (user + system): the processor time hardly
// moves with the load of a shared machine, which the wall time does.
struct Turns {
  double ours = 0, peer = 0, oursCpu = 0, peerCpu = 0;
};

double cpuSeconds(int who) {
  struct rusage u {};
  ::getrusage(who, &u);
  const auto s = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return s(u.ru_utime) + s(u.ru_stime);
}

// Ours and the peer kRounds times each, taking turns to go first, each turn after its reset and a
// sync.
Turns takingTurns(const Side& ours, const Side& peer) {
  std::vector<double> o, p, oc, pc;
  const auto timed = [&](const Side& side, std::vector<double>& wall, std::vector<double>& cpu) {
    side.reset();
    ::sync();
    const double before = cpuSeconds(side.who);
    wall.push_back(bench::secondsOf(side.run));
    cpu.push_back(cpuSeconds(side.who) - before);
  };
  for (int round = 0; round < kRounds; ++round) {
    if (round % 2 == 0) {
      timed(ours, o, oc);
      timed(peer, p, pc);
    } else {
      timed(peer, p, pc);
      timed(ours, o, oc);
    }
  }
  return {median(o), median(p), median(oc), median(pc)};
}

void print(const char* what, const Turns& t) {
  std::printf("%s_ours: %.2f s\n%s_peer: %.2f s\n%s_ratio: %.2f x\n", what, t.ours, what, t.peer, what,
              t.ours / t.peer);
  std::printf("%s_cpu_ours: %.2f s\n%s_cpu_peer: %.2f s\n%s_cpu_ratio: %.2f x\n", what, t.oursCpu, what, t.peerCpu,
              what, t.oursCpu / t.peerCpu);
}

void removeAllBut(const fs::path& folder, const std::string& keep) {
  std::vector<fs::path> gone;
  for (const auto& e : fs::directory_iterator(folder))
    if (e.path().filename() != keep) gone.push_back(e.path());
  for (const fs::path& g : gone) fs::remove(g);
}

bool sameFile(const fs::path& a, const fs::path& b) {
  if (!fs::exists(a) || !fs::exists(b) || fs::file_size(a) != fs::file_size(b)) return false;
  std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
  std::vector<char> bx(1 << 20), by(1 << 20);
  while (x && y) {
    x.read(bx.data(), static_cast<std::streamsize>(bx.size()));
    y.read(by.data(), static_cast<std::streamsize>(by.size()));
    if (x.gcount() != y.gcount() || !std::equal(bx.begin(), bx.begin() + x.gcount(), by.begin())) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  bench::Workspace workspace(argc, argv, "split");
  if (!workspace.ok()) return 1;
  const fs::path& root = workspace.root();
  const fs::path ours = root / "ours", peer = root / "peer";
  fs::create_directories(ours);
  fs::create_directories(peer);
  const fs::path source = ours / "big.bin";
  std::printf("data_build: %.2f s\n", bench::secondsOf([&] {
                std::mt19937_64 rng(11);
                std::ofstream out(source, std::ios::binary);
                std::vector<std::uint64_t> block(1 << 17);
                for (std::uint64_t done = 0; done < kSize; done += block.size() * 8) {
                  for (auto& v : block) v = rng();
                  out.write(reinterpret_cast<const char*>(block.data()),
                            static_cast<std::streamsize>(std::min<std::uint64_t>(block.size() * 8, kSize - done)));
                }
              }));
  fs::copy_file(source, peer / "big.bin");
  const core::MessageTable msg = messages();

  // Split: ours cuts ours/big.bin, split cuts peer/big.bin; page caches are warm for both.
  const Turns split = takingTurns(
      {.reset = [&] { removeAllBut(ours, "big.bin"); },
       .run =
           [&] {
             OurRun run(ours);
             (void)tools::file_ops::splitFiles(run.pipe, nullptr, {.pieceSize = kPiece}, msg);
           }},
      {.reset = [&] { removeAllBut(peer, "big.bin"); },
       .run =
           [&] {
             (void)bench::runProgram("split", {"-b", std::to_string(kPiece), "-d", (peer / "big.bin").string(),
                                               (peer / "part.").string()});
           },
       .who = RUSAGE_CHILDREN});
  // The last turn's pieces stay for the join.
  print("split", split);

  // Join: the sources move aside so that the joined files are new.
  fs::rename(source, root / "source.bin");
  fs::remove(peer / "big.bin");
  std::vector<std::string> parts;
  for (const auto& e : fs::directory_iterator(peer)) parts.push_back(e.path().string());
  std::sort(parts.begin(), parts.end());
  const Turns join = takingTurns(
      {.reset = [&] { fs::remove(ours / "big.bin"); },
       .run =
           [&] {
             OurRun run(ours);
             (void)tools::file_ops::joinFiles(run.pipe, nullptr, {.mode = tools::file_ops::JoinMode::SplitPieces},
                                              msg);
           }},
      {.reset = [&] { fs::remove(peer / "big.bin"); },
       .run = [&] { (void)bench::runProgram("cat", parts, (peer / "big.bin").string()); },
       .who = RUSAGE_CHILDREN});
  print("join", join);
  std::printf("same_result: %d bool\n",
              sameFile(root / "source.bin", ours / "big.bin") && sameFile(root / "source.bin", peer / "big.bin") ? 1 : 0);
  fs::remove_all(ours);
  fs::remove_all(peer);
  fs::remove(root / "source.bin");

  // The encryption transform over 256 MB in pieces of one block, as a run reads them.
  const tools::file_ops::EncryptKey key = tools::file_ops::prepareEncryptKey("a fairly long key of the user").key;
  std::string data(256u << 20, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 2654435761u >> 13);
  std::string out;
  out.reserve(key.blockSize);
  const double scramble = bench::warmMedianSeconds(3, [&] {
    for (std::size_t at = 0; at < data.size(); at += key.blockSize) {
      out.clear();
      tools::file_ops::scrambleBytes(key, std::string_view(data).substr(at, key.blockSize), at, out);
    }
  });
  std::printf("encrypt_transform: %.0f MB/s\n", static_cast<double>(data.size()) / 1e6 / scramble);
  return 0;
}
