// The trimmer's registration with the launcher, called once from mainwin::registerTools.
#pragma once

namespace tools {

// Registers the window frmTrim (the menus "Trim Characters", "Trim (Truncate)" and "Trim").
void registerTrimTool();

}  // namespace tools
