#include "main_window/app/tool_list.h"

#include "tools/file_ops/widgets/frm_date_attrib_tools.h"
#include "tools/text/widgets/frm_list_find_append_tools.h"
#include "tools/text/widgets/frm_replace_register.h"

namespace mainwin {

void registerTools() {
  // One call per tool library, each registering its forms, for example:
  //   tools::file_ops::registerTools();   // frmCopy, frmDelete, frmJoin, ...
  tools::text::registerListTool();
  tools::text::registerFindTool();
  tools::text::registerAppendTool();
  tools::text::registerReplaceTool();
  tools::file_ops::registerDateTool();
  tools::file_ops::registerAttribTool();
}

}  // namespace mainwin
