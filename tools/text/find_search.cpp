// The search tests 16 places at once where the processor can (SSE2): the target's first and last
// bytes against the text at each place, the rare place where both fit checked whole; elsewhere,
// and for the last places of a piece, Horspool's search (the last byte first, a mismatch moving
// the window by a table lookup). Bytes are compared as classes: ignoring case, ASCII letters fold to
// lower case and every non-ASCII byte is one class, which LCase never mixes with ASCII (it lowers
// ASCII to ASCII and non-ASCII to non-ASCII). So for an ASCII target a class match is the match;
// a target with non-ASCII bytes is confirmed with LCase of the candidate's own bytes. That is what
// LCase of the whole text gives there: a target is valid UTF-8, so it starts and ends a character,
// and no character of the text that runs into or out of the candidate can lower to its edges
// (a lowered lead byte is never a target's last byte, a continuation byte never its first).
#include "tools/text/find_search.h"

#include "core/vb.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tools::text {

namespace {

constexpr std::uint8_t kHighClass = 0x80;

// How a text byte is tested against a target byte of the given class.
TargetSearcher::ByteTest byteTest(std::uint8_t targetClass, bool matchCase) {
  if (matchCase) return {.value = targetClass};
  if (targetClass == kHighClass) return {.value = kHighClass, .andMask = kHighClass};
  // A lower-case letter: the text byte with bit 0x20 set is the letter exactly when it is the
  // letter in either case.
  if (targetClass >= 'a' && targetClass <= 'z') return {.value = targetClass, .orMask = 0x20};
  return {.value = targetClass};
}

#if defined(__SSE2__)
// One byte test for 16 bytes at once, its masks spread once before the loop.
struct BlockTest {
  explicit BlockTest(const TargetSearcher::ByteTest& t)
      : value(_mm_set1_epi8(static_cast<char>(t.value))), orMask(_mm_set1_epi8(static_cast<char>(t.orMask))),
        andMask(_mm_set1_epi8(static_cast<char>(t.andMask))) {}
  // 0xFF in each lane whose byte passes.
  [[nodiscard]] __m128i passes(__m128i block) const {
    return _mm_cmpeq_epi8(_mm_and_si128(_mm_or_si128(block, orMask), andMask), value);
  }
  __m128i value, orMask, andMask;
};
#endif

}  // namespace

TargetSearcher::TargetSearcher(std::string target, bool matchCase) : target_(std::move(target)) {
  for (int b = 0; b < 256; ++b) {
    auto c = static_cast<std::uint8_t>(b);
    if (!matchCase) c = b >= 0x80 ? kHighClass : (b >= 'A' && b <= 'Z' ? static_cast<std::uint8_t>(b + 32) : c);
    class_[static_cast<std::size_t>(b)] = c;
  }
  targetClasses_.reserve(target_.size());
  for (const char ch : target_) {
    targetClasses_ += static_cast<char>(class_[static_cast<unsigned char>(ch)]);
    if (!matchCase && static_cast<unsigned char>(ch) >= 0x80) verify_ = true;
  }
  // The shift for a class: how far its last place among the target's first m - 1 bytes lies from
  // the end; m when it has none.
  const std::size_t m = target_.size();
  std::array<std::size_t, 256> byClass{};
  byClass.fill(m);
  for (std::size_t j = 0; j + 1 < m; ++j) byClass[static_cast<unsigned char>(targetClasses_[j])] = m - 1 - j;
  for (std::size_t b = 0; b < 256; ++b) shift_[b] = byClass[class_[b]];
  if (m > 0) {
    first_ = byteTest(static_cast<std::uint8_t>(targetClasses_.front()), matchCase);
    last_ = byteTest(static_cast<std::uint8_t>(targetClasses_.back()), matchCase);
  }
}

bool TargetSearcher::matchesAt(std::string_view text, std::size_t p) const {
  const std::size_t m = target_.size();
  for (std::size_t j = 0; j + 1 < m; ++j) {
    if (class_[static_cast<unsigned char>(text[p + j])] != static_cast<unsigned char>(targetClasses_[j])) return false;
  }
  if (!verify_) return true;
  return vb::LCase(text.substr(p, m)) == target_;
}

std::size_t TargetSearcher::find(std::string_view text, std::size_t startsBefore) const {
  const std::size_t m = target_.size();
  const std::size_t n = text.size();
  if (m == 0 || n < m || startsBefore == 0) return npos;
  const std::size_t lastStart = std::min(n - m, startsBefore - 1);
  const auto* data = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t p = 0;
#if defined(__SSE2__)
  const BlockTest first(first_), last(last_);
  // Blocks of 16 places; as lastStart <= n - m, both loads stay inside the text.
  for (; p + 15 <= lastStart; p += 16) {
    const __m128i atFirst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p));
    const __m128i atLast = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p + m - 1));
    auto candidates =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(first.passes(atFirst), last.passes(atLast))));
    for (; candidates != 0; candidates &= candidates - 1) {
      const std::size_t q = p + static_cast<std::size_t>(__builtin_ctz(candidates));
      if (matchesAt(text, q)) return q;
    }
  }
#endif
  const auto lastClass = static_cast<unsigned char>(targetClasses_[m - 1]);
  while (p <= lastStart) {
    const unsigned char end = data[p + m - 1];
    if (class_[end] == lastClass && matchesAt(text, p)) return p;
    p += shift_[end];
  }
  return npos;
}

ContentMatcher::ContentMatcher(const std::vector<std::string>& targets, MatchMode mode, bool matchCase)
    : mode_(mode) {
  std::size_t longest = 0;
  for (const std::string& t : targets) {
    searchers_.emplace_back(t, matchCase);
    longest = std::max(longest, t.size());
  }
  keep_ = longest > 0 ? longest - 1 : 0;
  begin();
}

void ContentMatcher::begin() {
  found_.assign(searchers_.size(), false);
  left_ = mode_ == MatchMode::Any ? (searchers_.empty() ? 0 : 1) : searchers_.size();
  carry_.clear();
}

void ContentMatcher::search(std::string_view text, std::size_t startsBefore) {
  for (std::size_t i = 0; i < searchers_.size() && left_ > 0; ++i) {
    if (found_[i] || searchers_[i].find(text, startsBefore) == TargetSearcher::npos) continue;
    found_[i] = true;
    left_ = mode_ == MatchMode::Any ? 0 : left_ - 1;
  }
}

bool ContentMatcher::feed(std::string_view piece) {
  if (matched()) return true;
  // Occurrences that start in the bytes kept from the pieces before and end in this one.
  if (!carry_.empty()) {
    seam_.assign(carry_).append(piece.substr(0, keep_));
    search(seam_, carry_.size());
  }
  search(piece, piece.size());
  keepTail(piece);
  return matched();
}

void ContentMatcher::keepTail(std::string_view piece) {
  if (piece.size() >= keep_) {
    carry_.assign(piece.substr(piece.size() - keep_));
    return;
  }
  carry_.append(piece);
  if (carry_.size() > keep_) carry_.erase(0, carry_.size() - keep_);
}

}  // namespace tools::text
