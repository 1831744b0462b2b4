// The content filter of the copy and move tool: whether a file holds any or all of the words typed
// into its words box (read as the word finder reads its targets, tools/text/find_targets.h). Files are read in pieces of 400,000 bytes, never whole;
// a word that straddles two pieces is found, and words found in different pieces count together.
//
//   const auto words = tools::text::parseTargets(box, {.phrases = true});   // {"big red", "car"}
//   const ContentFilter filter{.words = words, .match = WordMatch::All};
//   switch (fileHasTargetWords(item, path, filter)) { ... }
#pragma once

#include "core/run_driver.h"
#include "tools/text/find_targets.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tools::file_ops {

enum class WordMatch { Any, All };

struct ContentFilter {
  std::vector<std::string> words;  // as parseTargets gives them (lower-cased unless caseSensitive)
  bool caseSensitive = false;
  WordMatch match = WordMatch::Any;
  std::uint64_t pieceSize = 400000;  // bytes read at a time
};

enum class ContentCheck {
  Lacks,       // the file does not hold the words (or the reading was cancelled before they were found)
  Holds,       // it holds them
  Unreadable,  // it cannot be checked (the pipeline has logged why)
};

// Checks the file at path (read access; a symlink to a regular file is read through). After each
// piece it yields (item.yieldAndPoll) and stops reading on Cancel or Skip.
[[nodiscard]] ContentCheck fileHasTargetWords(core::RunItem& item, const std::string& path,
                                              const ContentFilter& filter);

}  // namespace tools::file_ops
