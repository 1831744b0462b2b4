#include "ui_kit/results_paging.h"

#include "core/vb.h"

#include <algorithm>

namespace uikit {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// The LF of the first line break that starts at or after from (a CR LF starting at from counts),
// and the break's first byte.
struct Break {
  std::size_t begin = npos;  // CR of a CR LF, else the LF
  std::size_t lf = npos;
};
Break breakFrom(std::string_view text, std::size_t from) {
  if (from >= text.size()) return {};
  std::size_t lf = text.find('\n', from);
  if (lf == npos) return {};
  const std::size_t begin = (lf > from && text[lf - 1] == '\r') ? lf - 1 : lf;
  return {begin, lf};
}

bool isContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::size_t charBoundary(std::string_view text, std::size_t pos) {
  while (pos > 0 && pos < text.size() && isContinuation(text[pos])) --pos;
  return pos;
}

// A page edge near nominal: just after a line break starting less than kPageSnap after it.
std::size_t snapEdge(std::string_view text, std::size_t nominal) {
  if (nominal >= text.size()) return text.size();
  const Break b = breakFrom(text, nominal);
  if (b.lf != npos && b.begin - nominal < kPageSnap) return b.lf + 1;
  return charBoundary(text, nominal);
}

// A TAB that ends a line, at or after from: the TAB's position and the start of the next line.
std::optional<std::pair<std::size_t, std::size_t>> tabLineEnd(std::string_view text, std::size_t from) {
  for (std::size_t i = text.find('\t', from); i != npos; i = text.find('\t', i + 1)) {
    if (i + 1 < text.size() && text[i + 1] == '\n') return std::make_pair(i, i + 2);
    if (i + 2 < text.size() && text[i + 1] == '\r' && text[i + 2] == '\n') return std::make_pair(i, i + 3);
  }
  return std::nullopt;
}

// The first line break followed by a TAB, at or after from: the break's first byte and the TAB.
std::optional<std::pair<std::size_t, std::size_t>> breakBeforeTab(std::string_view text, std::size_t from) {
  for (std::size_t lf = text.find('\n', from); lf != npos; lf = text.find('\n', lf + 1)) {
    if (lf + 1 < text.size() && text[lf + 1] == '\t') {
      const std::size_t begin = (lf > from && text[lf - 1] == '\r') ? lf - 1 : lf;
      return std::make_pair(begin, lf + 1);
    }
  }
  return std::nullopt;
}

// One header block whose TAB line ends at or after from; sets found when a path line follows.
std::optional<TextRange> headerBlock(std::string_view text, std::size_t from, bool& found, std::size_t& next) {
  const auto tab = tabLineEnd(text, from);
  if (!tab || tab->second >= text.size() || text[tab->second] != '/') return std::nullopt;
  found = true;
  const std::size_t start = tab->second;
  const auto close = breakBeforeTab(text, start + 1);
  if (!close) return std::nullopt;
  next = close->second + 1;
  return TextRange{start, close->first};
}

}  // namespace

int pageCount(std::size_t length) {
  if (length <= kPageSize) return 1;
  return static_cast<int>((length + kPageSize - 1) / kPageSize);
}

TextRange pageBounds(std::string_view text, int page) {
  if (page < 1) page = 1;
  const std::size_t nominal = static_cast<std::size_t>(page - 1) * kPageSize;
  const std::size_t start = page == 1 ? 0 : snapEdge(text, nominal);
  const std::size_t end = snapEdge(text, nominal + kPageSize);
  return {std::min(start, end), end};
}

HeaderPaths detectHeader(std::string_view text) {
  HeaderPaths h;
  std::size_t next = 0;
  h.first = headerBlock(text, 0, h.found, next);
  if (!h.first) return h;
  bool second = false;
  h.second = headerBlock(text, next, second, next);
  return h;
}

std::vector<TextRange> splitLines(std::string_view text) {
  std::vector<TextRange> lines;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    const std::size_t lf = text.find('\n', pos);
    if (lf == npos) {
      std::size_t end = text.size();
      lines.push_back({pos, end});
      break;
    }
    const std::size_t end = (lf > pos && text[lf - 1] == '\r') ? lf - 1 : lf;
    lines.push_back({pos, end});
    pos = lf + 1;
  }
  return lines;
}

std::vector<std::size_t> pathStarts(std::string_view text, TextRange line) {
  std::vector<std::size_t> out;
  for (std::size_t i = line.start; i < line.end; ++i) {
    if (text[i] != '/') continue;
    if (i == line.start || text[i - 1] == ' ' || text[i - 1] == '\t') out.push_back(i);
  }
  return out;
}

std::string pathAt(std::string_view text, std::size_t start, TextRange line) {
  std::string path(text.substr(start, line.end - start));
  if (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::vector<TextRange> pathMarks(std::string_view page, std::size_t pageStart, const HeaderPaths& header,
                                 const std::function<bool(const std::string&)>& exists) {
  std::vector<TextRange> marks;
  if (header.found) {
    const std::size_t pageEnd = pageStart + page.size();
    for (const auto& r : {header.first, header.second}) {
      if (!r || r->end <= pageStart || r->start >= pageEnd) continue;
      marks.push_back({std::max(r->start, pageStart) - pageStart, std::min(r->end, pageEnd) - pageStart});
    }
    return marks;
  }
  for (const TextRange& line : splitLines(page)) {
    std::size_t markedTo = 0;
    for (std::size_t start : pathStarts(page, line)) {
      if (start < markedTo) continue;
      if (exists(pathAt(page, start, line))) {
        marks.push_back({start, line.end});
        markedTo = line.end;
      }
    }
  }
  return marks;
}

std::vector<TextRange> hiddenMarkers(std::string_view page) {
  std::vector<TextRange> out;
  for (std::size_t i = page.find("||"); i != npos; i = page.find("||", i + 2)) out.push_back({i, i + 2});
  return out;
}

QString displayText(std::string_view page, const std::vector<TextRange>& marks, std::vector<TextRange>& markOut) {
  // Decodes piecewise so that the mark edges (which fall on ASCII bytes or line edges) map exactly.
  auto decode = [&page](std::size_t from, std::size_t to) {
    std::string bytes;
    bytes.reserve(to - from);
    for (std::size_t i = from; i < to; ++i) {
      if (page[i] == '\r') {
        if (i + 1 < page.size() && page[i + 1] == '\n') continue;
        bytes += ' ';
        continue;
      }
      bytes += page[i];
    }
    QString s = vb::qs(bytes);
    // A paragraph separator would add a line the page does not have.
    s.replace(QChar::ParagraphSeparator, QLatin1Char(' '));
    return s;
  };
  QString out;
  markOut.assign(marks.size(), TextRange{});
  std::size_t pos = 0;
  for (std::size_t k = 0; k < marks.size(); ++k) {
    const TextRange& m = marks[k];
    if (m.start < pos || m.end > page.size() || m.end < m.start) continue;
    out += decode(pos, m.start);
    const auto from = static_cast<std::size_t>(out.size());
    out += decode(m.start, m.end);
    markOut[k] = {from, static_cast<std::size_t>(out.size())};
    pos = m.end;
  }
  out += decode(pos, page.size());
  return out;
}

}  // namespace uikit
