// Grouping by contents in two hashing rounds (first block, then the rest for the files still
// alike) and the byte-for-byte comparison that deletes and moves rest on.
#include "tools/file_ops/dupes_contents.h"

#include "platform/step_scope.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <numeric>
#include <optional>
#include <thread>
#include <unordered_map>

namespace tools::file_ops {

namespace {

// Most files of one size that differ already differ here, and a file this small is hashed whole
// by its first read.
constexpr std::uint64_t kFirstBlock = 64 * 1024;
constexpr std::size_t kPiece = 1024 * 1024;
// From this many files on, several threads read at once: opening and reading small files is
// mostly time in the system, which threads spend side by side (on a tree of 10,000 files, eight
// readers take a quarter of the time one takes).
constexpr std::size_t kParallelFrom = 32;
constexpr unsigned kMaxReaders = 8;
// First looks a reader takes at a time: files listed one after the other mostly share a folder,
// which the reader's scope then keeps open.
constexpr std::size_t kFirstLooksAtATime = 16;
constexpr int kStopped = -1;

using PollFn = std::function<bool(std::uint64_t bytes)>;

struct Digest {
  XXH128_hash_t first{};
  XXH128_hash_t rest{};
  friend bool operator==(const Digest& a, const Digest& b) {
    return XXH128_isEqual(a.first, b.first) && XXH128_isEqual(a.rest, b.rest);
  }
};

struct DigestHash {
  std::size_t operator()(const Digest& d) const { return static_cast<std::size_t>(d.first.low64 ^ (d.rest.low64 * 31)); }
};

// What reading one member gave.
struct Outcome {
  int error = 0;         // errno; ELOOP: a symlink, left out without a word
  bool restRead = false;  // the rest was read (error, if any, came from that second read)
  bool again = false;     // its first block is another inode's too: the rest is read
  platform::FileIdentity identity{};
  Digest digest{};
};

// Opens f and checks that it is still the file measured: 0, or errno (ESTALE when it is not).
int openMeasured(platform::IdentifiedFile& file, const DupesFile& f) {
  if (const int err = file.open(f.path); err != 0) return err;
  if (file.size() != f.size || (f.identified && file.identity() != f.identity)) return ESTALE;
  return 0;
}

// The XXH3-128 of bytes [from, to) of f into hash, and f's identity: 0, errno, or kStopped.
int hashRange(const DupesFile& f, std::uint64_t from, std::uint64_t to, std::vector<char>& buf, const PollFn& poll,
              platform::FileIdentity& identity, XXH128_hash_t& hash) {
  platform::IdentifiedFile file;
  if (const int err = openMeasured(file, f); err != 0) return err;
  identity = file.identity();
  if (to - from > kPiece) file.adviseSequential();
  XXH3_state_t state;
  (void)XXH3_128bits_reset(&state);
  for (std::uint64_t offset = from; offset < to;) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, to - offset));
    std::size_t got = 0;
    if (const int err = file.readAt(buf.data(), want, offset, got); err != 0) return err;
    if (got != want) return ESTALE;  // shorter than measured
    offset += got;
    if (offset == to && offset - from == got) {
      hash = XXH3_128bits(buf.data(), got);  // the whole range in one piece: the same hash, sooner
    } else {
      (void)XXH3_128bits_update(&state, buf.data(), got);
      if (offset == to) hash = XXH3_128bits_digest(&state);
    }
    if (!poll(got)) return kStopped;
  }
  if (from == to) hash = XXH3_128bits(buf.data(), 0);
  return 0;
}

