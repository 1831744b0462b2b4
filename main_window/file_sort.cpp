#include "main_window/file_sort.h"

#include "main_window/entry_format.h"
#include "main_window/name_key.h"

#include <algorithm>

namespace mainwin {

SortState clickSort(SortState current, int column) {
  if (current.column == column) return SortState{column, !current.descending};
  return SortState{column, false};
}

std::string makeSortKey(std::string_view name) {
  constexpr std::size_t kPad = 30;  // as the list sorts
  std::string s(name);
  s += 'F';
  std::string out;
  out.reserve(s.size() + 8);
  std::size_t i = 0;
  while (i < s.size()) {
    if (s[i] >= '0' && s[i] <= '9') {
      std::size_t j = i;
      while (j < s.size() && s[j] >= '0' && s[j] <= '9') ++j;
      const std::size_t run = j - i;
      if (run < kPad) out.append(kPad - run, '0');
      out.append(s, i, run);
      i = j;
    } else {
      out += s[i++];
    }
  }
  return out;
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
  NameHead head;
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

// Puts entries[order[j]] at position j for every j, moving each entry once.
void applyOrder(std::vector<FileEntry>& entries, std::vector<SortRecord>& order) {
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (order[i].index == i) continue;
    FileEntry held = std::move(entries[i]);
    std::size_t j = i;
    for (;;) {
      const std::size_t from = order[j].index;
      order[j].index = static_cast<std::uint32_t>(j);
      if (from == i) {
        entries[j] = std::move(held);
        break;
      }
      entries[j] = std::move(entries[from]);
      j = from;
    }
  }
}

}  // namespace

void sortEntries(std::vector<FileEntry>& entries, SortState sort) {
  const std::size_t n = entries.size();
  std::vector<SortRecord> order(n);
  std::string scratch;
  for (std::size_t i = 0; i < n; ++i) {
    order[i] = SortRecord{primaryValue(entries[i], sort.column), nameHead(entries[i].name, scratch),
                          static_cast<std::uint32_t>(i)};
  }
  // Equal heads: the full keys decide, then the exact bytes.
  std::string keyA, keyB;
  const auto less = [&](const SortRecord& a, const SortRecord& b) {
    if (a.primary != b.primary) return a.primary < b.primary;
    if (!(a.head == b.head)) return a.head < b.head;
    return nameKeyLess(entries[a.index].name, entries[b.index].name, keyA, keyB);
  };
  if (sort.descending)
    std::sort(order.begin(), order.end(), [&](const SortRecord& a, const SortRecord& b) { return less(b, a); });
  else
    std::sort(order.begin(), order.end(), less);
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
