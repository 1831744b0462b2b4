// Registers the search-and-replace window (frmReplace) with the main window's tool launcher.
#pragma once

namespace tools::text {

void registerReplaceTool();

}  // namespace tools::text
