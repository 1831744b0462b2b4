// File and path routines on a temporary folder: existence tests, path text helpers, delete,
// rename, temporary names, folder creation, counting, name checks, attributes and locks.
#include "core/file_paths.h"

#include "core/file_content.h"
#include "core/file_test_fixture.h"
#include "platform/file_attributes.h"

#include <cctype>
#include <filesystem>

namespace core {
namespace {

namespace fs = std::filesystem;
using Paths = core::testing::FileFixture;

TEST_F(Paths, FileExistAndPathExist) {
  const std::string file = make("a.txt", "x");
  fs::create_directory(path("sub"));
  fs::create_symlink(path("gone"), path("dangling"));
  struct Row {
    std::string p;
    int file, folder;
  };
  const std::vector<Row> rows = {
      {file, 1, 0},
      {path("sub"), 1, 1},
      {path("sub/"), 1, 1},
      {"/", 1, 1},
      {path("*.txt"), 0, 0},     // a pattern is no entry
      {"w/a.txt", 0, 0},         // relative
      {"", 0, 0},
      {path("missing"), 0, 0},
      {file + "/", 0, 0},        // a file is no folder
      {path("dangling"), 1, 0},  // the link itself exists
  };
  for (const Row& r : rows) {
    EXPECT_EQ(FileExist(r.p), r.file) << r.p;
    EXPECT_EQ(PathExist(r.p), r.folder) << r.p;
  }
}

TEST(PathText, SlashAndLastPartHelpers) {
  EXPECT_EQ(AddSlash("/a/b"), "/a/b/");
  EXPECT_EQ(AddSlash("/a//"), "/a//");  // only a missing slash is added
  EXPECT_EQ(AddSlash(""), "/");
  EXPECT_EQ(RetAftLast("/", "/a/b.txt"), "b.txt");
  EXPECT_EQ(RetAftLast("/", "/a/"), "");
  EXPECT_EQ(RetAftLast("/", "plain"), "");
  EXPECT_EQ(RetBefLast("/", "/a/b.txt"), "/a/");
  EXPECT_EQ(RetBefLast("/", "plain"), "plain/");
  EXPECT_EQ(RetBefLast("ab", "xxabyyabzz"), "xxabyya");  // up to the separator's first character
  EXPECT_EQ(RetDos("/a/b/c.txt", 1), "c.txt");
  EXPECT_EQ(RetDos("/a/b/", 1), "b");
  EXPECT_EQ(RetDos("/a/b", 0), "/a/b/");
  EXPECT_EQ(RetDosAPI("/a/long name.text"), "/a/long name.text");
  EXPECT_EQ(makeDosName("/a/long name.text", 1), "long name.text");
}

TEST_F(Paths, KillFileDeletesFilesOnlyAndForgetsTheHiddenEntry) {
  const std::string file = make("f", "x");
  ASSERT_EQ(SetAtt(file, kAttrHidden | kAttrReadOnly), 0);
  EXPECT_EQ(KillFile(file), 0);
  EXPECT_FALSE(fs::exists(file));
  EXPECT_FALSE(fs::exists(path(".hidden")));
  EXPECT_EQ(KillFile(file), 53);
  EXPECT_EQ(KillFile(path("nofolder/f")), 76);
  fs::create_directory(path("sub"));
  EXPECT_NE(KillFile(path("sub")), 0);
  EXPECT_TRUE(fs::exists(path("sub")));
  const std::string target = make("t", "keep");
  fs::create_symlink(target, path("link"));
  EXPECT_EQ(KillFile(path("link")), 0);
  EXPECT_EQ(slurp(target), "keep");
}

TEST_F(Paths, RenameNeverReplaces) {
  const std::string a = make("a", "A"), b = make("b", "B");
  EXPECT_EQ(Rename(a, b), 58);
  EXPECT_EQ(slurp(a), "A");
  EXPECT_EQ(slurp(b), "B");
  EXPECT_EQ(Rename(a, a), 58);
  EXPECT_EQ(Rename(a, path("c")), 0);
  EXPECT_EQ(slurp(path("c")), "A");
  EXPECT_EQ(Rename(path("missing"), path("d")), 53);
  fs::create_directory(path("dir"));
  EXPECT_EQ(Rename(path("dir/"), path("dir2/")), 0);
  EXPECT_TRUE(fs::is_directory(path("dir2")));
}

TEST_F(Paths, TmpFileNameCreatesExclusivelyWithAsciiNames) {
  const std::string first = TmpFileName(root_ + "/w");
  EXPECT_EQ(first, path("TempFile"));
  EXPECT_TRUE(fs::exists(first));
  const std::string second = TmpFileName(dir_);
  ASSERT_EQ(second.size(), path("_TmpFi").size() + 2);
  EXPECT_EQ(second.substr(0, path("_TmpFi").size()), path("_TmpFi"));
  for (char c : second.substr(second.size() - 2)) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c)));
  EXPECT_TRUE(fs::exists(second));
  EXPECT_EQ(TmpFileName(path("missing")), "");
  EXPECT_EQ(TmpFileName(make("file", "x")), "");  // a file is no folder: fails at once
}

TEST_F(Paths, TmpFileNameFindsANameWhenEveryShortOneIsTaken) {
  static constexpr std::string_view kChars = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  fs::create_directory(path("full"));
  make("full/TempFile", "");
  for (char a : kChars)
    for (char b : kChars) make(std::string("full/_TmpFi") + a + b, "");
  const std::string name = TmpFileName(path("full"));
  ASSERT_GT(name.size(), path("full/_TmpFi").size() + 2);
  EXPECT_EQ(name.substr(0, path("full/_TmpFi").size()), path("full/_TmpFi"));
  EXPECT_TRUE(fs::is_regular_file(name));
  EXPECT_EQ(fs::file_size(name), 0u);
}

