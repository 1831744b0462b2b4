// The finder's run on fixture folders with known groups: each mode's result text and what it did
// to the files, the checks before the run, symbolic links and hard links, a taken target name,
// a move across file systems, many files read side by side, and Cancel during the collection.
#include "tools/file_ops/dupes_run.h"

#include "core/pipeline_test_support.h"
#include "core/settings.h"
#include "platform/file_identity.h"
#include "tools/text/run_report_test_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tools::file_ops {
namespace {

namespace fs = std::filesystem;
using tools::text::testing::messages;
using tools::text::testing::reportedText;

class DupesRunTest : public core::testing::PipelineTest {
 protected:
  void SetUp() override {
    PipelineTest::SetUp();
    core::saveSet("sendDeleted", "1");  // deleted for good: the fixture's trash stays out of it
    pipe_.setMountProbe({.isFixedDrive = [](const std::string&) { return true; }, .mountPoint = {}});
    host_.realListing = true;
  }
  // root: 1.txt, 2.txt, 3.txt (1 and 3 equal), big.bin, empty.txt, link.txt -> 1.txt;
  // sub: 1.txt (as 1.txt), big.bin (as big.bin), hard.txt (a second name of 2.txt).
  void makeGroups() {
    makeFile("1.txt", "abc");
    makeFile("2.txt", "xyz");
    makeFile("3.txt", "abc");
    makeFile("big.bin", std::string(200 * 1024, 'b'));
    makeFile("empty.txt", "");
    ASSERT_EQ(::symlink((root_ + "1.txt").c_str(), (root_ + "link.txt").c_str()), 0);
    makeDir("sub");
    makeFile("sub/1.txt", "abc");
    makeFile("sub/big.bin", std::string(200 * 1024, 'b'));
    ASSERT_EQ(::link((root_ + "2.txt").c_str(), (root_ + "sub/hard.txt").c_str()), 0);
    // The main window lists the link like any entry: the finder must leave it out itself.
    host_.realListing = false;
    host_.fakeFolders[root_] = {{.name = "1.txt"}, {.name = "2.txt"}, {.name = "3.txt"}, {.name = "big.bin"},
                                {.name = "empty.txt"}, {.name = "link.txt"}};
    host_.fakeFolders[root_ + "sub/"] = {{.name = "1.txt"}, {.name = "big.bin"}, {.name = "hard.txt"}};
  }
  DupesStart run(DupesOptions options) { return findDuplicates(pipe_, form_, options, msg_); }
  static bool exists(const std::string& path) { return platform::linkStatus(path).type != platform::FileType::Missing; }

