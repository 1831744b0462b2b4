// Target patterns of the copy and move tool. A pattern names the folder each file goes to (the
// file keeps its name there); handles in it stand for parts of the file's name, its folder, its
// dates or the date of the run. The path box holds the long, readable handles; a run shortens them
// once and expands the short pattern per file:
//
//   long form                          short   replaced by
//   <FileName>                         <ofn>   the name before its last "."
//   <FileExtension>                    <ofe>   the name after its last "." ("" without one)
//   <FilePath>                         <fp>    the file's folder without its trailing "/"
//   <UpOneFolder>                      <u1>    nothing: the last folder of the text before it goes
//   <FileWord n>  (n 1..5)             <FWn>   word n of the name before its last "."
//   <Date:File Modified:fmt> ...       <DMfmt> a date in the format words of core/date_tokens.h
//   <CustSub;start;length>             <CSs;l> characters start.. of the name before its last "."
//
// Text that comes from a file name or folder is never scanned again: a name holding "<ofn>",
// "<D" or ">" lands in the target as it is. A handle does not reach across such text.
//
// Example:
//   const std::string shortPattern = shortenHandles("/backup/<FileExtension>/<Date:File Modified:yyyy>");
//   const std::string folder = expandTargetPattern("report.final.PDF", shortPattern, "/docs/",
//       [&](core::DateSource s) { return stampOf(s); });          // "/backup/PDF/2024"
#pragma once

#include "core/date_tokens.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tools::file_ops {

// The text of the path box without the characters it may not hold: '"', '|', '*' and '?'.
[[nodiscard]] std::string cleanTargetPattern(std::string_view text);

// Whether a run may start with the pattern: longer than one character, and an absolute folder
// (beginning with "/") or one beginning with "<FilePath>" (in any letter case).
[[nodiscard]] bool targetPatternValid(std::string_view pattern);

// The pattern with each long handle replaced by its short code (case-sensitive, dates first).
[[nodiscard]] std::string shortenHandles(std::string_view pattern);

// The date stamp ("dd/mm/yyyy hh:mm:ss", "" for a time not recorded) of a date source; called
// only when the pattern holds a date handle.
using HandleStamp = std::function<std::string(core::DateSource)>;

// The target folder of the file name (without its folder; "" for an empty folder) in folder
// (ending with "/") by the short pattern, without a trailing "/". Steps, in order: name and
// extension; words; the folder; dates (an unclosed date handle ends date expansion, and the
// short codes of those left go); up one folder (the text before "<u1>" loses its last folder,
// "/" itself stays); custom substrings (counted in characters; a start below 1 or a negative
// length gives ""); every ">" left in the pattern's own text goes; a final "." and then trailing
// blanks go.
[[nodiscard]] std::string expandTargetPattern(std::string_view name, std::string_view shortPattern,
                                              std::string_view folder, const HandleStamp& stampOf);

// The stamp of a date source for the file at path: its modified, created or accessed time ("" when
// the file system does not record it, or the file is gone); today for DateSource::Today.
[[nodiscard]] std::string fileHandleStamp(const std::string& path, core::DateSource source,
                                          const std::string& today);

// One row of the preview: a sample file and where the pattern puts it.
struct CopyPreviewRow {
  std::string source;  // main folder + name
  std::string target;  // target folder + "/" + name
};

// The preview of the samples (names in mainFolder, which ends with "/") under the pattern as the
// path box holds it, with today as the run's date stamp.
[[nodiscard]] std::vector<CopyPreviewRow> previewTargets(const std::string& mainFolder,
                                                         const std::vector<std::string>& samples,
                                                         std::string_view pattern, const std::string& today);

}  // namespace tools::file_ops
