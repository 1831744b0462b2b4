#include "main_window/filter_box.h"

#include <algorithm>

namespace mainwin {

namespace {

bool stripped(char c) { return c == '>' || c == '/' || c == '|' || c == ':' || c == '"'; }

}  // namespace

ExtensionEdit cleanExtensionText(std::string_view text, long caret) {
  ExtensionEdit e;
  std::string out;
  out.reserve(text.size());
  long removedBefore = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool drop = stripped(c) || (c == ';' && !out.empty() && out.back() == ';');
    if (drop) {
      if (caret >= 0 && static_cast<long>(i) < caret) ++removedBefore;
      continue;
    }
    out += c;
  }
  bool trailing = false;
  if (!out.empty() && out.back() == ';') {
    out.pop_back();
    trailing = true;
  }
  e.pattern = out.empty() ? std::string("*") : out;
  e.refused = e.pattern.size() >= kPatternLimit;
  e.boxText = trailing ? e.pattern + ";" : e.pattern;
  if (caret >= 0)
    e.caret = std::clamp<long>(caret - removedBefore, 0, static_cast<long>(e.boxText.size()));
  return e;
}

std::string extensionTextOnLeave(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\') {
      if (i + 1 < text.size() && text[i + 1] == 'd') {
        out += "\\d";
        ++i;
      }
      continue;
    }
    out += text[i];
  }
  if (!out.empty() && out.back() == ';') out.pop_back();
  return out;
}

std::string cleanSizeText(std::string_view text) {
  std::string out;
  for (char c : text)
    if ((c >= '0' && c <= '9') || c == '.') out += c;
  return out.empty() ? std::string("0") : out;
}

bool addToHistory(std::vector<std::string>& history, std::string_view text) {
  if (text.size() >= kHistoryTextLimit) return false;
  const auto it = std::find(history.begin(), history.end(), text);
  if (it == history.begin() && it != history.end()) return false;
  if (it != history.end()) history.erase(it);
  history.insert(history.begin(), std::string(text));
  if (history.size() > kHistorySize) history.resize(kHistorySize);
  return true;
}

}  // namespace mainwin
