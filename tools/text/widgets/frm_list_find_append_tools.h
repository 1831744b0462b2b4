// Registration of the file lister (frmList), the word finder (frmFind) and the text appender
// (frmAppend) with the tool launcher: main_window/app/tool_list.cpp calls each once.
#pragma once

namespace tools::text {

void registerListTool();
void registerFindTool();
void registerAppendTool();

}  // namespace tools::text
