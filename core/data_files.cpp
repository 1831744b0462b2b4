#include "core/data_files.h"

#include "core/file_paths.h"
#include "core/state.h"

namespace core {

std::string dataFile(std::string_view name) {
  const CoreState& st = coreState();
  std::string own = st.appPath + std::string(name);
  if (st.dataPath.empty() || (FileExist(own) && !PathExist(own))) return own;
  return st.dataPath + std::string(name);
}

}  // namespace core
