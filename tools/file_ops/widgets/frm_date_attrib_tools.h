// Registration of the file date tool (frmDate) and the attribute tool (frmAttrib) with the tool
// launcher: main_window/app/tool_list.cpp calls each once.
#pragma once

namespace tools::file_ops {

void registerDateTool();
void registerAttribTool();

}  // namespace tools::file_ops
