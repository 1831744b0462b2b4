#include "tools/renaming/case_styles.h"

#include "core/vb.h"

#include <QChar>

#include <array>
#include <cstdint>
#include <cstring>

namespace tools {

namespace {

// The characters of Windows-1252 bytes 0x80..0x9F (0 where the code page leaves a byte undefined:
// the byte then stands for itself, a control character).
constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t fromCp1252(unsigned char b) {
  if (b >= 0x80 && b <= 0x9F && kCp1252High[b - 0x80] != 0) return kCp1252High[b - 0x80];
  return b;
}

// The word classes of the ASCII characters, looked up instead of judged in the hot loops.
struct AsciiClasses {
  std::array<bool, 128> sentence{}, words{};
  AsciiClasses() {
    for (char32_t c = 0; c < 128; ++c) {
      sentence[c] = isWordCharacter(c, WordClasses::Sentence);
      words[c] = isWordCharacter(c, WordClasses::Words);
    }
  }
  [[nodiscard]] const std::array<bool, 128>& of(WordClasses classes) const {
    return classes == WordClasses::Sentence ? sentence : words;
  }
};
const AsciiClasses& asciiClasses() {
  static const AsciiClasses t;
  return t;
}

constexpr unsigned char lowerAscii(unsigned char c) {
  return static_cast<unsigned char>(c + ((c >= 'A' && c <= 'Z') ? 32 : 0));
}
constexpr unsigned char upperAscii(unsigned char c) {
  return static_cast<unsigned char>(c - ((c >= 'a' && c <= 'z') ? 32 : 0));
}

// Length of the run of ASCII bytes at the start of s, eight bytes at a time where it can.
std::size_t asciiRun(std::string_view s) {
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, s.data() + i, 8);
    if ((word & 0x8080808080808080ULL) != 0) break;
  }
  while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80) ++i;
  return i;
}

// Length of the run of bytes from 0x80 up at the start of s. ASCII bytes never belong to a
// multi-byte sequence, so such a run reads the same wherever it stands.
std::size_t highRun(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && static_cast<unsigned char>(s[i]) >= 0x80) ++i;
  return i;
}

// Whether text[i] starts a UTF-8 character of U+00C0..U+00FF (0xC3 and a continuation byte)
// that converts within the same two bytes: "ÿ" goes to vb::UCase, its capital lies elsewhere.
bool latin1Letter(std::string_view text, std::size_t i, std::size_t end, bool upper) {
  if (i + 1 >= end || static_cast<unsigned char>(text[i]) != 0xC3) return false;
  const auto second = static_cast<unsigned char>(text[i + 1]);
  return second >= 0x80 && second <= 0xBF && !(upper && second == 0xBF);
}
// The second byte of U+00C0..U+00FE in the other case: "À".."Þ" and "à".."þ" lie 0x20 apart;
// "×", "÷" and "ß" have no other case of the same length.
constexpr unsigned char upperLatin1(unsigned char second) {
  return static_cast<unsigned char>(second - ((second >= 0xA0 && second <= 0xBE && second != 0xB7) ? 0x20 : 0));
}
constexpr unsigned char lowerLatin1(unsigned char second) {
  return static_cast<unsigned char>(second + ((second >= 0x80 && second <= 0x9E && second != 0x97) ? 0x20 : 0));
}

// Upper or lower case of a whole text, ASCII runs and Latin-1 letters without a detour.
void changeCase(std::string_view text, bool upper, std::string& out) {
  const std::size_t start = out.size();
  out.resize(start + text.size());
  char* dst = out.data() + start;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t a = asciiRun(text.substr(i));
    for (std::size_t k = 0; k < a; ++k) {
      const auto c = static_cast<unsigned char>(text[i + k]);
      dst[i + k] = static_cast<char>(upper ? upperAscii(c) : lowerAscii(c));
    }
    i += a;
    const std::size_t end = i + highRun(text.substr(i));
    while (i < end) {
      if (latin1Letter(text, i, end, upper)) {
        const auto second = static_cast<unsigned char>(text[i + 1]);
        dst[i] = text[i];
        dst[i + 1] = static_cast<char>(upper ? upperLatin1(second) : lowerLatin1(second));
        i += 2;
        continue;
      }
      // Up to the next Latin-1 letter: no sequence reaches over 0xC3, never a continuation byte.
      std::size_t j = i + 1;
      while (j < end && static_cast<unsigned char>(text[j]) != 0xC3) ++j;
      const std::string converted = upper ? vb::UCase(text.substr(i, j - i)) : vb::LCase(text.substr(i, j - i));
      std::memcpy(dst + i, converted.data(), j - i);
      i = j;
    }
  }
}

