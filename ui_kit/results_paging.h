// The text side of the results viewer, free of widgets: splitting a long report into pages of
// about 15,000 bytes at line breaks, finding the header paths some tools write, finding the paths
// to mark on a page and the path a double-click opens. A line break is LF with an optional CR
// before it. Positions are 0-based byte offsets; ranges are half-open [start, end).
#pragma once

#include <QString>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace uikit {

inline constexpr std::size_t kPageSize = 15000;
// A page edge moves to a line break this close after its nominal position.
inline constexpr std::size_t kPageSnap = 400;

struct TextRange {
  std::size_t start = 0;
  std::size_t end = 0;
  friend bool operator==(const TextRange&, const TextRange&) = default;
};

// 1 for texts up to kPageSize bytes, else length / kPageSize rounded up.
[[nodiscard]] int pageCount(std::size_t length);
// Bounds of page k (1-based) within text. A nominal edge that has a line break less than
// kPageSnap bytes after it moves to just after that break; otherwise it stays, moved back to the
// start of a UTF-8 character when it would split one. Consecutive pages share their edge.
[[nodiscard]] TextRange pageBounds(std::string_view text, int page);

// The header some tools write: a line ending in TAB, then path lines, then a line that starts
// with TAB; possibly a second such block after it. found is set once a path line follows the
// first TAB line; a range whose closing TAB line is missing is absent.
struct HeaderPaths {
  bool found = false;
  std::optional<TextRange> first;
  std::optional<TextRange> second;
};
[[nodiscard]] HeaderPaths detectHeader(std::string_view text);

// Lines of a text: [start, end) without the break (and without the CR before an LF).
[[nodiscard]] std::vector<TextRange> splitLines(std::string_view text);
// Offsets within [line.start, line.end) where a path starts: a "/" at the line start or after a
// blank or tab. Each path runs to the line end.
[[nodiscard]] std::vector<std::size_t> pathStarts(std::string_view text, TextRange line);
// The path text for a start: to the line end, a trailing "/" dropped (except for "/" itself).
[[nodiscard]] std::string pathAt(std::string_view text, std::size_t start, TextRange line);

// The ranges of page to mark as paths. Without a header: on every line each path start whose
// path exists (exists is called with the path) marks start..line end; starts inside a marked
// range are passed over. With a header: only the header ranges (absolute positions in the whole
// text) that end after pageStart, clipped to the page [pageStart, pageStart + page.size()).
[[nodiscard]] std::vector<TextRange> pathMarks(std::string_view page, std::size_t pageStart,
                                               const HeaderPaths& header,
                                               const std::function<bool(const std::string&)>& exists);
// The "||" markers that end spill pointer lines (shown in the back colour).
[[nodiscard]] std::vector<TextRange> hiddenMarkers(std::string_view page);

// The page as it is shown: CR before LF dropped, lone CRs shown as blanks, bytes decoded as UTF-8.
// marks are byte ranges of the page sorted by start, not overlapping; markOut receives each as
// positions in the returned text (an empty range for one that overlaps the one before it).
[[nodiscard]] QString displayText(std::string_view page, const std::vector<TextRange>& marks,
                          std::vector<TextRange>& markOut);

}  // namespace uikit
