#include "main_window/app/tool_list.h"

#include "tools/file_ops/widgets/frm_copy_registration.h"

namespace mainwin {

void registerTools() {
  // One call per tool library, each registering its forms, for example:
  //   tools::file_ops::registerTools();   // frmCopy, frmDelete, frmJoin, ...
  tools::file_ops::registerCopyTool();
}

}  // namespace mainwin
