// Saving the results report through the pipeline's saveTextFile (kept apart from the window code:
// the pipeline's headers and the window host's headers are not included together).
#pragma once

#include <string>
#include <string_view>

namespace core {
class RunHost;
class ToolForm;
}  // namespace core

namespace uikit {

// saveTextFile of a pipeline on host: asks Overwrite/Append/Cancel when path exists. 0 saved,
// 1 not saved.
int saveResultsText(core::RunHost& host, core::ToolForm* caller, const std::string& path, std::string_view text);

}  // namespace uikit
