#include "ui_kit/results_save.h"

#include "core/pipeline.h"

namespace uikit {

int saveResultsText(core::RunHost& host, core::ToolForm* caller, const std::string& path, std::string_view text) {
  core::Pipeline pipe(host);
  return pipe.saveTextFile(caller, path, text);
}

}  // namespace uikit
