// Grouping by contents in two hashing rounds (first block, then the rest for the files still
// alike) and the byte-for-byte comparison that deletes and moves rest on.
#include "tools/file_ops/dupes_contents.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace tools::file_ops {

namespace {

// Most files of one size that differ already differ here, and a file this small is hashed whole
// by its first read.
constexpr std::uint64_t kFirstBlock = 64 * 1024;
constexpr std::size_t kPiece = 1024 * 1024;

enum class Read { Ok, Unreadable, Stopped };

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

struct IdentityHash {
  std::size_t operator()(const platform::FileIdentity& id) const {
    return static_cast<std::size_t>(id.inode * 0x9E3779B97F4A7C15ULL ^ id.device);
  }
};

// Opens f and checks that it is still the file measured.
bool openMeasured(platform::IdentifiedFile& file, const DupesFile& f) {
  return file.open(f.path) == 0 && file.identity() == f.identity && file.size() == f.size;
}

// The XXH3-128 of bytes [from, to) of f.
Read hashRange(const DupesFile& f, std::uint64_t from, std::uint64_t to, std::vector<char>& buf,
               const ContentReading& reading, XXH128_hash_t& out) {
  platform::IdentifiedFile file;
  if (!openMeasured(file, f)) return Read::Unreadable;
  if (to - from > kPiece) file.adviseSequential();
  XXH3_state_t state;
  (void)XXH3_128bits_reset(&state);
  for (std::uint64_t offset = from; offset < to;) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, to - offset));
    std::size_t got = 0;
    if (file.readAt(buf.data(), want, offset, got) != 0 || got != want) return Read::Unreadable;
    (void)XXH3_128bits_update(&state, buf.data(), got);
    offset += got;
    if (reading.poll && !reading.poll(got)) return Read::Stopped;
  }
  out = XXH3_128bits_digest(&state);
  return Read::Ok;
}

// One inode among the members: read once for all its names.
struct Probe {
  std::size_t file = 0;  // the first member of this inode
  Digest digest{};
  bool failed = false;
  bool alone = false;    // its first block matched no other inode's: no duplicate, no second read
};

// Probes (by slot) with equal keys, in the order of their first appearance.
template <class KeyOf>
std::vector<std::vector<std::size_t>> partition(const std::vector<std::size_t>& slots, KeyOf keyOf) {
  std::vector<std::vector<std::size_t>> classes;
  std::unordered_map<Digest, std::size_t, DigestHash> where;
  for (std::size_t slot : slots) {
    const auto [it, added] = where.try_emplace(keyOf(slot), classes.size());
    if (added) classes.emplace_back();
    classes[it->second].push_back(slot);
  }
  return classes;
}

}  // namespace

std::optional<std::vector<DupesGroup>> groupSameContents(const std::vector<DupesFile>& files,
                                                         std::span<const std::size_t> members,
                                                         const ContentReading& reading) {
  std::vector<DupesGroup> groups;
  std::vector<Probe> probes;
  std::vector<std::size_t> slotOf(members.size());
  std::unordered_map<platform::FileIdentity, std::size_t, IdentityHash> byIdentity;
  for (std::size_t m = 0; m < members.size(); ++m) {
    const auto [it, added] = byIdentity.try_emplace(files[members[m]].identity, probes.size());
    if (added) probes.push_back({.file = members[m]});
    slotOf[m] = it->second;
  }
  if (probes.size() < 2) return groups;

  const std::uint64_t size = files[probes.front().file].size;
  const std::uint64_t firstEnd = std::min(size, kFirstBlock);
  std::vector<char> buf(static_cast<std::size_t>(std::min<std::uint64_t>(size, kPiece)));
  std::vector<std::size_t> live;
  for (std::size_t s = 0; s < probes.size(); ++s) {
    const Read r = hashRange(files[probes[s].file], 0, firstEnd, buf, reading, probes[s].digest.first);
    if (r == Read::Stopped) return std::nullopt;
    probes[s].failed = r == Read::Unreadable;
    if (!probes[s].failed) live.push_back(s);
  }
  if (size > firstEnd) {
    for (const auto& alike : partition(live, [&](std::size_t s) { return Digest{probes[s].digest.first, {}}; })) {
      if (alike.size() < 2) {
        probes[alike.front()].alone = true;
        continue;
      }
      for (std::size_t s : alike) {
        const Read r = hashRange(files[probes[s].file], firstEnd, size, buf, reading, probes[s].digest.rest);
        if (r == Read::Stopped) return std::nullopt;
        probes[s].failed = r == Read::Unreadable;
      }
    }
  }

  std::vector<std::size_t> usable;  // member positions whose inode was read
  for (std::size_t m = 0; m < members.size(); ++m) {
    const Probe& p = probes[slotOf[m]];
    if (p.failed) {
      if (reading.unreadable) reading.unreadable(members[m]);
    } else if (!p.alone) {
      usable.push_back(m);
    }
  }
  for (const auto& same : partition(usable, [&](std::size_t m) { return probes[slotOf[m]].digest; })) {
    DupesGroup group{.kept = members[same.front()], .copies = {}};
    const std::size_t keptSlot = slotOf[same.front()];
    for (std::size_t m : same) {
      if (slotOf[m] != keptSlot) group.copies.push_back(members[m]);
    }
    if (!group.copies.empty()) groups.push_back(std::move(group));
  }
  return groups;
}

Compared sameContents(const DupesFile& kept, const DupesFile& copy, const ContentReading& reading) {
  platform::IdentifiedFile a, b;
  if (a.open(kept.path) != 0) {
    if (reading.unreadable) reading.unreadable(0);
    return Compared::Unreadable;
  }
  if (b.open(copy.path) != 0) {
    if (reading.unreadable) reading.unreadable(1);
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
    if (a.readAt(bufA.data(), want, offset, gotA) != 0) {
      if (reading.unreadable) reading.unreadable(0);
      return Compared::Unreadable;
    }
    if (b.readAt(bufB.data(), want, offset, gotB) != 0) {
      if (reading.unreadable) reading.unreadable(1);
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
