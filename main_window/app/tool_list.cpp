#include "main_window/app/tool_list.h"

#include "tools/file_ops/widgets/frm_copy_registration.h"
#include "tools/file_ops/widgets/frm_delete_tool.h"
#include "tools/renaming/widgets/case_tool.h"
#include "tools/renaming/widgets/trim_tool.h"
#include "tools/text/widgets/frm_extract_register.h"
#include "tools/file_ops/widgets/frm_duplicates.h"
#include "tools/file_ops/widgets/frm_encrypt_split_join_tools.h"
#include "tools/file_ops/widgets/frm_date_attrib_tools.h"
#include "tools/text/widgets/frm_list_find_append_tools.h"
#include "tools/text/widgets/frm_replace_register.h"
#include "tools/file_ops/widgets/frm_cmd_register.h"
#include "tools/renaming/widgets/frm_ren_tool.h"

namespace mainwin {

void registerTools() {
  // One call per tool library, each registering its forms, for example:
  //   tools::file_ops::registerTools();   // frmCopy, frmDelete, frmJoin, ...
  tools::file_ops::registerCopyTool();
  tools::text::registerListTool();
  tools::text::registerFindTool();
  tools::text::registerAppendTool();
  tools::text::registerReplaceTool();
  tools::file_ops::registerDeleteTool();
  tools::text::registerExtractTool();
  tools::file_ops::registerCmdTool();
  tools::ren::registerRenameTool();
  tools::registerCaseTool();
  tools::registerTrimTool();
  tools::file_ops::registerDuplicatesTool();
  tools::file_ops::registerEncryptTool();
  tools::file_ops::registerSplitTool();
  tools::file_ops::registerJoinTool();
  tools::file_ops::registerDateTool();
  tools::file_ops::registerAttribTool();
}

}  // namespace mainwin
