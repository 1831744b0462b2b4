// The helpers take queued paths in order and never more than the window past the run's own
// place, so that what is read ahead stays bounded and the run finds it when it comes. A slot the
// run reached before any helper took it is claimed by the run (it reads that file itself) and
// passed over by the helpers.
//
// Why a finding may stand for the file the run opens later: a change to a file's bytes moves its
// modification and change times, so equal times (and device, inode, size) mean no change since
// the helper looked, except for a change within the same tick of the file system's clock as the
// one before it. A file whose times lie that close to the helper's look is left to the run, as
// git treats an index entry as racy: its finding is never kept.
#include "tools/text/find_read_ahead.h"

#include "core/contents_rewrite.h"
#include "platform/step_scope.h"
#include "platform/file_head.h"
#include "tools/text/find_run.h"

#include <algorithm>
#include <ctime>
#include <memory>
#include <mutex>
#include <thread>

namespace tools::text {

namespace {

// A moment's wait in a spin, kind to the other hyperthread.
void pause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#else
  std::this_thread::yield();
#endif
}

bool sameTime(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Times within this of the helper's look may hide a later change in the same tick. File systems
// that keep whole seconds (or two, as FAT) need more than those that keep nanoseconds, whose
// clock moves in ticks of a few milliseconds.
bool tooRecent(const struct stat& st, const struct timespec& now) {
  const bool coarse = st.st_mtim.tv_nsec == 0 && st.st_ctim.tv_nsec == 0;
  const std::int64_t marginNs = coarse ? 3'000'000'000LL : 100'000'000LL;
  const auto ns = [](const struct timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000LL + t.tv_nsec;
  };
  const std::int64_t latest = std::max(ns(st.st_mtim), ns(st.st_ctim));
  return latest >= ns(now) - marginNs;
}

}  // namespace

bool AheadFinding::judges(const struct stat& seen) const {
  return seen.st_dev == device && seen.st_ino == inode && seen.st_size == size &&
         sameTime(seen.st_mtim, modified) && sameTime(seen.st_ctim, changed);
}

ReadAhead::ReadAhead(Limits limits, const ContentMatcher& matcher) : limits_(limits), matcher_(matcher) {}

void ReadAhead::SpinLock::lock() {
  for (int turn = 0; held_.exchange(true, std::memory_order_acquire);) {
    while (held_.load(std::memory_order_relaxed)) {
      if (++turn < 1000) pause();
      else std::this_thread::yield();  // its holder lost the processor
    }
  }
}

ReadAhead::~ReadAhead() {
  {
    const std::lock_guard lock(lock_);
    stop_ = true;
  }
  wake_.fetch_add(1);
  wake_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void ReadAhead::start(const std::string& root) {
  if (!threads_.empty() || root_) return;
  root_.emplace(root);
  // Without the run's folder no path can be reached safely: every file is left to the run.
  if (root_->error() != 0) return;
  for (int i = 0; i < std::max(limits_.helpers, 1); ++i) threads_.emplace_back([this] { helper(); });
}

void ReadAhead::enterFolder(const std::string& folder, const std::vector<std::string>& names) {
  bool wake = false;
  {
    const std::lock_guard lock(lock_);
    slots_.clear();  // the last folder's files are done with (a helper reading one keeps its slot)
    std::string path;
    for (const std::string& name : names) {
      path.assign(folder).append(name);
      slots_.push_back(std::make_shared<Slot>(path));
    }
    wake = waiting_ > 0 && !slots_.empty();
  }
  if (wake) {
    wake_.fetch_add(1);
    wake_.notify_all();
  }
}

std::optional<AheadFinding> ReadAhead::take(std::string_view path) {
  SlotPtr slot;
  {
    const std::lock_guard lock(lock_);
    // Nearly always the front: the run takes the paths in the order they were given.
    const auto at = std::find_if(slots_.begin(), slots_.end(), [&](const SlotPtr& s) { return s->path == path; });
    if (at == slots_.end()) return std::nullopt;
    slots_.erase(slots_.begin(), at);
    slot = slots_.front();
    State expected = State::Queued;
    if (slot->state.compare_exchange_strong(expected, State::Claimed)) return std::nullopt;  // stays, taken by none
    slots_.pop_front();
  }
  // Done, or Reading: most files take a helper microseconds, so a short spin costs less than
  // sleeping (a yield could hand the processor to another program for a whole time slice).
  for (int turn = 0; turn < 400 && slot->state.load() == State::Reading; ++turn) pause();
  if (slot->state.load() == State::Reading) {
    runWaits_.store(true);
    slot->state.wait(State::Reading);
    runWaits_.store(false);
  }
  std::optional<AheadFinding> finding = std::move(slot->finding);
  // Sleeping helpers are woken once there is a quarter window of work, not for every file: each
  // wake-up may take the processor from the run for a moment.
  bool worth = false;
  {
    const std::lock_guard lock(lock_);
    if (waiting_ > 0) {
      const std::size_t quarter = limits_.window / 4, reach = std::min(slots_.size(), limits_.window - quarter);
      for (std::size_t i = 0; i < reach && !worth; ++i) worth = slots_[i]->state.load() == State::Queued;
    }
  }
  if (worth) {
    wake_.fetch_add(1);
    wake_.notify_all();
  }
  return finding;
}

bool ReadAhead::waitIdle(std::chrono::milliseconds timeout) {
  const auto until = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    {
      const std::lock_guard lock(lock_);
      if (nextQueued() == nullptr &&
          std::none_of(slots_.begin(), slots_.end(), [](const SlotPtr& s) { return s->state.load() == State::Reading; }))
        return true;
    }
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

const ReadAhead::SlotPtr* ReadAhead::nextQueued() const {
  const std::size_t reach = std::min(slots_.size(), limits_.window);
  for (std::size_t i = 0; i < reach; ++i)
    if (slots_[i]->state.load(std::memory_order_relaxed) == State::Queued) return &slots_[i];
  return nullptr;
}

void ReadAhead::helper() {
  // Every folder and file this helper opens is reached from the run's start folder one name at a
  // time, never through a link: a folder swapped for one after the walk leads nowhere.
  const platform::StepScope scope(*root_);
  ContentMatcher matcher = matcher_;
  const auto piece = std::make_unique_for_overwrite<char[]>(kFindPieceSize);
  for (bool slept = false;;) {
    const std::uint32_t seen = wake_.load();
    SlotPtr next;
    {
      const std::lock_guard lock(lock_);
      if (slept) --waiting_;
      slept = false;
      if (stop_) return;
      if (const SlotPtr* queued = nextQueued()) {
        next = *queued;  // kept alive while read, even if the run drops it meanwhile
        next->state.store(State::Reading);
      } else {
        ++waiting_;
        slept = true;
      }
    }
    if (slept) {
      wake_.wait(seen);  // returns at once when work came since seen was read
      continue;
    }
    // A path outside the run's folder is the run's own to reach.
    if (next->path.starts_with(scope.root())) next->finding = judge(next->path, matcher, piece.get());
    next->state.store(State::Done);
    if (runWaits_.load()) next->state.notify_all();
  }
}

std::optional<AheadFinding> ReadAhead::judge(const std::string& path, ContentMatcher& matcher, char* piece) const {
  platform::FileHead head;
  platform::HeldFile file;
  if (platform::openAndReadHead(path, platform::OpenAccess::Read, 0, head, &file, platform::TypeCheck::Listed) != 0)
    return std::nullopt;
  const struct stat* seen = file.seen();
  if (seen == nullptr) return std::nullopt;
  if (head.size > limits_.largestFile) {
    (void)file.prefetch(std::min(limits_.bytesPerFile, head.size));
    return std::nullopt;
  }
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  if (tooRecent(*seen, now)) return std::nullopt;
  AheadFinding finding{.device = seen->st_dev,
                       .inode = seen->st_ino,
                       .size = seen->st_size,
                       .modified = seen->st_mtim,
                       .changed = seen->st_ctim};
  const core::PiecePlan plan = core::planPieces(head.size, kFindPieceSize);
  matcher.begin();
  for (std::uint64_t k = 1; k <= plan.count; ++k) {
    const std::size_t want = k == plan.count ? static_cast<std::size_t>(plan.lastLength) : kFindPieceSize;
    std::size_t got = 0;
    // A read that fails or comes short is the run's to meet and report.
    if (file.read((k - 1) * kFindPieceSize, want, piece, got) != 0 || got < want) return std::nullopt;
    if (matcher.feed(std::string_view(piece, got))) {
      finding.matchedInPiece = k;
      break;
    }
  }
  return finding;
}

}  // namespace tools::text
