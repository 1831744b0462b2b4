// The tips the tips window shows, one at a time: the shipped file "Tipsome0.txt" (one tip per
// line, empty lines skipped) and the number of the next tip, kept in the settings as "tipNext".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tipsome {

// The tips of a file's text: one per line (LF, optional CR), blank lines skipped.
[[nodiscard]] std::vector<std::string> parseTips(std::string_view text);
// The tip to show for a stored number (0-based, wrapping); "" for an empty list.
[[nodiscard]] std::size_t tipIndex(std::string_view stored, std::size_t count);

}  // namespace tipsome
