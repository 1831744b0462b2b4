// The helpers take queued paths strictly in order (nextRead_ only grows) and never more than the
// window past the run's own place, so that what is read ahead stays bounded and the run finds it
// when it comes. A slot the run reached before any helper took it is claimed by the run (it reads
// that file itself) and passed over by the helpers.
//
// Why a finding may stand for the file the run opens later: a change to a file's bytes moves its
// modification and change times, so equal times (and device, inode, size) mean no change since
// the helper looked, except for a change within the same tick of the file system's clock as the
// one before it. A file whose times lie that close to the helper's look is left to the run, as
// git treats an index entry as racy: its finding is never kept.
#include "tools/text/find_read_ahead.h"

#include "core/contents_rewrite.h"
#include "platform/dir_listing.h"
#include "platform/file_head.h"
#include "tools/text/find_run.h"

#include <algorithm>
#include <ctime>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

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

void ReadAhead::setFolders(std::vector<std::string> folders) {
  const std::lock_guard lock(lock_);
  folders_ = std::move(folders);
}

void ReadAhead::start() {
  if (!threads_.empty()) return;
  for (int i = 0; i < std::max(limits_.helpers, 1); ++i) threads_.emplace_back([this] { helper(); });
}

void ReadAhead::enterFolder(const std::string& folder, const std::vector<std::string>& names) {
  bool wake = false;
  {
    const std::lock_guard lock(lock_);
    std::size_t at = entered_;
    while (at < folders_.size() && folders_[at] != folder) ++at;
    const bool known = at < folders_.size();
    if (known) {
      entered_ = at;
    } else {  // nothing guessed stands: guesses start again after the folder the run was in
      slots_.clear();
      at = entered_;
    }
    listNext_ = known ? std::max(listNext_, at + 1) : at + 1;
    while (!slots_.empty() && slots_.front()->folder < at) slots_.pop_front();
    // The helpers' guesses for this folder, kept where the run's listing has the same file: most
    // often all of them, in the same order, and then nothing changes.
    std::size_t same = 0;
    const std::size_t guesses = static_cast<std::size_t>(
        std::find_if(slots_.begin(), slots_.end(), [&](const SlotPtr& s) { return s->folder != at; }) -
        slots_.begin());
    while (same < guesses && same < names.size() && slots_[same]->path.size() == folder.size() + names[same].size() &&
           slots_[same]->path.ends_with(names[same]) && slots_[same]->path.starts_with(folder))
      ++same;
    if (same < guesses || same < names.size()) {
      std::unordered_map<std::string_view, SlotPtr> guessed;
      for (std::size_t i = same; i < guesses; ++i) guessed.emplace(slots_[i]->path, slots_[i]);
      std::vector<SlotPtr> mine;
      std::string path;
      for (std::size_t i = same; i < names.size(); ++i) {
        path.assign(folder).append(names[i]);
        const auto g = guessed.find(path);
        mine.push_back(g != guessed.end() ? g->second : std::make_shared<Slot>(path, at));
      }
      slots_.erase(slots_.begin() + static_cast<std::ptrdiff_t>(same),
                   slots_.begin() + static_cast<std::ptrdiff_t>(guesses));
      slots_.insert(slots_.begin() + static_cast<std::ptrdiff_t>(same), std::make_move_iterator(mine.begin()),
                    std::make_move_iterator(mine.end()));
    }
    wake = waiting_ > 0;
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
      worth = worth || (listingDue() && slots_.size() + quarter <= limits_.window);
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
      if (nextQueued() == nullptr && !listing_ &&
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

bool ReadAhead::listingDue() const {
  return !listing_ && listNext_ < folders_.size() && slots_.size() < limits_.window;
}

std::vector<std::string> ReadAhead::guessFiles(const std::string& folder) const {
  std::vector<std::string> names;
  platform::FolderReader reader;
  if (reader.open(folder) != 0) return names;
  (void)platform::forEachEntryUntil(reader.fd(), [&](const char* name, platform::DirEntryKind kind) {
    if ((kind == platform::DirEntryKind::File || kind == platform::DirEntryKind::Unknown) &&
        (limits_.withHidden || name[0] != '.'))
      names.emplace_back(name);
    return false;
  });
  // As the main window lists by name, most often: letters of either case together, numbers by
  // their value. Only a guess: the run's own listing decides.
  const auto before = [](const std::string& a, const std::string& b) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
      if (digit(a[i]) && digit(b[j])) {
        std::size_t ei = i, ej = j;
        while (ei < a.size() && digit(a[ei])) ++ei;
        while (ej < b.size() && digit(b[ej])) ++ej;
        std::size_t si = i, sj = j;
        while (si + 1 < ei && a[si] == '0') ++si;
        while (sj + 1 < ej && b[sj] == '0') ++sj;
        if (ei - si != ej - sj) return ei - si < ej - sj;
        if (const int c = a.compare(si, ei - si, b, sj, ej - sj); c != 0) return c < 0;
        i = ei, j = ej;
        continue;
      }
      if (lower(a[i]) != lower(b[j])) return static_cast<unsigned char>(lower(a[i])) < static_cast<unsigned char>(lower(b[j]));
      ++i, ++j;
    }
    if (i < a.size() || j < b.size()) return a.size() - i < b.size() - j;
    return a < b;
  };
  const std::size_t keep = std::min(names.size(), limits_.window);
  std::partial_sort(names.begin(), names.begin() + static_cast<std::ptrdiff_t>(keep), names.end(), before);
  names.resize(keep);
  return names;
}

void ReadAhead::helper() {
  ContentMatcher matcher = matcher_;
  const auto piece = std::make_unique_for_overwrite<char[]>(kFindPieceSize);
  for (bool slept = false;;) {
    const std::uint32_t seen = wake_.load();
    SlotPtr next;
    std::size_t at = 0;
    std::string folder;
    {
      const std::lock_guard lock(lock_);
      if (slept) --waiting_;
      slept = false;
      if (stop_) return;
      if (const SlotPtr* queued = nextQueued()) {
        next = *queued;  // kept alive while read, even if the run drops it meanwhile
        next->state.store(State::Reading);
      } else if (listingDue()) {
        listing_ = true;
        at = listNext_++;
        folder = folders_[at];
      } else {
        ++waiting_;
        slept = true;
      }
    }
    if (slept) {
      wake_.wait(seen);  // returns at once when work came since seen was read
      continue;
    }
    if (next) {
      next->finding = judge(next->path, matcher, piece.get());
      next->state.store(State::Done);
      if (runWaits_.load()) next->state.notify_all();
      continue;
    }
    std::vector<std::string> names = guessFiles(folder);
    bool wake = false;
    {
      const std::lock_guard lock(lock_);
      listing_ = false;
      // Kept unless the run has come that far meanwhile (its own listing then stands).
      if (at > entered_ && (slots_.empty() || slots_.back()->folder < at)) {
        for (const std::string& name : names) slots_.push_back(std::make_shared<Slot>(folder + name, at));
        wake = waiting_ > 0 && !names.empty();
      }
    }
    if (wake) {
      wake_.fetch_add(1);
      wake_.notify_all();
    }
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
