// The case changer's registration with the launcher, called once from mainwin::registerTools.
#pragma once

namespace tools {

// Registers the window frmCase (the menus "Change Capitalization" and "Case").
void registerCaseTool();

}  // namespace tools
