#include "tools/renaming/rename_run.h"

#include "tools/renaming/rename_journal.h"

#include "core/slot_ring.h"
#include "core/undo_journal.h"
#include "platform/fs.h"
#include "tools/renaming/rename_test_support.h"

#include <sys/stat.h>

#include <filesystem>

namespace tools::ren::testing {
namespace {

using Names = std::vector<std::string>;

const core::SlotRing kRing(core::kRenameJournal.ring);

RenameRunOptions sequenceRule(std::string start, std::string end, std::int64_t first = 1, int width = 0) {
  return {.startRule = std::move(start), .endRule = std::move(end), .sequence = true, .startNumber = first,
          .width = width};
}

TEST_F(RenameTest, ATakenNameMovesTheFileOnAndIsLeftAloneItself) {
  makeFile("a.txt", "A");
  makeFile("b.txt", "B");
  makeFile("x_1.txt", "X");
  const RenameRunResult r = run(sequenceRule("x_", ".txt"));
  EXPECT_EQ(r.renamed, 2);
  EXPECT_EQ(namesIn(), (Names{"x_1.txt", "x_2.txt", "x_3.txt"}));
  EXPECT_EQ(readAll(root_ + "x_1.txt"), "X") << "never replaced";
  EXPECT_EQ(readAll(root_ + "x_2.txt"), "A");
  EXPECT_EQ(readAll(root_ + "x_3.txt"), "B");
  EXPECT_NE(shown().find(root_ + "a.txt -> x_2.txt\r\n" + root_ + "b.txt -> x_3.txt\r\n"), std::string::npos) << shown();
  EXPECT_NE(shown().find("\r\n2 {14}{22}"), std::string::npos) << "successes only";
  EXPECT_EQ(r.journalSlot, kRing.current());
  EXPECT_TRUE(std::filesystem::exists(kRing.slotPath(r.journalSlot)));
}

TEST_F(RenameTest, TwoFilesMappedToOneNameNeverOverwrite) {
  makeFile("a.txt", "A");
  makeFile("b.txt", "B");
  const RenameRunResult r = run({.startRule = "same", .endRule = ".txt"});
  EXPECT_EQ(r.renamed, 1);
  EXPECT_EQ(namesIn(), (Names{"b.txt", "same.txt"}));
  EXPECT_EQ(readAll(root_ + "same.txt"), "A");
  EXPECT_NE(shown().find("{15}" + root_ + "b.txt{17}" + root_ + "same.txt"), std::string::npos) << shown();
  EXPECT_NE(shown().find("\r\n1 {14}{22}"), std::string::npos);
}

TEST_F(RenameTest, NamesNoEntryCanTakeAreRefusedWithALine) {
  makeFile("a.txt", "A");
  makeFile("notes", "N");
  for (const RenameRunOptions& options : {RenameRunOptions{}, RenameRunOptions{.startRule = "..", .endRule = " "}}) {
    const RenameRunResult r = run(options);
    EXPECT_EQ(r.renamed, 0);
    EXPECT_EQ(r.journalSlot, 0);
    EXPECT_NE(shown().find("{34}" + root_ + "a.txt{17}"), std::string::npos) << shown();
  }
  EXPECT_EQ(namesIn(), (Names{"a.txt", "notes"}));
}

// The default rule renames nothing ("notes." stays "notes."), and a run that renames nothing
// leaves the ring and the older journals alone.
TEST_F(RenameTest, TheDefaultRuleKeepsEveryNameAndTakesNoSlot) {
  makeFile("a.txt", "A");
  ASSERT_EQ(run(sequenceRule("<oldFileNameNoExt>_", ".<oldFileExtension>")).renamed, 1);
  const int slot = kRing.current();
  const std::string older = kRing.slotPath(slot);
  for (const char* name : {"notes.", "notes", "archive.tar.gz", " lead.txt"}) makeFile(name, "x");
  const RenameRunResult r = run({.startRule = std::string(kDefaultStartRule), .endRule = std::string(kDefaultEndRule)});
  EXPECT_EQ(r.renamed, 0);
  EXPECT_EQ(r.journalSlot, 0);
  EXPECT_EQ(namesIn(), (Names{" lead.txt", "a_1.txt", "archive.tar.gz", "notes", "notes."}));
  EXPECT_EQ(kRing.current(), slot);
  EXPECT_TRUE(std::filesystem::exists(older));
}

TEST_F(RenameTest, HostileNamesKeepTheirCharacters) {
  const Names hostile = {"a<RC>.txt", "<CS1;9>", "star*?.txt", "line\nbreak.txt", "bad\xFF.txt", "x>y"};
  for (const std::string& name : hostile) makeFile(name, name);
  const RenameRunResult r = run({.startRule = "<oldFileNameNoExt>_n", .endRule = ".<oldFileExtension>"});
  EXPECT_EQ(r.renamed, 6);
  EXPECT_EQ(namesIn(), (Names{"<CS1;9>_n", "a<RC>_n.txt", "bad\xFF_n.txt", "line\nbreak_n.txt", "star*?_n.txt",
                              "x>y_n"}));
  EXPECT_EQ(readAll(root_ + "a<RC>_n.txt"), "a<RC>.txt");
}

// Renames open nothing: a read-only file and a symbolic link (itself, not its target) are renamed;
// a FIFO is a system file and is left alone.
TEST_F(RenameTest, AnyFileWhateverItsAccessAndALinkItself) {
  makeDir("elsewhere");
  const std::string target = makeFile("elsewhere/target.txt", "T");
  ASSERT_EQ(::chmod(makeFile("ro.txt", "R").c_str(), 0444), 0);
  std::filesystem::create_symlink(target, root_ + "link.txt");
  ASSERT_EQ(::mkfifo((root_ + "pipe.txt").c_str(), 0600), 0);
  host_.realListing = false;
  host_.fakeFolders[root_] = {{.name = "link.txt"}, {.name = "pipe.txt"}, {.name = "ro.txt"}};
  const RenameRunResult r = run({.startRule = "new_<oldFileNameNoExt>", .endRule = ".<oldFileExtension>"});
  EXPECT_EQ(r.renamed, 2);
  EXPECT_EQ(namesIn(), (Names{"elsewhere", "new_link.txt", "new_ro.txt", "pipe.txt"}));
  EXPECT_TRUE(std::filesystem::is_symlink(root_ + "new_link.txt"));
  EXPECT_EQ(namesIn("elsewhere"), (Names{"target.txt"}));
  EXPECT_NE(shown().find("{23}" + root_ + "pipe.txt"), std::string::npos) << shown();
}

// A hidden file stays hidden under its new name and again after the undo, and the folder's
// ".hidden" is never renamed itself, hidden files included or not.
TEST_F(RenameTest, HiddenFilesAndFoldersStayHiddenAndTheListIsLeftAlone) {
  makeFile(".hidden", "secret.txt\nhid\n");
  makeFile("secret.txt", "S");
  makeFile("shown.txt", "V");
  makeDir("hid");
  host_.listHidden = true;
  const RenameRunResult r = run({.startRule = "x_<oldFileNameNoExt>", .endRule = ".txt", .withHidden = true});
  EXPECT_EQ(r.renamed, 2);
  EXPECT_EQ(namesIn(), (Names{".hidden", "hid", "x_secret.txt", "x_shown.txt"}));
  EXPECT_EQ(readAll(root_ + ".hidden"), "hid\nx_secret.txt\n");
  ASSERT_EQ(undoRename(pipe_, form_, r.journalSlot, msg_).undone, 2);
  EXPECT_EQ(readAll(root_ + ".hidden"), "hid\nsecret.txt\n");

  EXPECT_EQ(run({.mode = RenameMode::Folders, .startRule = "<oldFolderName>", .endRule = "_r", .withHidden = true})
                .renamed,
            1);
  EXPECT_EQ(readAll(root_ + ".hidden"), "secret.txt\nhid_r\n");
}

struct NumberingRow {
  const char* test;
  bool restart;
  Names root, sub1, sub2;
};

class Numbering : public RenameTest, public ::testing::WithParamInterface<NumberingRow> {};

// Numbers count on from folder to folder, or start again in each (asked first: subfolders).
TEST_P(Numbering, FollowsTheFoldersAsChosen) {
  const NumberingRow& row = GetParam();
  makeFile("a.txt", "");
  makeDir("s1");
  makeFile("s1/b.txt", "");
  makeFile("s1/c.txt", "");
  makeDir("s2");
  makeFile("s2/d.txt", "");
  RenameRunOptions options = sequenceRule("f", ".txt", 1, 2);
  options.restart = row.restart;
  options.withSubfolders = true;
  options.pattern = "*.txt";
  EXPECT_EQ(run(options).renamed, 4);
  ASSERT_EQ(host_.questions.size(), 1u);
  EXPECT_EQ(host_.questions[0].message, "{11}{8}*.txt{9}");
  EXPECT_EQ(namesIn(), row.root);
  EXPECT_EQ(namesIn("s1"), row.sub1);
  EXPECT_EQ(namesIn("s2"), row.sub2);
}

INSTANTIATE_TEST_SUITE_P(
    Files, Numbering,
    ::testing::Values(NumberingRow{"continue", false, {"f01.txt", "s1", "s2"}, {"f02.txt", "f03.txt"}, {"f04.txt"}},
                      NumberingRow{"restart", true, {"f01.txt", "s1", "s2"}, {"f01.txt", "f02.txt"}, {"f01.txt"}}),
    [](const ::testing::TestParamInfo<NumberingRow>& info) { return std::string(info.param.test); });

TEST_F(RenameTest, CancellingTheQuestionRenamesNothing) {
  makeFile("a.txt", "");
  host_.answers = {core::kAnswerNo};
  const RenameRunResult r = run({.startRule = "b", .endRule = ".txt", .withSubfolders = true});
  EXPECT_FALSE(r.started);
  EXPECT_EQ(namesIn(), (Names{"a.txt"}));
  EXPECT_TRUE(host_.results.empty());
}

// Parents first: the folders inside a renamed folder are found under its new name, and a sibling
// whose name begins like it ("foobar" beside "foo") is not touched by that move.
TEST_F(RenameTest, FoldersInsideARenamedFolderMoveWithIt) {
  makeDir("foo/inner/deep");
  makeDir("foobar/x");
  makeDir(".hidden");
  const RenameRunResult r = run({.mode = RenameMode::Folders, .startRule = "<oldFolderName>", .endRule = "_r",
                                 .withSubfolders = true});
  EXPECT_EQ(r.renamed, 5);
  EXPECT_EQ(namesIn(), (Names{".hidden", "foo_r", "foobar_r"}));
  EXPECT_EQ(namesIn("foo_r"), (Names{"inner_r"}));
  EXPECT_EQ(namesIn("foo_r/inner_r"), (Names{"deep_r"}));
  EXPECT_EQ(namesIn("foobar_r"), (Names{"x_r"}));
  EXPECT_NE(shown().find(root_ + "foo_r/inner -> inner_r"), std::string::npos) << "the path at the time of the rename";
  EXPECT_EQ(host_.questions.at(0).message, "{11}{10}");
}

// Deepest first, numbered so that the list order (A, A/B, A/C) gets rising numbers.
TEST_F(RenameTest, DeepestFirstNumbersRiseInListOrder) {
  makeDir("A/B");
  makeDir("A/C");
  RenameRunOptions options = sequenceRule("<oldFolderName>_", "");
  options.mode = RenameMode::Folders;
  options.restart = true;
  options.withSubfolders = true;
  EXPECT_EQ(run(options).renamed, 3);
  EXPECT_EQ(namesIn(), (Names{"A_1"}));
  EXPECT_EQ(namesIn("A_1"), (Names{"B_2", "C_3"}));
}

// The folder left alone still moves the number on, as every folder does: "g" gets 5, not 4.
TEST_F(RenameTest, AFolderThatBlocksANameIsLeftAlone) {
  makeDir("a");
  makeDir("b");
  makeDir("f1");
  makeDir("g");
  makeFile("f1/keep.txt", "K");
  RenameRunOptions options = sequenceRule("f", "");
  options.mode = RenameMode::Folders;
  EXPECT_EQ(run(options).renamed, 3);
  EXPECT_EQ(namesIn(), (Names{"f1", "f2", "f3", "f5"}));
  EXPECT_EQ(namesIn("f1"), (Names{"keep.txt"}));
  EXPECT_NE(shown().find("\r\n3 {19}{22}"), std::string::npos) << shown();
}

// Numbers follow the folder tree's order (folders made out of name order): breadth-first, each
// folder's subfolders by name. In list order and deepest first (counting down) alike.
TEST_F(RenameTest, FolderNumbersFollowTheTreesNameOrder) {
  Names top, inCharlie;
  for (std::size_t i = 0; i < kOrderedNames.size(); ++i) {
    top.push_back(kOrderedNames[i] + "_" + std::to_string(i + 1));
    inCharlie.push_back(kOrderedNames[i] + "_" + std::to_string(i + 13));
  }
  for (const bool restart : {false, true}) {
    const std::string rel = restart ? "deepest" : "listed";
    makeDirsOutOfOrder(rel);
    makeDirsOutOfOrder(rel + "/Charlie");
    RenameRunOptions options = sequenceRule("<oldFolderName>_", "");
    options.mode = RenameMode::Folders;
    options.restart = restart;
    options.withSubfolders = true;
    options.folder = root_ + rel + "/";
    EXPECT_EQ(run(options).renamed, 24);
    EXPECT_EQ(namesIn(rel), top) << rel;
    EXPECT_EQ(namesIn(rel + "/Charlie_3"), inCharlie) << rel;
  }
}

// Files numbered on across folders: the start folder first, then its subfolders by name.
TEST_F(RenameTest, FileNumbersGoOnAcrossFoldersInTheTreesNameOrder) {
  makeDirsOutOfOrder();
  makeFile("f.txt", "");
  for (const std::string& n : kOrderedNames) makeFile(n + "/f.txt", "");
  RenameRunOptions options = sequenceRule("<oldFolderName>_", ".txt");
  options.withSubfolders = true;
  EXPECT_EQ(run(options).renamed, 13);
  EXPECT_EQ(namesIn(), (Names{"Alpha", "Bravo", "Charlie", "Delta", "Echo", "Foxtrot", "Golf", "Hotel", "India",
                              "Juliett", "Kilo", "Lima", "root_1.txt"}));
  for (std::size_t i = 0; i < kOrderedNames.size(); ++i)
    EXPECT_EQ(namesIn(kOrderedNames[i]), Names{kOrderedNames[i] + "_" + std::to_string(i + 2) + ".txt"});
}

// A journal that cannot be written: the user is asked; No ends the run, Yes goes on without it.
TEST_F(RenameTest, AJournalThatCannotBeWrittenIsAskedAbout) {
  for (const core::RespondAnswer answer : {core::kAnswerNo, core::kAnswerYes}) {
    std::filesystem::remove_all(root_);
    makeDir("");
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) makeFile(name, "");
    state_.state().appPath = base_ + "not-a-folder/";
    std::ofstream(base_ + "not-a-folder") << "x";
    host_.questions.clear();
    host_.answers = {answer};
    const RenameRunResult r = run(sequenceRule("n", ".txt"));
    ASSERT_EQ(host_.questions.size(), 1u);
    EXPECT_EQ(host_.questions[0].message, "{18}");
    EXPECT_EQ(r.renamed, answer == core::kAnswerNo ? 1 : 3);
    EXPECT_EQ(r.end, answer == core::kAnswerNo ? core::RunEnd::Stopped : core::RunEnd::Completed);
    EXPECT_EQ(r.journalSlot, 0);
  }
}

// Cancel ends the run wherever it comes; the journal then holds exactly the renames done, the
// last one last, and its header counts them.
TEST_F(RenameTest, CancelEndsTheRunAndTheJournalHoldsWhatWasDone) {
  for (int i = 0; i < 100; ++i) makeFile("f" + std::to_string(1000 + i) + ".txt", "");
  host_.cancelAfterYields(1);
  const RenameRunResult r = run(sequenceRule("g", ".txt", 1, 3));
  EXPECT_EQ(r.end, core::RunEnd::Cancelled);
  ASSERT_GT(r.renamed, 0);
  ASSERT_LT(r.renamed, 100);
  const std::string last = std::to_string(r.renamed);
  core::JournalReader journal(core::kRenameJournal, r.journalSlot);
  EXPECT_EQ(journal.headerCount(), static_cast<std::uint64_t>(r.renamed));
  const std::string to = root_ + "g" + std::string(3 - std::min<std::size_t>(3, last.size()), '0') + last + ".txt";
  EXPECT_EQ(journal.previous(), (core::JournalRecord{.from = root_ + "f" + std::to_string(999 + r.renamed) + ".txt",
                                                     .to = to, .identity = platform::fileStatus(to, false).identity}));
  EXPECT_TRUE(std::filesystem::exists(root_ + "f" + std::to_string(1000 + r.renamed) + ".txt")) << "not reached";
}

}  // namespace
}  // namespace tools::ren::testing