// One character that is not ASCII, converted and appended.
void appendCharacter(std::string_view ch, bool upper, std::string& out) {
  out += upper ? vb::UCase(ch) : vb::LCase(ch);
}

}  // namespace

bool isWordCharacter(char32_t c, WordClasses classes) {
  if (c < 32 || (c >= 0x7F && c < 0xA0)) return false;  // controls, C0 and C1
  if (c == '\'' || c == 0x2019) return true;             // the apostrophe in both its forms
  if (classes == WordClasses::Sentence) return c != '.' && c != '!' && c != '?';
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  if (c >= 0xC0 && c <= 0xFF) return true;  // the Latin-1 letter block, as a whole
  return c >= 0x80 && (QChar::isLetter(c) || QChar::isMark(c));
}

std::string capitaliseWords(std::string_view text, bool sentence, WordClasses classes, CapitalState& state) {
  std::string out;
  out.reserve(text.size());
  const std::array<bool, 128>& ascii = asciiClasses().of(classes);
  bool armed = state.armed;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      if (!ascii[b]) {
        armed = true;
        out += static_cast<char>(lowerAscii(b));
      } else if (armed) {
        out += static_cast<char>(upperAscii(b));
        armed = sentence && b == ' ';
      } else {
        out += static_cast<char>(lowerAscii(b));
      }
      ++i;
      continue;
    }
    char32_t cp = 0;
    std::size_t n = vb::Utf8SeqLen(text, i, &cp);
    if (n == 0) {  // not UTF-8: a Windows-1252 character
      n = 1;
      cp = fromCp1252(b);
    }
    const std::string_view ch = text.substr(i, n);
    if (!isWordCharacter(cp, classes)) {
      armed = true;
      appendCharacter(ch, false, out);
    } else {
      appendCharacter(ch, armed, out);
      armed = false;  // a blank is ASCII: nothing here keeps a sentence armed
    }
    i += n;
  }
  state.armed = armed;
  return out;
}

std::string capitaliseWords(std::string_view text, bool sentence, WordClasses classes) {
  CapitalState state;
  return capitaliseWords(text, sentence, classes, state);
}

NameParts splitName(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {name, {}};
  return {name.substr(0, dot + 1), name.substr(dot + 1)};
}

namespace {

// text in style, with the word classes of the name style, appended to out.
void applyStyle(std::string_view text, CaseStyle style, WordClasses classes, CapitalState& state,
                std::string& out) {
  switch (style) {
    case CaseStyle::Sentence: out += capitaliseWords(text, true, classes, state); break;
    case CaseStyle::EveryWord: out += capitaliseWords(text, false, classes, state); break;
    case CaseStyle::Upper: changeCase(text, true, out); break;
    case CaseStyle::Lower: changeCase(text, false, out); break;
    case CaseStyle::Default: out += text; break;
  }
}

}  // namespace

std::string CaseConverter::convertName(std::string_view name, bool isFolder) const {
  const NameParts parts = isFolder ? NameParts{name, {}} : splitName(name);
  std::string out;
  out.reserve(name.size());
  CapitalState baseState, extensionState;
  applyStyle(parts.base, styles_.name, classes_, baseState, out);
  if (!parts.extension.empty()) applyStyle(parts.extension, styles_.extension, classes_, extensionState, out);
  return out;
}

std::string CaseConverter::convertText(std::string_view text) const {
  std::string out;
  CapitalState state;
  applyStyle(text, styles_.name, classes_, state, out);
  return out;
}

std::size_t incompleteUtf8Tail(std::string_view text) {
  const std::size_t size = text.size();
  for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
    const auto b = static_cast<unsigned char>(text[size - back]);
    if ((b & 0xC0) == 0x80) continue;  // a continuation byte: look further back for its lead
    const std::size_t announced = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 1;
    return b >= 0xC2 && b <= 0xF4 && announced > back ? back : 0;
  }
  return 0;
}

void CaseTextStream::reset() {
  state_ = {};
  held_.clear();
}

void CaseTextStream::convert(std::string_view piece, std::string& out) {
  std::string joined;
  std::string_view text = piece;
  if (!held_.empty()) {
    joined = held_ + std::string(piece);
    held_.clear();
    text = joined;
  }
  const std::size_t tail = incompleteUtf8Tail(text);
  convertWhole(text.substr(0, text.size() - tail), out);
  held_.assign(text.substr(text.size() - tail));
}

void CaseTextStream::finish(std::string& out) {
  convertWhole(held_, out);
  held_.clear();
}

void CaseTextStream::convertWhole(std::string_view text, std::string& out) {
  applyStyle(text, style_, classes_, state_, out);
}

}  // namespace tools
