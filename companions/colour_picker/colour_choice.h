// The colour picker's effect, apart from its window: write the shared colour file "back,fore"
// (decimal &HBBGGRR values) and tell the program named on the command line that the appearance
// changed (link command "2" to "<word>|frmMain").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace huelark {

// The colour file's text for the two colours.
[[nodiscard]] std::string colourFileText(std::uint32_t back, std::uint32_t fore);
// Writes the colour file in appPath (temporary file + rename). 0, or the error number.
int writeColourFile(const std::string& appPath, std::uint32_t back, std::uint32_t fore);
// Sends "2" to "<application>|frmMain"; false when nobody listens (an empty word sends nothing).
bool notifyAppearanceChanged(std::string_view application);

}  // namespace huelark
