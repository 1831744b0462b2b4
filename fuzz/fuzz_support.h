// Shared pieces of the fuzz targets: reading a fuzz input as several values, failing loudly
// (libFuzzer keeps the input that made a target abort), and a private home for targets that
// touch files. Header-only.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/test_home.h"

namespace fuzzing {

// Takes values off the front of the input; past the end every value is empty or zero.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}
  std::uint8_t byte() {
    if (rest_.empty()) return 0;
    const auto b = static_cast<std::uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return b;
  }
  bool flag() { return (byte() & 1) != 0; }
  // A piece of up to 255 bytes: one length byte, then the bytes.
  std::string_view piece() {
    const std::size_t n = std::min<std::size_t>(byte(), rest_.size());
    const std::string_view out = rest_.substr(0, n);
    rest_.remove_prefix(n);
    return out;
  }
  // Everything that is left.
  std::string_view rest() {
    const std::string_view out = rest_;
    rest_ = {};
    return out;
  }

 private:
  std::string_view rest_;
};

// Stops the run with a message; libFuzzer saves the input as a crash artifact.
[[noreturn]] inline void fail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::fflush(stderr);
  std::abort();
}
inline void check(bool ok, const char* what) {
  if (!ok) fail(what);
}

// Points HOME, the XDG folders and TMPDIR below a fresh temporary folder for the whole run and
// removes it at exit. Call once from LLVMFuzzerInitialize.
inline void isolateHome() {
  struct Home {
    std::string root;
    std::unique_ptr<platform::testing::IsolatedHome> env;
    ~Home() {
      env.reset();
      std::error_code ec;
      std::filesystem::remove_all(root, ec);
    }
  };
  static Home home;
  std::string root = (std::filesystem::temp_directory_path() / "corvane-fuzz-XXXXXX").string();
  if (!::mkdtemp(root.data())) fail("cannot make a temporary folder");
  home.root = root;
  home.env = std::make_unique<platform::testing::IsolatedHome>(
      root, platform::testing::IsolatedHome::perVariable(""));
}

}  // namespace fuzzing
