// Two programs (two windows) starting copies at the same moment: each run takes a journal slot of
// its own, neither deletes the other's journal, and each journal undoes its own run whole.
#include "tools/file_ops/copy_journal.h"
#include "tools/file_ops/copy_run.h"
#include "tools/file_ops/copy_test_support.h"

#include "platform/together_test_support.h"

#include <chrono>
#include <filesystem>
#include <string>

namespace tools::file_ops::testing {
namespace {

constexpr int kFiles = 200;

TEST_F(CopyToolTest, TwoCopiesStartedTogetherEachKeepASlotAndAJournalThatUndoesThem) {
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    for (const auto& e : std::filesystem::directory_iterator(root_)) std::filesystem::remove_all(e.path());
    core::clearJournals(core::kCopyJournal);
    for (const char* folder : {"one/", "two/"}) {
      makeDir(folder);
      for (int i = 0; i < kFiles; ++i) makeFile(folder + std::to_string(i) + ".dat", "x");
    }
    const auto copy = [&](const char* from, const char* to) {
      return [&, from, to] {
        return runCopyJob(pipe_, form_, {.pattern = root_ + to, .mainFolder = root_ + from}, msg_).journalSlot;
      };
    };
    const auto ends = platform::testing::runTogether({copy("one/", "out1"), copy("two/", "out2")}, std::chrono::seconds(120));
    ASSERT_TRUE(ends[0].exited && ends[1].exited);
    ASSERT_EQ(tree(root_ + "out1/").size(), static_cast<std::size_t>(kFiles));
    ASSERT_EQ(tree(root_ + "out2/").size(), static_cast<std::size_t>(kFiles));
    ASSERT_NE(ends[0].code, 0);
    ASSERT_NE(ends[1].code, 0);
    EXPECT_NE(ends[0].code, ends[1].code) << "both runs took one slot";
    for (const auto& end : ends) {
      const CopyUndoResult undone = undoCopyJob(pipe_, form_, end.code, msg_);
      EXPECT_EQ(undone.end, CopyUndoEnd::Undone) << "slot " << end.code;
    }
    EXPECT_EQ(tree(root_ + "out1/").size(), 0u) << "copies still in place";
    EXPECT_EQ(tree(root_ + "out2/").size(), 0u) << "copies still in place";
    EXPECT_EQ(tree(root_ + "one/").size(), static_cast<std::size_t>(kFiles));
  }
}

}  // namespace
}  // namespace tools::file_ops::testing
