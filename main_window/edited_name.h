// The bytes of a file name after the user edited its shown text in the list's name editor. A name
// is bytes; the editor holds text, in which each byte that is not part of valid UTF-8 shows as
// U+FFFD. Writing the whole text back would turn every such byte into the three bytes of U+FFFD
// (and may hit another file of that spelling), so only the part the user changed is taken from
// the text: everything before and after it keeps its original bytes.
#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace mainwin {

// The name the edit stands for. edited: the editor's text at the end, the edit having started
// from the shown text of oldName (QFile::decodeName). Returns oldName itself when the text was
// not changed; otherwise oldName with the changed stretch replaced by edited's text for it
// (UTF-8), every other byte as it was. nullopt when the edit cannot be mapped back to bytes
// exactly: the new stretch holds U+FFFD while oldName holds bytes that are not UTF-8 (the
// character would stand for an unknown byte). Never fails for a name that is valid UTF-8.
// Example: "bad\xFF.txt" shown "bad\uFFFD.txt", edited to "bad\uFFFD.log" -> "bad\xFF.log".
[[nodiscard]] std::optional<std::string> nameAfterEdit(std::string_view oldName, const QString& edited);

}  // namespace mainwin
