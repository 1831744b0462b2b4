#include "tools/file_ops/copy_pattern.h"

#include "core/file_paths.h"
#include "core/file_times.h"
#include "core/vb.h"
#include "platform/fs.h"

#include <array>
#include <optional>

namespace tools::file_ops {

namespace {

// The pattern being expanded: its own text (scanned for handles) and what handles put in (never
// scanned again), in order.
struct Piece {
  std::string text;
  bool own = true;
};

class PatternText {
 public:
  explicit PatternText(std::string_view pattern) { pieces_.push_back({std::string(pattern), true}); }

  [[nodiscard]] bool holds(std::string_view code) const {
    for (const Piece& p : pieces_) {
      if (p.own && p.text.find(code) != std::string::npos) return true;
    }
    return false;
  }

  // Every code in the pattern's own text becomes value.
  void replace(std::string_view code, const std::string& value) {
    std::vector<Piece> out;
    for (Piece& p : pieces_) {
      if (!p.own) {
        out.push_back(std::move(p));
        continue;
      }
      std::size_t from = 0;
      for (std::size_t at; (at = p.text.find(code, from)) != std::string::npos; from = at + code.size()) {
        out.push_back({p.text.substr(from, at - from), true});
        out.push_back({value, false});
      }
      out.push_back({p.text.substr(from), true});
    }
    pieces_ = std::move(out);
  }

  // The first code in the pattern's own text: (piece, offset).
  [[nodiscard]] std::optional<std::pair<std::size_t, std::size_t>> find(std::string_view code) const {
    for (std::size_t i = 0; i < pieces_.size(); ++i) {
      if (!pieces_[i].own) continue;
      if (const std::size_t at = pieces_[i].text.find(code); at != std::string::npos) return std::pair(i, at);
    }
    return std::nullopt;
  }

  // The piece's own text from offset to its end replaced by value, then rest as own text.
  void splice(std::size_t piece, std::size_t offset, std::size_t length, const std::string& value) {
    Piece& p = pieces_[piece];
    Piece after{p.text.substr(offset + length), true};
    p.text.resize(offset);
    pieces_.insert(pieces_.begin() + static_cast<std::ptrdiff_t>(piece) + 1, {{value, false}, std::move(after)});
  }

  // Keeps the first keep bytes of the text before (piece, offset), drops the code of length
  // bytes there, and keeps the rest.
  void cutBefore(std::size_t piece, std::size_t offset, std::size_t length, std::size_t keep) {
    std::vector<Piece> out;
    std::size_t kept = 0;
    for (std::size_t i = 0; i <= piece; ++i) {
      Piece p = pieces_[i];
      if (i == piece) p.text.resize(offset);
      const std::size_t take = std::min(p.text.size(), keep - kept);
      p.text.resize(take);
      kept += take;
      out.push_back(std::move(p));
    }
    out.push_back({pieces_[piece].text.substr(offset + length), true});
    for (std::size_t i = piece + 1; i < pieces_.size(); ++i) out.push_back(pieces_[i]);
    pieces_ = std::move(out);
  }

  [[nodiscard]] std::string textBefore(std::size_t piece, std::size_t offset) const {
    std::string s;
    for (std::size_t i = 0; i < piece; ++i) s += pieces_[i].text;
    return s + pieces_[piece].text.substr(0, offset);
  }

  [[nodiscard]] std::string joined() const {
    std::string s;
    for (const Piece& p : pieces_) s += p.text;
    return s;
  }

  std::vector<Piece>& pieces() { return pieces_; }

