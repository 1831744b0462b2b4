// Reading the word finder's next files ahead of its run: a few helper threads open the files the
// run will come to in its folder, in the run's order and at most a window of files ahead of it,
// read each whole and search it with their own copy of the run's matcher, and keep what they found
// with the identity of the file they read (device, inode, size, modification and change times).
// The window thread takes those findings in its own order: it still checks and opens every file
// itself, and uses a helper's finding only when the file its check opened is the very one the
// helper read, unchanged since (AheadFinding::judges); otherwise it reads the file itself, as
// without helpers. So results, their order, the messages and Cancel never depend on the helpers.
// The helpers read only the files of the run's own listing of the folder it is in: that listing
// has the main window's filters and sort applied, which the run cannot know for a folder it has
// not listed, and a file the filters leave out is not one a finder may open.
//
//   ReadAhead ahead({.helpers = 3}, matcher);
//   ahead.start("/home/me/tree/");                       // the run's start folder
//   ahead.enterFolder(folder, {"a.txt", "b.txt"});       // as the run lists them
//   std::optional<AheadFinding> f = ahead.take(folder + "a.txt");   // the run is at a.txt now
//   if (f && f->judges(*heldFile.seen())) ... f->matchedInPiece ...
//
// ---- contract ----
// Files are opened only for reading, only below the run's start folder and only through it: each
// helper reaches the folders and the file from that folder's descriptor one name at a time, never
// through a link anywhere in the path (platform/step_scope.h); a path elsewhere, a link and
// anything but a regular file are left to the run, a FIFO never waited on. Each file is closed
// before the next one. Memory is bounded: the run's folder's names, a window of findings (a few
// words each) and one piece buffer per helper; a file larger than Limits::largestFile is only
// asked into memory (its first bytesPerFile), never searched by a helper. The destructor stops the
// helpers (each finishes at most the one file it is at) and joins them: nothing outlives the
// object. Every member is called from one thread (the run's).
#pragma once

#include "platform/step_scope.h"
#include "tools/text/find_search.h"

#include <chrono>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <sys/stat.h>

namespace tools::text {

// What a helper found in one file it read whole, and which file that was.
struct AheadFinding {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  struct timespec modified {}, changed {};
  // The 1-based piece (of kFindPieceSize bytes) in which the file matched; 0: it did not.
  std::uint64_t matchedInPiece = 0;

  // Whether this finding stands for the file the run's check opened and measured (its fstat):
  // the same file, of the same size, modified and changed at the same moments.
  [[nodiscard]] bool judges(const struct stat& seen) const;
};

class ReadAhead {
 public:
  struct Limits {
    int helpers = 3;
    std::size_t window = 64;               // files ahead of the run at most
    std::uint64_t largestFile = 16 << 20;  // larger files are left to the run
    std::uint64_t bytesPerFile = 1 << 20;  // what is asked into memory of such a file
  };

  // matcher: the run's, before its first file; each helper searches with its own copy.
  ReadAhead(Limits limits, const ContentMatcher& matcher);
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // Opens root (the run's start folder) once, through the calling thread's StepScope that holds
  // it (else by its path, as a scope would), and starts the helpers (none work before). When root
  // cannot be opened no helper starts, and take() gives nothing. Called once.
  void start(const std::string& root);
  // The run enters folder (below root, ending "/") and will take the files names, in this
  // order, as its listing has them: the paths of the folder before are done with.
  void enterFolder(const std::string& folder, const std::vector<std::string>& names);
  // The run has come to path: the paths before it are done with. Returns a helper's finding for
  // it: at once when one is there, after waiting when a helper is reading it now (a file of at
  // most largestFile), and nothing when path is not known, not read yet (no helper will take it
  // then), larger than largestFile, not a regular file reached below root without a link,
  // unreadable, or changed so recently that a change since the helper's look could not show in
  // its times (the run then reads the file itself).
  [[nodiscard]] std::optional<AheadFinding> take(std::string_view path);
  // Waits until the helpers have read every path in the window, or timeout passed (tests):
  // whether they had.
  [[nodiscard]] bool waitIdle(std::chrono::milliseconds timeout);

  // ---- implementation details past this point ----
 private:
  enum class State : std::uint8_t { Queued, Reading, Done, Claimed };
  struct Slot {
    explicit Slot(std::string p) : path(std::move(p)) {}
    const std::string path;
    // Queued -> Reading (a helper, under the lock) -> Done (the helper, finding written first);
    // Queued -> Claimed (the run, under the lock: it reads the file itself).
    std::atomic<State> state{State::Queued};
    std::optional<AheadFinding> finding;
  };
  using SlotPtr = std::shared_ptr<Slot>;  // a helper reading it keeps it, even once dropped

  // The lock of the queue: held for a few hundred nanoseconds at a time, by the run once per file
  // and by a helper once per file it takes. A thread that meets it held spins, then yields,
  // rather than sleeping in the kernel: under a mutex the run lost more time waking up than the
  // helpers saved it.
  class SpinLock {
   public:
    void lock();
    void unlock() { held_.store(false, std::memory_order_release); }

   private:
    std::atomic<bool> held_{false};
  };

  void helper();
  [[nodiscard]] std::optional<AheadFinding> judge(const std::string& path, ContentMatcher& matcher,
                                                  char* piece) const;
  // The first slot in the window no helper took yet, or nullptr. Under lock_.
  [[nodiscard]] const SlotPtr* nextQueued() const;

  const Limits limits_;
  const ContentMatcher matcher_;
  std::optional<platform::SharedRoot> root_;  // the run's start folder; set before the helpers start
  SpinLock lock_;
  std::deque<SlotPtr> slots_;     // the run's next file first
  int waiting_ = 0;               // helpers asleep on wake_ (counted under the lock)
  bool stop_ = false;
  std::atomic<std::uint32_t> wake_{0};  // moved on, and notified, when sleeping helpers have work
  std::atomic<bool> runWaits_{false};   // the run sleeps on a slot's state
  std::vector<std::thread> threads_;
};

}  // namespace tools::text
