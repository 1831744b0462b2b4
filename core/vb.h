// VB-compatible string and number helpers. The program's formulas are written with 1-based
// positions and VB's conversion rules; keeping those rules in one place lets every module use
// them literally instead of re-deriving off-by-one variants. Texts are byte strings (std::string):
// file names and file contents are bytes, decoded only for display.
#pragma once

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vb {

// 1-based search of `needle` in `hay` from position `start` (1-based). Returns 0 when not found.
// An empty needle is found at `start` (VB rule) when start <= len + 1.
[[nodiscard]] std::size_t InStr(std::size_t start, std::string_view hay, std::string_view needle);
[[nodiscard]] inline std::size_t InStr(std::string_view hay, std::string_view needle) {
  return InStr(1, hay, needle);
}
// 1-based search from the right; `start` is the last position a match may begin at (0 = end).
[[nodiscard]] std::size_t InStrRev(std::string_view hay, std::string_view needle, std::size_t start = 0);

// Mid$(s, start[, len]), 1-based; out-of-range parts give "".
[[nodiscard]] std::string Mid(std::string_view s, std::size_t start, std::size_t len = std::string::npos);
[[nodiscard]] std::string Left(std::string_view s, std::size_t n);
[[nodiscard]] std::string Right(std::string_view s, std::size_t n);

// Trim$ family: VB trims spaces only (not tabs or line breaks).
[[nodiscard]] std::string Trim(std::string_view s);
[[nodiscard]] std::string LTrim(std::string_view s);
[[nodiscard]] std::string RTrim(std::string_view s);

// Replace$(s, find, with): every non-overlapping occurrence, left to right; empty find: unchanged.
[[nodiscard]] std::string Replace(std::string_view s, std::string_view find, std::string_view with);

// Split on a separator (empty text gives one empty item, as VB gives an empty array bound 0).
[[nodiscard]] std::vector<std::string> Split(std::string_view s, std::string_view sep);
[[nodiscard]] std::string Join(const std::vector<std::string>& items, std::string_view sep);

// Val(s): the number at the start of s. Blanks, tabs and line feeds are skipped anywhere in the
// number ("1 2" is 12); "&H"/"&O" prefixes read hexadecimal/octal; no number gives 0. Never throws.
[[nodiscard]] double Val(std::string_view s);
// Whole part of Val, clamped into the 64-bit range (Int(Val(s)) for the callers that want a count).
[[nodiscard]] std::int64_t ValInt(std::string_view s);

// Decimal text of a number as VB's CStr gives it for whole numbers ("12", "-3").
[[nodiscard]] std::string Str(std::int64_t n);

// Letter case of byte text, length-preserving: ASCII letters, letters of valid UTF-8 sequences
// whose other-case form has the same encoded length, and Windows-1252 letters for bytes that are
// not part of a valid UTF-8 sequence. Every byte position of the input is kept.
[[nodiscard]] std::string LCase(std::string_view s);
[[nodiscard]] std::string UCase(std::string_view s);

// Length of the valid UTF-8 sequence starting at s[i] (overlong forms, surrogates and values past
// U+10FFFF are not valid), or 0 when the bytes there are not one; cp receives the code point.
[[nodiscard]] std::size_t Utf8SeqLen(std::string_view s, std::size_t i, char32_t* cp = nullptr);
// One character of byte text: a valid UTF-8 sequence, else one byte.
[[nodiscard]] inline std::size_t CharLen(std::string_view s, std::size_t i) {
  const std::size_t n = Utf8SeqLen(s, i);
  return n ? n : 1;
}

// VB's Like operator: "*", "?", "#", "[list]", "[!list]" with ranges; case-sensitive. "?" and
// list items match one UTF-8 character where the text holds a valid sequence, else one byte.
[[nodiscard]] bool Like(std::string_view text, std::string_view pattern);

// Byte text <-> QString for display and Qt calls. Text (messages, captions) is UTF-8; file names
// go through QFile::decodeName/encodeName so names that are not valid UTF-8 survive.
[[nodiscard]] QString qs(std::string_view utf8);
[[nodiscard]] std::string bs(const QString& s);
[[nodiscard]] QString qpath(std::string_view path);
[[nodiscard]] std::string bpath(const QString& path);

}  // namespace vb
