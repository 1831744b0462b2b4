#include "main_window/app/tool_list.h"

#include "tools/file_ops/widgets/frm_encrypt_split_join_tools.h"
#include "tools/text/widgets/frm_list_find_append_tools.h"
#include "tools/text/widgets/frm_replace_register.h"
#include "tools/renaming/widgets/frm_ren_tool.h"

namespace mainwin {

void registerTools() {
  // One call per tool library, each registering its forms, for example:
  //   tools::file_ops::registerTools();   // frmCopy, frmDelete, frmJoin, ...
  tools::text::registerListTool();
  tools::text::registerFindTool();
  tools::text::registerAppendTool();
  tools::text::registerReplaceTool();
  tools::ren::registerRenameTool();
  tools::file_ops::registerEncryptTool();
  tools::file_ops::registerSplitTool();
  tools::file_ops::registerJoinTool();
}

}  // namespace mainwin
