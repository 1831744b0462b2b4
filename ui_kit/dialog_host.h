// The program's own message box as the window host's respond: until the main window installs its
// host (whose respond forwards to uikit::respond the same way), a basic host with this respond
// stands in. Kept free of core/widgets/host.h so that it can sit beside the pipeline's headers.
#pragma once

namespace uikit {

// Installs a basic host whose respond is uikit::respond (once per program; it lives until exit).
void installDialogHost();

}  // namespace uikit
