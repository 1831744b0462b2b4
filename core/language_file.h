// Parsing of language files and tip files (read-only data shipped with the programs).
// A language file holds one section per language: "LangA_Dat" + digit + CR LF ... "LangA_Sep".
// Inside, entries key + "A_Dat" + text + "A_Sep"; message entries have keys starting "msg" and
// are numbered by their order. Input is untrusted: malformed text yields fewer entries, never a
// crash or a hang.
#pragma once

#include "core/message_table.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// The text of the section for language digit lang (0-4), or nullopt when the file has none.
// The section starts after the marker's line break (CR LF; a bare LF is accepted too) and runs to
// the next "LangA_Sep", or to the end of a truncated file.
[[nodiscard]] std::optional<std::string> languageSection(std::string_view fileText, int lang);
// The section's messages in order (element 0 is message 1), at most max of them. A message entry
// is one whose key starts "msg" and follows the closing "A_Sep" of the entry before it.
[[nodiscard]] std::vector<std::string> sectionMessages(std::string_view section, std::size_t max);
// The text of the first entry keyed exactly key (key + "A_Dat" ... "A_Sep"), or nullopt. The key
// must stand at the start of the text, after an "A_Sep" or after a character that cannot be part
// of a name, so "Name" never matches inside "lblNameA_Dat". Tip files use the same entries.
[[nodiscard]] std::optional<std::string> sectionEntry(std::string_view section, std::string_view key);

// File names: "Lfrm" + shortName + ".bin" and "H" + formName + digit + ".txt".
[[nodiscard]] std::string languageFileName(std::string_view shortName);
[[nodiscard]] std::string tipFileName(std::string_view formName, int lang);

// The language index to use for a stored value: the whole part of Val(text), 0 outside 0..4.
[[nodiscard]] int langIndexFromText(std::string_view text);

// Outcome of loading one language file for the current langIndex.
struct LanguageLoad {
  std::string path;                    // the file that was read (see dataFile)
  bool missing = false;                // the file could not be read
  bool tooLarge = false;               // ... because it is larger than any language file (kStoredFileCap)
  std::optional<std::string> section;  // the section of langIndex, when present
};
// Reads the language file of shortName (appPath overrides dataPath) and finds the section of
// coreState().langIndex. When that section holds messages they fill msgMain (shortName "Main")
// or msgForm (any other name), the table being emptied first; extra messages are not stored.
// A file, or a section, without messages leaves both tables as they were: the progress window,
// the results viewer and the shared dialogs have none, and showing them must not take a tool's
// messages away.
LanguageLoad loadLanguageFile(std::string_view shortName);

// The messages of shortName's language file in the section of coreState().langIndex (at most
// 100), without touching the shared tables; empty when the file, the section or its messages are
// missing.
[[nodiscard]] MessageTable readFormMessages(std::string_view shortName);
// Makes table the form table msgForm (emptied first; messages past 100 are not stored).
void setFormMessages(const MessageTable& table);

}  // namespace core
