#include "tools/renaming/rename_journal.h"

#include "core/settings.h"
#include "core/shown_dates.h"
#include "core/state.h"
#include "core/file_content.h"
#include "core/slot_ring.h"
#include "platform/fault_test_support.h"
#include "platform/fs.h"
#include "tools/renaming/rename_test_support.h"

#include <QDate>

#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

extern char** environ;

namespace tools::ren::testing {
namespace {

using Names = std::vector<std::string>;

const core::SlotRing kRing(core::kRenameJournal.ring);
const Names kHostile = {"a<RC>.txt", "<CS1;9>", "star*?.txt", "line\nbreak.txt", "bad\xFF\xFE.txt", "100%.txt",
                        "%2A.txt", "tab\there.txt"};

// The test program run again as a second process with only the test named by filter, and its
// exit code. It inherits this process's environment (the isolated home).
int runSecondProcess(const std::string& filter, const std::string& base) {
  ::setenv("RENAME_SECOND_PROCESS_BASE", base.c_str(), 1);
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  std::string arg = "--gtest_filter=" + filter;
  char* argv[] = {const_cast<char*>(self.c_str()), arg.data(), nullptr};
  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, environ);
  ::unsetenv("RENAME_SECOND_PROCESS_BASE");
  if (spawned != 0) return -1;
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The second process: a fresh program that knows the journal only from the settings and the file.
TEST(SecondProcess, UndoesTheMostRecentBatch) {
  const char* base = std::getenv("RENAME_SECOND_PROCESS_BASE");
  if (!base) GTEST_SKIP() << "runs only as the second process of RenameTest.JournalIsUndoneAfterARestart";
  core::ScopedCoreState state;
  state.state().appPath = std::string(base) + "app/";
  core::setSettingsWord("vardulek");
  core::ScriptedRunHost host;
  host.mainFolder = std::string(base) + "root/";
  core::Pipeline pipe(host);
  std::vector<std::string> texts(40, "m");
  const UndoResult r = undoRename(pipe, nullptr, undoMenuState().current, core::MessageTable(texts));
  EXPECT_EQ(r.start, UndoStart::Undone);
  EXPECT_EQ(r.undone, static_cast<long long>(kHostile.size()));
  EXPECT_EQ(r.journal, core::UndoEnd::Deleted);
}

TEST_F(RenameTest, JournalIsUndoneAfterARestart) {
  for (const std::string& name : kHostile) makeFile(name, name);
  ASSERT_EQ(run({.startRule = "<oldFileNameNoExt>-renamed", .endRule = ".<oldFileExtension>"}).renamed,
            static_cast<long long>(kHostile.size()));
  const std::string journal = kRing.slotPath(kRing.current());
  ASSERT_TRUE(std::filesystem::exists(journal));

  ASSERT_EQ(runSecondProcess("SecondProcess.UndoesTheMostRecentBatch", base_), 0);
  Names expected = kHostile;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(namesIn(), expected);
  for (const std::string& name : kHostile) EXPECT_EQ(readAll(root_ + name), name);
  EXPECT_FALSE(std::filesystem::exists(journal));
  EXPECT_FALSE(undoMenuState().recent);
}

// What cannot be undone stays: a file moved away and an old name taken again fail, the rest is
// undone; the journal then holds the two, counted in its header, and is still the recent batch.
TEST_F(RenameTest, RecordsNotUndoneStayInTheJournal) {
  for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) makeFile(name, name);
  ASSERT_EQ(run({.startRule = "new_<oldFileNameNoExt>", .endRule = ".txt"}).renamed, 4);
  makeDir("away");
  std::filesystem::rename(root_ + "new_b.txt", root_ + "away/b");
  makeFile("c.txt", "a new c");
  const UndoResult r = undoRename(pipe_, form_, kRing.current(), msg_);
  EXPECT_EQ(r.undone, 2);
  EXPECT_EQ(r.kept, 2);
  EXPECT_EQ(r.journal, core::UndoEnd::Kept);
  EXPECT_EQ(namesIn(), (Names{"a.txt", "away", "c.txt", "d.txt", "new_c.txt"}));
  EXPECT_EQ(readAll(root_ + "c.txt"), "a new c");
  EXPECT_NE(shown().find("2{35}"), std::string::npos) << shown();
  EXPECT_EQ(host_.questions.back().message, "{1}" + kRing.captionOf(kRing.slotName(kRing.current())) + "?");

