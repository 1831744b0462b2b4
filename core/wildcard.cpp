#include "core/wildcard.h"

#include "core/vb.h"

#include <vector>

namespace core {
namespace {

constexpr std::size_t npos = std::string_view::npos;

// The texts a search compares: with ignoreCase lower-cased copies of text and pattern (vb::LCase
// keeps every byte position, so positions found in them hold in the caller's text too), else the
// caller's own. Not copyable: the views may point into the object's own copies.
class SearchTexts {
 public:
  SearchTexts(std::string_view text, std::string_view pattern, bool ignoreCase)
      : fold(text), pat(pattern) {
    if (!ignoreCase) return;
    foldStore_ = vb::LCase(text);
    patStore_ = vb::LCase(pattern);
    fold = foldStore_;
    pat = patStore_;
  }
  SearchTexts(const SearchTexts&) = delete;
  SearchTexts& operator=(const SearchTexts&) = delete;

  std::string_view fold, pat;

 private:
  std::string foldStore_, patStore_;
};

// The replacement split at its tags, so that filling them costs one append per piece.
class Replacement {
 public:
  Replacement(std::string_view replacement, bool tag) {
    if (!tag) {
      pieces_.push_back(replacement);
      return;
    }
    const std::string folded = vb::LCase(replacement);  // same byte positions
    std::size_t from = 0;
    for (std::size_t p; (p = folded.find(kSearchTextTag, from)) != npos; from = p + kSearchTextTag.size())
      pieces_.push_back(replacement.substr(from, p - from));
    pieces_.push_back(replacement.substr(from));
  }
  void appendTo(std::string& out, std::string_view matched) const {
    for (std::size_t i = 0; i < pieces_.size(); ++i) {
      if (i) out.append(matched);
      out.append(pieces_[i]);
    }
  }

 private:
  std::vector<std::string_view> pieces_;
};

// Builds the result only once a first match exists; copies unmatched text in whole stretches.
class Output {
 public:
  Output(const std::string& text, std::string_view replacement, bool tag)
      : text_(text), repl_(replacement, tag) {}
  // Replaces [start, end) (start >= cursor) and moves the cursor to end.
  void replace(std::size_t start, std::size_t end) {
    copyTo(start);
    repl_.appendTo(out_, std::string_view(text_).substr(start, end - start));
    cursor_ = end;
    any_ = true;
  }
  // Copies the text from the cursor up to end (end >= cursor) unchanged and moves the cursor there.
  void copyTo(std::size_t end) {
    if (!started_) {
      out_.reserve(text_.size() + text_.size() / 8);
      started_ = true;
    }
    out_.append(text_, cursor_, end - cursor_);
    cursor_ = end;
  }
  [[nodiscard]] std::size_t cursor() const { return cursor_; }
  // 1 and the finished text moved into `text` when something was replaced; else 0.
  int finish(std::string& text) {
    if (!any_) return 0;
    out_.append(text_, cursor_, npos);
    text = std::move(out_);
    return 1;
  }

 private:
  const std::string& text_;
  Replacement repl_;
  std::string out_;
  std::size_t cursor_ = 0;
  bool started_ = false;  // out_ holds the text up to the cursor
  bool any_ = false;      // something was replaced
};

// End of a match of `pat` at w, or npos. Literal bytes compare in the search copy `fold`;
// "?" (with `wildcard`) steps over one character of the input text `text`.
std::size_t matchAt(std::string_view pat, bool wildcard, std::string_view fold, std::string_view text,
                    std::size_t w) {
  std::size_t i = w;
  for (std::size_t j = 0; j < pat.size();) {
    if (wildcard && pat[j] == '?') {
      if (i >= text.size()) return npos;
      i += vb::CharLen(text, i);
      ++j;
      continue;
    }
    std::size_t k = wildcard ? pat.find('?', j) : npos;
    if (k == npos) k = pat.size();
    const std::size_t len = k - j;
    if (len > fold.size() - i || fold.compare(i, len, pat.substr(j, len)) != 0) return npos;
    i += len;
    j = k;
  }
  return i;
}

// A substring search that remembers its last answer. As long as the start positions asked for
// do not decrease, each stretch of the text is scanned once, which keeps the star search linear.
class MemoFind {
 public:
  MemoFind(std::string_view hay, std::string_view needle) : hay_(hay), needle_(needle) {}
  std::size_t find(std::size_t from) {
    if (!valid_ || from < from_ || (found_ != npos && from > found_)) {
      found_ = hay_.find(needle_, from);
      from_ = from;
      valid_ = true;
    }
    return found_;
  }

