#include "main_window/app/tool_list.h"

#include "tools/renaming/widgets/frm_ren_tool.h"

namespace mainwin {

void registerTools() {
  // One call per tool library, each registering its forms, for example:
  //   tools::file_ops::registerTools();   // frmCopy, frmDelete, frmJoin, ...
  tools::ren::registerRenameTool();
}

}  // namespace mainwin
