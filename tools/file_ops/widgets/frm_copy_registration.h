// Registers the copy and move tool's window (frmCopy) with the main window's launcher.
#pragma once

namespace tools::file_ops {

// Makes "frmCopy" available to the menus and the button bar (main_window/app/tool_list.cpp).
void registerCopyTool();

}  // namespace tools::file_ops
