// Turns the system's error codes into the run-time error numbers that the core's writers return
// and that tools log and compare (58 "file already exists", 53 "file not found" and so on).
#pragma once

#include <string>
#include <string_view>

namespace core {

// The run-time error number for an errno value (0 stays 0). Unknown codes become 75 (path/file
// access error).
[[nodiscard]] int errorNumberFromErrno(int err);
// The same for an error met on path: a missing file whose folder is missing too is 76 (path not
// found) rather than 53.
[[nodiscard]] int errorNumberForPath(int err, std::string_view path);

// The system's reason for an errno value, as a result line ends with it: " (permission denied)"
// in the interface language for the common ones, the system's own words for the rest; "" for 0.
[[nodiscard]] std::string systemReason(int err);
// The same for one of the run-time error numbers below (what the core's file routines return).
[[nodiscard]] std::string errorReason(int errorNumber);

// Common messages of lines about folders a run cannot work in, each followed by the folder.
inline constexpr int kMsgFolderChanged = 140;    // no longer the folder the walk found
inline constexpr int kMsgFolderNotOpened = 141;  // cannot be opened; the reason follows

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
