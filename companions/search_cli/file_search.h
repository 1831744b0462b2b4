// Whether a file holds a text, compared without regard to letter case, for a batch job to branch
// on. The file is read from start to end in pieces (files of any size in bounded memory); anything
// but a regular file (a folder, FIFO, device, socket) is never opened, so a search never hangs.
// Symlinks are followed.
//
//   if (skerrow::searchFile("/tmp/report.txt", "error") == skerrow::SearchResult::Found) ...
#pragma once

#include "companions/search_cli/caseless_matcher.h"

#include <string>
#include <string_view>
#include <vector>

namespace skerrow {

enum class SearchResult {
  Found,
  NotFound,
  NotAFile,    // missing, a folder, or not a regular file: never opened
  ReadFailed,  // a regular file that could not be opened or read to its end
};

// Searches the file at path for text (see CaselessMatcher for the comparison; an empty text is
// found in any file that holds at least one byte).
[[nodiscard]] SearchResult searchFile(std::string_view path, std::string_view text,
                                      std::size_t pieceSize = kDefaultPieceSize);

// The program's exit code for its arguments (the words after the program name): 1 when the first
// names a file that holds the second, 0 in every other case (fewer than two arguments, a missing
// or unreadable file, no match). Arguments past the second are ignored; none is split or unquoted.
[[nodiscard]] int exitCodeFor(const std::vector<std::string>& arguments);

}  // namespace skerrow
