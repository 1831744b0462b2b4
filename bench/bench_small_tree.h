// A tree of many small files like a source tree, made by the benchmarks themselves: 300 folders
// (20 at the top, 14 below each) of 32 text files each, plus a few in the top folder, sizes from
// 1 to 64 KB (most of them small, as source files are), names of their own with a README.txt in
// every folder. A given fraction of the files holds a needle word somewhere; the rest never spell
// it. Also the main window's job walk as a run host, and alternating turns of two sides.
#pragma once

#include "bench/bench_support.h"
#include "core/scripted_run_host.h"
#include "main_window/file_list_engine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace bench {

struct SmallTreeShape {
  int topFolders = 20;
  int subFolders = 14;     // below each top folder
  int filesPerFolder = 32;
  std::size_t minBytes = 1 << 10, maxBytes = 64 << 10;
};

struct SmallTreeMade {
  bool ok = false;
  long long files = 0, folders = 0, withNeedle = 0;
  std::uint64_t bytes = 0;
};

namespace detail {

inline bool writeWhole(const std::string& path, const std::string& text) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return ::close(fd) == 0 && done == text.size();
}

}  // namespace detail

// Makes the tree in root (an existing folder, with a trailing "/"). needle: a word that
// appendWordLines never spells (empty: none); needleShare: the fraction of files that hold it,
// each once or a few times.
inline SmallTreeMade makeSmallTree(const std::string& root, const std::string& needle, double needleShare,
                                   const SmallTreeShape& shape = {}, std::uint32_t seed = 7) {
  SmallTreeMade made;
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const double logMin = std::log(static_cast<double>(shape.minBytes));
  const double logMax = std::log(static_cast<double>(shape.maxBytes));
  std::string text;
  long long serial = 0;
  const auto fillFolder = [&](const std::string& folder, int files) {
    for (int i = 0; i < files; ++i) {
      // Log-uniform sizes: as many files of 1-2 KB as of 32-64 KB.
      const auto size = static_cast<std::size_t>(std::exp(logMin + (logMax - logMin) * unit(rng)));
      text.clear();
      appendWordLines(text, size, rng);
      text.resize(size);
      if (!text.empty()) text.back() = '\n';
      if (!needle.empty() && unit(rng) < needleShare) {
        const int times = 1 + static_cast<int>(rng() % 3);
        for (int t = 0; t < times; ++t) {
          std::size_t at = rng() % text.size();
          while (at > 0 && text[at - 1] != ' ' && text[at - 1] != '\n') --at;
          text.insert(at, needle + " ");
        }
        ++made.withNeedle;
      }
      const std::string name = i == 0 ? "README.txt" : "unit" + std::to_string(++serial) + (i % 3 ? ".cpp" : ".h");
      if (!detail::writeWhole(folder + name, text)) return false;
      ++made.files;
      made.bytes += text.size();
    }
    return true;
  };
  if (!fillFolder(root, 7)) return made;
  for (int t = 0; t < shape.topFolders; ++t) {
    const std::string top = root + "module" + std::to_string(t) + "/";
    if (::mkdir(top.c_str(), 0755) != 0 || !fillFolder(top, shape.filesPerFolder)) return made;
    ++made.folders;
    for (int s = 0; s < shape.subFolders; ++s) {
      const std::string sub = top + "part" + std::to_string(s) + "/";
      if (::mkdir(sub.c_str(), 0755) != 0 || !fillFolder(sub, shape.filesPerFolder)) return made;
      ++made.folders;
    }
  }
  made.ok = true;
  return made;
}

// The main window's job walk in place of the main window: the listing a tool's run really gets.
class WalkHost : public core::ScriptedRunHost {
 public:
  core::UpdateFilesResult updateFiles(bool visibleList, const std::string& folder) override {
    if (visibleList) return core::kListDone;
    std::string f = folder;
    const int result = engine_.fillJobWalk(f);
    entries_.clear();
    for (const mainwin::FileEntry& e : engine_.jobEntries())
      entries_.push_back(core::ListEntry{.name = e.name, .attributes = e.attrs});  // as the window's list
    return static_cast<core::UpdateFilesResult>(result);
  }
  [[nodiscard]] const std::vector<core::ListEntry>& listViewRoot() const override { return entries_; }
  [[nodiscard]] int listCount() const override { return static_cast<int>(entries_.size()); }

 private:
  mainwin::FileListEngine engine_;
  std::vector<core::ListEntry> entries_;
};

struct TurnTimes {
  double ours = 0, peer = 0;  // medians
  double ratio() const { return ours / peer; }
};

// turns rounds of both sides, each side's prepare (untimed) before its timed run; ours goes first
// in odd rounds and second in even ones, so that a machine busy with other work slows both alike.
inline TurnTimes alternatingMedians(int turns, const std::function<void()>& prepareOurs,
                                    const std::function<void()>& ours, const std::function<void()>& preparePeer,
                                    const std::function<void()>& peer) {
  std::vector<double> a, b;
  for (int t = 0; t < std::max(turns, 1); ++t) {
    const auto runOurs = [&] {
      if (prepareOurs) prepareOurs();
      a.push_back(secondsOf(ours));
    };
    const auto runPeer = [&] {
      if (preparePeer) preparePeer();
      b.push_back(secondsOf(peer));
    };
    if (t % 2 == 0) {
      runOurs();
      runPeer();
    } else {
      runPeer();
      runOurs();
    }
  }
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  return {a[a.size() / 2], b[b.size() / 2]};
}

// One "name: value unit" line, flushed at once.
inline void printLine(const std::string& name, double value, const char* unit) {
  std::printf("%s: %.3f %s\n", name.c_str(), value, unit);
  std::fflush(stdout);
}

// name (ours), name_peer and name_ratio.
inline void printCompared(const std::string& name, const TurnTimes& t) {
  printLine(name, t.ours, "s");
  printLine(name + "_peer", t.peer, "s");
  printLine(name + "_ratio", t.ratio(), "x");
}

}  // namespace bench