// Runs work(i, poll, buffer) for every i below n, taking perTurn items at a time in their order:
// on this thread alone for few items, else with helper threads beside it (each in a scope of its
// own on reading.scopeRoot). Only this thread calls reading.poll and looked (also while it waits
// for the helpers); a stop ends every thread after its current piece. False when stopped.
using Work = std::function<int(std::size_t i, const PollFn& poll, std::vector<char>& buf)>;
bool readEach(std::size_t n, std::size_t perTurn, std::size_t bufSize, const ContentReading& reading,
              const std::function<void(std::size_t)>& looked, const Work& work) {
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> done{0};
  std::atomic<bool> stop{false};
  std::size_t told = 0;   // items reported to looked
  unsigned finished = 0;  // helpers done, under lock
  std::mutex lock;
  std::condition_variable allDone;
  const auto tell = [&] {
    if (!looked) return;
    const std::size_t now = done.load();
    if (now > told) looked(now - told);
    told = now;
  };
  const PollFn mainPoll = [&](std::uint64_t bytes) {
    if (reading.poll && !reading.poll(bytes)) stop = true;
    return !stop.load();
  };
  const PollFn helperPoll = [&](std::uint64_t) { return !stop.load(std::memory_order_relaxed); };
  const auto loop = [&](const PollFn& poll, bool main) {
    std::vector<char> buf(bufSize);
    while (!stop.load(std::memory_order_relaxed)) {
      const std::size_t from = next.fetch_add(perTurn);
      if (from >= n) break;
      const std::size_t to = std::min(n, from + perTurn);
      for (std::size_t i = from; i < to && !stop.load(std::memory_order_relaxed); ++i) {
        if (work(i, poll, buf) == kStopped) stop = true;
        done.fetch_add(1, std::memory_order_relaxed);
      }
      if (main) tell();
    }
  };
  // No more readers than turns of work.
  const std::size_t turns = (n + perTurn - 1) / perTurn;
  const unsigned readers = static_cast<unsigned>(
      std::min<std::size_t>(turns, std::min(kMaxReaders, std::max(1U, std::thread::hardware_concurrency()))));
  const unsigned helpers = n < kParallelFrom ? 0 : readers - 1;
  std::vector<std::jthread> threads;
  for (unsigned t = 0; t < helpers; ++t) {
    threads.emplace_back([&] {
      {
        std::optional<platform::StepScope> scope;
        if (!reading.scopeRoot.empty()) scope.emplace(reading.scopeRoot);
        loop(helperPoll, false);
      }
      const std::lock_guard<std::mutex> hold(lock);
      ++finished;
      allDone.notify_one();
    });
  }
  loop(mainPoll, true);
  // The last helpers may still read a large file: Cancel must keep working meanwhile.
  std::unique_lock<std::mutex> hold(lock);
  while (!allDone.wait_for(hold, std::chrono::milliseconds(20), [&] { return finished == helpers; })) {
    hold.unlock();
    (void)mainPoll(0);
    tell();
    hold.lock();
  }
  hold.unlock();
  tell();
  return !stop.load();
}

// Members (by position) with equal keys, in the order of their first appearance.
template <class KeyOf>
std::vector<std::vector<std::size_t>> partition(const std::vector<std::size_t>& positions, KeyOf keyOf) {
  std::vector<std::vector<std::size_t>> classes;
  std::unordered_map<Digest, std::size_t, DigestHash> where;
  for (std::size_t m : positions) {
    const auto [it, added] = where.try_emplace(keyOf(m), classes.size());
    if (added) classes.emplace_back();
    classes[it->second].push_back(m);
  }
  return classes;
}

bool severalInodes(const std::vector<std::size_t>& positions, std::span<const Outcome> out) {
  for (std::size_t m : positions) {
    if (out[m].identity != out[positions.front()].identity) return true;
  }
  return false;
}

// Reports the members whose reading failed in the round given (the first: restRead false); the
// positions usable after that round.
std::vector<std::size_t> usableAfter(const std::vector<std::size_t>& positions, std::span<const Outcome> out,
                                     bool restRound, SizeClass members, const ContentReading& reading) {
  std::vector<std::size_t> usable;
  for (std::size_t m : positions) {
    if (out[m].error == 0 || out[m].restRead != restRound) {
      usable.push_back(m);
    } else if (out[m].error != ELOOP && reading.unreadable) {
      reading.unreadable(members[m], out[m].error);
    }
  }
  return usable;
}

std::uint64_t firstEndOf(std::uint64_t size) { return std::min(size, kFirstBlock); }

