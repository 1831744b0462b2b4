// Reading the word finder's next files ahead of its run: a few helper threads open the files the
// run will come to, in the run's order and at most a window of files ahead of it, and have the
// system bring their first bytes into memory without waiting for them, while the window thread
// matches and logs. The run still checks, opens and reads every file itself, as it always does,
// so results, their order and Cancel never depend on the helpers: on a cold disk its reads find
// the bytes in memory or on their way (the disk works on several files at once), and on a warm
// one the helpers cost a look each and copy nothing.
//
//   ReadAhead ahead({.bytesPerFile = 1 << 20});
//   ahead.queue({folder + "a.txt", folder + "b.txt"});   // in the order the run takes them
//   ahead.start();                                        // once a read had to wait
//   ahead.reached(folder + "a.txt");                      // the run is at a.txt now
//
// ---- contract ----
// Files are opened only for reading, never through a link, never waiting on a FIFO (anything but
// a regular file is closed untouched), and closed at once. The destructor stops the helpers (each
// finishes at most the one file it is at) and joins them: nothing outlives the object. Every member
// is called from one thread (the run's).
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tools::text {

class ReadAhead {
 public:
  struct Limits {
    std::uint64_t bytesPerFile = 1 << 20;  // brought in from each file's start
    int helpers = 2;
    std::size_t window = 32;  // files ahead of the run at most
  };

  explicit ReadAhead(Limits limits);
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // Adds paths, after those queued before, in the run's order.
  void queue(const std::vector<std::string>& paths);
  // Starts the helpers (none work before): a run calls it once its reads show that they wait on
  // the disk, so that a tree already in memory costs no helper anything.
  void start();
  // Forgets every path queued.
  void clear();
  // The run has come to path: it and the paths queued before it are done with, and the helpers
  // may go that much further. Never waits (not even for a helper that holds the queue).
  void reached(std::string_view path);

 private:
  void helper();

  const Limits limits_;
  std::mutex mutex_;
  std::condition_variable work_;
  std::deque<std::string> paths_;  // queued, the run's next file first
  std::uint64_t firstId_ = 0;      // the number of paths_.front() among all queued
  std::uint64_t nextRead_ = 0;     // the number of the next path a helper takes
  int waiting_ = 0;                // helpers asleep on work_
  bool stop_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace tools::text
