// Copies prepared ahead of the run, so that a tree of many files is not copied one system call
// after the other: while the run (on its own thread, in its order) checks a file, writes its
// journal record and gives its copy a name, a few worker threads are already copying the next
// files of the folder into unnamed files (platform/prepared_copy.h). The workers do file work
// only: they never touch the pipeline, the log or the settings. Each copy gets its name on the
// run's thread, after its record, exactly where the run would have made it; one that never gets a
// name (the run skipped the file, a Cancel, an error, a kill) vanishes with its descriptor.
//
// What is in flight is bounded: at most `window` files of the current folder are asked for ahead
// of the run, each holding one descriptor once prepared. A new folder drops what was asked for
// in the last one.
//
//   CopyAhead ahead;
//   ahead.startFolder(sourceReader.fd(), targetReader.fd());     // the folders' descriptors
//   ahead.request({"b.txt", "c.txt"});                            // in the run's order
//   std::unique_ptr<platform::PreparedCopy> b = ahead.take("b.txt");   // waits for it; null: none
#pragma once

#include "platform/prepared_copy.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tools::file_ops {

class CopyAhead {
 public:
  // Files above this size are copied the usual way, in pieces between which the run reads
  // Cancel: this is one piece of the pipeline's copy, so a file copied ahead gives the run the
  // one chance to stop it that the usual way gives.
  static constexpr std::uint64_t kMaxBytes = 1000000;

  explicit CopyAhead(int workers = 3, std::size_t window = 24);
  // Stops the workers (each ends the file it is at) and drops every copy not taken.
  ~CopyAhead();
  CopyAhead(const CopyAhead&) = delete;
  CopyAhead& operator=(const CopyAhead&) = delete;

  // The folder whose files are asked for from now on and the folder their copies go to (both
  // duplicated: the caller's descriptors may close). What was asked for before is dropped.
  void startFolder(int sourceFolderFd, int targetFolderFd);
  // Drops everything asked for: the next files are not copied ahead until startFolder.
  void stop();
  // Whether a folder is being copied ahead.
  [[nodiscard]] bool active() const { return active_; }
  // How many more files may be asked for now (0 when no folder is being copied ahead).
  [[nodiscard]] std::size_t room() const;
  // Asks for the copies of names (files of the source folder), in their order, after those asked
  // for before: at most room() of them are taken, the rest ignored. One wake-up for them all.
  void request(const std::vector<std::string>& names);
  // The prepared copy of name, waiting while a worker is at it; nullptr when it was not asked for
  // (since the folder started, or it was dropped), no worker came to it yet, or it could not be
  // prepared: the run then copies the file itself. When it was asked for, whatever was asked for
  // before it and not taken is dropped: the run passed those by.
  std::unique_ptr<platform::PreparedCopy> take(const std::string& name);

 private:
  struct Folders {
    platform::SharedFolder source, target;
    Folders(int s, int t) : source(s), target(t) {}
  };
  struct Job {
    std::string name;
    std::shared_ptr<const Folders> folders;
    bool started = false, finished = false;
    std::unique_ptr<platform::PreparedCopy> copy;  // set when finished and prepared
  };
  void work();

  const std::size_t window_;
  bool active_ = false;                    // the run's thread only
  std::shared_ptr<const Folders> folders_;  // the run's thread only
  mutable std::mutex mutex_;
  std::condition_variable wake_, done_;
  // Guarded by mutex_: every job asked for and not taken, in the run's order; those no worker
  // started yet, in the same order; the workers waiting for a job, and whether the run waits
  // for one (a wake-up costs a system call: none is made for nobody).
  std::deque<std::shared_ptr<Job>> jobs_, pending_;
  int idle_ = 0;
  bool runWaits_ = false;
  bool quit_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace tools::file_ops