// After the first round, one class: its members that read well get their identity, and those
// whose first block another inode shares are marked to have the rest read.
void markAgain(std::vector<DupesFile>& files, SizeClass members, std::span<Outcome> out) {
  std::vector<std::size_t> live;
  for (std::size_t m = 0; m < members.size(); ++m) {
    if (out[m].error != 0) continue;
    live.push_back(m);
    files[members[m]].identity = out[m].identity;
    files[members[m]].identified = true;
  }
  if (live.empty() || files[members.front()].size <= kFirstBlock) return;
  for (const auto& alike : partition(live, [&](std::size_t m) { return Digest{out[m].digest.first, {}}; })) {
    // A first block no other inode shares: no duplicate, no second read.
    if (!severalInodes(alike, out)) continue;
    for (std::size_t m : alike) out[m].again = true;
  }
}

// After both rounds, one class (of size bytes each): its failures reported in the order of the
// rounds, and its groups.
std::vector<DupesGroup> decide(SizeClass members, std::uint64_t size, std::span<const Outcome> out,
                               const ContentReading& reading) {
  std::vector<std::size_t> all(members.size());
  std::iota(all.begin(), all.end(), std::size_t{0});
  std::vector<std::size_t> live = usableAfter(all, out, false, members, reading);
  if (size > kFirstBlock) {
    std::erase_if(live, [&](std::size_t m) { return !out[m].again; });
    live = usableAfter(live, out, true, members, reading);
  }
  std::vector<DupesGroup> groups;
  for (const auto& same : partition(live, [&](std::size_t m) { return out[m].digest; })) {
    DupesGroup group{.kept = members[same.front()], .copies = {}};
    for (std::size_t m : same) {
      if (out[m].identity != out[same.front()].identity) group.copies.push_back(members[m]);
    }
    if (!group.copies.empty()) groups.push_back(std::move(group));
  }
  return groups;
}

}  // namespace

std::optional<std::vector<DupesGroup>> groupSameContents(std::vector<DupesFile>& files,
                                                         std::span<const std::size_t> members,
                                                         const ContentReading& reading) {
  std::vector<DupesGroup> groups;
  const SizeClass one[] = {members};
  const bool read = groupSameContentsEach(files, one, reading, [&](std::size_t, std::vector<DupesGroup>& found) {
    groups = std::move(found);
    return true;
  });
  if (!read) return std::nullopt;
  return groups;
}

