// Turns the system's error codes into the run-time error numbers that the core's writers return
// and that tools log and compare (58 "file already exists", 53 "file not found" and so on).
#pragma once

#include <string_view>

namespace core {

// The run-time error number for an errno value (0 stays 0). Unknown codes become 75 (path/file
// access error).
[[nodiscard]] int errorNumberFromErrno(int err);
// The same for an error met on path: a missing file whose folder is missing too is 76 (path not
// found) rather than 53.
[[nodiscard]] int errorNumberForPath(int err, std::string_view path);

enum : int {
  kErrBadFileName = 52,
  kErrFileNotFound = 53,
  kErrFileExists = 58,
  kErrDiskFull = 61,
  kErrPermissionDenied = 70,
  kErrDifferentDrive = 74,
  kErrPathFileAccess = 75,
  kErrPathNotFound = 76,
};

}  // namespace core
