// The tags of the replace tool's texts: parts of the name and folder of the item being processed.
// substituteTags fills them in one pass over the text the user typed: a value put in (a file's
// name may itself read "<FileNameNoDotExt>" or "<search-text>") is never read again, so it stays
// literal in the search text and in the replacement.
//
//   TagValues v = fileTagValues("/home/ann/notes/", "plan.txt");
//   substituteTags("<FoldName>-<FileNameNoDotExt>", v);  // {"notes", tag}, {"-", typed}, {"plan", tag}
#pragma once

#include "tools/text/replace_scan.h"

#include <string>
#include <string_view>

namespace tools::text {

// "<FileNameNoDotExt>", "<FileExtNoDot>", "<FoldName>", "<FilePathNoEndSlash>",
// "<CustSubFile;start;length>" and "<CustSubFold;start;length>", matched with exact case.
inline constexpr std::string_view kTagBase = "<FileNameNoDotExt>", kTagExtension = "<FileExtNoDot>",
                                  kTagFolderName = "<FoldName>", kTagFolderPath = "<FilePathNoEndSlash>",
                                  kTagBaseSub = "<CustSubFile;", kTagFolderSub = "<CustSubFold;",
                                  kTagMatched = "<search-text>";

struct TagValues {
  std::string base{};        // the file name without its last "." and extension
  std::string extension{};   // the extension without the dot
  std::string folderPath{};  // the folder path without a trailing "/"
};

// A file's values: the extension is what follows the last "." of the name (none without a dot).
[[nodiscard]] TagValues fileTagValues(std::string_view folder, std::string_view name);
// A folder's own values in a folder-name run: no base or extension, and "/" + its name as the path,
// so that "<FoldName>" is the folder's own name.
[[nodiscard]] TagValues folderTagValues(std::string_view name);
// The values the input checks fill in: "f", "f" and "/f".
[[nodiscard]] TagValues checkTagValues();

// The text with every tag filled in, left to right in one pass; the pieces the user typed keep
// typed = true, the values put in typed = false. A substring tag takes characters (a valid UTF-8
// sequence, else a byte) from start for length: nothing unless 1 <= start <= the text's length
// and length > 0, and no further than its end. Its numbers are read with Val and truncated; a
// number whose delimiter (";" or ">") is missing is the previous such tag's (0 at first), and
// without its ">" only the tag's opening is replaced.
[[nodiscard]] PieceList substituteTags(std::string_view text, const TagValues& values);

// The pieces as one text.
[[nodiscard]] std::string joined(const PieceList& pieces);

}  // namespace tools::text
