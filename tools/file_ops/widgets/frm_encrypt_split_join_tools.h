// Registration of the encryption tool (frmEncrypt), the file splitter (frmSplit) and the file
// joiner (frmJoin) with the tool launcher: main_window/app/tool_list.cpp calls each once.
#pragma once

namespace tools::file_ops {

void registerEncryptTool();
void registerSplitTool();
void registerJoinTool();

}  // namespace tools::file_ops
