#include "core/name_key.h"

#include "core/vb.h"

#include <algorithm>
#include <utility>

namespace core {

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

}  // namespace

std::string makeSortKey(std::string_view name) {
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

NameHead nameHead(std::string_view name, std::string& scratch) { return headOfName(name, scratch); }

bool nameKeyLess(std::string_view a, std::string_view b, std::string& keyA, std::string& keyB) {
  foldedKeyInto(a, keyA);
  foldedKeyInto(b, keyB);
  const int c = keyA.compare(keyB);
  if (c != 0) return c < 0;
  return a < b;
}

void sortByName(std::vector<std::string>& names) {
  if (names.size() < 2) return;
  struct Record {
    NameHead head;
    std::size_t index;
  };
  std::string scratch, keyA, keyB;
  std::vector<Record> order;
  order.reserve(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) order.push_back({nameHead(names[i], scratch), i});
  std::sort(order.begin(), order.end(), [&](const Record& a, const Record& b) {
    if (!(a.head == b.head)) return a.head < b.head;
    return nameKeyLess(names[a.index], names[b.index], keyA, keyB);
  });
  std::vector<std::string> sorted;
  sorted.reserve(names.size());
  for (const Record& r : order) sorted.push_back(std::move(names[r.index]));
  names = std::move(sorted);
}

}  // namespace core
