// Grouping by contents in two hashing rounds (first block, then the rest for the files still
// alike) and the byte-for-byte comparison that deletes and moves rest on.
#include "tools/file_ops/dupes_contents.h"

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
#include <thread>
#include <unordered_map>

namespace tools::file_ops {

namespace {

// Most files of one size that differ already differ here, and a file this small is hashed whole
// by its first read.
constexpr std::uint64_t kFirstBlock = 64 * 1024;
constexpr std::size_t kPiece = 1024 * 1024;
// From this many files on, a few threads read at once: opening and reading small files is mostly
// waiting on the system, which several threads do side by side.
constexpr std::size_t kParallelFrom = 32;
constexpr unsigned kMaxReaders = 4;
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
  int error = 0;  // errno; ELOOP: a symlink, left out without a word
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
    (void)XXH3_128bits_update(&state, buf.data(), got);
    offset += got;
    if (!poll(got)) return kStopped;
  }
  hash = XXH3_128bits_digest(&state);
  return 0;
}

// Runs work(i, poll, buffer) for every i below n: on this thread alone for few items, else with
// helper threads beside it. Only this thread calls reading.poll (also while it waits for the
// helpers); a stop ends every thread after its current piece. False when stopped.
using Work = std::function<int(std::size_t i, const PollFn& poll, std::vector<char>& buf)>;
bool readEach(std::size_t n, std::size_t bufSize, const ContentReading& reading, const Work& work) {
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};
  unsigned finished = 0;  // helpers done, under lock
  std::mutex lock;
  std::condition_variable done;
  const PollFn mainPoll = [&](std::uint64_t bytes) {
    if (reading.poll && !reading.poll(bytes)) stop = true;
    return !stop.load();
  };
  const PollFn helperPoll = [&](std::uint64_t) { return !stop.load(std::memory_order_relaxed); };
  const auto loop = [&](const PollFn& poll) {
    std::vector<char> buf(bufSize);
    for (std::size_t i = next++; i < n && !stop.load(std::memory_order_relaxed); i = next++) {
      if (work(i, poll, buf) == kStopped) stop = true;
    }
  };
  const unsigned helpers =
      n < kParallelFrom ? 0 : std::min(kMaxReaders, std::max(1U, std::thread::hardware_concurrency())) - 1;
  std::vector<std::jthread> threads;
  for (unsigned t = 0; t < helpers; ++t) {
    threads.emplace_back([&] {
      loop(helperPoll);
      const std::lock_guard<std::mutex> hold(lock);
      ++finished;
      done.notify_one();
    });
  }
  loop(mainPoll);
  // The last helpers may still read a large file: Cancel must keep working meanwhile.
  std::unique_lock<std::mutex> hold(lock);
  while (!done.wait_for(hold, std::chrono::milliseconds(20), [&] { return finished == helpers; })) {
    hold.unlock();
    (void)mainPoll(0);
    hold.lock();
  }
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

bool severalInodes(const std::vector<std::size_t>& positions, const std::vector<Outcome>& out) {
  for (std::size_t m : positions) {
    if (out[m].identity != out[positions.front()].identity) return true;
  }
  return false;
}

// Reports and drops the members whose reading failed; the positions still usable.
std::vector<std::size_t> usableAfter(const std::vector<std::size_t>& positions, std::vector<Outcome>& out,
                                     std::span<const std::size_t> members, const ContentReading& reading) {
  std::vector<std::size_t> usable;
  for (std::size_t m : positions) {
    if (out[m].error == 0) {
      usable.push_back(m);
    } else if (out[m].error != ELOOP && reading.unreadable) {
      reading.unreadable(members[m], out[m].error);
    }
  }
  return usable;
}

}  // namespace

std::optional<std::vector<DupesGroup>> groupSameContents(std::vector<DupesFile>& files,
                                                         std::span<const std::size_t> members,
                                                         const ContentReading& reading) {
  std::vector<DupesGroup> groups;
  if (members.size() < 2) return groups;
  const std::uint64_t size = files[members.front()].size;
  const std::uint64_t firstEnd = std::min(size, kFirstBlock);
  const std::size_t bufSize = static_cast<std::size_t>(std::min<std::uint64_t>(size, kPiece));
  std::vector<Outcome> out(members.size());

  const bool read = readEach(members.size(), bufSize, reading, [&](std::size_t m, const PollFn& poll, std::vector<char>& buf) {
    out[m].error = hashRange(files[members[m]], 0, firstEnd, buf, poll, out[m].identity, out[m].digest.first);
    return out[m].error;
  });
  if (!read) return std::nullopt;
  std::vector<std::size_t> all(members.size());
  std::iota(all.begin(), all.end(), std::size_t{0});
  std::vector<std::size_t> live = usableAfter(all, out, members, reading);
  for (std::size_t m : live) {
    files[members[m]].identity = out[m].identity;
    files[members[m]].identified = true;
  }

  if (size > firstEnd) {
    std::vector<std::size_t> again;
    for (const auto& alike : partition(live, [&](std::size_t m) { return Digest{out[m].digest.first, {}}; })) {
      // A first block no other inode shares: no duplicate, no second read.
      if (severalInodes(alike, out)) again.insert(again.end(), alike.begin(), alike.end());
    }
    const bool restRead = readEach(again.size(), bufSize, reading, [&](std::size_t k, const PollFn& poll, std::vector<char>& buf) {
      Outcome& o = out[again[k]];
      platform::FileIdentity identity;
      o.error = hashRange(files[members[again[k]]], firstEnd, size, buf, poll, identity, o.digest.rest);
      return o.error;
    });
    if (!restRead) return std::nullopt;
    std::sort(again.begin(), again.end());
    live = usableAfter(again, out, members, reading);
  }

  for (const auto& same : partition(live, [&](std::size_t m) { return out[m].digest; })) {
    DupesGroup group{.kept = members[same.front()], .copies = {}};
    for (std::size_t m : same) {
      if (out[m].identity != out[same.front()].identity) group.copies.push_back(members[m]);
    }
    if (!group.copies.empty()) groups.push_back(std::move(group));
  }
  return groups;
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
