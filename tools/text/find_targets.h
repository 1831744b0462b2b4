// The word finder's targets: how the text the user typed becomes the list of words and phrases to
// look for, and which targets cannot be part of a file or folder name.
//
//   const auto targets = tools::text::parseTargets("report \"annual total\"", {.phrases = true});
//   // {"annual total", "report"}: quoted phrases first, then the words, lower-cased
//
// ---- contract ----
// The list never holds an empty target or the same target twice (byte comparison); its order is
// the order of first appearance, phrases before words.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tools::text {

struct TargetParse {
  bool phrases = false;    // split into words, keeping "quoted phrases" whole; off: the text is one target
  bool matchCase = false;  // off: targets are lower-cased (vb::LCase)
};

// The targets of text. With phrases: each pair of double quotes gives the phrase between them (a
// quote without a partner stays part of a word), then the rest splits at blanks and line breaks.
[[nodiscard]] std::vector<std::string> parseTargets(std::string_view text, const TargetParse& how);

// The first target that no file or folder name can contain (a "/", a line break or a NUL, or more
// than 255 bytes), cut to its first 10 characters for the notice; nullopt when all can.
[[nodiscard]] std::optional<std::string> firstImpossibleName(const std::vector<std::string>& targets);

}  // namespace tools::text
