#include "main_window/app/tool_list.h"

namespace mainwin {

void registerTools() {
  // One call per tool library, each registering its forms, for example:
  //   tools::file_ops::registerTools();   // frmCopy, frmDelete, frmJoin, ...
}

}  // namespace mainwin
