// Shell, locale and desktop-entry routines of the core (the parts without windows).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace core {

// Starts file with parameters (passed as ONE argument, "" meaning none).
// wait != 0: keeps the event loop running until the program ends and returns 0, or a value
// <= 32 when it could not be started. wait == 0: returns > 32 when started (a program) or opened
// (a document), 31 when no program is associated with the document, another value <= 32 on failure.
// A bare program name ("Dorvisk") is looked up in the folder of the running executable.
int ShellRun(std::string_view file, std::string_view parameters, std::uintptr_t owner, int wait);

// 10 English, 11 French, 12 German, 13 Spanish, 14 Dutch, 0 other (from the locale; C/POSIX is English).
[[nodiscard]] std::uint8_t IsEnglish();
// 1252 for UTF-8 and the Latin-1 family, another number for any other character set.
[[nodiscard]] int RetCodePage();

// The Explorer context-menu entry of the properties editor, as a per-user desktop entry
// ("Open With") in $XDG_DATA_HOME/applications/: registerPropertiesEntry writes it with the
// program path quoted (true on success), unregisterPropertiesEntry removes it (true when it is gone).
bool registerPropertiesEntry(std::string_view programPath);
bool unregisterPropertiesEntry();
// The file name of that entry.
[[nodiscard]] const char* propertiesEntryFileName();

}  // namespace core
