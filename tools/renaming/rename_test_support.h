// Test fixture of the rename engine's tests: the pipeline fixture with a program folder for the
// journals, the real listing of the test tree (folders and files in name order, as every run
// takes them) and the window's messages as "{n}". Only *_test.cpp files include it.
#pragma once

#include "core/pipeline_test_support.h"
#include "tools/renaming/rename_run.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace tools::ren::testing {

class RenameTest : public core::testing::PipelineTest {
 protected:
  void SetUp() override {
    PipelineTest::SetUp();
    appPath_ = base_ + "app/";
    std::filesystem::create_directories(appPath_);
    state_.state().appPath = appPath_;
    host_.realListing = true;
    std::vector<std::string> texts;
    for (int n = 1; n <= 40; ++n) texts.push_back("{" + std::to_string(n) + "}");
    msg_ = core::MessageTable(texts);
  }

  // Names that are not UTF-8 are beyond QTemporaryDir's own removal: the tree goes by bytes.
  void TearDown() override {
    PipelineTest::TearDown();
    std::error_code ignored;
    std::filesystem::remove_all(base_, ignored);
  }

  RenameRunResult run(RenameRunOptions options) { return renameRun(pipe_, form_, options, msg_); }

  // The names in a folder of the tree (rel "" for the root), sorted.
  std::vector<std::string> namesIn(const std::string& rel = "") const {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(root_ + rel)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }
  // What the last run showed in the results viewer.
  std::string shown() const { return host_.results.empty() ? std::string() : host_.results.back().text; }

  std::string appPath_;
  core::MessageTable msg_;
};

}  // namespace tools::ren::testing
