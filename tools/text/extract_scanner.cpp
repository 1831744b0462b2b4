#include "tools/text/extract_scanner.h"

#include "core/vb.h"

namespace tools::text {

namespace {

// How many bytes at the end of s are the start of a UTF-8 sequence that the next piece may
// complete (0 when the end is complete, or no sequence could be).
std::size_t cutSequenceAtEnd(std::string_view s) {
  const std::size_t n = s.size();
  for (std::size_t k = 1; k <= 3 && k <= n; ++k) {
    const auto lead = static_cast<unsigned char>(s[n - k]);
    if (lead >= 0x80 && lead < 0xC0) continue;  // a continuation byte: look further back
    const std::size_t need = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    if (need <= k) return 0;
    if (k >= 2) {
      // The second byte's range for the leads that narrow it (no overlong forms, no surrogates).
      const auto second = static_cast<unsigned char>(s[n - k + 1]);
      const unsigned char lo = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
      const unsigned char hi = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
      if (second < lo || second > hi) return 0;
    }
    return k;
  }
  return 0;
}

// Walks a word's spelled bytes and its compared form character by character, in step.
struct Walk {
  std::string_view spelled, compared;
  std::size_t s = 0, c = 0, chars = 0;
  void step() {
    std::size_t len = 0;
    (void)decodeChar(spelled, s, len);
    s += len;
    c += vb::CharLen(compared, c);
    ++chars;
  }
  void to(std::size_t comparedOffset) {
    while (c < comparedOffset && c < compared.size()) step();
  }
};

}  // namespace

WordScanner::WordScanner(const ExtractSetup& setup, Sink sink)
    : setup_(setup), valid_(setup.valid), sink_(std::move(sink)), matchAll_(setup.pattern == "*") {}

void WordScanner::delimit(char32_t c) { valid_.remove(c); }

void WordScanner::feed(std::string_view bytes) {
  if (!waiting_.empty()) {
    std::string joined = std::move(waiting_);
    waiting_.clear();
    joined.append(bytes);
    const std::size_t hold = cutSequenceAtEnd(joined);
    scan(std::string_view(joined).substr(0, joined.size() - hold));
    waiting_.assign(joined, joined.size() - hold, hold);
    return;
  }
  const std::size_t hold = cutSequenceAtEnd(bytes);
  scan(bytes.substr(0, bytes.size() - hold));
  waiting_.assign(bytes.substr(bytes.size() - hold));
}

void WordScanner::endWord() {
  if (!waiting_.empty()) {
    const std::string rest = std::move(waiting_);
    waiting_.clear();
    scan(rest);  // alone, the cut sequence reads as single bytes
  }
  if (!tooLong_ && chars_ > 0) judge(spelled_, compared_, chars_);
  dropWord();
}

void WordScanner::dropWord() {
  spelled_.clear();
  compared_.clear();
  chars_ = 0;
  tooLong_ = false;
  waiting_.clear();
}

void WordScanner::scan(std::string_view bytes) {
  const bool lower = setup_.lowerCase;
  for (std::size_t i = 0, len = 1; i < bytes.size(); i += len) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    char32_t c;
    if (b < 0x80) {
      len = 1;
      c = lower && b >= 'A' && b <= 'Z' ? b + 32 : b;
    } else {
      c = decodeChar(bytes, i, len);
      if (lower) c = lowerChar(c);
    }
    if (!valid_.has(c)) {
      if (!tooLong_ && chars_ > 0) judge(spelled_, compared_, chars_);
      spelled_.clear();
      compared_.clear();
      chars_ = 0;
      tooLong_ = false;
    } else if (chars_ < static_cast<std::size_t>(kMaxWordChars)) {
      spelled_.append(bytes.substr(i, len));
      appendUtf8(compared_, c);
      ++chars_;
    } else {
      tooLong_ = true;
    }
  }
}

void WordScanner::judge(std::string_view spelled, std::string_view compared, std::size_t chars) {
  if (matchAll_ || vb::Like(compared, setup_.pattern)) {
    offer(spelled, compared, chars);
    return;
  }
  // Not a match: the stretch from the first literal run of the pattern to the end of its last one
  // may be. What follows that stretch cannot hold the last run, so it can never match.
  std::size_t from = 0;
  if (!setup_.firstRun.empty()) {
    from = compared.find(setup_.firstRun);
    if (from == std::string_view::npos) return;
  }
  std::size_t to = compared.size();
  if (!setup_.lastRun.empty()) {
    const std::size_t at = compared.rfind(setup_.lastRun);
    if (at == std::string_view::npos || at < from) return;
    to = at + setup_.lastRun.size();
  }
  Walk start{spelled, compared};
  start.to(from);
  Walk end = start;
  end.to(to);
  const std::string_view kept = compared.substr(from, to - from);
  if (vb::Like(kept, setup_.pattern)) offer(spelled.substr(start.s, end.s - start.s), kept, end.chars - start.chars);
}

void WordScanner::offer(std::string_view spelled, std::string_view compared, std::size_t chars) {
  const auto n = static_cast<long long>(chars);
  if (n <= setup_.lowerBound || n >= setup_.upperBound) return;
  if (setup_.commonWords.find(compared) != setup_.commonWords.end()) return;
  sink_(spelled, compared);
}

}  // namespace tools::text
