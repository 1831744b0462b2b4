#include "tools/text/extract_chars.h"

#include "core/vb.h"

#include <QChar>

#include <algorithm>

namespace tools::text {

namespace {

constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::size_t utf8Length(char32_t c) { return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; }

}  // namespace

char32_t windows1252(unsigned char byte) {
  return byte >= 0x80 && byte <= 0x9F ? kWindows1252High[byte - 0x80] : byte;
}

char32_t decodeChar(std::string_view s, std::size_t i, std::size_t& len) {
  const auto b = static_cast<unsigned char>(s[i]);
  if (b < 0x80) {
    len = 1;
    return b;
  }
  char32_t c = 0;
  len = vb::Utf8SeqLen(s, i, &c);
  if (len != 0) return c;
  len = 1;
  return windows1252(b);
}

char32_t lowerChar(char32_t c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? c + 32 : c;
  if (c > 0xFFFF) return c;
  const char32_t lower = QChar::toLower(static_cast<char16_t>(c));
  return utf8Length(lower) == utf8Length(c) ? lower : c;
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::vector<char32_t> codePoints(std::string_view s) {
  std::vector<char32_t> out;
  for (std::size_t i = 0, len = 0; i < s.size(); i += len) out.push_back(decodeChar(s, i, len));
  return out;
}

std::string comparable(std::string_view s, bool lower) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0, len = 0; i < s.size(); i += len) {
    const char32_t c = decodeChar(s, i, len);
    appendUtf8(out, lower ? lowerChar(c) : c);
  }
  return out;
}

void CharSet::add(char32_t c) {
  if (c < 256) {
    low_[c] = true;
    return;
  }
  const auto at = std::lower_bound(high_.begin(), high_.end(), c);
  if (at == high_.end() || *at != c) high_.insert(at, c);
}

void CharSet::remove(char32_t c) {
  if (c < 256) {
    low_[c] = false;
    return;
  }
  const auto at = std::lower_bound(high_.begin(), high_.end(), c);
  if (at != high_.end() && *at == c) high_.erase(at);
}

bool CharSet::hasHigh(char32_t c) const { return std::binary_search(high_.begin(), high_.end(), c); }

}  // namespace tools::text
