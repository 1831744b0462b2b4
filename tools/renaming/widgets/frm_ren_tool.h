// The rename tool's registration with the main window's launcher (main_window/app/tool_list.cpp).
#pragma once

namespace tools::ren {

// Registers frmRen (short name "Ren") with the launcher.
void registerRenameTool();

}  // namespace tools::ren
