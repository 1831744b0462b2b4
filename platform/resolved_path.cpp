#include "platform/resolved_path.h"

#include <cstdlib>

namespace platform {

std::optional<std::string> resolvedPath(std::string_view path) {
  const std::string p(path);
  char* resolved = ::realpath(p.c_str(), nullptr);
  if (!resolved) return std::nullopt;
  std::string out(resolved);
  std::free(resolved);
  return out;
}

}  // namespace platform
