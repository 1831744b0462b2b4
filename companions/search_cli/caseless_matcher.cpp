#include "companions/search_cli/caseless_matcher.h"

#include "core/vb.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace skerrow {

namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::size_t kLongestChar = 4;

// ASCII capitals of an 8-byte word made small; every other byte stays as it is.
inline std::uint64_t lowerWord(std::uint64_t x) {
  const std::uint64_t seven = x & (0x7F * kOnes);
  const std::uint64_t fromA = seven + (0x80 - 'A') * kOnes;     // top bit: byte >= 'A'
  const std::uint64_t pastZ = seven + (0x80 - 'Z' - 1) * kOnes;  // top bit: byte > 'Z'
  const std::uint64_t capital = fromA & ~pastZ & ~x & (0x80 * kOnes);
  return x | (capital >> 2);
}

inline char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Sixteen bytes at a time, in the compiler's portable vector type (one SSE2 register on x86-64).
using Bytes16 = unsigned char __attribute__((vector_size(16)));
inline Bytes16 load16(const char* p) {
  Bytes16 v;
  std::memcpy(&v, p, 16);
  return v;
}
inline Bytes16 splat(char c) {
  Bytes16 v;
  for (int k = 0; k < 16; ++k) v[k] = static_cast<unsigned char>(c);
  return v;
}
// For a small letter, the bit that tells it from its capital: (byte | mask) == letter holds for
// exactly the two of them. Other characters compare exactly.
inline char foldMask(char lower) { return (lower >= 'a' && lower <= 'z') ? 0x20 : 0; }

// Whether the bytes at hay, ASCII capitals made small, are the lower-case ASCII text.
inline bool equalsAscii(const char* hay, std::string_view text) {
  for (std::size_t j = 0; j < text.size(); ++j) {
    if (lowerAscii(hay[j]) != text[j]) return false;
  }
  return true;
}

// Windows-1252 lower case of a byte that is not part of a UTF-8 character (vb::LCase's choice).
const std::array<char, 256>& singleByteLower() {
  static const std::array<char, 256> table = [] {
    std::array<char, 256> t{};
    for (int b = 0; b < 256; ++b) t[b] = vb::LCase(std::string(1, static_cast<char>(b)))[0];
    return t;
  }();
  return table;
}

}  // namespace

CaselessMatcher::CaselessMatcher(std::string_view text, std::size_t pieceSize)
    : needle_(vb::LCase(text)),
      pieceSize_(std::max<std::size_t>(pieceSize, 1)),
      carry_(needle_.empty() ? 0 : needle_.size() - 1) {
  asciiNeedle_ = std::none_of(needle_.begin(), needle_.end(), [](char c) { return (c & 0x80) != 0; });
  buf_.resize(carry_ + kLongestChar + pieceSize_);
}

bool CaselessMatcher::take(std::size_t n) {
  if (found_ || n == 0) return found_;
  anyByte_ = true;
  if (needle_.empty()) return found_ = true;
  search(keep_ + std::min(n, pieceSize_), false);
  return found_;
}

bool CaselessMatcher::finish() {
  if (needle_.empty()) return found_ = anyByte_;
  if (!found_ && keep_ > lowered_) search(keep_, true);
  return found_;
}

void CaselessMatcher::search(std::size_t end, bool atEnd) {
  // A text of ASCII characters only ever matches ASCII bytes: every other byte lower-cases to a
  // byte outside ASCII. So it is looked for in the bytes as they are, and nothing needs to wait
  // for the next piece.
  std::size_t safe = end;
  if (asciiNeedle_) {
    found_ = containsAsciiNeedle(end);
  } else {
    safe = lowerAll(lowered_, end, atEnd);
    found_ = safe >= needle_.size() && memmem(buf_.data(), safe, needle_.data(), needle_.size()) != nullptr;
  }
  if (found_) return;
  const std::size_t from = safe > carry_ ? safe - carry_ : 0;
  std::memmove(buf_.data(), buf_.data() + from, end - from);
  lowered_ = safe - from;
  keep_ = end - from;
}

bool CaselessMatcher::containsAsciiNeedle(std::size_t end) const {
  const char* hay = buf_.data();
  const std::size_t m = needle_.size();
  if (end < m) return false;
  // Candidates are the places whose first and last byte fit the text's first and last letter
  // (16 places at a time); only those are compared in full.
  const std::size_t last = m - 1;
  const Bytes16 firstFold = splat(foldMask(needle_[0])), firstWant = splat(needle_[0]);
  const Bytes16 lastFold = splat(foldMask(needle_[last])), lastWant = splat(needle_[last]);
  std::size_t i = 0;
  for (; i + last + 16 <= end; i += 16) {
    const auto hits = ((load16(hay + i) | firstFold) == firstWant) & ((load16(hay + i + last) | lastFold) == lastWant);
    std::uint64_t half[2];
    std::memcpy(half, &hits, 16);
    if ((half[0] | half[1]) == 0) continue;
    for (std::size_t k = 0; k < 16; ++k) {
      if (hits[k] != 0 && equalsAscii(hay + i + k, needle_)) return true;
    }
  }
  for (; i + m <= end; ++i) {
    if (equalsAscii(hay + i, needle_)) return true;
  }
  return false;
}

std::size_t CaselessMatcher::lowerAll(std::size_t from, std::size_t end, bool atEnd) {
  char* p = buf_.data();
  const std::string_view all(p, end);
  const auto& single = singleByteLower();
  std::size_t i = from;
  while (i < end) {
    // Whole words of ASCII go the fast way.
    if (i + 8 <= end) {
      std::uint64_t w;
      std::memcpy(&w, p + i, 8);
      if ((w & (0x80 * kOnes)) == 0) {
        w = lowerWord(w);
        std::memcpy(p + i, &w, 8);
        i += 8;
        continue;
      }
    }
    const auto b = static_cast<unsigned char>(p[i]);
    if (b < 0x80) {
      p[i] = lowerAscii(p[i]);
      ++i;
      continue;
    }
    char32_t cp = 0;
    const std::size_t len = vb::Utf8SeqLen(all, i, &cp);
    if (len == 0) {
      // Perhaps the first bytes of a character that the next piece completes.
      if (!atEnd && end - i < kLongestChar) return i;
      p[i] = single[b];
      ++i;
      continue;
    }
    lowerSequence(i, len, cp);
    i += len;
  }
  return end;
}

void CaselessMatcher::lowerSequence(std::size_t at, std::size_t len, char32_t cp) {
  if (len == kLongestChar) return;  // characters past U+FFFF keep their case (as vb::LCase does)
  if (lowerOf_.empty()) lowerOf_.assign(0x10000, 0);
  std::uint32_t& cached = lowerOf_[cp];
  if (cached == 0) {
    const std::string lower = vb::LCase(std::string_view(buf_.data() + at, len));
    std::memcpy(&cached, lower.data(), len);  // starts with a lead byte, so never 0
  }
  std::memcpy(buf_.data() + at, &cached, len);
}

}  // namespace skerrow
