// Test support for runs that a second user attacks: while a tool works on a tree, a thread
// exchanges one entry of the tree with a symbolic link to something outside it, in a loop
// (renameat2 RENAME_EXCHANGE, as someone with write access to the tree's folder could), and the
// outside files must come out of every run unchanged. Only the *_test.cpp files include it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace core::testing {

// A folder of files that no run may touch: names, bytes, permission bits, times and the archive
// attribute are compared with what they were made with.
class OutsideFolder {
 public:
  explicit OutsideFolder(std::string folder, int files = 20) : folder_(std::move(folder)) {
    std::filesystem::create_directories(folder_);
    for (int i = 0; i < files; ++i) {
      const std::string name = "private" + std::to_string(i) + ".txt";
      std::ofstream(folder_ + name, std::ios::binary) << "secret " << i << "\n";
      ::chmod((folder_ + name).c_str(), 0600);
      const struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
      ::utimensat(AT_FDCWD, (folder_ + name).c_str(), times, 0);
    }
    seen_ = snapshot();
  }
  [[nodiscard]] const std::string& path() const { return folder_; }
  // "" when nothing changed, else a line for the first difference.
  [[nodiscard]] std::string changes() const {
    const std::vector<Seen> now = snapshot();
    if (now.size() != seen_.size()) return "the outside folder holds " + std::to_string(now.size()) + " entries";
    for (std::size_t i = 0; i < now.size(); ++i) {
      const Seen& a = seen_[i];
      const Seen& b = now[i];
      if (a == b) continue;
      std::string what = "outside file changed: " + b.name;
      if (a.name != b.name) what += " (was " + a.name + ")";
      if (a.bytes != b.bytes) what += " bytes";
      if (a.mode != b.mode) what += " mode " + std::to_string(a.mode) + "->" + std::to_string(b.mode);
      if (a.mtime != b.mtime) what += " mtime";
      if (std::llabs(a.atime - b.atime) >= 86400) what += " atime";
      if (a.archive != b.archive) what += " archive";
      return what;
    }
    return {};
  }

 private:
  struct Seen {
    std::string name, bytes, archive;
    mode_t mode = 0;
    long long mtime = 0;
    long long atime = 0;
    // Reading a file (this check too) may move its access time to now; a tool that wrongly set it
    // would put it a day or more away.
    bool operator==(const Seen& o) const {
      return name == o.name && bytes == o.bytes && archive == o.archive && mode == o.mode && mtime == o.mtime &&
             std::llabs(atime - o.atime) < 86400;
    }
  };
  [[nodiscard]] std::vector<Seen> snapshot() const {
    std::vector<Seen> out;
    for (const auto& e : std::filesystem::directory_iterator(folder_)) {
      Seen s;
      s.name = e.path().filename().string();
      // Read without touching the access time: under relatime a read may move it on again (when it
      // equals the change time), and the snapshot must not be the change it looks for.
      const int fd = ::open(e.path().c_str(), O_RDONLY | O_NOATIME | O_NOFOLLOW | O_CLOEXEC);
      for (char buf[4096]; fd >= 0;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        s.bytes.append(buf, static_cast<std::size_t>(n));
      }
      if (fd >= 0) ::close(fd);
      struct stat st {};
      ::lstat(e.path().c_str(), &st);
      s.mode = st.st_mode;
      s.mtime = st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
      s.atime = st.st_atim.tv_sec;
      char value[16] = {};
      const ssize_t n = ::lgetxattr(e.path().c_str(), "user.vardulek.archive", value, sizeof value - 1);
      s.archive = n > 0 ? std::string(value, static_cast<std::size_t>(n)) : std::string();
      out.push_back(std::move(s));
    }
    std::sort(out.begin(), out.end(), [](const Seen& a, const Seen& b) { return a.name < b.name; });
    return out;
  }

  std::string folder_;
  std::vector<Seen> seen_;
};

// Exchanges `entry` with a symbolic link to `target` (made beside it) again and again while a run
// goes on; stop() ends the loop and puts the entry back under its own name.
class LinkSwapper {
 public:
  LinkSwapper(std::string entry, const std::string& target) : entry_(std::move(entry)) {
    link_ = entry_ + ".swap-link";
    std::filesystem::remove(link_);
    std::filesystem::create_symlink(target, link_);
  }
  ~LinkSwapper() {
    stop();
    std::filesystem::remove(link_);
  }
  // Where the entry is there already, returns once the first swap has happened (or after a few
  // seconds when none can): on a busy machine the thread may otherwise not run at all before a
  // short run is over.
  void start() {
    stop_ = false;
    const long before = swaps_;
    struct stat st {};
    const bool there = ::lstat(entry_.c_str(), &st) == 0;
    thread_ = std::thread([this] {
      while (!stop_) {
        if (::renameat2(AT_FDCWD, entry_.c_str(), AT_FDCWD, link_.c_str(), RENAME_EXCHANGE) == 0) ++swaps_;
        std::this_thread::yield();
      }
    });
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (there && swaps_ == before && std::chrono::steady_clock::now() < giveUp) std::this_thread::yield();
  }
  void stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    struct stat st {};
    // The link must end up at link_, the tree's own entry at entry_.
    if (::lstat(entry_.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
      ::renameat2(AT_FDCWD, entry_.c_str(), AT_FDCWD, link_.c_str(), RENAME_EXCHANGE);
  }
  [[nodiscard]] long swaps() const { return swaps_; }

 private:
  std::string entry_, link_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<long> swaps_{0};
};

// Runs run() `rounds` times, each after prepare(), with entry swapped for a link to the outside
// folder meanwhile, and fails (with context()) when a run changed the outside folder. The swaps
// must have happened at all, or the test proved nothing.
inline void runUnderLinkSwaps(const OutsideFolder& outside, const std::string& entry, int rounds,
                              const std::function<void()>& prepare, const std::function<void()>& run,
                              const std::function<std::string()>& context) {
  long swaps = 0;
  for (int round = 0; round < rounds; ++round) {
    prepare();
    LinkSwapper swapper(entry, outside.path());
    swapper.start();
    run();
    swapper.stop();
    swaps += swapper.swaps();
    ASSERT_EQ(outside.changes(), "") << "round " << round << ": " << context();
  }
  EXPECT_GT(swaps, 0);
}

}  // namespace core::testing
