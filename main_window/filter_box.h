// Text rules of the filter panel's boxes: what the extension (pattern) box accepts and strips as
// it is typed and when it is left, what the size box keeps, and the pattern history. Texts are
// bytes (UTF-8); every character these rules remove or add is ASCII, so a caret position counted
// in bytes maps back to the box by the UTF-8 length of the text before it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mainwin {

// Patterns of this length or more are refused (common message 59) and change nothing.
inline constexpr std::size_t kPatternLimit = 9000;
// The history keeps patterns shorter than this, at most kHistorySize of them, newest first.
inline constexpr std::size_t kHistoryTextLimit = 255;
inline constexpr std::size_t kHistorySize = 10;

struct ExtensionEdit {
  std::string pattern;   // the pattern in effect: no trailing ";", "*" when nothing is left
  std::string boxText;   // what the box holds afterwards (pattern, plus ";" when one was typed)
  long caret = -1;       // caret for the new box text (bytes), -1 when the caller gave none
  bool refused = false;  // the pattern has kPatternLimit characters or more: keep the old text
  [[nodiscard]] bool changed(std::string_view old) const { return boxText != old; }
};

// The extension box's change step: removes every ">", "/", "|", ":" and '"', collapses ";;" to
// ";", sets a trailing ";" aside, and gives "*" for an empty result. `caret` is the caret position
// in `text` (bytes); the returned caret stays after the same characters. Every accepted pattern,
// however long, is the pattern in effect (never widened to "*").
[[nodiscard]] ExtensionEdit cleanExtensionText(std::string_view text, long caret = -1);

// The extension box on losing the focus: every backslash that does not start "\d" is removed,
// and then a trailing ";". Returns the text unchanged when there is nothing to remove.
[[nodiscard]] std::string extensionTextOnLeave(std::string_view text);

// The size box keeps only "0123456789."; an empty box reads "0".
[[nodiscard]] std::string cleanSizeText(std::string_view text);

// Records `text` at the top of the pattern history (addExt): an equal entry (exact,
// case-sensitive) moves to the top; otherwise the text is inserted and the list trimmed to
// kHistorySize. Texts of kHistoryTextLimit characters or more are not recorded. Returns whether
// the history changed.
bool addToHistory(std::vector<std::string>& history, std::string_view text);

}  // namespace mainwin