bool groupSameContentsEach(std::vector<DupesFile>& files, std::span<const SizeClass> classes,
                           const ContentReading& reading,
                           const std::function<bool(std::size_t index, std::vector<DupesGroup>& groups)>& onClass) {
  // Every member of a class of two or more has a slot; a class's slots follow one another.
  std::vector<std::size_t> firstSlot(classes.size() + 1, 0);
  for (std::size_t k = 0; k < classes.size(); ++k) {
    firstSlot[k + 1] = firstSlot[k] + (classes[k].size() < 2 ? 0 : classes[k].size());
  }
  const std::size_t slots = firstSlot.back();
  std::vector<Outcome> out(slots);
  std::vector<std::size_t> fileOf(slots);
  std::uint64_t largest = 0;
  for (std::size_t k = 0; k < classes.size(); ++k) {
    if (classes[k].size() < 2) continue;
    std::copy(classes[k].begin(), classes[k].end(), fileOf.begin() + static_cast<std::ptrdiff_t>(firstSlot[k]));
    largest = std::max(largest, files[classes[k].front()].size);
  }

  // First round: in the order of the files, so that a reader meets the files of one folder in turn.
  std::vector<std::size_t> order(slots);
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return fileOf[a] < fileOf[b]; });
  const std::size_t firstBuf = static_cast<std::size_t>(firstEndOf(largest));
  const bool firstRead = readEach(slots, kFirstLooksAtATime, firstBuf, reading, reading.looked,
                                  [&](std::size_t i, const PollFn& poll, std::vector<char>& buf) {
                                    Outcome& o = out[order[i]];
                                    const DupesFile& f = files[fileOf[order[i]]];
                                    o.error = hashRange(f, 0, firstEndOf(f.size), buf, poll, o.identity, o.digest.first);
                                    return o.error;
                                  });
  if (!firstRead) return false;

  // Second round: the rest of the files whose first block another inode shares, largest first so
  // that no reader is left with a large file at the end.
  order.clear();
  for (std::size_t k = 0; k < classes.size(); ++k) {
    if (classes[k].size() < 2) continue;
    const std::span<Outcome> mine(out.data() + firstSlot[k], classes[k].size());
    markAgain(files, classes[k], mine);
    for (std::size_t m = 0; m < mine.size(); ++m) {
      if (mine[m].again) order.push_back(firstSlot[k] + m);
    }
  }
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return files[fileOf[a]].size > files[fileOf[b]].size; });
  const std::size_t restBuf = static_cast<std::size_t>(std::min<std::uint64_t>(largest, kPiece));
  const bool restRead = readEach(order.size(), 1, order.empty() ? 0 : restBuf, reading, {},
                                 [&](std::size_t i, const PollFn& poll, std::vector<char>& buf) {
                                   Outcome& o = out[order[i]];
                                   const DupesFile& f = files[fileOf[order[i]]];
                                   platform::FileIdentity identity;
                                   o.restRead = true;
                                   o.error = hashRange(f, kFirstBlock, f.size, buf, poll, identity, o.digest.rest);
                                   return o.error;
                                 });
  if (!restRead) return false;

  for (std::size_t k = 0; k < classes.size(); ++k) {
    std::vector<DupesGroup> groups;
    if (classes[k].size() >= 2) {
      groups = decide(classes[k], files[classes[k].front()].size,
                      std::span<const Outcome>(out.data() + firstSlot[k], classes[k].size()), reading);
    }
    if (!onClass(k, groups)) return false;
  }
  return true;
}

Compared sameContents(const DupesFile& kept, const DupesFile& copy, const ContentReading& reading) {
  platform::IdentifiedFile a, b;
  if (const int err = a.open(kept.path); err != 0) {
    if (reading.unreadable) reading.unreadable(0, err);
    return Compared::Unreadable;
  }
  if (const int err = b.open(copy.path); err != 0) {
    if (reading.unreadable) reading.unreadable(1, err);
    return Compared::Unreadable;
  }
  // Another file in either place, or one name of the other's inode, is no duplicate to act on.
  if (a.identity() != kept.identity || b.identity() != copy.identity || a.identity() == b.identity() ||
      a.size() != b.size()) {
    return Compared::Different;
  }
  const std::uint64_t size = a.size();
  const std::size_t pieceSize = static_cast<std::size_t>(std::min<std::uint64_t>(size, kPiece));
  std::vector<char> bufA(pieceSize), bufB(pieceSize);
  if (size > kPiece) {
    a.adviseSequential();
    b.adviseSequential();
  }
  for (std::uint64_t offset = 0; offset < size;) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, size - offset));
    std::size_t gotA = 0, gotB = 0;
    if (const int err = a.readAt(bufA.data(), want, offset, gotA); err != 0) {
      if (reading.unreadable) reading.unreadable(0, err);
      return Compared::Unreadable;
    }
    if (const int err = b.readAt(bufB.data(), want, offset, gotB); err != 0) {
      if (reading.unreadable) reading.unreadable(1, err);
      return Compared::Unreadable;
    }
    if (gotA != want || gotB != want || std::memcmp(bufA.data(), bufB.data(), want) != 0) return Compared::Different;
    offset += want;
    if (reading.poll && !reading.poll(want)) return Compared::Stopped;
  }
  // A file that grew since it was measured is no longer the one compared.
  char probe[1];
  std::size_t gotA = 0, gotB = 0;
  if (a.readAt(probe, 1, size, gotA) != 0 || b.readAt(probe, 1, size, gotB) != 0 || gotA + gotB != 0) {
    return Compared::Different;
  }
  return Compared::Same;
}

}  // namespace tools::file_ops
