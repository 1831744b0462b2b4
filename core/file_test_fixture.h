// A temporary folder for the file routine tests, with HOME, the XDG folders and TMPDIR pointed
// inside it (restored afterwards), and small helpers to make and read files there.
#pragma once

#include "core/state.h"
#include "platform/test_home.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace core::testing {

class FileFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vdk-core-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    home_.emplace(root_, std::array<std::string, 5>{"home", "home/.config", "home/.local/share", "run", "tmp"});
    std::filesystem::create_directories(root_ + "/w");
    dir_ = root_ + "/w/";
  }
  void TearDown() override {
    home_.reset();
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  // Path of name inside the work folder (which ends with "/").
  std::string path(const std::string& name) const { return dir_ + name; }
  std::string make(const std::string& name, const std::string& content) const {
    std::ofstream(path(name), std::ios::binary) << content;
    return path(name);
  }
  std::string fifo(const std::string& name) const {
    EXPECT_EQ(::mkfifo(path(name).c_str(), 0600), 0);
    return path(name);
  }
  static std::string slurp(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  static unsigned mode(const std::string& p) {
    struct stat sb {};
    ::lstat(p.c_str(), &sb);
    return sb.st_mode & 07777;
  }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir_))
      out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }

  std::string root_, dir_;
  std::optional<platform::testing::IsolatedHome> home_;
};

// The same folder as the program's own folder (appPath), for the files the program keeps: the
// results history, the undo journals.
class AppFolderFixture : public FileFixture {
 protected:
  void SetUp() override {
    FileFixture::SetUp();
    scoped_.emplace();
    scoped_->state().appPath = dir_;
  }
  void TearDown() override {
    scoped_.reset();
    FileFixture::TearDown();
  }
  std::optional<ScopedCoreState> scoped_;
};

}  // namespace core::testing
