// The text appender's tags: the long forms the menus insert, their short forms, and the text a file
// gets once its tags are filled in.
//
//   "<FileNameNoDotExt>"    "<FNNDE>"  the name less its extension and the "." before it
//   "<FileExtNoDot>"        "<FEND>"   the text after the name's last "."; "" when it has none
//   "<FilePathNoEndSlash>"  "<FPNES>"  the file's folder without its final "/"
//   "<Date;File Modified;fmt>" ...      "<DM;fmt>" ... the shared date tokens (core/date_tokens.h)
//
//   const std::string shortText = tools::text::shortenAppendTags(userText);
//   const std::string forFile = tools::text::expandAppendTags(shortText, {.folder = "/d/", .name = "a.txt"},
//                                                             stampOf);
//
// ---- contract ----
// Nothing that comes from the file's name or folder is scanned again: a file named "x<DT;yyyy>.txt"
// keeps its name in the text, and an extension holding "<FNNDE>" stays as it is.
#pragma once

#include "core/date_tokens.h"

#include <functional>
#include <string>
#include <string_view>

namespace tools::text {

inline constexpr std::string_view kTagNameLong = "<FileNameNoDotExt>";
inline constexpr std::string_view kTagExtLong = "<FileExtNoDot>";
inline constexpr std::string_view kTagPathLong = "<FilePathNoEndSlash>";

// The text with the long tags replaced by the short ones (case-sensitive): name, extension, path,
// then the date tokens.
[[nodiscard]] std::string shortenAppendTags(std::string_view text);

// The file a text is filled in for.
struct AppendFile {
  std::string folder{};  // ending with "/"
  std::string name{};
};

// The shortened text with its tags filled in for file, in one pass over the text: "<FEND>",
// "<FNNDE>" and "<FPNES>" take the file's values, and the date tokens in the text between them are
// expanded with stampOf (called only when the text holds a date token). A "<D" that is not a date
// token (such as "<Div>") is read as one, as date tokens always are.
[[nodiscard]] std::string expandAppendTags(std::string_view shortText, const AppendFile& file,
                                           const std::function<std::string(core::DateSource)>& stampOf);

}  // namespace tools::text
