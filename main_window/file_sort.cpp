#include "main_window/file_sort.h"

#include "core/vb.h"
#include "main_window/entry_format.h"

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

constexpr std::size_t kPad = 30;

// The Name key in lower case, as the names compare. ASCII names (the common case) fold inline
// into `out`, which callers reuse so that a million names cost no allocation each.
void foldedKeyInto(std::string_view name, std::string& out) {
  out.clear();
  const std::size_t n = name.size();
  std::size_t i = 0;
  while (i < n) {
    const char c = name[i];
    if (c >= '0' && c <= '9') {
      std::size_t j = i;
      while (j < n && name[j] >= '0' && name[j] <= '9') ++j;
      const std::size_t run = j - i;
      if (run < kPad) out.append(kPad - run, '0');
      out.append(name, i, run);
      i = j;
    } else if (static_cast<unsigned char>(c) >= 0x80) {
      out = vb::LCase(makeSortKey(name));
      return;
    } else {
      out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
      ++i;
    }
  }
  out += 'f';
}

// A fixed-size head of every Name key, compared as three big-endian words, that orders like the
// keys themselves wherever the heads differ. The padded keys share long runs of "0" (every
// number stands 30 wide), so a plain prefix of them would tell little apart; the head writes a
// run of k zeros followed by the byte c as three bytes: "0", a rank, c. A key byte below "0"
// after a shorter run sorts first, one above "0" sorts last, so the rank is 1 + k for a
// following byte below "0" and 254 - k above it; other bytes stand as themselves. Runs longer
// than kMaxRun get a rank of their own and end the head, leaving such ties to the full keys.
struct NameHead {
  std::uint64_t w[3] = {0, 0, 0};
  friend bool operator==(const NameHead&, const NameHead&) = default;
  friend bool operator<(const NameHead& a, const NameHead& b) {
    if (a.w[0] != b.w[0]) return a.w[0] < b.w[0];
    if (a.w[1] != b.w[1]) return a.w[1] < b.w[1];
    return a.w[2] < b.w[2];
  }
};

constexpr std::size_t kHeadBytes = 24;
constexpr std::size_t kMaxRun = 125;

// Writes the head of the key whose bytes `next` gives one at a time (-1 after the last).
template <class Next>
NameHead encodeHead(Next next) {
  unsigned char bytes[kHeadBytes] = {};
  std::size_t out = 0;
  const auto put = [&](int b) {
    if (out < kHeadBytes) bytes[out++] = static_cast<unsigned char>(b);
  };
  int c = next();
  while (c >= 0 && out < kHeadBytes) {
    if (c != '0') {
      put(c);
      c = next();
      continue;
    }
    std::size_t zeros = 0;
    while (c == '0') {
      ++zeros;
      c = next();
    }
    const int following = c < 0 ? 0 : c;  // 0: the end of the key
    put('0');
    if (zeros > kMaxRun) {
      put(following < '0' ? 127 : 128);
      break;
    }
    put(static_cast<int>(following < '0' ? 1 + zeros : 254 - zeros));
    put(following);
    if (c >= 0) c = next();
  }
  NameHead h;
  for (std::size_t k = 0; k < kHeadBytes; ++k) h.w[k / 8] = (h.w[k / 8] << 8) | bytes[k];
  return h;
}

// The folded Name key of an ASCII name, a byte at a time, without writing it out: the head needs
// only its start, and the 30-wide numbers make the whole key three times the name.
class AsciiKeyBytes {
 public:
  explicit AsciiKeyBytes(std::string_view name) : name_(name) {}
  int operator()() {
    if (pad_ > 0) {
      --pad_;
      return '0';
    }
    if (i_ < name_.size()) {
      const char c = name_[i_];
      if (c >= '0' && c <= '9') {
        if (i_ >= runEnd_) {  // a number starts: pad it to kPad digits first
          std::size_t j = i_;
          while (j < name_.size() && name_[j] >= '0' && name_[j] <= '9') ++j;
          runEnd_ = j;
          if (j - i_ < kPad) {
            pad_ = kPad - (j - i_) - 1;
            return '0';
          }
        }
        ++i_;
        return c;
      }
      ++i_;
      return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : static_cast<unsigned char>(c);
    }
    if (!ended_) {
      ended_ = true;
      return 'f';
    }
    return -1;
  }

 private:
  std::string_view name_;
  std::size_t i_ = 0, runEnd_ = 0, pad_ = 0;
  bool ended_ = false;
};

// The head of `name`'s folded key; `scratch` holds the key of a name that is not ASCII.
NameHead headOfName(std::string_view name, std::string& scratch) {
  const bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) return encodeHead(AsciiKeyBytes(name));
  foldedKeyInto(name, scratch);
  std::size_t i = 0;
  return encodeHead([&]() -> int { return i < scratch.size() ? static_cast<unsigned char>(scratch[i++]) : -1; });
}

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
    order[i] = SortRecord{primaryValue(entries[i], sort.column), headOfName(entries[i].name, scratch),
                          static_cast<std::uint32_t>(i)};
  }
  // Equal heads: the full keys decide, then the exact bytes.
  std::string keyA, keyB;
  const auto less = [&](const SortRecord& a, const SortRecord& b) {
    if (a.primary != b.primary) return a.primary < b.primary;
    if (!(a.head == b.head)) return a.head < b.head;
    const std::string& nameA = entries[a.index].name;
    const std::string& nameB = entries[b.index].name;
    foldedKeyInto(nameA, keyA);
    foldedKeyInto(nameB, keyB);
    const int c = keyA.compare(keyB);
    if (c != 0) return c < 0;
    return nameA < nameB;
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