TEST_F(Paths, MakeDirCreatesEveryMissingFolderAndReportsErrors) {
  std::string p = path("x/y/z");
  EXPECT_EQ(MakeDir(p), 0);
  EXPECT_EQ(p, path("x/y/z/"));
  EXPECT_TRUE(fs::is_directory(path("x/y/z")));
  EXPECT_EQ(MakeDir(p), 0);  // already there

  make("file", "x");
  std::string blocked = path("file/sub");
  EXPECT_NE(MakeDir(blocked), 0);
  std::string blockedLast = path("file");
  EXPECT_NE(MakeDir(blockedLast), 0);
}

TEST_F(Paths, GetNumFilesCountsMatchingEntries) {
  make("a.txt", "");
  make("b.txt", "");
  make(".h.txt", "");
  make("c.doc", "");
  fs::create_directory(path("d.txt"));
  struct Row {
    int folders;
    std::string pattern;
    int count;
  };
  for (const Row& r : std::vector<Row>{{0, "*", 4},
                                       {1, "*", 7},  // the folder, "." and ".." too
                                       {0, "*.txt", 3},
                                       {1, "*.txt", 4},
                                       {0, "?.txt", 2},
                                       {0, "*.TXT", 0},  // names compare exactly
                                       {0, "", 0}}) {
    EXPECT_EQ(GetNumFiles(root_ + "/w", r.folders, r.pattern), r.count) << r.pattern << " " << r.folders;
  }
  EXPECT_EQ(GetNumFiles(path("missing"), 1, "*"), 0);
}

TEST(NameChecks, ChkFileNameAndRemInvalid) {
  EXPECT_EQ(ChkFileName(std::string(256, 'a')), 2);
  EXPECT_EQ(ChkFileName(std::string(255, 'a')), 0);
  EXPECT_EQ(ChkFileName("a:b"), 1);
  EXPECT_EQ(ChkFileName("a\r\nb"), 1);
  EXPECT_EQ(ChkFileName("a\nb"), 1);
  EXPECT_EQ(ChkFileName("report 2024.txt"), 0);
  EXPECT_EQ(RemInvalid("a/b\\c|d:e*f?g<h>i\"j"), "abcdefghij");
  EXPECT_EQ(RemInvalid("a-b_c", "-_"), "abc");
}

TEST_F(Paths, GetDesktopIsTheXdgDesktopWhenItExists) {
  EXPECT_EQ(GetDesktop(), "A_Err");
  fs::create_directory(root_ + "/home/Desktop");
  EXPECT_EQ(GetDesktop(), root_ + "/home/Desktop/");
}

TEST_F(Paths, FreeSpaceIsInBytes) {
  const double free = FreeSpace(dir_);
  EXPECT_GT(free, 1024.0 * 1024.0);
  EXPECT_GT(FreeSpace(path("not/yet/made.txt")), 0);  // the volume of its nearest folder
  EXPECT_EQ(FreeSpace("relative"), -1);
}

TEST_F(Paths, IsLockedAsksForTheNeededAccessAndNeverOpensAFifo) {
  const std::string file = make("f", "x");
  EXPECT_EQ(IsLocked(file), 0);
  EXPECT_EQ(IsLocked(path("missing"), Access::Read), 1);
  EXPECT_EQ(IsLocked(fifo("pipe"), Access::Read), 1);  // returns at once: never opened
  EXPECT_EQ(IsLocked(dir_, Access::Read), 1);
  fs::permissions(file, fs::perms::owner_read);
  EXPECT_EQ(IsLocked(file, Access::Read), 0);
  if (::geteuid() != 0) {
    EXPECT_EQ(IsLocked(file, Access::Write), 1);
  }
}

TEST_F(Paths, AttributesMapOntoTheFileSystem) {
  const std::string file = make("f", "x");
  EXPECT_EQ(GetAtt(file), 0);
  EXPECT_EQ(GetAtt(dir_), kAttrFolder);
  EXPECT_EQ(GetAtt(fifo("pipe")), kAttrSystem);
  EXPECT_EQ(GetAtt(make(".dot", "")), kAttrHidden);
  EXPECT_EQ(GetAtt(path("missing")), 0);

  EXPECT_EQ(SetAtt(file, kAttrReadOnly | kAttrHidden), 0);
  EXPECT_EQ(GetAtt(file), kAttrReadOnly | kAttrHidden);
  EXPECT_EQ(mode(file) & 0222, 0u);
  EXPECT_EQ(slurp(path(".hidden")), "f\n");
  EXPECT_EQ(SetAtt(file, 0), 0);
  EXPECT_EQ(GetAtt(file), 0);
  EXPECT_TRUE(fs::exists(file));  // never renamed

  EXPECT_EQ(SetAtt(path(".dot"), 0), 1);  // a dot-name stays hidden, and that is reported
  EXPECT_TRUE(fs::exists(path(".dot")));
  EXPECT_EQ(SetAtt(file, kAttrSystem), 1);  // a regular file cannot become a system file
  EXPECT_EQ(SetAtt(path("missing"), 0), 1);

  if (platform::readAttributes(file).archiveSupported) {
    EXPECT_EQ(SetAtt(file, kAttrArchive | kAttrReadOnly), 0);
    EXPECT_EQ(GetAtt(file), kAttrArchive | kAttrReadOnly);
    EXPECT_EQ(SetAtt(file, 0), 0);
    EXPECT_EQ(GetAtt(file), 0);
  } else {
    EXPECT_EQ(SetAtt(file, kAttrArchive), 1);
  }
}

}  // namespace
}  // namespace core
