// The report that ends a delete, recycle or file-wipe run: the pattern, the files overwritten, the
// folders, then the megabytes and the files removed, and a closing note when no line was logged.
#pragma once

#include "core/message_table.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace tools::file_ops {

// What a removal run did.
struct RemovalTally {
  bool wipe = false;                // a wipe: the summary says how many files were overwritten
  long long overwritten = 0;        // files every wipe pass overwrote (0 outside the wipe)
  long long removed = 0;            // files deleted or moved to the trash
  std::uint64_t bytesRemoved = 0;   // their sizes
  std::size_t folders = 0;          // folders of the run's list
};

// Megabytes with one decimal: bytes in tenths of 102,400 bytes, rounded up (0 -> "0", 1 byte ->
// "0.1", 1,024,000 bytes -> "1"; a whole number is written without decimals).
[[nodiscard]] std::string megabytesText(std::uint64_t bytes);

// The summary as the results text shows it (CR LF line breaks):
//   msg22 pattern msg23 overwritten msg24 folders msg25   (a wipe; else without msg23 overwritten)
//   msg26 MB " MB"
//   msg26 removed msg27
// then msg21 on a line of its own when linesLogged is false.
[[nodiscard]] std::string deleteSummary(const core::MessageTable& msg, const std::string& pattern,
                                        const RemovalTally& tally, bool linesLogged);

}  // namespace tools::file_ops
