// "%XX" escapes for the files the program writes for itself: a byte that would break a stored
// layout is written as "%" and two upper-case hex digits, every other byte as it is.
#pragma once

#include <string>
#include <string_view>

namespace core {

// text with every byte for which mustEscape(byte) holds written as "%XX".
template <class Pred>
[[nodiscard]] std::string percentEncode(std::string_view text, Pred mustEscape) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (mustEscape(c)) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    } else {
      out += ch;
    }
  }
  return out;
}

// Reverses percentEncode. A "%" not followed by two hex digits stands for itself (stored files
// are untrusted input).
[[nodiscard]] std::string percentDecode(std::string_view text);

}  // namespace core