  // Once the way is clear, the rest is undone and the journal goes.
  std::filesystem::remove(root_ + "c.txt");
  std::filesystem::rename(root_ + "away/b", root_ + "new_b.txt");
  std::filesystem::remove(root_ + "away");
  ASSERT_TRUE(undoMenuState().recent);
  const UndoResult again = undoRename(pipe_, form_, kRing.current(), msg_);
  EXPECT_EQ(again.undone, 2);
  EXPECT_EQ(again.journal, core::UndoEnd::Deleted);
  EXPECT_EQ(namesIn(), (Names{"a.txt", "b.txt", "c.txt", "d.txt"}));
  EXPECT_FALSE(undoMenuState().clear);
}

// The journal keeps its English month name; the undo question names the month in the user's
// language.
TEST_F(RenameTest, TheUndoQuestionNamesTheMonthInTheUsersLanguage) {
  makeFile("a.txt", "a");
  ASSERT_EQ(run({.startRule = "b", .endRule = ".txt"}).renamed, 1);
  const std::string caption = kRing.captionOf(kRing.slotName(kRing.current()));
  const QDate today = QDate::currentDate();
  ASSERT_EQ(caption.rfind(core::longDate(today, 0), 0), 0u) << caption;
  core::coreState().langIndex = 1;
  (void)undoRename(pipe_, form_, kRing.current(), msg_);
  core::coreState().langIndex = 0;
  ASSERT_FALSE(host_.questions.empty());
  EXPECT_EQ(host_.questions.back().message, "{1}" + core::shownMonths(caption, 1) + "?");
  EXPECT_NE(host_.questions.back().message.find(core::longDate(today, 1)), std::string::npos);
}

// A journal's record is written before its rename, so a kill can leave a record of a rename that
// never happened; a rename that fails takes its record back. The undo renames only the file the
// record names (by its identity) under its new name: a record whose file still has its old name,
// or whose new name holds another file, is passed over with nothing touched.
TEST_F(RenameTest, ARecordOfARenameThatNeverHappenedIsPassedOver) {
  makeFile("x.txt", "x");
  makeFile("y.txt", "y");
  EXPECT_EQ(run({.startRule = "y", .endRule = ".txt"}).renamed, 0);  // the name is taken
  EXPECT_FALSE(undoMenuState().clear) << "a failed rename leaves no record";

  for (const char* name : {"a.txt", "b.txt", "c.txt", "new_c.txt"}) makeFile(name, name);
  const auto idOf = [&](const char* name) { return platform::fileStatus(root_ + name, false).identity; };
  {
    core::JournalWriter writer(core::kRenameJournal, '1');
    ASSERT_EQ(writer.add({.from = root_ + "a.txt", .to = root_ + "new_a.txt", .identity = idOf("a.txt")}), 0);
    ASSERT_EQ(writer.add({.from = root_ + "b.txt", .to = root_ + "new_b.txt", .identity = idOf("b.txt")}), 0);
    ASSERT_EQ(writer.add({.from = root_ + "c.txt", .to = root_ + "new_c.txt", .identity = idOf("c.txt")}), 0);
  }
  std::filesystem::rename(root_ + "a.txt", root_ + "new_a.txt");  // only the first rename happened
  const UndoResult r = undoRename(pipe_, form_, kRing.current(), msg_);
  EXPECT_EQ(r.undone, 1);
  EXPECT_EQ(r.journal, core::UndoEnd::Deleted);
  EXPECT_EQ(namesIn(), (Names{"a.txt", "b.txt", "c.txt", "new_c.txt", "x.txt", "y.txt"}));
  EXPECT_EQ(readAll(root_ + "new_c.txt"), "new_c.txt");
  EXPECT_EQ(readAll(root_ + "c.txt"), "c.txt");
}

// A journal of many blocks: Cancel during the undo keeps every record not reached, and a second
// undo puts back exactly those, so that in the end every file has its old name again.
TEST_F(RenameTest, ALongJournalCancelledHalfWayIsUndoneLater) {
  constexpr int kFiles = 400;
  for (int i = 0; i < kFiles; ++i) makeFile("file with a rather long name " + std::to_string(1000 + i) + ".txt", "");
  ASSERT_EQ(run({.startRule = "renamed <oldFileNameNoExt>", .endRule = ".txt"}).renamed, kFiles);
  ASSERT_GT(std::filesystem::file_size(kRing.slotPath(kRing.current())), 4u * 8192u);

  host_.cancelAfterYields(2);
  const UndoResult first = undoRename(pipe_, form_, kRing.current(), msg_);
  EXPECT_EQ(first.end, core::RunEnd::Cancelled);
  ASSERT_GT(first.undone, 0);
  ASSERT_LT(first.undone, kFiles);
  EXPECT_EQ(first.undone + first.kept, kFiles);
  // Last rename first: the files undone are the last of the run.
  EXPECT_TRUE(std::filesystem::exists(root_ + "file with a rather long name " + std::to_string(1000 + kFiles - 1) + ".txt"));
  EXPECT_TRUE(std::filesystem::exists(root_ + "renamed file with a rather long name 1000.txt"));

  const UndoResult second = undoRename(pipe_, form_, kRing.current(), msg_);
  EXPECT_EQ(second.undone, first.kept);
  EXPECT_EQ(second.journal, core::UndoEnd::Deleted);
  const Names names = namesIn();
  EXPECT_EQ(names.size(), static_cast<std::size_t>(kFiles));
  EXPECT_TRUE(std::none_of(names.begin(), names.end(), [](const std::string& n) { return n.rfind("renamed", 0) == 0; }));
}

// Folders renamed parents first are put back in the exact reverse order.
TEST_F(RenameTest, AFolderBatchIsUndoneLastRenameFirst) {
  makeDir("A/B/C");
  makeDir("A/D");
  ASSERT_EQ(run({.mode = RenameMode::Folders, .startRule = "x<oldFolderName>", .withSubfolders = true}).renamed, 4);
  EXPECT_EQ(namesIn("xA/xB"), (Names{"xC"}));
  const UndoResult r = undoRename(pipe_, form_, kRing.current(), msg_);
  EXPECT_EQ(r.undone, 4);
  EXPECT_EQ(namesIn(), (Names{"A"}));
  EXPECT_EQ(namesIn("A"), (Names{"B", "D"}));
  EXPECT_EQ(namesIn("A/B"), (Names{"C"}));
  EXPECT_NE(shown().find(root_ + "xA/xB/xC -> C\r\n"), std::string::npos) << shown();
}

TEST_F(RenameTest, AMissingJournalOrANoChangesNothing) {
  makeFile("a.txt", "");
  ASSERT_EQ(run({.startRule = "b", .endRule = ".txt"}).renamed, 1);
  host_.answers = {core::kAnswerNo};
  EXPECT_EQ(undoRename(pipe_, form_, kRing.current(), msg_).start, UndoStart::Declined);
  std::filesystem::remove(kRing.slotPath(kRing.current()));
  host_.questions.clear();
  EXPECT_EQ(undoRename(pipe_, form_, kRing.current(), msg_).start, UndoStart::Missing);
  ASSERT_EQ(host_.questions.size(), 1u);
  EXPECT_EQ(host_.questions[0].message.rfind("{5}" + appPath_, 0), 0u) << host_.questions[0].message;
  EXPECT_EQ(namesIn(), (Names{"b.txt"}));
}

// A journal is untrusted: a record must name two entries of its own folder. Every other record
// gets a line, is dropped, and moves nothing; the good record beside them is undone.
TEST_F(RenameTest, RecordsThatNameNoEntryOfTheirFolderAreRefused) {
  makeDir("d");
  const std::string d = root_ + "d/";
  makeFile("outside.txt", "outside");
  makeFile("d/new.txt", "new");
  makeFile("d/x", "x");
  const std::vector<std::string> refused = {
      d + "*../outside.txt*stolen.txt",  // a "/" in the new name climbs out of the folder
      d + "*x*../stolen.txt",             // ... or in the old one
      d + "*x*sub/stolen.txt",
      d + "*..*stolen.txt",
      d + "*.*stolen.txt",
      "d/*x*stolen.txt",                  // not a whole path
      root_ + "d/../*outside.txt*stolen.txt",
      "*" + root_ + "outside.txt*" + d + "stolen.txt",  // whole paths of two folders
  };
  std::string text = std::string("1*") + std::string(25, ' ') + "?" + d + "*new.txt*old.txt?";
  for (const std::string& r : refused) text += r + "?";
  const std::string name = "RenUndo 01 May 2024 10ZZ00ZZ00.txt";
  ASSERT_EQ(core::OutputFile(appPath_ + name, text), 0);
  core::saveSet("undoren4", name);
  core::saveSet("curundnum", "4");

  const UndoResult r = undoRename(pipe_, form_, 4, msg_);
  EXPECT_EQ(r.undone, 1);
  EXPECT_EQ(namesIn(), (Names{"d", "outside.txt"}));
  EXPECT_EQ(namesIn("d"), (Names{"old.txt", "x"}));
  for (const std::string& line :
       {"{37}" + d + "../outside.txt{17}" + d + "stolen.txt", "{37}" + d + "x{17}" + d + "sub/stolen.txt",
        "{37}" + root_ + "outside.txt{17}" + d + "stolen.txt"})
    EXPECT_NE(shown().find(line), std::string::npos) << line << "\n" << shown();
  EXPECT_EQ(r.journal, core::UndoEnd::Deleted) << "refused records are not kept for another try";
}

// A journal that cannot be read (no read access, a header of another shape) is reported and
// stays, with its slot; nothing is asked or renamed.
TEST_F(RenameTest, AJournalThatCannotBeReadStays) {
  makeFile("b.txt", "");
  ASSERT_EQ(run({.startRule = "c", .endRule = ".txt"}).renamed, 1);
  const int slot = kRing.current();
  const std::string journal = kRing.slotPath(slot);
  std::filesystem::permissions(journal, std::filesystem::perms::none);
  const platform::testing::ChildOutcome child = platform::testing::runInChild([&]() -> std::string {
    if (std::string why = platform::testing::becomeOrdinaryUser(base_); !why.empty()) return "skip " + why;
    host_.questions.clear();
    const UndoResult r = undoRename(pipe_, form_, slot, msg_);
    return std::to_string(static_cast<int>(r.start)) + "|" +
           (host_.questions.empty() ? std::string() : host_.questions[0].message);
  });
  ASSERT_TRUE(child.exited);
  if (child.report.rfind("skip ", 0) == 0) GTEST_SKIP() << child.report;
  EXPECT_EQ(child.report, std::to_string(static_cast<int>(UndoStart::Unreadable)) + "|{36}" + journal);
  std::filesystem::permissions(journal, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  ASSERT_EQ(core::OutputFile(journal, std::string(40, 'x')), 0);  // a header of another shape
  EXPECT_EQ(undoRename(pipe_, form_, slot, msg_).start, UndoStart::Unreadable);
  EXPECT_TRUE(std::filesystem::exists(journal));
  EXPECT_EQ(kRing.slotPath(slot), journal);
  EXPECT_EQ(namesIn(), (Names{"c.txt"}));
}

// The menu lists the other slots whose journal exists; clearing deletes the journals through
// their slots and never a file a slot's value names outside the journals' shape.
TEST_F(RenameTest, TheMenuFollowsTheJournalsAndClearingDeletesThem) {
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) makeFile(name, "");
  ASSERT_EQ(run({.startRule = "1<oldFileNameNoExt>", .endRule = ".txt"}).renamed, 3);
  ASSERT_EQ(run({.startRule = "2<oldFileNameNoExt>", .endRule = ".txt"}).renamed, 3);
  ASSERT_EQ(run({.startRule = "3<oldFileNameNoExt>", .endRule = ".txt"}).renamed, 3);
  // A fresh ring stands at slot 1 and each run takes the next: 2, 3, 4.
  UndoMenuState menu = undoMenuState();
  EXPECT_EQ(menu.current, 4);
  EXPECT_TRUE(menu.recent);
  ASSERT_EQ(menu.history.size(), 2u);
  EXPECT_EQ(menu.history[0].first, 2);
  EXPECT_EQ(menu.history[0].second, kRing.captionOf(kRing.slotName(2)));
  EXPECT_FALSE(menu.history[0].second.empty());

  std::filesystem::remove(kRing.slotPath(2));  // deleted by hand: no longer listed
  const std::string precious = makeFile("precious.txt", "keep");
  core::saveSet("undoren5", "../root/precious.txt");
  menu = undoMenuState();
  ASSERT_EQ(menu.history.size(), 1u);
  EXPECT_EQ(menu.history[0].first, 3);

  clearRenameJournals();
  menu = undoMenuState();
  EXPECT_FALSE(menu.clear);
  EXPECT_EQ(menu.current, 1);
  EXPECT_TRUE(std::filesystem::exists(precious));
  EXPECT_TRUE(std::filesystem::is_empty(appPath_));
}

}  // namespace
}  // namespace tools::ren::testing
