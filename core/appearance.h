// The colour scheme shared by the programs through the colour file "colfil.txt" (one line
// "back,fore" of decimal &HBBGGRR values in appPath), and the shade used for hidden entries.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace core {

// Name of the colour file in appPath.
inline constexpr std::string_view kColourFileName = "colfil.txt";

// Reads the colour file's text into back and fore: the text before the first "," is the back
// colour, the text after it the fore colour, each read with Val. A value that does not start with
// a number, or lies outside 0..&HFFFFFF, and text without "," leave the colour unchanged. Returns true when both values were taken.
bool parseColourText(std::string_view text, std::uint32_t& back, std::uint32_t& fore);

// Reads appPath + "colfil.txt" into coreState().backColor/foreColor; writes it from the current
// values when it is missing; then hiddenColor := shadeColour(backColor, 80, false).
// Returns 0, or the error number of writing a missing file, or kErrPathFileAccess for a file far
// longer than a colour file, which is left unread (the colours are set either way).
int loadColours();

// The colour with each channel moved by amount:
// - uniform false: per channel, channel + amount, or channel - amount where the sum exceeds 255;
// - uniform true: all channels + amount when none exceeds 255, else all - amount when none goes
//   below 0, else the colour unchanged.
// Only the low 24 bits of colour are used; results stay within 0..255 per channel.
[[nodiscard]] std::uint32_t shadeColour(std::uint32_t colour, int amount, bool uniform);

}  // namespace core