  const core::MessageTable msg_ = messages(22, {{9, "Empty:\r\n"}, {11, "Dupes:\r\n"}, {12, "Deleted: "},
                                                {13, "Not copied: "}, {14, "Copied: "}, {15, "Not moved: "},
                                                {16, "Moved: "}, {21, "Changed: "}});
};

TEST_F(DupesRunTest, ListsGroupsBySizeThenContentsKeepingTheFirst) {
  makeGroups();
  const std::string unused = base_ + "unused";  // listing neither checks nor makes a target folder
  EXPECT_EQ(run({.mode = DupesMode::ListByContents, .withSubfolders = true, .targetFolder = unused}), DupesStart::Ran);
  EXPECT_FALSE(exists(unused));
  const std::string in = "     ";
  EXPECT_EQ(reportedText(host_),
            "Empty:\r\n" + root_ + "empty.txt\r\n\r\n\r\nDupes:\r\n" +
            root_ + "1.txt\r\n" + in + root_ + "3.txt\r\n" + in + root_ + "sub/1.txt\r\n\r\n" +
            root_ + "big.bin\r\n" + in + root_ + "sub/big.bin\r\n\r\n\t");
  ASSERT_EQ(host_.questions.size(), 1U);  // the subfolders warning only
  EXPECT_EQ(host_.questions[0].message, "[6]\r\n\r\n");
}

TEST_F(DupesRunTest, DeleteRemovesOnlyTheDuplicatesAfterTheWarning) {
  makeGroups();
  EXPECT_EQ(run({.mode = DupesMode::DeleteByContents, .withSubfolders = true}), DupesStart::Ran);
  ASSERT_FALSE(host_.questions.empty());
  EXPECT_EQ(host_.questions.back().message, "[7][6]\r\n\r\n");
  for (const char* gone : {"3.txt", "sub/1.txt", "sub/big.bin"}) EXPECT_FALSE(exists(root_ + gone)) << gone;
  for (const char* kept : {"1.txt", "2.txt", "big.bin", "empty.txt", "link.txt", "sub/hard.txt"}) {
    EXPECT_TRUE(exists(root_ + kept)) << kept;
  }
  EXPECT_NE(reportedText(host_).find(root_ + "1.txt\r\n     Deleted: " + root_ + "3.txt\r\n"), std::string::npos);
}

// The copy kept is the first in the folder tree's order (folders made out of name order, the
// copies in reverse), and the others follow in that order.
TEST_F(DupesRunTest, TheCopyKeptIsTheFirstInTheTreesNameOrder) {
  makeDirsOutOfOrder();
  for (const char* folder : {"Kilo", "Charlie", "Alpha"}) makeFile(std::string(folder) + "/same.txt", "abc");
  EXPECT_EQ(run({.mode = DupesMode::DeleteByContents, .withSubfolders = true}), DupesStart::Ran);
  EXPECT_TRUE(exists(root_ + "Alpha/same.txt"));
  EXPECT_FALSE(exists(root_ + "Charlie/same.txt"));
  EXPECT_FALSE(exists(root_ + "Kilo/same.txt"));
  EXPECT_NE(reportedText(host_).find(root_ + "Alpha/same.txt\r\n     Deleted: " + root_ +
                                     "Charlie/same.txt\r\n     Deleted: " + root_ + "Kilo/same.txt\r\n"),
            std::string::npos)
      << reportedText(host_);
}

// Enough files of one size for several reader threads, in several folders: the groups and their
// order are those of the listing, whoever read which file.
TEST_F(DupesRunTest, ManyFilesReadSideBySideAreListedInTheListingsOrder) {
  const std::vector<std::string> folders = {"a/", "b/", "c/", "d/", "d/e/"};
  for (const std::string& folder : folders) {
    makeDir(folder);
    for (int i = 1; i <= 9; ++i) makeFile(folder + "x" + std::to_string(i) + ".txt", "contents " + std::to_string(i % 3));
  }
  EXPECT_EQ(run({.mode = DupesMode::ListByContents, .withSubfolders = true}), DupesStart::Ran);
  std::string want = "Empty:\r\n\r\n\r\nDupes:\r\n";
  for (int first = 1; first <= 3; ++first) {
    want += root_ + "a/x" + std::to_string(first) + ".txt\r\n";
    for (const std::string& folder : folders) {
      for (int i = first; i <= 9; i += 3) {
        if (folder != "a/" || i != first) want += "     " + root_ + folder + "x" + std::to_string(i) + ".txt\r\n";
      }
    }
    want += "\r\n";
  }
  EXPECT_EQ(reportedText(host_), want + "\t");
}

TEST_F(DupesRunTest, RefusalsBeforeTheRunTouchNothing) {
  makeGroups();
  host_.answers = {core::kAnswerNo};  // the warning declined
  EXPECT_EQ(run({.mode = DupesMode::DeleteByContents}), DupesStart::Refused);
  EXPECT_TRUE(exists(root_ + "3.txt"));

  EXPECT_EQ(run({.mode = DupesMode::ListByName}), DupesStart::Refused);  // names need subfolders
  EXPECT_EQ(host_.questions.back().message, "[18]");

  for (const std::string target : {"", "relative/folder"}) {
    EXPECT_EQ(run({.mode = DupesMode::CopyByContents, .targetFolder = target}), DupesStart::Refused) << target;
    EXPECT_EQ(host_.questions.back().message, "[5]" + core::AddSlash(target));
  }
  EXPECT_FALSE(exists(root_ + "relative"));
  EXPECT_TRUE(host_.results.empty());
}

TEST_F(DupesRunTest, CopiesTakeTheNextFreeNumberedNameInACreatedFolder) {
  makeFile("report.txt", "r");
  makeDir("a");
  makeFile("a/report.txt", "r");
  makeDir("a/b");  // one folder inside the other: the walk's order is then fixed
  makeFile("a/b/report.txt", "r");
  const std::string target = base_ + "out/new";
  fs::create_directories(base_ + "out");
  std::ofstream(base_ + "out/keep.txt") << "x";
  EXPECT_EQ(run({.mode = DupesMode::CopyByContents, .withSubfolders = true, .targetFolder = target}), DupesStart::Ran);
  const std::string t = target + "/";
  EXPECT_EQ(readAll(t + "report.txt"), "r");
  EXPECT_EQ(readAll(t + "report1.txt"), "r");
  for (const char* source : {"report.txt", "a/report.txt", "a/b/report.txt"}) EXPECT_TRUE(exists(root_ + source));
  EXPECT_FALSE(exists(t + "report2.txt"));  // the kept file is never copied
  EXPECT_NE(reportedText(host_).find("     Copied: " + root_ + "a/b/report.txt -> " + t + "report1.txt\r\n"),
            std::string::npos)
      << reportedText(host_);
}

TEST_F(DupesRunTest, MovesWithinOneFileSystemRenameAndNeverReplace) {
  makeFile("x.txt", "same");
  makeDir("sub");
  makeFile("sub/x.txt", "same");
  const std::string target = base_ + "moved/";
  fs::create_directories(target);
  std::ofstream(target + "x.txt") << "someone else's";
  EXPECT_EQ(run({.mode = DupesMode::MoveByContents, .withSubfolders = true, .targetFolder = target}), DupesStart::Ran);
  EXPECT_TRUE(exists(root_ + "x.txt"));
  EXPECT_FALSE(exists(root_ + "sub/x.txt"));
  EXPECT_EQ(readAll(target + "x.txt"), "someone else's");
  EXPECT_EQ(readAll(target + "x1.txt"), "same");
}

// A rename, not a copy: the moved duplicate keeps its inode (and so its hard links) and its
// modified time.
TEST_F(DupesRunTest, AMoveWithinOneFileSystemKeepsTheFileItself) {
  makeFile("y.txt", "twin");
  makeDir("sub");
  const std::string copy = makeFile("sub/y.txt", "twin");
  const struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, copy.c_str(), old, 0), 0);
  struct stat before {};
  ASSERT_EQ(::stat(copy.c_str(), &before), 0);
  const std::string target = base_ + "moved/";
  fs::create_directories(target);
  EXPECT_EQ(run({.mode = DupesMode::MoveByContents, .withSubfolders = true, .targetFolder = target}), DupesStart::Ran);
  struct stat after {};
  ASSERT_EQ(::stat((target + "y.txt").c_str(), &after), 0) << reportedText(host_);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_mtim.tv_sec, 1000000000);
}

