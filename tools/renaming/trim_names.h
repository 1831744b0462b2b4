// The trimmer's names: a number of characters taken from the start or the end of a file name
// (its extension set aside unless it is included) or of a folder name. Characters are UTF-8
// characters (any other byte counts as one), so a cut never splits one.
//
//   const tools::NameTrim trim{.count = 2, .where = tools::TrimWhere::End};
//   tools::trimName("photo.jpeg", false, trim).name;  // "pho.jpeg"
#pragma once

#include "tools/renaming/case_preview.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tools {

// Where characters (or lines) are removed: the window's comDelWhat, by its item index.
enum class TrimWhere { Start = 0, End = 1 };

struct NameTrim {
  std::uint64_t count = 0;        // characters to remove
  TrimWhere where = TrimWhere::Start;
  bool includeExtension = false;  // files: the extension is trimmed with the rest (chkExt)
};

enum class NameTrimOutcome {
  Trimmed,   // name holds the new name
  TooShort,  // the part to trim has no more characters than count: the name stays
  Refused,   // the new name would be "." or "..", which name no file: the name stays
};

struct TrimmedName {
  NameTrimOutcome outcome = NameTrimOutcome::TooShort;
  std::string name;  // the new name, or the name as it was
};

// The name trimmed. For a file without includeExtension the extension ("." and what follows
// the last ".") is set aside and kept; a folder's name is trimmed whole.
[[nodiscard]] TrimmedName trimName(std::string_view name, bool isFolder, const NameTrim& trim);

// The preview rows of the trimmer: each sample up to the first empty one and its trimmed form
// (the sample itself when it would not be renamed).
[[nodiscard]] std::vector<PreviewRow> trimPreview(const std::vector<std::string>& samples, bool folders,
                                                  const NameTrim& trim);

}  // namespace tools
