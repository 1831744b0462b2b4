#include "tools/file_ops/widgets/frm_copy_registration.h"

#include "main_window/widgets/tool_launcher.h"
#include "tools/file_ops/widgets/frm_copy.h"

namespace tools::file_ops {

void registerCopyTool() {
  mainwin::registerToolForm("frmCopy", [] { return new FrmCopy(); });
}

}  // namespace tools::file_ops