// A moved duplicate keeps its Hidden flag. Two folders' equal ".hidden" files are no duplicates,
// even where a list hands them over.
TEST_F(DupesRunTest, AMovedDuplicateStaysHiddenAndHiddenListsAreNoDuplicates) {
  makeFile(".hidden", "y.txt\nz\n");
  makeFile("y.txt", "twin");
  makeDir("sub");
  makeFile("sub/.hidden", "y.txt\nz\n");
  makeFile("sub/y.txt", "twin");
  host_.realListing = false;
  host_.fakeFolders[root_] = {{.name = ".hidden", .size = 8}, {.name = "y.txt", .size = 4}};
  host_.fakeFolders[root_ + "sub/"] = {{.name = ".hidden", .size = 8}, {.name = "y.txt", .size = 4}};
  const std::string target = base_ + "moved/";
  fs::create_directories(target);
  EXPECT_EQ(run({.mode = DupesMode::MoveByContents, .withSubfolders = true, .withHidden = true, .targetFolder = target}),
            DupesStart::Ran);
  EXPECT_EQ(readAll(target + "y.txt"), "twin") << reportedText(host_);
  EXPECT_EQ(readAll(target + ".hidden"), "y.txt\n");
  EXPECT_EQ(readAll(root_ + "sub/.hidden"), "z\n");
  EXPECT_EQ(readAll(root_ + ".hidden"), "y.txt\nz\n");
}

