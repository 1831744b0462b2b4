// Where a path leads once every symbolic link in it is followed: for a reader that reads a file
// through a link to it, as the person who named the link means (a step that changes or removes an
// entry never follows one).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The absolute path with every symbolic link and "." or ".." resolved; nullopt (errno set) when a
// component is missing, a link leads nowhere, or the path cannot be searched.
[[nodiscard]] std::optional<std::string> resolvedPath(std::string_view path);

}  // namespace platform
