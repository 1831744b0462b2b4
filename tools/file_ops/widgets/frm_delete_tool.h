// Registers the delete tool's window with the main window's launcher (menus, button bar).
#pragma once

namespace tools::file_ops {

void registerDeleteTool();

}  // namespace tools::file_ops
