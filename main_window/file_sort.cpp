#include "main_window/file_sort.h"

#include "core/vb.h"
#include "main_window/entry_format.h"

#include <algorithm>
#include <numeric>

namespace mainwin {

SortState clickSort(SortState current, int column) {
  if (current.column == column) return SortState{column, !current.descending};
  return SortState{column, false};
}

std::string makeSortKey(std::string_view name) {
  constexpr std::size_t kPad = 30;
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

// The Name key in lower case, as the names compare. ASCII names (the common case) fold inline.
std::string foldedSortKey(std::string_view name) {
  std::string key = makeSortKey(name);
  for (char& c : key) {
    if (static_cast<unsigned char>(c) >= 0x80) return vb::LCase(key);
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  }
  return key;
}

}  // namespace

void sortEntries(std::vector<FileEntry>& entries, SortState sort) {
  const std::size_t n = entries.size();
  std::vector<std::string> keys(n);
  for (std::size_t i = 0; i < n; ++i) keys[i] = foldedSortKey(entries[i].name);
  std::vector<std::uint32_t> order(n);
  std::iota(order.begin(), order.end(), 0u);

  const auto byName = [&](std::uint32_t a, std::uint32_t b) {
    const int c = keys[a].compare(keys[b]);
    if (c != 0) return c < 0;
    return entries[a].name < entries[b].name;
  };
  // Primary value of the sort column as a number; equal values fall back to the name order.
  const auto value = [&](const FileEntry& e) -> std::int64_t {
    switch (sort.column) {
      case kColSize: return (e.known & kDetailSize) ? static_cast<std::int64_t>(e.size) : 0;
      case kColModified: return (e.known & kDetailTimes) ? e.modified : INT64_MIN;
      case kColCreated: return (e.known & kDetailTimes) && e.hasCreated ? e.created : INT64_MIN;
      default: return 0;
    }
  };
  std::vector<std::string> attrKeys;
  if (sort.column == kColAttrs) {
    attrKeys.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
      const FileEntry& e = entries[i];
      // H is always known; R and A only once the column was computed.
      const std::uint8_t a = (e.known & kDetailAttrs) ? e.attrs : (e.attrs & kEntryHidden);
      attrKeys[i] = attributeSortKey(a);
    }
  }
  const auto less = [&](std::uint32_t a, std::uint32_t b) {
    if (sort.column == kColAttrs) {
      const int c = attrKeys[a].compare(attrKeys[b]);
      if (c != 0) return c < 0;
    } else if (sort.column >= kColSize && sort.column <= kColCreated) {
      const std::int64_t va = value(entries[a]), vb = value(entries[b]);
      if (va != vb) return va < vb;
    }
    return byName(a, b);
  };
  if (sort.descending)
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return less(b, a); });
  else
    std::sort(order.begin(), order.end(), less);

  std::vector<FileEntry> sorted;
  sorted.reserve(n);
  for (std::uint32_t i : order) sorted.push_back(std::move(entries[i]));
  entries = std::move(sorted);
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
