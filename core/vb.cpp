#include "core/vb.h"

#include <QFile>

#include <array>
#include <cmath>
#include <limits>

namespace vb {

std::size_t InStr(std::size_t start, std::string_view hay, std::string_view needle) {
  if (start < 1) start = 1;
  if (start > hay.size() + 1) return 0;
  if (needle.empty()) return start;
  const auto p = hay.find(needle, start - 1);
  return p == std::string_view::npos ? 0 : p + 1;
}

std::size_t InStrRev(std::string_view hay, std::string_view needle, std::size_t start) {
  if (hay.empty()) return 0;
  std::size_t from = start == 0 ? std::string_view::npos : start - 1;
  if (needle.empty()) return start == 0 ? hay.size() : (start > hay.size() ? 0 : start);
  const auto p = hay.rfind(needle, from);
  return p == std::string_view::npos ? 0 : p + 1;
}

std::string Mid(std::string_view s, std::size_t start, std::size_t len) {
  if (start < 1 || start > s.size()) return {};
  return std::string(s.substr(start - 1, len));
}

std::string Left(std::string_view s, std::size_t n) { return std::string(s.substr(0, n)); }

std::string Right(std::string_view s, std::size_t n) {
  return n >= s.size() ? std::string(s) : std::string(s.substr(s.size() - n));
}

std::string LTrim(std::string_view s) {
  const auto p = s.find_first_not_of(' ');
  return p == std::string_view::npos ? std::string() : std::string(s.substr(p));
}

std::string RTrim(std::string_view s) {
  const auto p = s.find_last_not_of(' ');
  return p == std::string_view::npos ? std::string() : std::string(s.substr(0, p + 1));
}

std::string Trim(std::string_view s) { return LTrim(RTrim(s)); }

std::string Replace(std::string_view s, std::string_view find, std::string_view with) {
  if (find.empty()) return std::string(s);
  std::string out;
  out.reserve(s.size());
  std::size_t pos = 0;
  for (;;) {
    const auto p = s.find(find, pos);
    if (p == std::string_view::npos) break;
    out.append(s.substr(pos, p - pos));
    out.append(with);
    pos = p + find.size();
  }
  out.append(s.substr(pos));
  return out;
}

std::vector<std::string> Split(std::string_view s, std::string_view sep) {
  std::vector<std::string> out;
  if (sep.empty()) {
    out.emplace_back(s);
    return out;
  }
  std::size_t pos = 0;
  for (;;) {
    const auto p = s.find(sep, pos);
    if (p == std::string_view::npos) break;
    out.emplace_back(s.substr(pos, p - pos));
    pos = p + sep.size();
  }
  out.emplace_back(s.substr(pos));
  return out;
}

std::string Join(const std::vector<std::string>& items, std::string_view sep) {
  std::string out;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i) out.append(sep);
    out.append(items[i]);
  }
  return out;
}

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
}  // namespace

double Val(std::string_view s) {
  std::string digits;  // the number with blanks removed
  std::size_t i = 0;
  while (i < s.size() && isBlank(s[i])) ++i;
  if (i + 1 < s.size() && s[i] == '&' && (s[i + 1] == 'H' || s[i + 1] == 'h' || s[i + 1] == 'O' ||
                                          s[i + 1] == 'o')) {
    const int base = (s[i + 1] == 'H' || s[i + 1] == 'h') ? 16 : 8;
    double v = 0;
    int n = 0;
    for (i += 2; i < s.size(); ++i) {
      if (isBlank(s[i])) continue;
      int d = -1;
      const char c = s[i];
      if (c >= '0' && c <= '9') d = c - '0';
      else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
      else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
      if (d < 0 || d >= base) break;
      v = v * base + d;
      ++n;
    }
    // VB reads &H literals of up to 4 digits as signed 16-bit and of up to 8 as signed 32-bit.
    if (base == 16 && n > 0 && n <= 4 && v >= 32768) v -= 65536;
    else if (base == 16 && n > 4 && n <= 8 && v >= 2147483648.0) v -= 4294967296.0;
    return v;
  }
  bool seenDigit = false, seenDot = false, seenExp = false;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (isBlank(c)) continue;
    if (c >= '0' && c <= '9') {
      digits += c;
      seenDigit = true;
    } else if ((c == '+' || c == '-') && (digits.empty() || (seenExp && (digits.back() == 'e')))) {
      digits += c;
    } else if (c == '.' && !seenDot && !seenExp) {
      digits += c;
      seenDot = true;
    } else if ((c == 'e' || c == 'E' || c == 'd' || c == 'D') && seenDigit && !seenExp) {
      digits += 'e';
      seenExp = true;
    } else {
      break;
    }
  }
  // Drop an exponent or sign that no digits followed.
  while (!digits.empty() && (digits.back() == 'e' || digits.back() == '+' || digits.back() == '-'))
    digits.pop_back();
  if (!seenDigit) return 0;
  char* end = nullptr;
  const double v = std::strtod(digits.c_str(), &end);
  if (!std::isfinite(v)) return v > 0 ? std::numeric_limits<double>::max() : -std::numeric_limits<double>::max();
  return v;
}

