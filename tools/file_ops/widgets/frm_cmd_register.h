// The batch builder's registration with the launcher (one call in main_window/app/tool_list.cpp).
#pragma once

namespace tools::file_ops {

// Registers frmCmd, made on first use.
void registerCmdTool();

}  // namespace tools::file_ops
