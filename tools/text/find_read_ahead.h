// Reading the word finder's next files ahead of its run: a few helper threads open the files the
// run will come to, in the run's order and at most a window of files ahead of it, read each whole
// and search it with their own copy of the run's matcher, and keep what they found with the
// identity of the file they read (device, inode, size, modification and change times). The window
// thread takes those findings in its own order: it still checks and opens every file itself, and
// uses a helper's finding only when the file its check opened is the very one the helper read,
// unchanged since (AheadFinding::judges); otherwise it reads the file itself, as without helpers.
// So results, their order, the messages and Cancel never depend on the helpers. The helpers also
// read past the end of the run's folder: they list the next folders of the run themselves (their
// regular files by name, the first window of them), so that the run finds the first files of a
// folder already read when it enters it; entering it, the run gives the folder's files as its own
// listing has them, which replaces the helpers' guess.
//
//   ReadAhead ahead({.helpers = 3}, matcher);
//   ahead.setFolders(runFolders);                        // the run's folders, in its order
//   ahead.start();
//   ahead.enterFolder(folder, {"a.txt", "b.txt"});       // as the run lists them
//   std::optional<AheadFinding> f = ahead.take(folder + "a.txt");   // the run is at a.txt now
//   if (f && f->judges(*heldFile.seen())) ... f->matchedInPiece ...
//
// ---- contract ----
// Files are opened only for reading, never through a link (a link is left to the run), never
// waiting on a FIFO (anything but a regular file is closed untouched), and closed before the next
// one. Memory is bounded: the run's folder's names, a window of findings (a few words each) and
// of guessed names, and one piece buffer per helper; a file larger than Limits::largestFile is only
// asked into memory (its first bytesPerFile), never searched by a helper. The destructor stops the
// helpers (each finishes at most the one file or folder it is at) and joins them: nothing outlives
// the object. Every member is called from one thread (the run's).
#pragma once

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
    bool withHidden = false;               // whether names starting with "." are guessed too
  };

  // matcher: the run's, before its first file; each helper searches with its own copy.
  ReadAhead(Limits limits, const ContentMatcher& matcher);
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // The folders the run will enter, in its order (each ending "/"); before start().
  void setFolders(std::vector<std::string> folders);
  // Starts the helpers (none work before).
  void start();
  // The run enters folder and will take the files names, in this order: the paths before it are
  // done with. A folder not among those set (or met again) is read ahead only from its own files.
  void enterFolder(const std::string& folder, const std::vector<std::string>& names);
  // The run has come to path: the paths before it are done with. Returns a helper's finding for
  // it: at once when one is there, after waiting when a helper is reading it now (a file of at
  // most largestFile), and nothing when path is not known, not read yet (no helper will take it
  // then), larger than largestFile, not a regular file reached without a link, unreadable, or
  // changed so recently that a change since the helper's look could not show in its times (the
  // run then reads the file itself).
  [[nodiscard]] std::optional<AheadFinding> take(std::string_view path);
  // Waits until the helpers have read every path in the window, or timeout passed (tests):
  // whether they had.
  [[nodiscard]] bool waitIdle(std::chrono::milliseconds timeout);

  // ---- implementation details past this point ----
 private:
  enum class State : std::uint8_t { Queued, Reading, Done, Claimed };
  struct Slot {
    Slot(std::string p, std::size_t f) : path(std::move(p)), folder(f) {}
    const std::string path;
    const std::size_t folder;  // its folder's place among those set
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
  // The first slot in the window no helper took yet, or nullptr. Under mutex_.
  [[nodiscard]] const SlotPtr* nextQueued() const;
  // Whether a helper should list the next folder now. Under mutex_.
  [[nodiscard]] bool listingDue() const;
  // The regular files (and entries of unknown type) of folder, the first window of them by name.
  [[nodiscard]] std::vector<std::string> guessFiles(const std::string& folder) const;

  const Limits limits_;
  const ContentMatcher matcher_;
  std::vector<std::string> folders_;
  SpinLock lock_;
  std::deque<SlotPtr> slots_;     // the run's next file first
  std::size_t entered_ = 0;       // the folder the run is in
  std::size_t listNext_ = 0;      // the next folder to guess
  bool listing_ = false;          // a helper is guessing one
  int waiting_ = 0;               // helpers asleep on wake_ (counted under the lock)
  bool stop_ = false;
  std::atomic<std::uint32_t> wake_{0};  // moved on, and notified, when sleeping helpers have work
  std::atomic<bool> runWaits_{false};   // the run sleeps on a slot's state
  std::vector<std::thread> threads_;
};

}  // namespace tools::text