std::int64_t ValInt(std::string_view s) {
  const double v = Val(s);
  if (v >= 9.2e18) return std::numeric_limits<std::int64_t>::max();
  if (v <= -9.2e18) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(std::floor(v));
}

std::string Str(std::int64_t n) { return std::to_string(n); }

std::size_t Utf8SeqLen(std::string_view s, std::size_t i, char32_t* cpOut) {
  if (i >= s.size()) return 0;
  const auto b0 = static_cast<unsigned char>(s[i]);
  std::size_t n;
  char32_t cp;
  if (b0 < 0x80) {
    if (cpOut) *cpOut = b0;
    return 1;
  }
  if (b0 >= 0xC2 && b0 <= 0xDF) { n = 2; cp = b0 & 0x1F; }
  else if (b0 >= 0xE0 && b0 <= 0xEF) { n = 3; cp = b0 & 0x0F; }
  else if (b0 >= 0xF0 && b0 <= 0xF4) { n = 4; cp = b0 & 0x07; }
  else return 0;
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF))
    return 0;
  if (cpOut) *cpOut = cp;
  return n;
}

namespace {

// Windows-1252 single-byte letter pairs beyond Latin-1's regular block.
struct CaseTables {
  std::array<unsigned char, 256> lower{}, upper{};
  CaseTables() {
    for (int i = 0; i < 256; ++i) lower[i] = upper[i] = static_cast<unsigned char>(i);
    for (int c = 'A'; c <= 'Z'; ++c) {
      lower[c] = static_cast<unsigned char>(c + 32);
      upper[c + 32] = static_cast<unsigned char>(c);
    }
    for (int c = 0xC0; c <= 0xDE; ++c) {
      if (c == 0xD7) continue;
      lower[c] = static_cast<unsigned char>(c + 32);
      upper[c + 32] = static_cast<unsigned char>(c);
    }
    const int pairs[][2] = {{0x8A, 0x9A}, {0x8C, 0x9C}, {0x8E, 0x9E}, {0x9F, 0xFF}};
    for (auto& p : pairs) {
      lower[p[0]] = static_cast<unsigned char>(p[1]);
      upper[p[1]] = static_cast<unsigned char>(p[0]);
    }
  }
};
const CaseTables& tables() {
  static const CaseTables t;
  return t;
}

std::size_t utf8Len(std::string_view s, std::size_t i, char32_t& cp) {
  return Utf8SeqLen(s, i, &cp);
}

std::size_t utf8Encode(char32_t cp, char* out) {
  if (cp < 0x80) { out[0] = static_cast<char>(cp); return 1; }
  if (cp < 0x800) {
    out[0] = static_cast<char>(0xC0 | (cp >> 6));
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (cp >> 12));
    out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (cp >> 18));
  out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (cp & 0x3F));
  return 4;
}

