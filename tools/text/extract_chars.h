// The keyword extractor's idea of a character. File contents and names are bytes: a valid UTF-8
// sequence is one character, and any other byte is one character read as Windows-1252. Every
// text the extractor compares (words, the pattern, the common words, the valid characters) is
// first brought into one form, UTF-8 with letters optionally lower-cased, so that "é" typed in
// the window matches "é" in a UTF-8 file and the byte 0xE9 in a Windows-1252 file alike.
//
//   tools::text::CharSet valid;
//   for (char32_t c : tools::text::codePoints("abc")) valid.add(c);
//   valid.has(U'b');                               // true
//   tools::text::comparable("Café", true);         // "café"
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tools::text {

// The character starting at s[i]: its code point, and in len its byte length (1..4).
// Precondition: i < s.size().
[[nodiscard]] char32_t decodeChar(std::string_view s, std::size_t i, std::size_t& len);

// The code point of one Windows-1252 byte (0x80-0x9F hold the typographic characters; the five
// bytes Windows leaves undefined keep their own value).
[[nodiscard]] char32_t windows1252(unsigned char byte);

// The lower-case form of a character, where its UTF-8 form keeps its length (as vb::LCase does).
[[nodiscard]] char32_t lowerChar(char32_t c);

// Appends the UTF-8 form of c to out.
void appendUtf8(std::string& out, char32_t c);

// The characters of s as code points.
[[nodiscard]] std::vector<char32_t> codePoints(std::string_view s);

// s in the compared form: UTF-8, every character decoded as above, lower-cased when lower.
[[nodiscard]] std::string comparable(std::string_view s, bool lower);

// A set of characters with a one-step test for the first 256 code points.
class CharSet {
 public:
  void add(char32_t c);
  void remove(char32_t c);
  [[nodiscard]] bool has(char32_t c) const { return c < 256 ? low_[c] : hasHigh(c); }

 private:
  [[nodiscard]] bool hasHigh(char32_t c) const;
  std::array<bool, 256> low_{};
  std::vector<char32_t> high_;  // sorted
};

}  // namespace tools::text
