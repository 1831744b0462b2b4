// The content filter of the copy and move tool: the words typed into its words box, and the test
// whether a file holds any or all of them. Files are read in pieces of 400,000 bytes, never whole;
// a word that straddles two pieces is found, and words found in different pieces count together.
//
//   const std::vector<std::string> words = targetWords(box, {.phrases = true});   // {"big red", "car"}
//   const ContentFilter filter{.words = words, .match = WordMatch::All};
//   switch (fileHasTargetWords(item, path, filter)) { ... }
#pragma once

#include "core/run_driver.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tools::file_ops {

struct WordListOptions {
  bool phrases = false;        // split into words at blanks and line breaks, "quoted phrases" whole
  bool caseSensitive = false;  // else the words are lower-cased
};

// The search words of the box's text. Without phrases the whole text is the one word. With
// phrases: each pair of double quotes gives the text between them as one word, the rest is cut at
// blanks and line breaks; a word equal to an earlier one is dropped. Empty words are never
// returned (an empty result: nothing to look for).
[[nodiscard]] std::vector<std::string> targetWords(std::string_view text, const WordListOptions& options);

enum class WordMatch { Any, All };

struct ContentFilter {
  std::vector<std::string> words;  // as targetWords gives them
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
