// Test support for the copy and move tool's engine tests: the pipeline fixture (its program folder,
// where the journals go, inside the temporary tree), the real folders listed as the main
// window would list them, and a message table whose message n reads "[n]".
#pragma once

#include "core/message_table.h"
#include "core/pipeline_test_support.h"
#include "core/undo_journal.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tools::file_ops::testing {

class CopyToolTest : public core::testing::PipelineTest {
 protected:
  void SetUp() override {
    PipelineTest::SetUp();
    host_.realListing = true;
    std::vector<std::string> texts;
    for (int n = 1; n <= 100; ++n) texts.push_back("[" + std::to_string(n) + "]");
    msg_ = core::MessageTable(texts);
  }

  // Every file below folder (relative paths, sorted), with its contents.
  static std::vector<std::pair<std::string, std::string>> tree(const std::string& folder) {
    std::vector<std::pair<std::string, std::string>> out;
    if (!std::filesystem::exists(folder)) return out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
      if (e.is_regular_file()) out.emplace_back(e.path().string().substr(folder.size()), readAll(e.path().string()));
    }
    std::sort(out.begin(), out.end());
    return out;
  }

  // The records of journal slot, in the order the run wrote them: their paths (stamps: see
  // stamps()).
  static std::vector<core::JournalRecord> records(int slot) {
    core::JournalReader reader(core::kCopyJournal, slot);
    std::vector<core::JournalRecord> out;
    while (auto r = reader.previous()) out.insert(out.begin(), {.from = r->from, .to = r->to});
    return out;
  }
  // The copy stamps of those records.
  static std::vector<std::optional<core::CopyStamp>> stamps(int slot) {
    core::JournalReader reader(core::kCopyJournal, slot);
    std::vector<std::optional<core::CopyStamp>> out;
    while (auto r = reader.previous()) out.insert(out.begin(), r->copy);
    return out;
  }

  core::MessageTable msg_;
};

// A host that lets a test act between two steps of a run (at each of its yields), e.g. to take a
// name the run is about to give a copy.
struct YieldHookHost : core::ScriptedRunHost {
  std::function<void()> onYield;
  void doEvents() override {
    core::ScriptedRunHost::doEvents();
    if (onYield) onYield();
  }
};

}  // namespace tools::file_ops::testing