 private:
  std::string_view hay_, needle_;
  std::size_t from_ = 0, found_ = npos;
  bool valid_ = false;
};

}  // namespace

// A sequence starts with a lead byte, which is never inside another sequence, so looking back at
// most three bytes for one that covers p is exact.
bool startsChar(std::string_view s, std::size_t p, std::size_t c) {
  for (std::size_t q = (p >= c + 3 ? p - 3 : c); q < p; ++q) {
    const std::size_t n = vb::Utf8SeqLen(s, q);
    if (n > 1 && q + n > p) return false;
  }
  return true;
}

std::size_t prevCharStart(std::string_view s, std::size_t p, std::size_t c) {
  for (std::size_t len = 2; len <= 4; ++len)
    if (p >= c + len && vb::Utf8SeqLen(s, p - len) == len) return p - len;
  return p - 1;
}

int matchWild(std::string_view pattern, std::string_view candidate, bool wildcard) {
  if (!wildcard) return pattern == candidate ? 1 : 0;
  return matchAt(pattern, true, candidate, candidate, 0) == candidate.size() ? 1 : 0;
}

int SubstWild(std::string& text, std::string_view pattern, std::string_view replacement,
              bool ignoreCase, bool tag, bool wildcard) {
  if (text.empty() || pattern.empty()) return 0;
  const SearchTexts search(text, pattern, ignoreCase);
  const std::string_view fold = search.fold, pat = search.pat;
  const bool hasQuestion = wildcard && pat.find('?') != npos;
  const std::size_t n = text.size();
  Output out(text, replacement, tag);

  const std::size_t lead = hasQuestion ? pat.find_first_not_of('?') : 0;
  if (lead == npos) {
    // Only "?": consecutive runs of that many characters, from the start of the text.
    for (std::size_t i = 0; i < n;) {
      const std::size_t e = matchAt(pat, true, fold, text, i);
      if (e == npos) break;
      out.replace(i, e);
      i = e;
    }
    return out.finish(text);
  }

  // The anchor is the first literal run; each of its occurrences fixes the one window start that
  // could match there (`lead` characters before it), so windows are tried in text order and each
  // anchor occurrence once.
  std::size_t anchorEnd = hasQuestion ? pat.find('?', lead) : npos;
  if (anchorEnd == npos) anchorEnd = pat.size();
  const std::string_view anchor = pat.substr(lead, anchorEnd - lead);
  std::size_t from = 0;
  for (;;) {
    const std::size_t p = fold.find(anchor, from);
    if (p == npos) break;
    from = p + 1;
    const std::size_t c = out.cursor();
    if (hasQuestion && !startsChar(text, p, c)) continue;
    std::size_t w = p;
    bool fits = true;
    for (std::size_t q = 0; q < lead; ++q) {
      if (w <= c) {
        fits = false;
        break;
      }
      w = prevCharStart(text, w, c);
    }
    if (!fits) continue;
    const std::size_t e = matchAt(pat, hasQuestion, fold, text, w);
    if (e == npos) continue;
    out.replace(w, e);
    from = e;
  }
  return out.finish(text);
}

int SubstAst(std::string& text, std::string_view pattern, std::string_view replacement,
             bool ignoreCase, bool tag, bool line) {
  if (text.empty() || pattern.empty()) return 0;
  const SearchTexts search(text, pattern, ignoreCase);
  const std::string_view fold = search.fold, pat = search.pat;
  const std::size_t n = text.size();
  const bool leadStar = pat.front() == '*';
  const bool trailStar = pat.back() == '*';
  std::vector<std::string_view> parts;
  for (std::size_t from = 0; from <= pat.size();) {
    std::size_t star = pat.find('*', from);
    if (star == npos) star = pat.size();
    if (star > from) parts.push_back(pat.substr(from, star - from));
    from = star + 1;
  }
  // The end of the line holding position x: its LF, or the CR just before it.
  const auto lineEndFrom = [&](std::size_t x) {
    std::size_t lf = fold.find('\n', x);
    if (lf == npos) return n;
    if (lf > x && text[lf - 1] == '\r') --lf;
    return lf;
  };
  Output out(text, replacement, tag);

  if (parts.empty()) {
    // Only "*": the whole text, or each non-empty line without its break.
    if (!line) {
      out.replace(0, n);
      return out.finish(text);
    }
    for (std::size_t start = 0; start < n;) {
      const std::size_t end = lineEndFrom(start);
      if (end > start) out.replace(start, end);
      const std::size_t lf = fold.find('\n', end);
      if (lf == npos) break;
      start = lf + 1;
    }
    return out.finish(text);
  }

  std::vector<MemoFind> partFind, lineBreakFind;
  for (const auto& part : parts) {
    partFind.emplace_back(fold, part);
    lineBreakFind.emplace_back(fold, "\n");
  }
  std::size_t s = 0;
  // Whether a line break lies before the cursor; kept up to date as the cursor moves, so that each
  // stretch of the text is looked at once.
  bool breakBeforeCursor = false;
  std::size_t breakCheckedTo = 0;
  const auto cursorAfterBreak = [&] {
    const std::size_t c = out.cursor();
    if (!breakBeforeCursor && c > breakCheckedTo) {
      breakBeforeCursor = fold.substr(breakCheckedTo, c - breakCheckedTo).find('\n') != npos;
      breakCheckedTo = c;
    }
    return breakBeforeCursor;
  };
  for (;;) {
    const std::size_t p1 = partFind[0].find(s);
    if (p1 == npos) break;
    std::size_t e = p1 + parts[0].size();
    bool missing = false, crossesLine = false;
    for (std::size_t i = 1; i < parts.size(); ++i) {
      const std::size_t q = partFind[i].find(e);
      if (q == npos) {
        missing = true;
        break;
      }
      if (line) {
        const std::size_t lf = lineBreakFind[i].find(e);
        if (lf != npos && lf < q) {
          crossesLine = true;
          break;
        }
      }
      e = q + parts[i].size();
    }
    if (missing) break;  // a later start would look for it still further on
    if (crossesLine) {
      s = p1 + 1;
      continue;
    }
    const std::size_t c = out.cursor();
    std::size_t start = p1;
    if (leadStar) {
      start = c;
      if (line) {
        // The match starts where the line holding the first part starts; on the first line, at
        // the cursor. A line that began before the cursor (its start already copied or replaced)
        // gets no replacement: the rest of it is copied as it stands.
        const std::size_t from = c > 0 ? c - 1 : 0;  // a break just before the cursor starts a line at it
        const std::size_t lf = fold.substr(from, p1 - from).rfind('\n');
        if (lf != npos) {
          start = from + lf + 1;
        } else if (cursorAfterBreak()) {
          const std::size_t next = fold.find('\n', c);
          out.copyTo(next == npos ? n : next + 1);
          s = out.cursor();
          if (s >= n) break;
          continue;
        }
      }
    }
    std::size_t end = e;
    if (trailStar) end = line ? lineEndFrom(e) : n;
    out.replace(start, end);
    s = end;
  }
  return out.finish(text);
}

}  // namespace core
