// The replace tool's matcher. Each pass scans the held text from its cursor (position 0) as far as
// the visible text decides, writes that, and the rest stays for the next piece. The rules of each
// kind follow the whole-text routines of core/wildcard.cpp step by step; what differs is only that
// a search may answer "not yet" (the text ends before it could tell) and the pass then stops.
#include "tools/text/replace_scan.h"

#include "core/vb.h"
#include "core/wildcard.h"

#include <algorithm>
#include <cstring>
#include <string.h>  // memmem, memrchr

namespace tools::text {

namespace {

constexpr std::size_t npos = std::string::npos;
using Result = ReplaceScanner::Finder::Result;

// Start of a UTF-8 sequence at the end of s that more bytes could still complete (s.size() when
// there is none): its bytes must not be folded or counted as characters yet.
std::size_t incompleteTail(std::string_view s) {
  const std::size_t n = s.size();
  for (std::size_t k = 1; k <= 3 && k <= n; ++k) {
    const auto b = static_cast<unsigned char>(s[n - k]);
    if (b >= 0x80 && b < 0xC0) continue;  // a continuation byte: look further back
    const std::size_t need = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 0;
    return need > k ? n - k : n;
  }
  return n;
}

std::size_t lastLfBefore(std::string_view s, std::size_t from, std::size_t to) {
  if (to <= from) return npos;
  const void* hit = ::memrchr(s.data() + from, '\n', to - from);
  return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - s.data()) : npos;
}

std::string folded(std::string text, bool ignoreCase) { return ignoreCase ? vb::LCase(text) : text; }

}  // namespace

// ------------------------------------------------------------------ pattern and replacement

bool SearchPattern::empty() const { return tokens.empty() && !leadStar && !trailStar; }

bool SearchPattern::matchesEverything() const {
  if (kind == PatternKind::Literal) return false;
  return std::none_of(tokens.begin(), tokens.end(), [](const Token& t) { return !t.anyChar; });
}

SearchPattern makeSearchPattern(const PieceList& search, PatternKind kind, PatternOptions options) {
  SearchPattern p;
  p.kind = kind;
  p.options = options;
  const char wild = kind == PatternKind::AnyChar ? '?' : kind == PatternKind::AnyRun ? '*' : '\0';
  std::string literal;
  bool sawStar = false;
  const auto endLiteral = [&] {
    if (literal.empty()) return;
    p.tokens.push_back({folded(std::move(literal), options.ignoreCase), false});
    literal.clear();
  };
  for (const TextPiece& piece : search) {
    for (char ch : piece.text) {
      if (!piece.typed || wild == '\0' || ch != wild) {
        literal += ch;
        continue;
      }
      endLiteral();
      if (kind == PatternKind::AnyChar) {
        p.tokens.push_back({{}, true});
      } else {
        if (p.tokens.empty()) p.leadStar = true;
        sawStar = true;
      }
    }
  }
  const bool endsWithStar = sawStar && literal.empty();
  endLiteral();
  if (kind == PatternKind::AnyRun) {
    p.trailStar = endsWithStar;
    if (!sawStar) p.kind = PatternKind::Literal;
  }
  if (kind == PatternKind::AnyChar &&
      std::none_of(p.tokens.begin(), p.tokens.end(), [](const SearchPattern::Token& t) { return t.anyChar; }))
    p.kind = PatternKind::Literal;
  return p;
}

void ReplacementText::appendTo(std::string& out, std::string_view matched) const {
  for (std::size_t i = 0; i < literals.size(); ++i) {
    if (i) out.append(matched);
    out.append(literals[i]);
  }
}

ReplacementText makeReplacementText(const PieceList& replacement, bool matchedTag) {
  constexpr std::string_view kTag = "<search-text>";
  ReplacementText r;
  for (const TextPiece& piece : replacement) {
    if (!piece.typed || !matchedTag) {
      r.literals.back() += piece.text;
      continue;
    }
    const std::string lower = vb::LCase(piece.text);  // same byte positions
    std::size_t from = 0;
    for (std::size_t p; (p = lower.find(kTag, from)) != npos; from = p + kTag.size()) {
      r.literals.back() += piece.text.substr(from, p - from);
      r.literals.emplace_back();
    }
    r.literals.back() += piece.text.substr(from);
  }
  return r;
}

// ------------------------------------------------------------------ Finder

