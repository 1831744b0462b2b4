#include "main_window/app/tool_list.h"

#include "tools/text/widgets/frm_replace_register.h"

namespace mainwin {

void registerTools() {
  // One call per tool library, each registering its forms, for example:
  //   tools::file_ops::registerTools();   // frmCopy, frmDelete, frmJoin, ...
  tools::text::registerReplaceTool();
}

}  // namespace mainwin
