// Where a shipped data file (language file, tip file, template) is read from: a file of that name
// in the per-user folder appPath overrides the shipped one in dataPath.
#pragma once

#include <string>
#include <string_view>

namespace core {

// appPath + name when that names an existing regular file, else dataPath + name (appPath + name
// when dataPath is empty).
[[nodiscard]] std::string dataFile(std::string_view name);

}  // namespace core
