// Undo of copy and move runs from their journals, on fixture folders: what is undone, what is kept
// (in the folders and in the journal), a Cancel in the middle, and the undo menu's entries. Each
// undo reads the journal afresh from the program folder, as after a restart.
#include "tools/file_ops/copy_journal.h"

#include "core/file_content.h"
#include "core/settings.h"
#include "core/slot_ring.h"
#include "platform/fault_test_support.h"
#include "platform/fs.h"
#include "platform/test_trees.h"
#include "tools/file_ops/copy_run.h"
#include "tools/file_ops/copy_test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>

namespace tools::file_ops {
namespace {

using Files = std::vector<std::pair<std::string, std::string>>;

class CopyUndoTest : public testing::CopyToolTest {
 protected:
  void SetUp() override {
    CopyToolTest::SetUp();
    main_ = makeDir("main");
  }
  int runJob(CopyJobOptions options) {
    options.mainFolder = main_;
    return runCopyJob(pipe_, form_, options, msg_).journalSlot;
  }
  CopyUndoResult undo(int slot) { return undoCopyJob(pipe_, form_, slot, msg_); }
  std::string lines() const { return host_.results.empty() ? "" : host_.results.back().text; }
  std::string main_;
};

TEST_F(CopyUndoTest, UndoOfACopyRemovesOnlyCopiesOfSourcesThatStillExist) {
  for (const char* n : {"keep.txt", "gone.txt", "grown.txt", "moved.txt"}) makeFile(std::string("main/") + n, n);
  const int slot = runJob({.pattern = root_ + "out"});
  ASSERT_NE(slot, 0);
  std::filesystem::remove(main_ + "gone.txt");
  makeFile("main/grown.txt", "grown.txt and more");
  std::filesystem::rename(root_ + "out/moved.txt", root_ + "elsewhere.txt");

  host_.questions.clear();
  const CopyUndoResult r = undo(slot);
  EXPECT_EQ(r.end, CopyUndoEnd::Undone);
  ASSERT_EQ(host_.questions.size(), 1u);
  EXPECT_EQ(host_.questions[0].style, "YN");
  EXPECT_EQ(host_.questions[0].title, "[26]");
  EXPECT_EQ(host_.questions[0].message.find("[25] "), 0u);
  EXPECT_EQ(host_.questions[0].message.find("[33]"), std::string::npos);
  EXPECT_TRUE(host_.questions[0].message.ends_with("?\r\n\r\n[44]")) << "replaced files are not put back";

  EXPECT_EQ(tree(root_ + "out/"), (Files{{"gone.txt", "gone.txt"}, {"grown.txt", "grown.txt"}}));
  EXPECT_NE(lines().find("[34]" + root_ + "out/keep.txt"), std::string::npos) << lines();
  EXPECT_NE(lines().find("[4]" + root_ + "out/gone.txt"), std::string::npos) << lines();
  // The two copies kept stay in the journal, to be undone later; the slot stays the newest.
  EXPECT_EQ(r.journalLeft, core::UndoEnd::Kept);
  EXPECT_EQ(records(slot), (std::vector<core::JournalRecord>{{main_ + "gone.txt", root_ + "out/gone.txt"},
                                                             {main_ + "grown.txt", root_ + "out/grown.txt"}}));
  EXPECT_EQ(copyUndoMenu().current, slot);
  EXPECT_TRUE(copyUndoMenu().recent);
  // Once the sources are back as they were, the rest goes and so does the journal.
  makeFile("main/gone.txt", "gone.txt");
  makeFile("main/grown.txt", "grown.txt");
  EXPECT_EQ(undo(slot).journalLeft, core::UndoEnd::Deleted);
  EXPECT_TRUE(tree(root_ + "out/").empty());
  EXPECT_FALSE(copyUndoMenu().recent);
  EXPECT_EQ(copyUndoMenu().current, slot - 1);
}

TEST_F(CopyUndoTest, UndoOfAMoveMovesBackAndRecreatesMissingFolders) {
  makeDir("main/sub");
  makeFile("main/sub/a.txt", "a");
  makeFile("main/b.txt", "b");
  makeFile("main/c.txt", "c");
  const int slot = runJob({.pattern = root_ + "out", .mode = CopyMode::Move, .withSubfolders = true});
  EXPECT_EQ(tree(root_ + "out/").size(), 3u);
  std::filesystem::remove_all(main_ + "sub");
  makeFile("main/c.txt", "a new c");  // the old place is taken meanwhile

  host_.questions.clear();
  const CopyUndoResult r = undo(slot);
  ASSERT_EQ(host_.questions.size(), 1u);
  EXPECT_NE(host_.questions[0].message.find("?\r\n\r\n[33]\r\n\r\n[44]"), std::string::npos);
  EXPECT_EQ(tree(main_), (Files{{"b.txt", "b"}, {"c.txt", "a new c"}, {"sub/a.txt", "a"}}));
  EXPECT_EQ(tree(root_ + "out/"), (Files{{"c.txt", "c"}}));
  EXPECT_NE(lines().find("[11]" + root_ + "out/c.txt[12]" + main_), std::string::npos) << lines();
  EXPECT_EQ(records(slot), (std::vector<core::JournalRecord>{{main_ + "c.txt", root_ + "out/c.txt"}}));
  EXPECT_EQ(r.journalLeft, core::UndoEnd::Kept);
}

// A record is written before its step, so a kill can leave a record of a copy or a move that
// never happened: the undo acts only on the file of the record's identity at its target, and
// passes over every other record with nothing touched. A move across file systems killed between
// its copy and the source's removal leaves the file in both places: the undo removes the copy.
TEST_F(CopyUndoTest, RecordsOfStepsThatNeverHappenedArePassedOver) {
  makeDir("out");
  for (const char* n : {"a.txt", "b.txt", "c.txt", "d.txt"}) makeFile(std::string("main/") + n, n);
  makeFile("out/a.txt", "the user's a");  // a copy over it never took its place
  makeFile("out/c.txt", "c.txt");         // a copy made, its source not yet removed
  platform::FileTime when{.sec = 1000000000, .nsec = 0, .known = true};
  ASSERT_EQ(platform::setFileTimes(root_ + "out/c.txt", &when, &when), 0);
  const platform::FileStatus c = platform::fileStatus(root_ + "out/c.txt", false);
  const platform::FileIdentity other = platform::fileStatus(main_, false).identity;  // no file's
  const auto journal = [&](const char* moved, const std::vector<core::JournalRecord>& records) {
    core::JournalWriter writer(core::kCopyJournal, '0', {{std::string(kCopyKindKey), moved}});
    for (const core::JournalRecord& r : records) EXPECT_EQ(writer.add(r), 0);
    return writer.slot();
  };
  const core::CopyStamp stamp{.size = 5, .modifiedSec = 1000000000, .modifiedNsec = 0};
  const int copies = journal("0", {{.from = main_ + "a.txt", .to = root_ + "out/a.txt", .copy = stamp, .identity = other},
                                   {.from = main_ + "b.txt", .to = root_ + "out/b.txt", .copy = stamp, .identity = other}});
  const int moves = journal("1", {{.from = main_ + "c.txt", .to = root_ + "out/c.txt", .copy = stamp, .identity = c.identity},
                                  {.from = main_ + "d.txt", .to = root_ + "out/d.txt", .copy = stamp, .identity = other}});
  EXPECT_EQ(undo(moves).journalLeft, core::UndoEnd::Deleted);
  EXPECT_EQ(undo(copies).journalLeft, core::UndoEnd::Deleted);
  EXPECT_EQ(tree(main_), (Files{{"a.txt", "a.txt"}, {"b.txt", "b.txt"}, {"c.txt", "c.txt"}, {"d.txt", "d.txt"}}));
  EXPECT_EQ(tree(root_ + "out/"), (Files{{"a.txt", "the user's a"}}));
}

// Records a Cancel did not reach stay in the journal, as do those that failed before it.
TEST_F(CopyUndoTest, ACancelledUndoKeepsWhatItDidNotReach) {
  for (int i = 0; i < 120; ++i) makeFile("main/f" + std::to_string(100 + i) + ".txt", "x");
  const int slot = runJob({.pattern = root_ + "out"});
  ASSERT_EQ(records(slot).size(), 120u);
  // Cancel pressed as the undo starts (while its caption shows) is noticed after the first record:
  // the rest of the first batch was read but not reached, the later batches not even read.
  host_.cancelAfterYields(2);
  const CopyUndoResult r = undo(slot);
  EXPECT_EQ(r.outcome.end, core::RunEnd::Cancelled);
  EXPECT_EQ(records(slot).size(), 119u);
  EXPECT_EQ(tree(root_ + "out/").size(), 119u);
  host_.cancel = core::CancelState::Running;
  EXPECT_EQ(undo(slot).journalLeft, core::UndoEnd::Deleted);
  EXPECT_TRUE(tree(root_ + "out/").empty());
}

// A copy edited since the run is kept even at its old size; journals of older versions (no
// stamp) are undone as before.
TEST_F(CopyUndoTest, ACopyEditedSinceTheRunIsKept) {
  makeFile("main/edited.txt", "12345");
  makeFile("main/grown.txt", "12345");
  makeFile("main/untouched.txt", "abcde");
  const int slot = runJob({.pattern = root_ + "out"});
  const std::vector<std::optional<core::CopyStamp>> stamps = this->stamps(slot);
  ASSERT_EQ(stamps.size(), 3u);
  ASSERT_TRUE(stamps[0].has_value());
  EXPECT_EQ(stamps[0]->size, 5u);
  makeFile("out/edited.txt", "54321");  // same size, another modified time
  makeFile("out/grown.txt", "12345 and more");  // its source intact: the copy is what changed
  const CopyUndoResult r = undo(slot);
  EXPECT_EQ(tree(root_ + "out/"), (Files{{"edited.txt", "54321"}, {"grown.txt", "12345 and more"}}));
  EXPECT_NE(lines().find("[52]" + root_ + "out/edited.txt"), std::string::npos) << lines();
  EXPECT_NE(lines().find("[52]" + root_ + "out/grown.txt"), std::string::npos) << lines();
  EXPECT_EQ(lines().find("[4]"), std::string::npos) << lines();
  EXPECT_EQ(r.journalLeft, core::UndoEnd::Kept);

  const std::string name = "CopyUndo 01 May 2024 10ZZ00ZZ00.txt";
  ASSERT_EQ(core::OutputFile(state_.state().appPath + name, "0*" + std::string(25, ' ') + "? *" + main_ +
                                                                "untouched.txt*" + root_ + "out/old.txt?"),
            0);
  makeFile("out/old.txt", "abcde");
  core::saveSet("undocopy5", name);
  core::saveSet("iscpymve5", "0");
  EXPECT_EQ(undo(5).journalLeft, core::UndoEnd::Deleted);
  EXPECT_EQ(tree(root_ + "out/"), (Files{{"edited.txt", "54321"}, {"grown.txt", "12345 and more"}}));
}

// A copy 25 folders of 200-byte names down (past PATH_MAX) is undone like any other.
TEST_F(CopyUndoTest, ACopyPastTheLongestPathIsRemoved) {
  const std::string part(200, 'd');
  const std::string deep = platform::testing::makeDeepFolder(root_, part, 25);
  ASSERT_GT(deep.size(), static_cast<std::size_t>(PATH_MAX));
  struct RemoveDeep {
    std::string tree;
    ~RemoveDeep() { platform::testing::removeTree(tree); }
  } cleanup{root_ + part};
  makeFile("main/deep.txt", "deep");
  const int slot = runJob({.pattern = deep});
  ASSERT_NE(slot, 0) << lines();
  ASSERT_EQ(platform::fileStatus(deep + "deep.txt", false).error, 0) << lines();
  const CopyUndoResult r = undo(slot);
  EXPECT_EQ(platform::fileStatus(deep + "deep.txt", false).error, ENOENT) << lines();
  EXPECT_NE(lines().find("[34]" + deep + "deep.txt"), std::string::npos) << lines();
  EXPECT_EQ(r.journalLeft, core::UndoEnd::Deleted);
}

// Journals are untrusted: a record must name whole plain paths, or it is dropped with a line and
// nothing it points at is touched, for a copy's undo (removing) and a move's (moving back).
TEST_F(CopyUndoTest, RecordsOfNoPlainPathsAreRefused) {
  makeFile("victim.txt", "v");
  makeFile("main/victim.txt", "v");
  const std::vector<std::pair<std::string, std::string>> refused = {
      {main_ + "victim.txt", root_ + "out/../victim.txt"},
      {main_ + "victim.txt", root_ + "./victim.txt"},
      {main_ + "victim.txt", root_.substr(0, root_.size() - 1) + "//victim.txt"},
      {main_ + "victim.txt", "victim.txt"},
      {main_ + "victim.txt", root_ + "victim.txt/"},
      {main_ + "../victim.txt", root_ + "victim.txt"},
  };
  for (const std::string mode : {"0", "1"}) {
    std::string text = "0*" + std::string(25, ' ') + "?";
    for (const auto& [from, to] : refused) text += " *" + from + "*" + to + "?";
    const std::string name = "CopyUndo 01 May 2024 10ZZ00ZZ0" + mode + ".txt";
    ASSERT_EQ(core::OutputFile(state_.state().appPath + name, text), 0);
    core::saveSet("undocopy5", name);
    core::saveSet("iscpymve5", mode);
    EXPECT_EQ(undo(5).journalLeft, core::UndoEnd::Deleted) << "refused records are not kept for another try";
    EXPECT_EQ(tree(root_), (Files{{"main/victim.txt", "v"}, {"victim.txt", "v"}})) << "mode " << mode;
    for (const auto& [from, to] : refused)
      EXPECT_NE(lines().find("[51]" + from + "[12]" + to), std::string::npos) << to << "\n" << lines();
  }
}

// A journal that cannot be read (no read access, a header of another shape) is reported before
// anything is asked, and stays with its slot.
TEST_F(CopyUndoTest, AJournalThatCannotBeReadStays) {
  makeFile("main/a.txt", "a");
  const int slot = runJob({.pattern = root_ + "out"});
  const std::string journal = core::SlotRing(core::kCopyJournal.ring).slotPath(slot);
  std::filesystem::permissions(journal, std::filesystem::perms::none);
  const platform::testing::ChildOutcome child = platform::testing::runInChild([&]() -> std::string {
    if (std::string why = platform::testing::becomeOrdinaryUser(base_); !why.empty()) return "skip " + why;
    host_.questions.clear();
    const CopyUndoResult r = undo(slot);
    return std::to_string(static_cast<int>(r.end)) + "|" +
           (host_.questions.size() == 1 ? host_.questions[0].message + "|" + host_.questions[0].title : "");
  });
  ASSERT_TRUE(child.exited);
  if (child.report.rfind("skip ", 0) == 0) GTEST_SKIP() << child.report;
  EXPECT_EQ(child.report, std::to_string(static_cast<int>(CopyUndoEnd::Unreadable)) + "|[50]" + journal + "|N");
  std::filesystem::permissions(journal, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  ASSERT_EQ(core::OutputFile(journal, std::string(40, 'x')), 0);  // a header of another shape
  EXPECT_EQ(undo(slot).end, CopyUndoEnd::Unreadable);
  EXPECT_TRUE(std::filesystem::exists(journal));
  EXPECT_EQ(copyUndoMenu().current, slot);
  EXPECT_TRUE(copyUndoMenu().recent);
  EXPECT_EQ(tree(root_ + "out/"), (Files{{"a.txt", "a"}}));
}

TEST_F(CopyUndoTest, AMissingJournalOrANoChangesNothing) {
  makeFile("main/a.txt", "a");
  const int slot = runJob({.pattern = root_ + "out"});
  host_.answers = {core::kAnswerNo};
  EXPECT_EQ(undo(slot).end, CopyUndoEnd::NotConfirmed);
  EXPECT_EQ(tree(root_ + "out/").size(), 1u);
  EXPECT_FALSE(host_.progressShown);
  host_.questions.clear();
  EXPECT_EQ(undo(7).end, CopyUndoEnd::Missing);
  ASSERT_EQ(host_.questions.size(), 1u);
  EXPECT_EQ(host_.questions[0].message, "[29]" + state_.state().appPath);
  EXPECT_EQ(host_.questions[0].title, "N");
}

TEST_F(CopyUndoTest, TheMenuOffersTheNewestRunAndTheOlderOnes) {
  makeFile("main/a.txt", "a");
  EXPECT_FALSE(copyUndoMenu().recent);
  std::vector<int> slots;
  for (int i = 0; i < 3; ++i) slots.push_back(runJob({.pattern = root_ + "out" + std::to_string(i)}));
  const CopyUndoMenu menu = copyUndoMenu();
  EXPECT_EQ(menu.current, slots.back());
  EXPECT_TRUE(menu.recent);
  ASSERT_EQ(menu.others.size(), 2u);
  EXPECT_EQ(menu.others[0].first, slots[0]);
  EXPECT_EQ(menu.others[1].first, slots[1]);
  // A run that copied nothing takes no slot and leaves the menu as it was.
  EXPECT_EQ(runJob({.pattern = root_ + "out0"}), 0);
  EXPECT_EQ(copyUndoMenu().current, slots.back());
}

}  // namespace
}  // namespace tools::file_ops