 private:
  std::vector<Piece> pieces_;
};

struct NameParts {
  std::string base, extension;
};

NameParts splitName(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {std::string(name), {}};
  return {std::string(name.substr(0, dot)), std::string(name.substr(dot + 1))};
}

bool isWordByte(char c) {
  const auto b = static_cast<unsigned char>(c);
  return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9');
}

// The first five words of the base name: runs of ASCII letters and digits, as written.
std::array<std::string, 5> nameWords(std::string_view base) {
  std::array<std::string, 5> words;
  std::size_t n = 0;
  for (std::size_t i = 0; i < base.size() && n < words.size();) {
    if (!isWordByte(base[i])) {
      ++i;
      continue;
    }
    const std::size_t start = i;
    while (i < base.size() && isWordByte(base[i])) ++i;
    words[n++] = std::string(base.substr(start, i - start));
  }
  return words;
}

// Characters start .. start + length - 1 (1-based) of text, a character being a UTF-8 sequence or
// a single byte.
std::string characters(std::string_view text, std::int64_t start, std::int64_t length) {
  if (start < 1 || length < 0) return {};
  std::size_t i = 0;
  for (std::int64_t c = 1; c < start && i < text.size(); ++c) i += vb::CharLen(text, i);
  std::size_t end = i;
  for (std::int64_t c = 0; c < length && end < text.size(); ++c) end += vb::CharLen(text, end);
  return std::string(text.substr(i, end - i));
}

// How many bytes of text stay when the text loses its last folder: behind the last "/" (one in the
// last position does not count; without another, nothing stays). "/" and a text without "/" stay.
std::size_t upOneFolder(std::string_view text) {
  if (text == "/" || text.find('/') == std::string_view::npos) return text.size();
  std::size_t last = text.rfind('/');
  if (last + 1 == text.size()) {
    if (last == 0) return 0;
    last = text.rfind('/', last - 1);
    if (last == std::string_view::npos) return 0;
  }
  return last + 1;
}

constexpr std::array<std::string_view, 4> kDateCodes = {"<DC", "<DM", "<DA", "<DT"};

// Date handles of the pattern's own text. One whose ">" is missing ends date expansion: those
// after it only lose their short codes.
void expandDates(PatternText& text, const HandleStamp& stampOf) {
  bool ended = false;
  for (Piece& p : text.pieces()) {
    if (!p.own) continue;
    if (!ended) {
      const std::size_t open = p.text.rfind("<D");
      ended = open != std::string::npos && p.text.find('>', open + 2) == std::string::npos;
      p.text = core::expandDateTokens(p.text, {.style = core::DateTokenStyle::Colon, .keepClosingBracket = true},
                                      stampOf);
    } else {
      for (std::string_view code : kDateCodes) p.text = vb::Replace(p.text, code, "");
    }
  }
}

void expandUpFolders(PatternText& text) {
  while (const auto at = text.find("<u1>")) {
    const std::string before = text.textBefore(at->first, at->second);
    text.cutBefore(at->first, at->second, 4, upOneFolder(before));
  }
}

void expandSubstrings(PatternText& text, std::string_view base) {
  while (const auto at = text.find("<CS")) {
    const std::string& own = text.pieces()[at->first].text;
    const std::size_t semi = own.find(';', at->second + 3);
    if (semi == std::string::npos) return;
    const std::size_t close = own.find('>', semi + 1);
    if (close == std::string::npos) return;
    const std::int64_t start = vb::ValInt(own.substr(at->second + 3, semi - at->second - 3));
    const std::int64_t length = vb::ValInt(own.substr(semi + 1, close - semi - 1));
    text.splice(at->first, at->second, close + 1 - at->second, characters(base, start, length));
  }
}

}  // namespace

std::string cleanTargetPattern(std::string_view text) { return core::RemInvalid(text, "\"|*?"); }

bool targetPatternValid(std::string_view pattern) {
  if (pattern.size() <= 1) return false;
  return pattern.front() == '/' || vb::LCase(vb::Left(pattern, 10)) == "<filepath>";
}

std::string shortenHandles(std::string_view pattern) {
  std::string s = core::shortenDateTokens(pattern, core::DateTokenStyle::Colon);
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 6> kHandles = {{
      {"<FileWord", "<FW"},
      {"<CustSub;", "<CS"},
      {"<FileName>", "<ofn>"},
      {"<FileExtension>", "<ofe>"},
      {"<FilePath>", "<fp>"},
      {"<UpOneFolder>", "<u1>"},
  }};
  for (const auto& [longForm, shortForm] : kHandles) s = vb::Replace(s, longForm, shortForm);
  return s;
}

std::string expandTargetPattern(std::string_view name, std::string_view shortPattern, std::string_view folder,
                                const HandleStamp& stampOf) {
  const NameParts parts = splitName(name);
  PatternText text(shortPattern);
  text.replace("<ofn>", parts.base);
  text.replace("<ofe>", parts.extension);
  if (text.holds("<FW")) {
    const std::array<std::string, 5> words = nameWords(parts.base);
    for (std::size_t n = 0; n < words.size(); ++n) text.replace("<FW" + std::to_string(n + 1) + ">", words[n]);
  }
  text.replace("<fp>", std::string(folder.empty() ? folder : folder.substr(0, folder.size() - 1)));
  if (text.holds("<D")) expandDates(text, stampOf);
  expandUpFolders(text);
  expandSubstrings(text, parts.base);
  for (Piece& p : text.pieces()) {
    if (p.own) p.text = vb::Replace(p.text, ">", "");
  }
  std::string out = text.joined();
  if (!out.empty() && out.back() == '.') out.pop_back();
  return vb::RTrim(out);
}

std::string fileHandleStamp(const std::string& path, core::DateSource source, const std::string& today) {
  if (source == core::DateSource::Today) return today;
  const platform::FileStatus st = platform::fileStatus(path, true);
  if (st.error != 0) return {};
  const platform::FileTime& t = source == core::DateSource::Modified  ? st.modified
                                : source == core::DateSource::Created ? st.created
                                                                      : st.accessed;
  if (!t.known) return {};
  return core::dateStamp(core::localRecord(t.sec, t.nsec));
}

std::vector<CopyPreviewRow> previewTargets(const std::string& mainFolder, const std::vector<std::string>& samples,
                                           std::string_view pattern, const std::string& today) {
  const std::string shortPattern = shortenHandles(pattern);
  std::vector<CopyPreviewRow> rows;
  for (const std::string& name : samples) {
    const std::string source = mainFolder + name;
    const std::string folder = expandTargetPattern(name, shortPattern, mainFolder, [&](core::DateSource s) {
      return fileHandleStamp(source, s, today);
    });
    rows.push_back({source, core::AddSlash(folder) + name});
  }
  return rows;
}

}  // namespace tools::file_ops
