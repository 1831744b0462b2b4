#include "companions/search_cli/file_search.h"

#include "platform/sequential_file.h"

#include <cerrno>

namespace skerrow {

SearchResult searchFile(std::string_view path, std::string_view text, std::size_t pieceSize) {
  if (path.empty()) return SearchResult::NotAFile;
  platform::SequentialFile file;
  const int err = file.open(path);
  if (err == ENOENT || err == ENOTDIR || err == EISDIR || err == EINVAL) return SearchResult::NotAFile;
  if (err != 0) return SearchResult::ReadFailed;
  CaselessMatcher matcher(text, pieceSize);
  for (;;) {
    std::size_t got = 0;
    if (file.read(matcher.pieceBuffer(), matcher.pieceCapacity(), got) != 0) return SearchResult::ReadFailed;
    if (got == 0) break;
    if (matcher.take(got)) return SearchResult::Found;
  }
  return matcher.finish() ? SearchResult::Found : SearchResult::NotFound;
}

int exitCodeFor(const std::vector<std::string>& arguments) {
  if (arguments.size() < 2) return 0;
  return searchFile(arguments[0], arguments[1]) == SearchResult::Found ? 1 : 0;
}

}  // namespace skerrow
