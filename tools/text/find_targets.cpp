#include "tools/text/find_targets.h"

#include "core/vb.h"

#include <algorithm>

namespace tools::text {

namespace {

constexpr std::size_t kNameMax = 255;
constexpr std::size_t kNoticeChars = 10;

void addTarget(std::vector<std::string>& targets, std::string target) {
  if (target.empty() || std::find(targets.begin(), targets.end(), target) != targets.end()) return;
  targets.push_back(std::move(target));
}

// The first n characters (UTF-8 sequences, else single bytes): never cut inside a character.
std::string firstChars(std::string_view text, std::size_t n) {
  std::size_t end = 0;
  for (std::size_t k = 0; k < n && end < text.size(); ++k) end += vb::CharLen(text, end);
  return std::string(text.substr(0, end));
}

}  // namespace

std::vector<std::string> parseTargets(std::string_view input, const TargetParse& how) {
  std::string text = how.matchCase ? std::string(input) : vb::LCase(input);
  std::vector<std::string> targets;
  if (!how.phrases) {
    addTarget(targets, std::move(text));
    return targets;
  }
  // Each quoted part becomes a phrase and one blank in the text; the scan starts over, so the
  // next pair is again the first two quotes left.
  for (std::size_t open = text.find('"'); open != std::string::npos; open = text.find('"')) {
    const std::size_t close = text.find('"', open + 1);
    if (close == std::string::npos) break;
    addTarget(targets, text.substr(open + 1, close - open - 1));
    text.replace(open, close - open + 1, " ");
  }
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  for (std::string& word : vb::Split(text, " ")) addTarget(targets, std::move(word));
  return targets;
}

std::optional<std::string> firstImpossibleName(const std::vector<std::string>& targets) {
  for (const std::string& t : targets) {
    if (t.size() > kNameMax || t.find_first_of(std::string_view("/\r\n\0", 4)) != std::string::npos) {
      return firstChars(t, kNoticeChars);
    }
  }
  return std::nullopt;
}

}  // namespace tools::text