std::string changeCase(std::string_view s, bool toLower) {
  const auto& t = tables();
  const auto& table = toLower ? t.lower : t.upper;
  std::string out(s);
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      out[i] = static_cast<char>(table[b]);
      ++i;
      continue;
    }
    char32_t cp = 0;
    const std::size_t n = utf8Len(s, i, cp);
    if (n == 0) {  // not UTF-8: a Windows-1252 byte
      out[i] = static_cast<char>(table[b]);
      ++i;
      continue;
    }
    if (cp <= 0xFFFF) {
      const char16_t c16 = static_cast<char16_t>(cp);
      const QChar q(c16);
      const char32_t other = toLower ? q.toLower().unicode() : q.toUpper().unicode();
      char buf[4];
      if (other != cp && utf8Encode(other, buf) == n) {
        for (std::size_t k = 0; k < n; ++k) out[i + k] = buf[k];
      }
    }
    i += n;
  }
  return out;
}

// One "character" of text for Like: a valid UTF-8 sequence or a single byte.
std::size_t charLen(std::string_view s, std::size_t i, char32_t& cp) {
  const std::size_t n = utf8Len(s, i, cp);
  if (n) return n;
  cp = static_cast<unsigned char>(s[i]);
  return 1;
}

// Whether the one-character item of the pattern at pi ("?", "#", a bracket list or a literal
// character; never "*") accepts the text character tc of tn bytes. `lastClose` is the last "]"
// of the pattern, so an unclosed "[" is told apart without a scan. `len` receives the item's
// length in the pattern; the work is proportional to it.
bool likeItem(std::string_view p, std::size_t pi, std::size_t lastClose, char32_t tc, std::size_t tn,
              std::size_t& len) {
  const char pc = p[pi];
  if (pc == '?') {
    len = 1;
    return true;
  }
  if (pc == '#') {
    len = 1;
    return tc >= '0' && tc <= '9';
  }
  if (pc == '[') {
    if (lastClose == std::string_view::npos || lastClose <= pi) {  // unclosed: matches itself
      len = 1;
      return tc == '[';
    }
    const std::size_t close = p.find(']', pi + 1);
    const std::string_view list = p.substr(0, close);
    len = close + 1 - pi;
    std::size_t k = pi + 1;
    bool negate = false;
    if (k < close && p[k] == '!') {
      negate = true;
      ++k;
    }
    bool hit = false;
    while (k < close) {
      char32_t a;
      k += charLen(list, k, a);
      if (k + 1 < close && p[k] == '-') {
        char32_t b;
        const std::size_t bn = charLen(list, k + 1, b);
        if (tc >= a && tc <= b) hit = true;
        k += 1 + bn;
      } else if (tc == a) {
        hit = true;
      }
    }
    return hit != negate;
  }
  char32_t pcp;
  len = charLen(p, pi, pcp);
  return pcp == tc && len == tn;
}

}  // namespace

std::string LCase(std::string_view s) { return changeCase(s, true); }
std::string UCase(std::string_view s) { return changeCase(s, false); }

// Every item but "*" takes exactly one character, and a character is read from where the text
// stands, so the text is a fixed row of characters. Then only the last "*" seen needs to be
// tried further: an earlier one taking more would only leave the later one fewer places to try.
// Each retry moves the last star's start one character on, so the work is at most text
// characters times pattern length, never exponential.
bool Like(std::string_view text, std::string_view pattern) {
  constexpr std::size_t npos = std::string_view::npos;
  const std::size_t lastClose = pattern.rfind(']');
  std::size_t ti = 0, pi = 0, starP = npos, starT = 0;
  while (ti < text.size()) {
    if (pi < pattern.size()) {
      if (pattern[pi] == '*') {
        while (pi < pattern.size() && pattern[pi] == '*') ++pi;
        if (pi == pattern.size()) return true;
        starP = pi;
        starT = ti;
        continue;
      }
      char32_t tc;
      const std::size_t tn = charLen(text, ti, tc);
      std::size_t len = 0;
      if (likeItem(pattern, pi, lastClose, tc, tn, len)) {
        ti += tn;
        pi += len;
        continue;
      }
    }
    if (starP == npos) return false;
    char32_t skipped;
    starT += charLen(text, starT, skipped);
    ti = starT;
    pi = starP;
  }
  while (pi < pattern.size() && pattern[pi] == '*') ++pi;
  return pi == pattern.size();
}


QString qs(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string bs(const QString& s) { return s.toStdString(); }

QString qpath(std::string_view path) {
  return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string bpath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace vb
