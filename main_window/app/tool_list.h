// The one list of the tools the program offers: every tool library's registration, called once
// before the main window is built, so that the menus and the button bar are built with the tools
// enabled. Tests call it to check every registered tool (its window, language and tip files).
#pragma once

namespace mainwin {

// Registers every tool form with the launcher (mainwin::registerToolForm).
void registerTools();

}  // namespace mainwin