ReplaceScanner::Finder::Result ReplaceScanner::Finder::find(std::string_view hay, std::size_t start, bool complete,
                                                            std::size_t& pos) {
  std::size_t from = start;
  if (valid_ && start >= from_) {
    if (found_ && start <= at_) {
      pos = at_;
      return Result::Found;
    }
    if (!found_) from = std::max(start, clearTo_);
  }
  const std::size_t n = needle_.size();
  const char* hit = nullptr;
  if (from < hay.size() && hay.size() - from >= n) {
    hit = n == 1 ? static_cast<const char*>(std::memchr(hay.data() + from, needle_[0], hay.size() - from))
                 : static_cast<const char*>(::memmem(hay.data() + from, hay.size() - from, needle_.data(), n));
  }
  valid_ = true;
  from_ = start;
  if (hit) {
    found_ = true;
    at_ = pos = static_cast<std::size_t>(hit - hay.data());
    return Result::Found;
  }
  found_ = false;
  clearTo_ = pos = std::max(from, hay.size() + 1 >= n ? hay.size() + 1 - n : 0);
  return complete ? Result::Never : Result::NotYet;
}

void ReplaceScanner::Finder::shift(std::size_t k) {
  if (!valid_) return;
  if (found_ && at_ < k) {
    valid_ = false;
    return;
  }
  from_ = from_ > k ? from_ - k : 0;
  if (found_) at_ -= k;
  clearTo_ = clearTo_ > k ? clearTo_ - k : 0;
}

// ------------------------------------------------------------------ the scanner

ReplaceScanner::ReplaceScanner(SearchPattern pattern, ReplacementText replacement, std::size_t holdLimit)
    : pat_(std::move(pattern)), repl_(std::move(replacement)), holdLimit_(std::max<std::size_t>(holdLimit, 2)) {
  for (const auto& t : pat_.tokens) {
    if (t.anyChar) continue;
    partFind_.emplace_back(t.literal);
    lfFind_.emplace_back("\n");
  }
  if (pat_.kind == PatternKind::AnyChar) {
    while (lead_ < pat_.tokens.size() && pat_.tokens[lead_].anyChar) ++lead_;
    anchor_ = lead_;
    maxBack_ = 4 * lead_;
  }
  reset();
}

void ReplaceScanner::reset() {
  buf_.clear();
  fold_.clear();
  limit_ = 0;
  base_ = 0;
  complete_ = replaced_ = heldTooLong_ = false;
  from_ = 0;
  prevLf_ = lfBefore_ = false;
  virtualLineStart_ = npos;
  for (auto& f : partFind_) f.forget();
  for (auto& f : lfFind_) f.forget();
  lineEnd_.forget();
  stream_ = {};
}

void ReplaceScanner::feed(std::string_view in, std::string& out) {
  buf_.append(in);
  refold();
  run(out);
}

void ReplaceScanner::finish(std::string& out) {
  complete_ = true;
  refold();
  run(out);
}

void ReplaceScanner::refold() {
  const std::size_t was = limit_;
  limit_ = complete_ ? buf_.size() : incompleteTail(buf_);
  if (pat_.options.ignoreCase && limit_ > was)
    fold_ += vb::LCase(std::string_view(buf_).substr(was, limit_ - was));
}

std::string_view ReplaceScanner::hay() const {
  return pat_.options.ignoreCase ? std::string_view(fold_) : text();
}

void ReplaceScanner::run(std::string& out) {
  std::size_t c = 0;
  if (!pat_.empty()) {
    switch (pat_.kind) {
      case PatternKind::Literal: c = passLiteral(out); break;
      case PatternKind::AnyChar: c = passAnyChar(out); break;
      case PatternKind::AnyRun: c = passAnyRun(out); break;
    }
  }
  if (complete_ || pat_.empty()) copyTo(c, buf_.size(), out);
  consume(c);
}

void ReplaceScanner::consume(std::size_t c) {
  if (c == 0) return;
  const char* lf = static_cast<const char*>(std::memchr(buf_.data(), '\n', c));
  lfBefore_ = lfBefore_ || lf != nullptr;
  prevLf_ = buf_[c - 1] == '\n' || virtualLineStart_ == c;
  virtualLineStart_ = virtualLineStart_ != npos && virtualLineStart_ > c ? virtualLineStart_ - c : npos;
  buf_.erase(0, c);
  fold_.erase(0, std::min(c, fold_.size()));
  limit_ = limit_ > c ? limit_ - c : 0;
  base_ += c;
  from_ = from_ > c ? from_ - c : 0;
  for (auto& f : partFind_) f.shift(c);
  for (auto& f : lfFind_) f.shift(c);
  lineEnd_.shift(c);
}

