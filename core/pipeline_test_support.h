// Test fixture shared by the pipeline's tests: a private temporary tree that HOME, the XDG folders
// and TMPDIR point into, a fresh core state whose common messages read "{n}", a scripted host and
// a pipeline on it. Only the *_test.cpp files include this header.
#pragma once

#include "core/pipeline.h"
#include "core/scripted_run_host.h"
#include "core/settings.h"
#include "core/state.h"
#include "platform/test_home.h"
#include "platform/test_trees.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace core::testing {

// Keeps every step the pipeline reports.
struct RecordedSteps : StepRecorder {
  std::vector<StepRecord> steps;
  void stepDone(const StepRecord& step) override { steps.push_back(step); }
};

class PipelineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    base_ = tmp_.path().toStdString() + "/";
    home_.emplace(base_, platform::testing::IsolatedHome::perVariable("env/"));
    setSettingsWord("vardulek");
    for (int n = 1; n <= kMainMessages; ++n) state_.state().msgMain[static_cast<std::size_t>(n)] = "{" + std::to_string(n) + "}";
    state_.state().msgMain[68] = "Results";
    state_.state().tempPath = base_ + "temp/";
    std::filesystem::create_directories(state_.state().tempPath);
    // The program's own folder (undo journals, data files): never the folder the tests run in.
    state_.state().appPath = base_ + "app/";
    std::filesystem::create_directories(state_.state().appPath);
    root_ = base_ + "root/";
    std::filesystem::create_directories(root_);
    host_.mainFolder = root_;
  }
  void TearDown() override { home_.reset(); }

  std::string makeDir(const std::string& rel) {
    std::filesystem::create_directories(root_ + rel);
    return root_ + rel + "/";
  }
  // The folders of platform::testing::kOrderedNames below rel ("" for the test folder), made out
  // of name order.
  void makeDirsOutOfOrder(const std::string& rel = "") {
    makeDir(rel);
    ASSERT_TRUE(platform::testing::makeFoldersOutOfOrder(root_ + rel));
  }
  static inline const std::vector<std::string>& kOrderedNames = platform::testing::kOrderedNames;
  std::string makeFile(const std::string& rel, const std::string& content) {
    std::ofstream(root_ + rel, std::ios::binary) << content;
    return root_ + rel;
  }
  static std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // The lines staged and logged so far, as one text.
  std::string logged() { return pipe_.resultsLog().readBack() + pipe_.resultLines(); }

  QTemporaryDir tmp_;
  std::string base_, root_;
  std::optional<platform::testing::IsolatedHome> home_;
  ScopedCoreState state_;
  ScriptedRunHost host_;
  Pipeline pipe_{host_};
  ToolForm* const form_ = reinterpret_cast<ToolForm*>(0x1000);
};

}  // namespace core::testing
