// The fixture of the case changer's and the trimmer's run tests: the pipeline's test folder listed
// for real, no copies sent to the trash (no question about the drive), and a form table whose
// message n reads "[n]", both as the run's copy and as the shared table the rewrite reads.
#pragma once

#include "core/language_file.h"
#include "core/message_table.h"
#include "core/pipeline_test_support.h"
#include "core/settings.h"
#include "platform/fault_test_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tools::testing {

class ToolRunTest : public core::testing::PipelineTest {
 protected:
  void SetUp() override {
    PipelineTest::SetUp();
    host_.realListing = true;
    core::saveSet("sendContent", "1");
    core::saveSet("sendDeleted", "1");
    std::vector<std::string> texts;
    for (int n = 1; n <= 40; ++n) texts.push_back("[" + std::to_string(n) + "]");
    msg_ = core::MessageTable(texts);
    core::setFormMessages(msg_);
  }

  // The entry names of a folder below the test folder ("" for the test folder itself), sorted.
  std::vector<std::string> namesIn(const std::string& rel = "") const {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(root_ + rel)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }
  static ino_t inode(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st.st_ino;
  }
  // Runs body in a child process in which the folder dir (below the test folder) is read-only,
  // even for root (a read-only mount of its own). The report starts "skip " where that cannot be
  // arranged.
  platform::testing::ChildOutcome withReadOnlyFolder(const std::string& dir, const std::function<std::string()>& body) {
    const std::string path = root_ + dir;
    platform::testing::ChildOutcome child = platform::testing::runInChild([&]() -> std::string {
      if (::geteuid() == 0) {  // root writes into any folder whose mode forbids it
        if (std::string why = platform::testing::privateMounts(); !why.empty()) return "skip " + why;
        if (std::string why = platform::testing::makeReadOnly(path); !why.empty()) return "skip " + why;
      } else if (::chmod(path.c_str(), 0555) != 0) {
        return "skip chmod";
      }
      return body();
    });
    ::chmod(path.c_str(), 0755);
    return child;
  }

  // The report of the last run as the results viewer got it (headings, lines, problems).
  std::string report() const { return host_.results.empty() ? std::string() : host_.results.back().text; }

  core::MessageTable msg_;
};

}  // namespace tools::testing