bool ReplaceScanner::atLineStart(std::size_t c) const {
  if (virtualLineStart_ == c) return true;
  return c == 0 ? prevLf_ : buf_[c - 1] == '\n';
}

void ReplaceScanner::copyTo(std::size_t& c, std::size_t to, std::string& out) const {
  if (to > c) out.append(buf_, c, to - c);
  c = std::max(c, to);
}

void ReplaceScanner::replaceRange(std::size_t& c, std::size_t start, std::size_t end, std::string& out) {
  copyTo(c, start, out);
  repl_.appendTo(out, std::string_view(buf_).substr(start, end - start));
  c = end;
  replaced_ = true;
}

// ------------------------------------------------------------------ literal

std::size_t ReplaceScanner::passLiteral(std::string& out) {
  Finder& find = partFind_[0];
  const std::size_t n = find.size();
  std::size_t c = 0;
  for (;;) {
    std::size_t q = 0;
    switch (find.find(hay(), c, complete_, q)) {
      case Result::Found: replaceRange(c, q, q + n, out); continue;
      case Result::Never: return c;
      case Result::NotYet: copyTo(c, q, out); return c;  // q: where a match could still start
    }
  }
}

// ------------------------------------------------------------------ "?"

// Whether the tokens match at w: Yes (end set), No, or More (the visible text ends first).
ReplaceScanner::Fit ReplaceScanner::fitsAt(std::size_t w, std::size_t& end) const {
  const std::string_view t = text(), h = hay();
  const Fit ranOut = complete_ ? Fit::No : Fit::More;
  std::size_t i = w;
  for (const auto& tok : pat_.tokens) {
    if (tok.anyChar) {
      if (i >= t.size()) return ranOut;
      i += vb::CharLen(t, i);
      continue;
    }
    const std::size_t len = tok.literal.size();
    const std::size_t have = std::min(len, h.size() - std::min(i, h.size()));
    if (h.compare(std::min(i, h.size()), have, tok.literal, 0, have) != 0) return Fit::No;
    if (have < len) return ranOut;
    i += len;
  }
  end = i;
  return Fit::Yes;
}

std::size_t ReplaceScanner::passAnyChar(std::string& out) {
  std::size_t c = 0;
  if (anchor_ == pat_.tokens.size()) {
    // Only "?": consecutive runs of that many characters from the cursor.
    for (;;) {
      std::size_t e = 0;
      const Fit fit = fitsAt(c, e);
      if (fit != Fit::Yes) return c;  // No: the rest stays (run() copies it); More: held
      replaceRange(c, c, e, out);
    }
  }
  const std::string_view t = text();
  Finder& find = partFind_[0];
  std::size_t from = std::max(from_, c);
  for (;;) {
    std::size_t p = 0;
    const Result r = find.find(hay(), from, complete_, p);
    if (r == Result::Never) return c;
    if (r == Result::NotYet) {
      // A later anchor's window starts at most maxBack_ bytes before it, on a character start.
      std::size_t x = std::max(c, p >= maxBack_ ? p - maxBack_ : 0);
      while (x > c && !core::startsChar(t, x, c)) --x;
      copyTo(c, x, out);
      from_ = std::max(from, p);
      return c;
    }
    from = p + 1;
    if (!core::startsChar(t, p, c)) continue;
    std::size_t w = p;
    bool fits = true;
    for (std::size_t k = 0; k < lead_ && fits; ++k) {
      if (w <= c) fits = false;
      else w = core::prevCharStart(t, w, c);
    }
    if (!fits) continue;
    std::size_t e = 0;
    const Fit fit = fitsAt(w, e);
    if (fit == Fit::No) continue;
    if (fit == Fit::More) {
      // Windows before w are all decided (windows move on with their anchors).
      copyTo(c, w, out);
      from_ = p;
      return c;
    }
    replaceRange(c, w, e, out);
    from = e;
  }
}

// ------------------------------------------------------------------ "*"

