// For tests: points HOME, XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_RUNTIME_DIR and TMPDIR at folders
// below a temporary root, so that nothing a test runs touches the real home, and puts the previous
// values back when it goes. Header-only; used by the test fixtures of every folder.
#pragma once

#include <sys/stat.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

namespace platform::testing {

class IsolatedHome {
 public:
  static constexpr std::array<const char*, 5> kVariables = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME",
                                                            "XDG_RUNTIME_DIR", "TMPDIR"};

  // folders: the sub-folder of root for each variable of kVariables, in that order. They are
  // created (the runtime folder with mode 0700, as the desktop makes it).
  IsolatedHome(const std::string& root, const std::array<std::string, 5>& folders) {
    for (std::size_t i = 0; i < kVariables.size(); ++i) {
      const char* old = std::getenv(kVariables[i]);
      saved_[i] = old ? std::optional<std::string>(old) : std::nullopt;
      const std::string dir = root + "/" + folders[i];
      std::error_code ec;
      std::filesystem::create_directories(dir, ec);
      if (std::string(kVariables[i]) == "XDG_RUNTIME_DIR") ::chmod(dir.c_str(), 0700);
      ::setenv(kVariables[i], dir.c_str(), 1);
    }
  }
  // Each variable gets root/<prefix><variable name>, e.g. root/env/HOME.
  static std::array<std::string, 5> perVariable(const std::string& prefix) {
    std::array<std::string, 5> out;
    for (std::size_t i = 0; i < kVariables.size(); ++i) out[i] = prefix + kVariables[i];
    return out;
  }

  ~IsolatedHome() {
    for (std::size_t i = 0; i < kVariables.size(); ++i) {
      if (saved_[i]) ::setenv(kVariables[i], saved_[i]->c_str(), 1);
      else ::unsetenv(kVariables[i]);
    }
  }
  IsolatedHome(const IsolatedHome&) = delete;
  IsolatedHome& operator=(const IsolatedHome&) = delete;

 private:
  std::array<std::optional<std::string>, 5> saved_;
};

}  // namespace platform::testing
