// Test support for the delete tool's engine: the tool's messages as "[n]" (so a line shows which
// message it is), a pipeline test whose main folder is listed for real, and small file helpers.
// Only the *_test.cpp files include it.
#pragma once

#include "core/message_table.h"
#include "core/pipeline_test_support.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace tools::file_ops::testing {

inline core::MessageTable deleteMessages() {
  std::vector<std::string> texts;
  for (int n = 1; n <= 41; ++n) texts.push_back("[" + std::to_string(n) + "]");
  return core::MessageTable(std::move(texts));
}

// A scripted host that lets a test look at the files whenever the run yields to events.
struct WatchingHost : core::ScriptedRunHost {
  std::function<void()> onYield;
  void doEvents() override {
    ScriptedRunHost::doEvents();
    if (onYield) onYield();
  }
};

class DeleteTest : public core::testing::PipelineTest {
 protected:
  void SetUp() override {
    PipelineTest::SetUp();
    host_.realListing = true;
    // The test folder counts as a fixed drive whatever the machine's disks are.
    pipe_.setMountProbe({.isFixedDrive = [](const std::string&) { return true; },
                         .mountPoint = [](const std::string&) { return std::string("/"); }});
  }
  // Every name left in folder (and below it), relative to it, sorted.
  static std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
      out.push_back(e.path().lexically_relative(folder).string());  // a link is not followed
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  // The report the results viewer was given last ("" when none).
  std::string report() const { return host_.results.empty() ? std::string() : host_.results.back().text; }

  const core::MessageTable msg_ = deleteMessages();
};

}  // namespace tools::file_ops::testing
