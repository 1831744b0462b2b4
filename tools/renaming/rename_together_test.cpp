// Two programs (two windows) starting renames at the same moment: each run takes a journal slot
// of its own, neither deletes the other's journal, and each journal undoes its own run whole.
#include "tools/renaming/rename_journal.h"
#include "tools/renaming/rename_run.h"

#include "core/undo_journal.h"
#include "platform/together_test_support.h"
#include "tools/renaming/rename_test_support.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

namespace tools::ren::testing {
namespace {

constexpr int kFiles = 300;

std::string nameOf(int i, const char* tail) {
  char name[24];
  std::snprintf(name, sizeof name, "f%04d%s.dat", i, tail);
  return name;
}

TEST_F(RenameTest, TwoRunsStartedTogetherEachKeepASlotAndAJournalThatUndoesThem) {
  const RenameRunOptions options{.startRule = "<oldFileNameNoExt>_r", .endRule = ".<oldFileExtension>"};
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    for (const auto& e : std::filesystem::directory_iterator(root_)) std::filesystem::remove_all(e.path());
    core::clearJournals(core::kRenameJournal);
    for (const char* folder : {"one/", "two/"}) {
      makeDir(folder);
      for (int i = 0; i < kFiles; ++i) makeFile(folder + nameOf(i, ""), "x");
    }
    const auto runIn = [&](const char* folder) {
      return [&, folder] {
        RenameRunOptions own = options;
        own.folder = root_ + folder;
        host_.mainFolder = own.folder;  // each program's window shows its own folder
        return renameRun(pipe_, form_, own, msg_).journalSlot;
      };
    };
    const auto ends = platform::testing::runTogether({runIn("one/"), runIn("two/")}, std::chrono::seconds(120));
    ASSERT_TRUE(ends[0].exited && ends[1].exited);
    for (const char* folder : {"one/", "two/"})
      ASSERT_TRUE(std::filesystem::exists(root_ + folder + nameOf(kFiles - 1, "_r"))) << folder;
    ASSERT_NE(ends[0].code, 0);
    ASSERT_NE(ends[1].code, 0);
    EXPECT_NE(ends[0].code, ends[1].code) << "both runs took one slot";
    for (const auto& end : ends) {
      const UndoResult undone = undoRename(pipe_, form_, end.code, msg_);
      EXPECT_EQ(undone.start, UndoStart::Undone) << "slot " << end.code;
    }
    for (const char* folder : {"one/", "two/"})
      for (int i = 0; i < kFiles; ++i)
        ASSERT_TRUE(std::filesystem::exists(root_ + folder + nameOf(i, ""))) << folder << nameOf(i, "") << " still renamed";
  }
}

}  // namespace
}  // namespace tools::ren::testing
