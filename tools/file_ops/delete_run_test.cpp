// The delete tool's Start and its delete and recycle runs: what is checked and asked before
// anything happens, what each mode removes, and what it keeps.
#include "tools/file_ops/delete_run.h"

#include "platform/fault_test_support.h"
#include "tools/file_ops/delete_test_support.h"

#include <gtest/gtest.h>

#include <fstream>

namespace tools::file_ops {
namespace {

namespace fs = std::filesystem;
using testing::DeleteTest;

class DeleteRun : public DeleteTest {};

TEST_F(DeleteRun, DeleteRemovesWhatTheFiltersSelectWithItsSubfoldersAndSumsItUp) {
  makeFile("a.txt", std::string(1000, 'a'));
  makeFile("not-listed.txt", "the main window's filters left it out");
  makeDir("sub");
  makeFile("sub/b.txt", "bb");
  const std::string ro = makeFile("ro.txt", "read-only is not locked");
  ASSERT_EQ(::chmod(ro.c_str(), 0444), 0);
  // A link goes, the file it names stays.
  std::ofstream(base_ + "target.dat") << "kept";
  fs::create_symlink(base_ + "target.dat", root_ + "link.txt");
  host_.realListing = false;
  host_.fakeFolders[root_] = {{.name = "a.txt"}, {.name = "link.txt"}, {.name = "ro.txt"}};
  host_.fakeFolders[root_ + "sub/"] = {{.name = "b.txt"}};
  host_.mainFolder = root_ + "sub/";  // the folder the run is given wins over the main window's

  const DeleteOutcome out = deleteStart(pipe_, form_, {.folder = root_, .withSubfolders = true, .pattern = "*.txt"}, msg_);
  ASSERT_TRUE(out.started);
  ASSERT_EQ(host_.questions.size(), 1u);
  EXPECT_EQ(host_.questions[0].message, "[3]");
  EXPECT_EQ(host_.questions[0].style, "");
  EXPECT_EQ(namesIn(root_), (std::vector<std::string>{"not-listed.txt", "sub"}));
  EXPECT_EQ(readAll(base_ + "target.dat"), "kept");
  EXPECT_EQ(out.tally.removed, 4);
  EXPECT_EQ(out.tally.folders, 2u);
  // Nothing is overwritten by deleting: the summary does not say "overwritten 0".
  EXPECT_NE(report().find("[22]*.txt[24]2[25]\r\n[26]0.1 MB\r\n[26]4[27]\r\n[21]"), std::string::npos) << report();
  EXPECT_EQ(host_.refreshes, (std::vector<core::RefreshMode>{core::RefreshMode::ListOnly}));
}

// Deleting takes only the folder's permission: the user's own unreadable and write-only files go,
// and a link goes as itself, counting its own few bytes, not the 5 GiB it leads to. As an
// ordinary user: root reads anything.
TEST_F(DeleteRun, FilesGoWhateverTheyAllowAndALinkCountsItsOwnSize) {
  ASSERT_EQ(::chmod(makeFile("none.txt", "0000").c_str(), 0000), 0);
  ASSERT_EQ(::chmod(makeFile("write-only.txt", "0200").c_str(), 0200), 0);
  const std::string big = base_ + "big.dat";
  std::ofstream(big) << "";
  fs::resize_file(big, std::uintmax_t{5} << 30);  // sparse: takes no room
  fs::create_symlink(big, root_ + "link.txt");
  host_.realListing = false;  // the main window lists a link as a file; the test host lists no links
  host_.fakeFolders[root_] = {{.name = "link.txt"}, {.name = "none.txt"}, {.name = "write-only.txt"}};
  const platform::testing::ChildOutcome child = platform::testing::runInChild([&]() -> std::string {
    if (std::string why = platform::testing::becomeOrdinaryUser(base_); !why.empty()) return "skip " + why;
    const DeleteOutcome out = deleteStart(pipe_, form_, {.folder = root_}, msg_);
    return std::to_string(out.tally.removed) + " " + std::to_string(out.tally.bytesRemoved);
  });
  ASSERT_TRUE(child.exited);
  if (child.report.rfind("skip ", 0) == 0) GTEST_SKIP() << child.report;
  EXPECT_EQ(child.report, "3 " + std::to_string(8 + big.size()));
  EXPECT_TRUE(namesIn(root_).empty());
  EXPECT_EQ(fs::file_size(big), std::uintmax_t{5} << 30);
}

// Hidden files included: a trashed or deleted file's line of ".hidden" goes with it, and
// ".hidden" itself is never removed by the tool.
TEST_F(DeleteRun, RemovedFilesLeaveNoHiddenLineAndTheListStays) {
  for (const DeleteMode mode : {DeleteMode::Recycle, DeleteMode::Delete}) {
    makeFile(".hidden", "secret\nother\n");
    makeFile("secret", "s");
    host_.listHidden = true;
    const DeleteOutcome out = deleteStart(pipe_, form_, {.mode = mode, .folder = root_, .withHidden = true}, msg_);
    EXPECT_EQ(out.tally.removed, 1) << report();
    EXPECT_EQ(namesIn(root_), (std::vector<std::string>{".hidden"}));
    EXPECT_EQ(readAll(root_ + ".hidden"), "other\n");
  }
  EXPECT_EQ(readAll(base_ + "env/XDG_DATA_HOME/Trash/files/secret"), "s");
}

TEST_F(DeleteRun, NothingHappensWithoutAYesOrOnAFolderThatCannotBeWritten) {
  const std::string file = makeFile("a.txt", "a");
  host_.answers = {core::kAnswerNo};
  EXPECT_FALSE(deleteStart(pipe_, form_, {.folder = root_}, msg_).started);
  EXPECT_TRUE(fs::exists(file));
  EXPECT_TRUE(host_.results.empty());

  host_.questions.clear();
  EXPECT_FALSE(deleteStart(pipe_, form_, {.folder = root_ + "missing/"}, msg_).started);
  ASSERT_EQ(host_.questions.size(), 1u);
  EXPECT_EQ(host_.questions[0].message.rfind("{96}", 0), 0u) << "checkFolderWritable's notice, no question";
  EXPECT_TRUE(host_.results.empty());
}

TEST_F(DeleteRun, RecycleMovesToTheTrashWhateverTheSettingsSay) {
  core::saveSet("sendDeleted", "1");  // "delete for good": not for this mode
  const std::string file = makeFile("a.txt", "to the trash");
  const DeleteOutcome out = deleteStart(pipe_, form_, {.mode = DeleteMode::Recycle, .folder = root_}, msg_);
  ASSERT_TRUE(out.started);
  EXPECT_EQ(host_.questions.at(0).message, "[28]");
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(readAll(base_ + "env/XDG_DATA_HOME/Trash/files/a.txt"), "to the trash");
  EXPECT_EQ(out.tally.removed, 1);
}

TEST_F(DeleteRun, RecycleKeepsAFileTheTrashCannotTakeAndSaysSo) {
  const std::string file = makeFile("a.txt", "stays");
  fs::create_directories(base_ + "env/XDG_DATA_HOME");
  std::ofstream(base_ + "env/XDG_DATA_HOME/Trash") << "a file where the trash folder would be";
  const DeleteOutcome out = deleteStart(pipe_, form_, {.mode = DeleteMode::Recycle, .folder = root_}, msg_);
  ASSERT_TRUE(out.started);
  EXPECT_EQ(readAll(file), "stays");
  EXPECT_EQ(out.tally.removed, 0);
  EXPECT_NE(report().find("{79}{80}" + file + " [37]"), std::string::npos) << report();
}

TEST_F(DeleteRun, RecycleStopsOnADriveWithoutTrashBeforeAnythingStarts) {
  const std::string file = makeFile("a.txt", "a");
  pipe_.setMountProbe({.isFixedDrive = [](const std::string&) { return false; },
                       .mountPoint = [](const std::string&) { return std::string("/media/stick/"); }});
  EXPECT_FALSE(deleteStart(pipe_, form_, {.mode = DeleteMode::Recycle, .folder = root_}, msg_).started);
  ASSERT_EQ(host_.questions.size(), 2u);
  EXPECT_EQ(host_.questions[1].message, "{112}/media/stick/");
  EXPECT_EQ(host_.questions[1].style, "O");
  EXPECT_EQ(host_.questions[1].title, "N");
  EXPECT_TRUE(fs::exists(file));
  EXPECT_TRUE(host_.results.empty());
  EXPECT_FALSE(host_.progressShown);

  // Delete mode does not care where the files are.
  host_.questions.clear();
  EXPECT_TRUE(deleteStart(pipe_, form_, {.mode = DeleteMode::Delete, .folder = root_}, msg_).started);
  EXPECT_FALSE(fs::exists(file));
}

TEST_F(DeleteRun, CancelIsSeenEveryElevenFiles) {
  for (int i = 0; i < 30; ++i) makeFile("f" + std::to_string(100 + i), "x");
  testing::WatchingHost watch;
  watch.realListing = true;
  watch.mainFolder = root_;
  core::Pipeline pipe(watch);
  // Cancel is pressed while the first file goes; the run looks at it only after the eleventh.
  watch.onYield = [&] {
    if (namesIn(root_).size() < 30) watch.cancel = core::CancelState::Cancelled;
  };
  const DeleteOutcome out = deleteStart(pipe, form_, {.folder = root_}, msg_);
  EXPECT_EQ(out.end, core::RunEnd::Cancelled);
  EXPECT_EQ(out.tally.removed, 11);
  EXPECT_EQ(namesIn(root_).size(), 19u);
}

TEST(DeleteSummary, MegabytesAreTenthsOf102400BytesRoundedUp) {
  const std::vector<std::pair<std::uint64_t, std::string>> rows = {
      {0, "0"}, {1, "0.1"}, {102400, "0.1"}, {102401, "0.2"}, {1024000, "1"}, {1048576, "1.1"}, {10240000000ULL, "10000"}};
  for (const auto& [bytes, text] : rows) EXPECT_EQ(megabytesText(bytes), text) << bytes;
}

}  // namespace
}  // namespace tools::file_ops
