// Small stateless text routines used throughout the tools: removing repeated list items or
// characters, reversing, filtering to an allowed character set and rounding up. Texts are byte
// strings; a "character" is one valid UTF-8 sequence, or a single byte where the text holds none,
// so multi-byte letters are never split.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace core {

// The list without repeated items.
// - sep empty (character mode): each character is kept only where it does not occur again later,
//   so the last occurrence of every character survives, in the order of those last occurrences.
// - sep not empty (item mode): the items between separators, empty ones dropped, the first
//   occurrence of each kept, joined by sep.
// Without matchCase the list is lower-cased first (the result is lower case too).
[[nodiscard]] std::string RemDup(std::string_view list, std::string_view sep, bool matchCase);

// The text with its characters in reverse order (byte length unchanged).
[[nodiscard]] std::string Reverse(std::string_view text);

// The text with only the characters that occur in allowed, in their order. An empty allowed set
// means "0123456789"; the caller's variable is set to that value.
[[nodiscard]] std::string FilterTxt(std::string_view text, std::string& allowed);
[[nodiscard]] std::string FilterTxt(std::string_view text, std::string_view allowed);

// The number rounded away from zero to a whole number (2.1 -> 3, 2 -> 2, -2.1 -> -3), clamped to
// the 32-bit range; NaN gives 0.
[[nodiscard]] std::int32_t RoundUp(double number);

}  // namespace core
