// The colour file: whatever it holds, both colours stay within 0..&HFFFFFF and a value that is
// not taken leaves the colour as it was; the shades made from them stay colours too.
#include <cmath>

#include "core/appearance.h"
#include "core/vb.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::Input in(data, size);
  const std::uint32_t oldBack = in.byte() * 0x10101u, oldFore = in.byte() * 0x10001u;
  const int amount = in.byte() - 128;
  const std::string_view text = in.rest();
  std::uint32_t back = oldBack, fore = oldFore;
  const bool both = core::parseColourText(text, back, fore);
  fuzzing::check(back <= 0xFFFFFF && fore <= 0xFFFFFF, "a colour out of range");
  if (!both) fuzzing::check(back == oldBack || fore == oldFore, "a failed read changed both colours");
  if (text.find(',') == std::string_view::npos)
    fuzzing::check(back == oldBack && fore == oldFore, "text without a comma changed a colour");
  fuzzing::check(core::shadeColour(back, amount, false) <= 0xFFFFFF, "a shade out of range");
  fuzzing::check(core::shadeColour(fore, amount, true) <= 0xFFFFFF, "a uniform shade out of range");
  // Val reads any text without trouble (the colours are read with it).
  const double v = vb::Val(text);
  (void)v;
  (void)vb::ValInt(text);
  return 0;
}
