// Registration of the keyword extractor's window with the main window's launcher.
#pragma once

namespace tools::text {

// Makes "frmExtract" available to the menus and the button bar (one call before the main window
// is built; a later call still enables its entries).
void registerExtractTool();

}  // namespace tools::text
