// The editor's start routine: the companion start (settings word "mosquane", the font saved
// there, the fixed colour scheme), then the window for the command line, shown on top.
#pragma once

#include "properties_editor/widgets/frm_main_b.h"

#include <memory>
#include <string>
#include <vector>

namespace propedit {

// args: the arguments after the program name, as the process got them (read them before
// QApplication removes the options it knows).
[[nodiscard]] std::unique_ptr<FrmMainB> startEditor(const std::vector<std::string>& args);

}  // namespace propedit