std::size_t ReplaceScanner::passAnyRun(std::string& out) {
  std::size_t c = 0;
  if (stream_.active && !continueStream(c, out)) return c;
  if (pat_.tokens.empty()) return passOnlyStars(c, out);
  const bool line = pat_.options.lineMode;
  const std::size_t parts = partFind_.size();
  std::size_t s = std::max(from_, c);
  // Whether a line feed lies before the cursor, kept up to date as the cursor moves.
  bool lfSeen = lfBefore_;
  std::size_t lfCheckedTo = 0;
  const auto lfBeforeCursor = [&] {
    if (!lfSeen && c > lfCheckedTo) {
      lfSeen = std::memchr(buf_.data() + lfCheckedTo, '\n', c - lfCheckedTo) != nullptr;
      lfCheckedTo = c;
    }
    return lfSeen;
  };
  for (;;) {
    std::size_t p1 = 0;
    const Result first = partFind_[0].find(hay(), s, complete_, p1);
    if (first == Result::Never) return c;
    if (first == Result::NotYet) {
      if (stopOpen(c, s, {false, p1}, out)) return c;
      continue;
    }
    // The other parts in order, each after the one before.
    std::size_t e = p1 + partFind_[0].size();
    enum { Match, Missing, CrossesLine, Pending } outcome = Match;
    for (std::size_t i = 1; i < parts && outcome == Match; ++i) {
      std::size_t q = 0;
      const Result r = partFind_[i].find(hay(), e, complete_, q);
      if (r == Result::Never) {
        outcome = Missing;  // a later start would look for it still further on
        break;
      }
      std::size_t lf = 0;
      // A line feed before the part (or before where it could still start) ends this try; if the
      // part never comes, the text stays as it is either way.
      if (line && lfFind_[i].find(hay(), e, complete_, lf) == Result::Found && lf < q) outcome = CrossesLine;
      else if (r == Result::NotYet) outcome = Pending;
      else e = q + partFind_[i].size();
    }
    if (outcome == Missing) return c;
    if (outcome == CrossesLine) {
      s = p1 + 1;
      continue;
    }
    if (outcome == Pending) {
      if (stopOpen(c, s, {true, p1}, out)) return c;
      continue;
    }
    std::size_t start = p1;
    if (pat_.leadStar) {
      start = c;
      if (line) {
        // The match starts where the line holding the first part starts. A line that began before
        // the cursor (its start already written) gets no replacement: the rest of it stays.
        const std::size_t lf = lastLfBefore(buf_, c, p1);
        if (lf != npos) {
          start = lf + 1;
        } else if (!atLineStart(c) && lfBeforeCursor()) {
          std::size_t next = 0;
          const Result r = lineEnd_.find(hay(), c, complete_, next);
          if (r == Result::Never) return c;
          if (r == Result::Found) {
            copyTo(c, next + 1, out);
            s = c;
            continue;
          }
          if (stopOpen(c, s, {true, p1}, out)) return c;
          continue;
        }
      }
    }
    std::size_t end = e;
    if (pat_.trailStar) {
      std::size_t lf = 0;
      const Result r = line ? lineEnd_.find(hay(), e, complete_, lf) : complete_ ? Result::Never : Result::NotYet;
      if (r == Result::Found) {
        end = lf > e && buf_[lf - 1] == '\r' ? lf - 1 : lf;
      } else if (r == Result::Never) {
        end = buf_.size();
      } else if (repl_.slots() <= 1) {
        beginStream(c, start, e, line, out);
        if (stream_.active) return c;
        s = c;
        continue;
      } else {
        if (stopOpen(c, s, {true, p1}, out)) return c;
        continue;
      }
    }
    replaceRange(c, start, end, out);
    s = end;
  }
}

// A pattern of stars alone: the whole text, or with lineMode each line that is not empty.
std::size_t ReplaceScanner::passOnlyStars(std::size_t c, std::string& out) {
  const bool line = pat_.options.lineMode;
  for (;;) {
    if (c >= buf_.size()) return c;
    if (!line) {
      if (complete_) {
        replaceRange(c, c, buf_.size(), out);
        return c;
      }
      if (repl_.slots() <= 1) {
        beginStream(c, c, c, false, out);
        return c;
      }
    } else {
      std::size_t lf = 0;
      const Result r = lineEnd_.find(hay(), c, complete_, lf);
      if (r == Result::Found) {
        const std::size_t end = lf > c && buf_[lf - 1] == '\r' ? lf - 1 : lf;
        if (end > c) replaceRange(c, c, end, out);
        copyTo(c, lf + 1, out);
        continue;
      }
      if (r == Result::Never) {
        replaceRange(c, c, buf_.size(), out);
        return c;
      }
      // The line goes on; it is not empty once it holds more than a CR that may end it.
      const bool notEmpty = buf_.size() - c >= 2 || buf_[c] != '\r';
      if (!notEmpty) return c;
      if (repl_.slots() <= 1) {
        beginStream(c, c, c, true, out);
        if (stream_.active) return c;
        continue;
      }
    }
    // Held with several "<search-text>": the hold limit cuts the text as a line end would.
    if (buf_.size() - c <= holdLimit_) return c;
    const std::size_t x = buf_.size() - holdLimit_ / 2;
    heldTooLong_ = true;
    if (line) replaceRange(c, c, x, out);
    else copyTo(c, x, out);
    virtualLineStart_ = c;
  }
}

