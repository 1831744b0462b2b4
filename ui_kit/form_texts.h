// Texts of a form's language section that belong to no single control: the words a control puts
// together itself (the folder tree's volume names) and the notices a window composes. The
// language loader sets captions by control name; these entries are read by their own keys.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace uikit {

// The section of the current language in the language file "Lfrm" + shortName + ".bin"; "" when
// the file or the section is missing. Reading it changes no message table.
[[nodiscard]] std::string formSection(std::string_view shortName);

// The entry key of section as text, or fallback when the section has no such entry.
[[nodiscard]] QString formText(std::string_view section, std::string_view key, const char* fallback);

}  // namespace uikit
