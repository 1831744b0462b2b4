// The copy and move run on fixture folders: copies and moves with their journals, existing
// targets in each mode, the folder structure, the content filter, the refusals, and a move across
// file systems (into /dev/shm, a tmpfs, where this machine has one).
#include "tools/file_ops/copy_run.h"

#include "tools/file_ops/copy_journal.h"

#include "core/settings.h"
#include "platform/fault_test_support.h"
#include "platform/fs.h"
#include "tools/file_ops/copy_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iostream>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace tools::file_ops {
namespace {

using Files = std::vector<std::pair<std::string, std::string>>;

class CopyRunTest : public testing::CopyToolTest {
 protected:
  CopyJobResult run(CopyJobOptions options) {
    options.mainFolder = main_;
    return runCopyJob(pipe_, form_, options, msg_);
  }
  std::string report() const { return host_.results.empty() ? "" : host_.results.back().text; }
  void SetUp() override {
    CopyToolTest::SetUp();
    main_ = makeDir("main");
  }
  std::string main_;
};

TEST_F(CopyRunTest, CopiesEachFileToItsPatternsFolderAndJournalsIt) {
  const std::string a = makeFile("main/a.txt", "aaa"), b = makeFile("main/b.dat", "bb");
  ASSERT_EQ(::chmod(b.c_str(), 0600), 0);
  const platform::FileTime old{.sec = 1000000000, .nsec = 0, .known = true};
  ASSERT_EQ(platform::setFileTimes(a, &old, &old), 0);
  const CopyJobResult r = run({.pattern = root_ + "out/<FileExtension>"});
  EXPECT_EQ(r.end, CopyJobEnd::Ran);
  EXPECT_EQ(r.outcome.done, 2);
  EXPECT_EQ(tree(root_ + "out/"), (Files{{"dat/b.dat", "bb"}, {"txt/a.txt", "aaa"}}));
  EXPECT_EQ(tree(main_).size(), 2u);  // the sources stay
  EXPECT_EQ(platform::fileStatus(root_ + "out/txt/a.txt").modified.sec, old.sec);
  struct stat sb {};
  ASSERT_EQ(::stat((root_ + "out/dat/b.dat").c_str(), &sb), 0);
  EXPECT_EQ(sb.st_mode & 0777, 0600u);
  EXPECT_NE(report().find(a + "  ->  " + root_ + "out/txt/a.txt\r\n"), std::string::npos) << report();
  EXPECT_NE(report().find("\r\n2 [8]\r\n\r\n" + a + "  ->  "), std::string::npos) << report();
  // Creation times cannot be set here: said once for the run.
  EXPECT_EQ(report().find("{111}"), report().rfind("{111}"));
  EXPECT_NE(report().find("{111}"), std::string::npos) << report();
  // The first run takes the slot after the current one, as every later run does.
  EXPECT_EQ(r.journalSlot, 2);
  EXPECT_EQ(records(2), (std::vector<core::JournalRecord>{{a, root_ + "out/txt/a.txt"}, {b, root_ + "out/dat/b.dat"}}));
  EXPECT_EQ(core::getSet("iscpymve2"), "0");
}

TEST_F(CopyRunTest, AnExistingTargetIsSkippedNumberedOrReplacedAsChosen) {
  struct Case {
    TargetExists exists;
    Files out;
    const char* line;
  };
  const Case cases[] = {
      {TargetExists::Skip, {{"a.txt", "old a"}, {"a1.txt", "old a1"}, {"b.txt", "old b"}}, "[9]: "},
      // The numbers only grow within a run: a1 is taken, so a2, and b goes on from 2.
      {TargetExists::Numbered,
       {{"a.txt", "old a"}, {"a1.txt", "old a1"}, {"a2.txt", "new a"}, {"b.txt", "old b"}, {"b2.txt", "new b"}},
       nullptr},
      {TargetExists::Overwrite, {{"a.txt", "new a"}, {"a1.txt", "old a1"}, {"b.txt", "new b"}}, nullptr},
  };
  // A move finds an existing target through its rename, a copy looks first: the same outcome.
  for (const CopyMode mode : {CopyMode::Copy, CopyMode::Move})
  for (const Case& c : cases) {
    std::filesystem::remove_all(root_ + "out");
    makeDir("out");
    for (const char* n : {"a.txt", "a1.txt", "b.txt"}) makeFile(std::string("out/") + n, std::string("old ") + std::string(n).substr(0, std::string(n).find('.')));
    makeFile("main/a.txt", "new a");
    makeFile("main/b.txt", "new b");
    host_.questions.clear();
    run({.pattern = root_ + "out", .mode = mode, .exists = c.exists});
    EXPECT_EQ(tree(root_ + "out/"), c.out) << static_cast<int>(mode) << static_cast<int>(c.exists);
    // A skipped file stays where it was; a done one is gone after a move.
    EXPECT_EQ(std::filesystem::exists(main_ + "a.txt"), mode == CopyMode::Copy || c.exists == TargetExists::Skip);
    if (c.line) {
      EXPECT_NE(report().find(std::string(c.line) + root_ + "out/a.txt [10]"), std::string::npos) << report();
    }
    // Overwrite asks first; the old files went to the trash.
    EXPECT_EQ(host_.questions.size(), c.exists == TargetExists::Overwrite ? 1u : 0u);
  }
  EXPECT_EQ(readAll(base_ + "env/XDG_DATA_HOME/Trash/files/a.txt"), "old a");
}

// Files of several folders gathered into one folder the run makes meet each other there: the
// second of a name is an existing target as any other, though the run never looks into a folder
// it made itself.
TEST_F(CopyRunTest, FilesGatheredIntoANewFolderMeetAsExistingTargets) {
  makeDir("main/sub");
  makeDir("main/sub2");
  makeFile("main/a.txt", "top");
  makeFile("main/sub/a.txt", "sub");
  makeFile("main/sub2/a.txt", "sub2");
  // The subfolders' order is the walk's: only which names and contents come out is fixed.
  struct Case {
    TargetExists exists;
    std::vector<std::string> names, contents;
  };
  const Case cases[] = {
      {TargetExists::Skip, {"a.txt"}, {"top"}},
      {TargetExists::Numbered, {"a.txt", "a1.txt", "a2.txt"}, {"sub", "sub2", "top"}},
      {TargetExists::Overwrite, {"a.txt"}, {"sub|sub2"}},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(root_ + "new");
    run({.pattern = root_ + "new", .exists = c.exists, .withSubfolders = true});
    std::vector<std::string> names, contents;
    for (const auto& [name, bytes] : tree(root_ + "new/")) {
      names.push_back(name);
      contents.push_back(c.exists == TargetExists::Overwrite && bytes != "top" ? "sub|sub2" : bytes);
    }
    std::sort(contents.begin(), contents.end());
    EXPECT_EQ(names, c.names) << static_cast<int>(c.exists) << report();
    EXPECT_EQ(contents, c.contents) << static_cast<int>(c.exists) << report();
  }
}

TEST_F(CopyRunTest, OverwriteNeverReplacesTheSourceItself) {
  makeFile("main/a.txt", "precious");
  makeDir("other");
  ASSERT_EQ(::link((main_ + "a.txt").c_str(), (root_ + "other/a.txt").c_str()), 0);
  for (const CopyMode mode : {CopyMode::Copy, CopyMode::Move}) {
    run({.pattern = "<FilePath>", .mode = mode, .exists = TargetExists::Overwrite});
    EXPECT_EQ(tree(main_), (Files{{"a.txt", "precious"}}));
    EXPECT_NE(report().find("[3]" + main_ + "a.txt"), std::string::npos) << report();
  }
  // A second name of the same file is the same file.
  run({.pattern = root_ + "other", .exists = TargetExists::Overwrite});
  EXPECT_NE(report().find("[3]" + main_ + "a.txt"), std::string::npos) << report();
  // Numbered mode makes a copy beside it.
  run({.pattern = "<FilePath>", .exists = TargetExists::Numbered});
  EXPECT_EQ(tree(main_), (Files{{"a.txt", "precious"}, {"a1.txt", "precious"}}));
}

// A link moved or copied onto the very file it leads to would leave a link to itself and no bytes:
// refused as the same file, both left as they were.
TEST_F(CopyRunTest, OverwriteNeverPutsALinkOverTheFileItLeadsTo) {
  makeDir("out");
  makeFile("out/a.txt", "the only copy");
  ASSERT_EQ(::symlink((root_ + "out/a.txt").c_str(), (main_ + "a.txt").c_str()), 0);
  for (const CopyMode mode : {CopyMode::Move, CopyMode::Copy}) {
    run({.pattern = root_ + "out", .mode = mode, .exists = TargetExists::Overwrite});
    EXPECT_EQ(tree(root_ + "out/"), (Files{{"a.txt", "the only copy"}}));
    struct stat st {};
    ASSERT_EQ(::lstat((root_ + "out/a.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    ASSERT_EQ(::lstat((main_ + "a.txt").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_NE(report().find("[3]" + main_ + "a.txt"), std::string::npos) << report();
  }
}

// A file moved into a folder that the run reaches later is not moved again.
TEST_F(CopyRunTest, AFileTheRunMovedIsNeverItsSourceAgain) {
  makeFile("main/a.txt", "a");
  makeDir("main/archive");
  makeFile("main/archive/old.txt", "old");
  makeDir("main/sub");
  makeFile("main/sub/b.txt", "b");
  const CopyJobResult r = run({.pattern = "<FilePath>/archive", .mode = CopyMode::Move, .withSubfolders = true});
  EXPECT_EQ(tree(main_), (Files{{"archive/a.txt", "a"},
                                {"archive/archive/old.txt", "old"},
                                {"sub/archive/b.txt", "b"}}));
  EXPECT_EQ(r.outcome.done, 3);
  EXPECT_EQ(core::getSet("iscpymve2"), "1");
  EXPECT_EQ(records(r.journalSlot).size(), 3u);
}

// Hidden files included: a moved file keeps its Hidden flag in its new folder and gets it back
// in the old one with the undo; ".hidden" itself is never moved; a numbered copy of a dot-name
// keeps the dot in front.
TEST_F(CopyRunTest, HiddenFilesStayHiddenWhereverTheyMove) {
  makeFile("main/.hidden", "secret.txt\n");
  makeFile("main/secret.txt", "s");
  makeFile("main/shown.txt", "v");
  host_.listHidden = true;
  const CopyJobResult r = run({.pattern = root_ + "out", .mode = CopyMode::Move, .withHidden = true});
  EXPECT_EQ(r.outcome.done, 2) << report();
  EXPECT_EQ(tree(main_), (Files{}));
  EXPECT_EQ(readAll(root_ + "out/.hidden"), "secret.txt\n");
  ASSERT_EQ(undoCopyJob(pipe_, form_, r.journalSlot, msg_).outcome.done, 2) << report();
  EXPECT_EQ(tree(main_), (Files{{".hidden", "secret.txt\n"}, {"secret.txt", "s"}, {"shown.txt", "v"}}));
  EXPECT_FALSE(std::filesystem::exists(root_ + "out/.hidden"));

  makeFile("main/.dotfile", "new");
  makeFile("out/.dotfile", "old");
  run({.pattern = root_ + "out", .exists = TargetExists::Numbered, .withHidden = true});
  EXPECT_EQ(readAll(root_ + "out/.dotfile1"), "new");
}

// Each copy has its source's attributes, whether it needed them set or had them from the start;
// a name left listed in the target's ".hidden" does not hide a copy of a shown file. The journal
// stamps each copy as it is, so that the undo removes them all.
TEST_F(CopyRunTest, CopiesHaveTheirSourcesAttributes) {
  makeFile("main/.hidden", "listed.txt\n");
  makeFile("main/listed.txt", "h");
  makeFile("main/plain.txt", "p");
  const std::string locked = makeFile("main/locked.txt", "r");
  ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
  const std::string archived = makeFile("main/archived.txt", "a");
  const bool xattrs = ::setxattr(archived.c_str(), "user.vardulek.archive", "1", 1, 0) == 0;
  ASSERT_EQ(::symlink("plain.txt", (main_ + "link.txt").c_str()), 0);
  makeFile("out/.hidden", "plain.txt\n");
  host_.listHidden = true;
  const CopyJobResult r = run({.pattern = root_ + "out", .withHidden = true});
  EXPECT_EQ(r.outcome.done, 5) << report();
  const std::string out = root_ + "out/";
  EXPECT_EQ(readAll(out + "link.txt"), "p");  // a copy reads through a link
  EXPECT_EQ(core::GetAtt(out + "listed.txt"), core::kAttrHidden);
  EXPECT_EQ(core::GetAtt(out + "plain.txt"), 0);
  EXPECT_EQ(core::GetAtt(out + "locked.txt"), core::kAttrReadOnly);
  if (xattrs) {
    EXPECT_EQ(core::GetAtt(out + "archived.txt"), core::kAttrArchive);
  }
  ASSERT_EQ(undoCopyJob(pipe_, form_, r.journalSlot, msg_).outcome.done, 5) << report();
  for (const char* name : {"listed.txt", "plain.txt", "locked.txt", "archived.txt", "link.txt"})
    EXPECT_FALSE(std::filesystem::exists(out + name)) << name;
}

// Two names of one file are two sources: moving the first must not make the second look like a
// file this run placed.
TEST_F(CopyRunTest, AHardLinkToAMovedFileIsMovedToo) {
  const std::string a = makeFile("main/a.txt", "same");
  ASSERT_EQ(::link(a.c_str(), (main_ + "b.txt").c_str()), 0);
  const CopyJobResult r = run({.pattern = root_ + "out", .mode = CopyMode::Move});
  EXPECT_EQ(r.outcome.done, 2) << report();
  EXPECT_EQ(tree(root_ + "out/"), (Files{{"a.txt", "same"}, {"b.txt", "same"}}));
  EXPECT_TRUE(tree(main_).empty());
}

// A copy only reads its source: a file that cannot be written is copied all the same. Root
// writes any mode, so there the file is made immutable too (where the file system allows it).
TEST_F(CopyRunTest, ASourceThatCannotBeWrittenIsStillCopied) {
  const std::string a = makeFile("main/a.txt", "kept as it is");
  ASSERT_EQ(::chmod(a.c_str(), 0400), 0);
  struct Immutable {
    std::string path;
    bool set = false;
    explicit Immutable(std::string p) : path(std::move(p)) { set = flag(FS_IMMUTABLE_FL); }
    ~Immutable() {
      if (set) flag(0);
    }
    bool flag(int value) const {
      const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) return false;
      int flags = 0;
      bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
      flags = value != 0 ? (flags | value) : (flags & ~FS_IMMUTABLE_FL);
      ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
      ::close(fd);
      return ok;
    }
  } immutable(a);
  if (::geteuid() == 0 && !immutable.set) GTEST_SKIP() << "root, and no immutable files here";
  const CopyJobResult r = run({.pattern = root_ + "out"});
  EXPECT_EQ(r.outcome.done, 1) << report();
  EXPECT_EQ(tree(root_ + "out/"), (Files{{"a.txt", "kept as it is"}}));
}

// A Cancel at any point, also in the middle of a large file's copy, leaves no partial copy, and the
// journal holds exactly the files that are at their targets.
TEST_F(CopyRunTest, ACancelledRunLeavesNoPartialCopyAndJournalsWhatItDid) {
  makeFile("main/a.txt", "a");
  makeFile("main/b.bin", std::string(2500000, 'b'));  // three pieces, a yield after each
  makeFile("main/c.txt", "c");
  bool cancelledWithinB = false;
  for (int yields = 1; yields <= 12; ++yields) {
    std::filesystem::remove_all(root_ + "out");
    host_.cancelAfterYields(yields);
    const CopyJobResult r = run({.pattern = root_ + "out"});
    host_.cancel = core::CancelState::Running;
    const Files out = tree(root_ + "out/");
    std::vector<core::JournalRecord> expected;
    for (const auto& [name, contents] : out) {
      EXPECT_EQ(contents, readAll(main_ + name)) << yields << name;  // never partial
      expected.push_back({main_ + name, root_ + "out/" + name});
    }
    EXPECT_EQ(r.journalSlot == 0 ? std::vector<core::JournalRecord>{} : records(r.journalSlot), expected) << yields;
    cancelledWithinB = cancelledWithinB || (out.size() == 1 && r.outcome.end == core::RunEnd::Cancelled);
  }
  EXPECT_TRUE(cancelledWithinB);
}

// A copy that fails says why: a name taken while the copy was written (the copy never replaces
// what came), a copy the disk cannot hold.
TEST_F(CopyRunTest, ACopyThatFailsSaysWhy) {
  testing::YieldHookHost host;
  host.realListing = true;
  core::Pipeline pipe(host);
  const std::string big = makeFile("main/big.bin", std::string(2500000, 'b'));  // yields between pieces
  const std::string target = root_ + "out/big.bin";
  CopyJobOptions options{.pattern = root_ + "out"};
  options.mainFolder = main_;
  const auto lines = [&] { return host.results.empty() ? std::string() : host.results.back().text; };

  std::filesystem::create_directories(root_ + "out");
  host.onYield = [&] {
    if (!std::filesystem::exists(target)) std::ofstream(target) << "taken";
  };
  (void)runCopyJob(pipe, form_, options, msg_);
  EXPECT_EQ(readAll(target), "taken");
  EXPECT_NE(lines().find("[9]: " + target + " [10]"), std::string::npos) << lines();

  std::filesystem::remove(target);
  host.onYield = nullptr;
  {
    const platform::testing::ScopedFileSizeLimit limit(100000);
    (void)runCopyJob(pipe, form_, options, msg_);
  }
  EXPECT_FALSE(std::filesystem::exists(target));
  EXPECT_NE(lines().find("[13]" + big + "[12]" + root_ + "out/ ("), std::string::npos) << lines();
}

TEST_F(CopyRunTest, TheFolderStructureIsKeptWithItsEmptyFoldersWhenAsked) {
  makeFile("main/top.txt", "t");
  makeDir("main/x/y");
  makeFile("main/x/y/deep.txt", "d");
  makeDir("main/empty");
  run({.pattern = root_ + "out", .keepStructure = true, .emptyFolders = true, .withSubfolders = true});
  EXPECT_EQ(tree(root_ + "out/"), (Files{{"top.txt", "t"}, {"x/y/deep.txt", "d"}}));
  EXPECT_TRUE(std::filesystem::is_directory(root_ + "out/empty"));
  std::filesystem::remove_all(root_ + "out");
  run({.pattern = root_ + "out", .keepStructure = false, .emptyFolders = true, .withSubfolders = true});
  EXPECT_EQ(tree(root_ + "out/"), (Files{{"deep.txt", "d"}, {"top.txt", "t"}}));
  EXPECT_FALSE(std::filesystem::exists(root_ + "out/empty"));
}

TEST_F(CopyRunTest, OnlyFilesHoldingTheWordsAreTaken) {
  makeFile("main/both.txt", "a BIG red car");
  makeFile("main/one.txt", "a car");
  makeFile("main/none.txt", "a bus");
  run({.pattern = root_ + "any", .content = {.on = true, .text = "\"big red\" car", .words = {.phrases = true}}});
  EXPECT_EQ(tree(root_ + "any/").size(), 2u);
  EXPECT_NE(report().find("[41]\r\n\r\n\"big red\"\r\n\"car\"\r\n\r\n2 [8]"), std::string::npos) << report();
  run({.pattern = root_ + "all",
       .content = {.on = true, .text = "\"big red\" car", .words = {.phrases = true}, .match = WordMatch::All}});
  EXPECT_EQ(tree(root_ + "all/"), (Files{{"both.txt", "a BIG red car"}}));
  // Without phrases the text is one word, looked for as "any".
  run({.pattern = root_ + "one", .content = {.on = true, .text = "RED car", .match = WordMatch::All}});
  EXPECT_EQ(tree(root_ + "one/"), (Files{{"both.txt", "a BIG red car"}}));
}

TEST_F(CopyRunTest, RefusalsStartNothing) {
  makeFile("main/a.txt", "a");
  struct Case {
    CopyJobOptions options;
    CopyJobEnd end;
    std::string question;
  };
  const Case cases[] = {
      {{.pattern = "out"}, CopyJobEnd::PatternRefused, "[43]"},
      {{.pattern = "<FileName>"}, CopyJobEnd::PatternRefused, "[43]"},
      {{.pattern = root_ + "out", .content = {.on = true, .text = " ", .words = {.phrases = true}}},
       CopyJobEnd::NoWords, "[40]"},
      {{.pattern = root_ + "out", .exists = TargetExists::Overwrite}, CopyJobEnd::NotConfirmed, "[19]"},
  };
  host_.defaultAnswer = core::kAnswerNo;
  for (const Case& c : cases) {
    host_.questions.clear();
    EXPECT_EQ(run(c.options).end, c.end) << c.question;
    ASSERT_EQ(host_.questions.size(), 1u) << c.question;
    EXPECT_EQ(host_.questions[0].message, c.question);
  }
  EXPECT_FALSE(host_.progressShown);
  EXPECT_FALSE(std::filesystem::exists(root_ + "out"));
  EXPECT_EQ(core::getSet("curcpyundnum"), "");  // no slot taken
}

// Names are bytes: any Linux name is copied, journalled and read back as it is.
TEST_F(CopyRunTest, AnyNameIsCopiedAndJournalled) {
  const std::string odd = "a*b?c%25\n\x01\xff;.txt";
  makeFile("main/" + odd, "odd");
  const CopyJobResult r = run({.pattern = root_ + "out/<FileName>>"});
  const std::string target = root_ + "out/" + odd.substr(0, odd.size() - 4) + "/" + odd;
  EXPECT_EQ(readAll(target), "odd");
  EXPECT_EQ(records(r.journalSlot), (std::vector<core::JournalRecord>{{main_ + odd, target}}));
  std::filesystem::remove_all(root_);  // names that are not UTF-8 are beyond the fixture's own clean-up
}

// A folder on another file system than the test's folder (/dev/shm), removed at the end; "" when
// there is none.
struct OtherFileSystem {
  explicit OtherFileSystem(const std::string& here) {
    char shm[] = "/dev/shm/vdk-copy-XXXXXX";
    if (::mkdtemp(shm) == nullptr) return;
    made = std::string(shm) + "/";
    if (platform::fileStatus(made).identity.device != platform::fileStatus(here).identity.device) folder = made;
  }
  ~OtherFileSystem() {
    if (!made.empty()) std::filesystem::remove_all(made);
  }
  std::string made, folder;
};

// Across file systems a move copies, syncs and checks the copy, and only then deletes the source.
TEST_F(CopyRunTest, AMoveAcrossFileSystemsCopiesThenDeletes) {
  const OtherFileSystem shm(root_);
  if (shm.folder.empty()) GTEST_SKIP() << "/dev/shm is missing or on the test folder's file system";
  const std::string& other = shm.folder;
  const std::string a = makeFile("main/a.txt", std::string(2500000, 'a'));
  const platform::FileTime old{.sec = 1000000000, .nsec = 0, .known = true};
  ASSERT_EQ(platform::setFileTimes(a, &old, &old), 0);
  makeFile("main/b.txt", "b");
  const CopyJobResult r = run({.pattern = other + "<FileExtension>", .mode = CopyMode::Move});
  EXPECT_EQ(r.outcome.done, 2);
  EXPECT_TRUE(tree(main_).empty());
  EXPECT_EQ(tree(other), (Files{{"txt/a.txt", std::string(2500000, 'a')}, {"txt/b.txt", "b"}}));
  EXPECT_EQ(platform::fileStatus(other + "txt/a.txt").modified.sec, old.sec);
  EXPECT_EQ(records(r.journalSlot).size(), 2u);
  // A Cancel in the middle of a large file leaves the source where it was and no partial copy.
  const std::string c = makeFile("main/c.txt", std::string(2500000, 'c'));
  host_.cancelAfterYields(2);
  const Transfer t{.source = c, .target = other + "c.txt", .status = platform::fileStatus(c, false), .mode = CopyMode::Move};
  const std::string before = logged();
  EXPECT_EQ(transferFile(pipe_, t, msg_), TransferResult::Stopped);
  EXPECT_EQ(readAll(c), std::string(2500000, 'c'));
  EXPECT_FALSE(std::filesystem::exists(other + "c.txt"));
  EXPECT_EQ(logged(), before) << "a Cancel is no failure to copy";
}

// What mv keeps across file systems a move keeps too: the exact permission bits (not less the
// umask) and extended attributes. A copy is as cp makes it without -p: the bits less the umask.
TEST_F(CopyRunTest, AMoveAcrossFileSystemsKeepsModeAndAttributesACopyDoesNot) {
  const OtherFileSystem shm(root_);
  if (shm.folder.empty()) GTEST_SKIP() << "/dev/shm is missing or on the test folder's file system";
  struct Umask {
    mode_t old = ::umask(077);
    ~Umask() { ::umask(old); }
  } umask;
  for (const CopyMode mode : {CopyMode::Move, CopyMode::Copy}) {
    const std::string a = makeFile("main/a.txt", "aaa");
    ASSERT_EQ(::chmod(a.c_str(), 0664), 0);
    const bool xattrs = ::setxattr(a.c_str(), "user.note", "kept", 4, 0) == 0;
    // Root may give a file any owner: a move keeps it, a copy is root's own.
    const bool root = ::geteuid() == 0;
    if (root) {
      ASSERT_EQ(::chown(a.c_str(), 65534, 65534), 0);
    }
    const std::string out = shm.folder + (mode == CopyMode::Move ? "moved/" : "copied/");
    ASSERT_EQ(run({.pattern = out, .mode = mode}).outcome.done, 1);
    struct stat st {};
    ASSERT_EQ(::stat((out + "a.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, mode == CopyMode::Move ? 0664u : 0600u) << static_cast<int>(mode);
    if (root) {
      EXPECT_EQ(st.st_uid, mode == CopyMode::Move ? 65534u : 0u) << static_cast<int>(mode);
    }
    char value[8] = {};
    const ssize_t got = ::getxattr((out + "a.txt").c_str(), "user.note", value, sizeof value);
    if (xattrs && mode == CopyMode::Move && got < 0 && errno == ENOTSUP) {
      std::cout << "the other file system takes no user attributes\n";
    } else if (xattrs && mode == CopyMode::Move) {
      EXPECT_EQ(std::string(value, got > 0 ? static_cast<std::size_t>(got) : 0), "kept");
    }
    std::filesystem::remove(a);
  }
}

// A move renames what it may rename (the folder's permission decides, as for mv): a file nobody
// may read, into a target folder still to be made, and a symbolic link as itself; the undo puts
// both back. As an ordinary user: root reads anything.
TEST_F(CopyRunTest, AnUnreadableFileAndALinkMoveIntoANewFolderAndComeBackOnUndo) {
  const std::string secret = makeFile("main/secret.txt", "s");
  ASSERT_EQ(::chmod(secret.c_str(), 0000), 0);
  ASSERT_EQ(::symlink("secret.txt", (main_ + "link").c_str()), 0);
  const platform::testing::ChildOutcome child = platform::testing::runInChild([&]() -> std::string {
    if (std::string why = platform::testing::becomeOrdinaryUser(base_); !why.empty()) return "skip " + why;
    const CopyJobResult r = run({.pattern = root_ + "new/folder", .mode = CopyMode::Move});
    std::string out = std::to_string(r.outcome.done) + " moved";
    for (const char* name : {"secret.txt", "link"})
      out += std::string(" ") + name + (platform::fileStatus(root_ + "new/folder/" + name, false).error == 0 ? "+" : "-");
    host_.answers = {core::kAnswerYes};
    const CopyUndoResult u = undoCopyJob(pipe_, form_, r.journalSlot, msg_);
    out += " | back";
    for (const char* name : {"secret.txt", "link"})
      out += std::string(" ") + name + (platform::fileStatus(main_ + name, false).error == 0 ? "+" : "-");
    out += u.journalLeft == core::UndoEnd::Deleted ? " journal gone" : " journal kept";
    return out + " | " + logged();
  });
  ASSERT_TRUE(child.exited);
  if (child.report.rfind("skip ", 0) == 0) GTEST_SKIP() << child.report;
  EXPECT_EQ(child.report.substr(0, child.report.find(" | ", child.report.find(" | ") + 1)),
            "2 moved secret.txt+ link+ | back secret.txt+ link+ journal gone")
      << child.report;
  EXPECT_EQ(platform::fileStatus(main_ + "link", false).type, platform::FileType::Symlink);
}

}  // namespace
}  // namespace tools::file_ops
