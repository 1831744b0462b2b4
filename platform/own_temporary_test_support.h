// Test support for the sweep of the program's own temporary files: a real leftover (made by the
// program's temporary maker in a child process that ends without committing or discarding it, as
// a killed run does), a look-alike of the user's, and whether the test folder's file system keeps
// the user attributes that mark a temporary (where it does not, the tests skip openly).
// Only *_test.cpp files include it.
#pragma once

#include "platform/fault_test_support.h"
#include "platform/replacement_file.h"

#include <fstream>
#include <string>

#include <sys/xattr.h>
#include <unistd.h>

namespace platform::testing {

// True when files in folder (ending "/") can carry user extended attributes; else why not.
inline std::string userXattrsMissing(const std::string& folder) {
  const std::string probe = folder + "xattr-probe";
  std::ofstream(probe) << "p";
  const bool ok = ::setxattr(probe.c_str(), "user.probe", "1", 1, 0) == 0;
  const int err = errno;
  ::unlink(probe.c_str());
  return ok ? std::string() : "no user extended attributes in " + folder + " (errno " + std::to_string(err) + ")";
}

// The path of a temporary file for target that a run of the program left behind: made and written
// by ReplacementFile in a child process that then ends without a commit or a discard. "" when the
// child could not make it.
inline std::string abandonedTemporary(const std::string& target, const std::string& contents = "partial") {
  const ChildOutcome child = runInChild([&]() -> std::string {
    auto* out = new ReplacementFile;  // never destroyed: the child ends as a killed run does
    if (out->create(target) != 0 || out->write(contents) != 0) return {};
    return out->path();
  });
  return child.exited ? child.report : std::string();
}

// A file of the user's whose name merely has the temporary pattern.
inline constexpr const char* kLookAlike = ".x.vdkabcd1234";

}  // namespace platform::testing
