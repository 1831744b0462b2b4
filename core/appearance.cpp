#include "core/appearance.h"

#include "core/file_content.h"
#include "core/file_errors.h"
#include "core/file_paths.h"
#include "core/state.h"
#include "core/vb.h"

#include <algorithm>
#include <array>
#include <optional>

namespace core {

namespace {

constexpr std::uint64_t kColourFileCap = 4096;  // "16777215,0" is ten bytes

// A value counts only when the text holds a number (Val would read "junk" as 0, black).
bool colourValue(std::string_view text, std::uint32_t& out) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return false;
  const char c = text[first];
  if (!((c >= '0' && c <= '9') || c == '&' || c == '-' || c == '+' || c == '.')) return false;
  const double v = vb::Val(text);
  if (!(v >= 0 && v <= 0xFFFFFF)) return false;  // also rejects NaN
  out = static_cast<std::uint32_t>(v);
  return true;
}

}  // namespace

bool parseColourText(std::string_view text, std::uint32_t& back, std::uint32_t& fore) {
  const std::size_t comma = text.find(',');
  if (comma == std::string_view::npos) return false;
  const bool b = colourValue(text.substr(0, comma), back);
  const bool f = colourValue(text.substr(comma + 1), fore);
  return b && f;
}

int loadColours() {
  CoreState& st = coreState();
  const std::string path = st.appPath + std::string(kColourFileName);
  int result = 0;
  if (FileExist(path)) {
    // Two numbers and a comma: anything much longer is no colour file, and is left as it is.
    const CappedRead text = readCapped(path, kColourFileCap);
    if (text.data) parseColourText(*text.data, st.backColor, st.foreColor);
    if (text.tooLarge) result = kErrPathFileAccess;
  } else {
    result = OutputFile(path, vb::Str(st.backColor) + "," + vb::Str(st.foreColor));
  }
  st.hiddenColor = shadeColour(st.backColor, 80, false);
  return result;
}

std::uint32_t shadeColour(std::uint32_t colour, int amount, bool uniform) {
  std::array<int, 3> ch{static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                        static_cast<int>((colour >> 16) & 0xFF)};
  if (uniform) {
    const bool canAdd = std::all_of(ch.begin(), ch.end(), [&](int c) { return c + amount <= 255 && c + amount >= 0; });
    const bool canSub = std::all_of(ch.begin(), ch.end(), [&](int c) { return c - amount >= 0 && c - amount <= 255; });
    if (canAdd) {
      for (int& c : ch) c += amount;
    } else if (canSub) {
      for (int& c : ch) c -= amount;
    } else {
      return colour & 0xFFFFFF;
    }
  } else {
    for (int& c : ch) c = std::clamp(c + amount > 255 ? c - amount : c + amount, 0, 255);
  }
  return static_cast<std::uint32_t>(ch[0]) | (static_cast<std::uint32_t>(ch[1]) << 8) |
         (static_cast<std::uint32_t>(ch[2]) << 16);
}

}  // namespace core
