#include "tools/text/widgets/frm_extract_register.h"

#include "main_window/widgets/tool_launcher.h"
#include "tools/text/widgets/frm_extract.h"

namespace tools::text {

void registerExtractTool() {
  mainwin::registerToolForm("frmExtract", [] { return new FrmExtract(); });
}

}  // namespace tools::text
