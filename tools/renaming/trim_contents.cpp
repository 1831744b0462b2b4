#include "tools/renaming/trim_contents.h"

#include "core/vb.h"
#include "tools/renaming/case_styles.h"

#include <algorithm>
#include <cstring>

namespace tools {

namespace {

constexpr bool isContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Whether the byte at index i of buf starts a character when the text is read from its start (a
// valid UTF-8 sequence is one character, any other byte one of its own). A byte that is not a
// continuation byte always does; a continuation byte does unless the nearest byte before it that
// is not one (at most three back) begins a valid sequence reaching it. buf must hold the three
// bytes before i and after it wherever the file has them.
bool startsCharacter(std::string_view buf, std::size_t i) {
  if (!isContinuation(static_cast<unsigned char>(buf[i]))) return true;
  for (std::size_t back = 1; back <= 3 && back <= i; ++back) {
    if (isContinuation(static_cast<unsigned char>(buf[i - back]))) continue;
    return vb::Utf8SeqLen(buf, i - back) <= back;
  }
  return true;
}

}  // namespace

// ------------------------------------------------------------------ from the start

void TrimStartTransform::begin(std::uint64_t) {
  remaining_ = trim_.count;
  held_.clear();
}

void TrimStartTransform::piece(std::string_view in, std::uint64_t, std::string& out) {
  if (remaining_ == 0) {
    out.append(in);
    return;
  }
  if (trim_.unit == TrimUnit::Lines) {
    std::size_t pos = 0;
    while (remaining_ > 0) {
      const void* lf = std::memchr(in.data() + pos, '\n', in.size() - pos);
      if (lf == nullptr) return;  // the whole piece is dropped
      pos = static_cast<std::size_t>(static_cast<const char*>(lf) - in.data()) + 1;
      --remaining_;
    }
    out.append(in.substr(pos));
    return;
  }
  if (held_.empty()) {
    skipCharacters(in, false, out);
  } else {
    const std::string joined = held_ + std::string(in);
    held_.clear();
    skipCharacters(joined, false, out);
  }
}

void TrimStartTransform::finish(std::string& out) {
  if (held_.empty()) return;
  const std::string rest = std::move(held_);
  held_.clear();
  skipCharacters(rest, true, out);
}

void TrimStartTransform::skipCharacters(std::string_view text, bool last, std::string& out) {
  // A sequence the next piece may complete is not counted yet: it is one character or several.
  const std::size_t limit = last ? text.size() : text.size() - incompleteUtf8Tail(text);
  std::size_t i = 0;
  while (remaining_ > 0 && i < limit) {
    i += vb::CharLen(text, i);
    --remaining_;
  }
  if (remaining_ == 0) {
    out.append(text.substr(std::min(i, text.size())));
  } else {
    held_.assign(text.substr(limit));
  }
}

// ------------------------------------------------------------------ from the end

EndCut findEndCut(std::uint64_t size, const ContentTrim& trim, std::uint64_t pieceSize, const RangeReader& read,
                  const std::function<bool()>& goOn) {
  pieceSize = std::max<std::uint64_t>(pieceSize, 1);
  // Bytes read around each piece: the CR before an LF; the bytes that decide whether a
  // continuation byte starts a character.
  const std::uint64_t before = trim.unit == TrimUnit::Lines ? 1 : 3;
  const std::uint64_t after = trim.unit == TrimUnit::Lines ? 0 : 3;
  std::uint64_t found = 0;
  for (std::uint64_t end = size; end > 0;) {
    const std::uint64_t start = end > pieceSize ? end - pieceSize : 0;
    const std::uint64_t from = start > before ? start - before : 0;
    const std::uint64_t to = std::min(size, end + after);
    const std::optional<std::string> buf = read(from, to - from);
    if (!buf || buf->size() != to - from) return {ScanEnd::ReadFailed, 0};
    const std::string_view b = *buf;
    for (std::uint64_t pos = end; pos-- > start;) {
      const std::size_t i = static_cast<std::size_t>(pos - from);
      const bool counts = trim.unit == TrimUnit::Lines ? b[i] == '\n' : startsCharacter(b, i);
      if (!counts || ++found < trim.count) continue;
      if (trim.unit == TrimUnit::Lines && pos > 0 && b[i - 1] == '\r') return {ScanEnd::Found, pos - 1};
      return {ScanEnd::Found, pos};
    }
    end = start;
    if (end > 0 && !goOn()) return {ScanEnd::Cancelled, 0};
  }
  return {ScanEnd::Found, 0};  // fewer than count: nothing stays
}

void TrimEndTransform::begin(std::uint64_t) { stale_ = stillAsScanned_ && !stillAsScanned_(); }

void TrimEndTransform::piece(std::string_view in, std::uint64_t offset, std::string& out) {
  if (stale_) {
    out.append(in);
  } else if (offset < keep_) {
    out.append(in.substr(0, static_cast<std::size_t>(std::min<std::uint64_t>(in.size(), keep_ - offset))));
  }
}

}  // namespace tools
