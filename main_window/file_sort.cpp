#include "main_window/file_sort.h"

#include "core/name_key.h"
#include "main_window/entry_format.h"

#include <algorithm>
#include <string>
#include <thread>

namespace mainwin {

SortState clickSort(SortState current, int column) {
  if (current.column == column) return SortState{column, !current.descending};
  return SortState{column, false};
}

std::string attributeSortKey(std::uint8_t attrs) {
  const std::string letters = formatAttributes(attrs);
  return std::string(4 - letters.size(), '0') + letters;
}

namespace {

// One entry as the sort sees it: the sort column's value made unsigned (so that it orders by
// plain comparison) and the name head; the entry's index breaks the rest through the full keys.
struct SortRecord {
  std::uint64_t primary;
  core::NameHead head;
  std::uint32_t index;
};

std::uint64_t orderedSigned(std::int64_t v) { return static_cast<std::uint64_t>(v) ^ (1ull << 63); }

std::uint64_t primaryValue(const FileEntry& e, int column) {
  switch (column) {
    case kColSize: return (e.known & kDetailSize) ? e.size : 0;
    case kColModified: return (e.known & kDetailTimes) ? orderedSigned(e.modified) : 0;
    case kColCreated: return (e.known & kDetailTimes) && e.hasCreated ? orderedSigned(e.created) : 0;
    case kColAttrs: {
      // H is always known; R and A only once the column was computed. The four key bytes,
      // big-endian, order as the key text does.
      const std::uint8_t a = (e.known & kDetailAttrs) ? e.attrs : (e.attrs & kEntryHidden);
      std::uint64_t v = 0;
      for (char ch : attributeSortKey(a)) v = (v << 8) | static_cast<unsigned char>(ch);
      return v;
    }
    default: return 0;
  }
}

// Puts entries[order[j]] at position j for every j. The entries move into a new array in
// order: the reads jump about but do not wait on each other (fetched a few steps ahead), where
// following the cycles in place waits on a cache miss for every entry. The records go first.
void applyOrder(std::vector<FileEntry>& entries, std::vector<SortRecord>& order) {
  std::vector<std::uint32_t> from(order.size());
  for (std::size_t j = 0; j < order.size(); ++j) from[j] = order[j].index;
  std::vector<SortRecord>().swap(order);
  std::vector<FileEntry> sorted;
  sorted.reserve(entries.size());
  constexpr std::size_t kAhead = 8;
  for (std::size_t j = 0; j < from.size(); ++j) {
    if (j + kAhead < from.size()) __builtin_prefetch(&entries[from[j + kAhead]]);
    sorted.push_back(std::move(entries[from[j]]));
  }
  entries = std::move(sorted);
}

}  // namespace

namespace {

// The order of two records; equal heads leave it to the full keys, then the exact bytes. Each
// thread of a sort holds its own (the keys are working room).
class RecordLess {
 public:
  RecordLess(const std::vector<FileEntry>& entries, bool descending) : entries_(entries), descending_(descending) {}
  bool operator()(const SortRecord& a, const SortRecord& b) { return descending_ ? ascending(b, a) : ascending(a, b); }

 private:
  bool ascending(const SortRecord& a, const SortRecord& b) {
    if (a.primary != b.primary) return a.primary < b.primary;
    if (!(a.head == b.head)) return a.head < b.head;
    return core::nameKeyLess(entries_[a.index].name, entries_[b.index].name, keyA_, keyB_);
  }
  const std::vector<FileEntry>& entries_;
  bool descending_;
  std::string keyA_, keyB_;
};

// From this many entries a sort shares its work among threads (a re-sort of a million files
// would take the better part of a second on one).
constexpr std::size_t kParallelSortFrom = 100000;
constexpr std::size_t kSortThreads = 4;
static_assert(kSortThreads == 4, "the merges below join four parts");

// Runs work(part) for parts 0..count-1, each on a thread of its own but the last.
template <class Work>
void inParts(std::size_t count, const Work& work) {
  std::vector<std::thread> threads;
  for (std::size_t p = 0; p + 1 < count; ++p) threads.emplace_back([&work, p] { work(p); });
  work(count - 1);
  for (std::thread& t : threads) t.join();
}

}  // namespace

void sortEntries(std::vector<FileEntry>& entries, SortState sort) {
  const std::size_t n = entries.size();
  std::vector<SortRecord> order(n);
  const std::size_t parts = n >= kParallelSortFrom ? kSortThreads : 1;
  const auto begin = [&](std::size_t p) { return n * p / parts; };
  // Each part: its records, sorted.
  inParts(parts, [&](std::size_t p) {
    std::string scratch;
    for (std::size_t i = begin(p); i < begin(p + 1); ++i) {
      order[i] = SortRecord{primaryValue(entries[i], sort.column), core::nameHead(entries[i].name, scratch),
                            static_cast<std::uint32_t>(i)};
    }
    const auto first = order.begin() + static_cast<std::ptrdiff_t>(begin(p));
    std::sort(first, order.begin() + static_cast<std::ptrdiff_t>(begin(p + 1)), RecordLess(entries, sort.descending));
  });
  if (parts > 1) {
    // Two pairs of parts merge side by side, then the two halves.
    std::vector<SortRecord> merged(n);
    const auto at = [](auto& v, std::size_t i) { return v.begin() + static_cast<std::ptrdiff_t>(i); };
    inParts(2, [&](std::size_t h) {
      std::merge(at(order, begin(2 * h)), at(order, begin(2 * h + 1)), at(order, begin(2 * h + 1)),
                 at(order, begin(2 * h + 2)), at(merged, begin(2 * h)), RecordLess(entries, sort.descending));
    });
    std::merge(merged.begin(), at(merged, begin(2)), at(merged, begin(2)), merged.end(), order.begin(),
               RecordLess(entries, sort.descending));
  }
  applyOrder(entries, order);
}

std::uint8_t detailOfColumn(int column) {
  switch (column) {
    case kColSize: return kDetailSize;
    case kColModified:
    case kColCreated: return kDetailTimes;
    case kColAttrs: return kDetailAttrs;
    default: return 0;
  }
}

ColumnPlan planVisibleColumns(const std::array<int, 6>& widthTwips, SortState sort) {
  ColumnPlan plan;
  plan.sort = sort;
  for (int c = kColSize; c <= kColAttrs; ++c) {
    if (widthTwips[static_cast<std::size_t>(c)] > kHiddenColumnTwips) {
      plan.compute |= detailOfColumn(c);
    } else if (sort.column == c) {
      plan.sort = SortState{};
      plan.fellBack = true;
    }
  }
  return plan;
}

std::uint8_t jobWalkDetails(SortState sort) { return detailOfColumn(sort.column); }

}  // namespace mainwin
