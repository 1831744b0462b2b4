#include "tools/file_ops/delete_summary.h"

#include "tools/file_ops/delete_messages.h"

namespace tools::file_ops {

namespace m = delete_msg;

std::string megabytesText(std::uint64_t bytes) {
  // Tenths of a megabyte (102,400 bytes each), rounded up.
  const std::uint64_t tenths = bytes / 102400 + (bytes % 102400 != 0 ? 1 : 0);
  std::string text = std::to_string(tenths / 10);
  if (tenths % 10 != 0) text += "." + std::to_string(tenths % 10);
  return text;
}

std::string deleteSummary(const core::MessageTable& msg, const std::string& pattern, const RemovalTally& tally,
                          bool linesLogged) {
  std::string s = msg(m::kSummaryPattern) + pattern;
  // Deleting and trashing overwrite nothing: "overwritten 0" would read as a failed wipe.
  if (tally.wipe) s += msg(m::kSummaryOverwritten) + std::to_string(tally.overwritten);
  s += msg(m::kSummaryFolders) + std::to_string(tally.folders) + msg(m::kSummaryEnd) + "\r\n";
  s += msg(m::kRemoved) + megabytesText(tally.bytesRemoved) + " MB\r\n";
  s += msg(m::kRemoved) + std::to_string(tally.removed) + msg(m::kFiles) + "\r\n";
  if (!linesLogged) s += msg(m::kNoNotes) + "\r\n";
  return s;
}

}  // namespace tools::file_ops