bool ReplaceScanner::stopOpen(std::size_t& c, std::size_t& s, const Open& open, std::string& out) {
  const bool line = pat_.options.lineMode;
  const std::size_t first = open.first;
  // What can no longer change: without a leading "*" the text before the first part; with one in
  // line mode, the lines before the one the match would start in.
  if (!pat_.leadStar) {
    copyTo(c, first, out);
  } else if (line) {
    const std::size_t lf = lastLfBefore(buf_, c, first);
    if (lf != npos) copyTo(c, lf + 1, out);
  }
  s = std::max(s, c);
  from_ = s;
  if (complete_ || buf_.size() - c <= holdLimit_) return true;
  // Past the hold limit: give the open match up.
  heldTooLong_ = true;
  if (pat_.leadStar && first > c && (open.haveFirst || buf_.size() - holdLimit_ / 2 > c)) {
    // The leading "*" gives up the text before the first part (or the older half of what it held).
    copyTo(c, open.haveFirst ? first : std::min(first, buf_.size() - holdLimit_ / 2), out);
  } else {
    // Pass over the occurrence of the first part that opened the match.
    copyTo(c, first + 1, out);
  }
  if (pat_.leadStar) virtualLineStart_ = c;
  s = std::max(s, c);
  from_ = s;
  return false;
}

// ------------------------------------------------------------------ a streamed match

void ReplaceScanner::beginStream(std::size_t& c, std::size_t start, std::size_t lineFrom, bool toLineEnd,
                                 std::string& out) {
  copyTo(c, start, out);
  out += repl_.literals[0];
  replaced_ = true;
  stream_ = {true, toLineEnd, base_ + lineFrom};
  (void)continueStream(c, out);
}

void ReplaceScanner::streamMatched(std::size_t& c, std::size_t to, std::string& out) const {
  if (repl_.slots() == 1 && to > c) out.append(buf_, c, to - c);
  c = std::max(c, to);
}

bool ReplaceScanner::continueStream(std::size_t& c, std::string& out) {
  const auto end = [&](std::size_t at) {
    streamMatched(c, at, out);
    if (repl_.slots() == 1) out += repl_.literals[1];
    stream_.active = false;
    from_ = c;
    return true;
  };
  if (!stream_.toLineEnd) {
    if (complete_) return end(buf_.size());
    streamMatched(c, buf_.size(), out);
    return false;
  }
  const std::size_t lineFrom =
      stream_.lineFrom > base_ ? static_cast<std::size_t>(stream_.lineFrom - base_) : 0;
  std::size_t lf = 0;
  const Result r = lineEnd_.find(hay(), std::max(lineFrom, c), complete_, lf);
  if (r == Result::Found) return end(lf > 0 && base_ + lf > stream_.lineFrom && buf_[lf - 1] == '\r' ? lf - 1 : lf);
  if (r == Result::Never) return end(buf_.size());
  // A CR at the end may turn out to belong to the line break: it waits for the next byte.
  std::size_t to = buf_.size();
  if (to > c && buf_[to - 1] == '\r' && base_ + to - 1 >= stream_.lineFrom) --to;
  streamMatched(c, to, out);
  return false;
}

std::optional<std::string> replaceInText(const SearchPattern& pattern, const ReplacementText& replacement,
                                         std::string_view text) {
  ReplaceScanner scan(pattern, replacement, std::max<std::size_t>(text.size() + 1, 2));
  std::string out;
  scan.feed(text, out);
  scan.finish(out);
  if (!scan.replaced()) return std::nullopt;
  return out;
}

}  // namespace tools::text