TEST_F(DupesRunTest, MovesAcrossFileSystemsCopyThenDelete) {
  const std::string shm = "/dev/shm";
  if (!fs::is_directory(shm) || platform::linkStatus(shm).identity.device == platform::linkStatus(root_).identity.device) {
    GTEST_SKIP() << "no second file system at " << shm;
  }
  QTemporaryDir elsewhere(QString::fromStdString(shm + "/dupes-XXXXXX"));
  ASSERT_TRUE(elsewhere.isValid());
  const std::string target = elsewhere.path().toStdString() + "/";
  const std::string data(1500 * 1024, 'm');  // more than one piece of the chunked copy
  makeFile("m.bin", data);
  makeDir("sub");
  makeFile("sub/m.bin", data);
  // What mv keeps: the exact permission bits (the umask takes nothing) and the modified time.
  ASSERT_EQ(::chmod((root_ + "sub/m.bin").c_str(), 0664), 0);
  const platform::FileTime old{.sec = 1000000000, .nsec = 0, .known = true};
  ASSERT_EQ(platform::setFileTimes(root_ + "sub/m.bin", &old, &old), 0);
  const mode_t mask = ::umask(077);
  EXPECT_EQ(run({.mode = DupesMode::MoveByContents, .withSubfolders = true, .targetFolder = target}), DupesStart::Ran);
  ::umask(mask);
  EXPECT_TRUE(exists(root_ + "m.bin"));
  EXPECT_FALSE(exists(root_ + "sub/m.bin"));
  EXPECT_EQ(readAll(target + "m.bin"), data);
  struct stat st {};
  ASSERT_EQ(::stat((target + "m.bin").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0664u);
  EXPECT_EQ(platform::fileStatus(target + "m.bin").modified.sec, old.sec);
  EXPECT_NE(reportedText(host_).find("     Moved: " + root_ + "sub/m.bin -> " + target + "m.bin"), std::string::npos);
}

TEST_F(DupesRunTest, NameModesIgnoreCaseAndContents) {
  makeFile("Report.TXT", "one");
  makeDir("sub");
  makeFile("sub/report.txt", "two, longer");
  makeFile("sub/other.txt", "one");
  makeDir("sub/sub2");  // one folder inside the other: the walk's order is then fixed
  makeFile("sub/sub2/REPORT.txt", "");
  makeFile("sub/sub2/Other.txt", "three");
  EXPECT_EQ(run({.mode = DupesMode::ListByName, .withSubfolders = true}), DupesStart::Ran);
  const std::string in = "     ";
  EXPECT_EQ(reportedText(host_), "\r\n\r\nDupes:\r\n" + root_ + "Report.TXT\r\n" + in + root_ + "sub/report.txt\r\n" +
                                     in + root_ + "sub/sub2/REPORT.txt\r\n\r\n" + root_ + "sub/other.txt\r\n" + in +
                                     root_ + "sub/sub2/Other.txt\r\n\r\n\t");

  EXPECT_EQ(run({.mode = DupesMode::DeleteByName, .withSubfolders = true}), DupesStart::Ran);
  EXPECT_EQ(host_.questions.back().message, "[22][6]\r\n\r\n");  // their contents are not compared
  EXPECT_TRUE(exists(root_ + "Report.TXT"));
  EXPECT_TRUE(exists(root_ + "sub/other.txt"));
  for (const char* gone : {"sub/report.txt", "sub/sub2/REPORT.txt", "sub/sub2/Other.txt"}) EXPECT_FALSE(exists(root_ + gone));
}

TEST_F(DupesRunTest, CancelDuringCollectionShowsTheResultsWithoutComparing) {
  makeGroups();
  host_.forcedResults[root_ + "sub/"] = core::kListCancelled;  // Cancel while the second folder is listed
  EXPECT_EQ(run({.mode = DupesMode::DeleteByContents, .withSubfolders = true}), DupesStart::Ran);
  EXPECT_EQ(reportedText(host_), "Empty:\r\n" + root_ + "empty.txt\r\n\t");
  EXPECT_TRUE(exists(root_ + "3.txt"));
}

}  // namespace
}  // namespace tools::file_ops
