// Wiping files: every pass writes fresh random data over the whole file, the list made at the
// start serves every pass, and what cannot be wiped safely (a link, a file with other names, a
// read-only file, a failed write, a name that now leads to another file) is kept with a line,
// never deleted unwiped.
#include "tools/file_ops/wipe_files.h"

#include "core/step_record.h"
#include "platform/fault_test_support.h"
#include "tools/file_ops/delete_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <functional>
#include <iostream>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tools::file_ops {
namespace {

namespace fs = std::filesystem;

using testing::WatchingHost;

class WipeFilesTest : public testing::DeleteTest {
 protected:
  void SetUp() override {
    DeleteTest::SetUp();
    watch_.realListing = true;
    watch_.mainFolder = root_;
  }
  DeleteOutcome wipe(int passes) {
    return deleteStart(wpipe_, form_, {.mode = DeleteMode::WipeFiles, .passes = passes, .folder = root_}, msg_);
  }
  std::string wreport() const { return watch_.results.empty() ? std::string() : watch_.results.back().text; }
  static std::string readFd(int fd) {
    struct stat st {};
    ::fstat(fd, &st);
    std::string s(static_cast<std::size_t>(st.st_size), '\0');
    if (!s.empty() && ::pread(fd, s.data(), s.size(), 0) != static_cast<ssize_t>(s.size())) s.clear();
    return s;
  }

  WatchingHost watch_;
  core::Pipeline wpipe_{watch_};
};

class WipePasses : public WipeFilesTest, public ::testing::WithParamInterface<int> {};

TEST_P(WipePasses, EachPassWritesFreshRandomDataThenTheFileIsCutRenamedAndDeleted) {
  const int passes = GetParam();
  // Two writes: a whole block and 60,000 bytes.
  const std::string original(kWipeBlockSize + 60000, 'S');
  const std::string secret = makeFile("secret.txt", original);
  makeFile("empty.txt", "");
  const int fd = ::open(secret.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  std::vector<std::string> seen;  // the contents, each time they changed
  watch_.onYield = [&] {
    std::string now = readFd(fd);
    if (now != original && (seen.empty() || seen.back() != now)) seen.push_back(std::move(now));
  };
  core::testing::RecordedSteps steps;
  const core::ScopedStepRecorder recording(wpipe_, steps);

  const DeleteOutcome out = wipe(passes);
  ASSERT_EQ(out.end, core::RunEnd::Completed);
  EXPECT_EQ(watch_.questions.at(0).message, "[2]");
  // Per pass: after the first write, after the second; at the end the file is cut to nothing.
  ASSERT_EQ(seen.size(), static_cast<std::size_t>(2 * passes + 1));
  EXPECT_EQ(seen.back(), "");
  const auto randomLooking = [](std::string_view s) {
    return std::count(s.begin(), s.end(), 'S') < static_cast<long>(s.size() / 100);
  };
  std::string before = original;
  for (int p = 0; p < passes; ++p) {
    const std::string& whole = seen[static_cast<std::size_t>(2 * p + 1)];
    ASSERT_EQ(whole.size(), original.size());
    EXPECT_TRUE(randomLooking(whole)) << "pass " << p + 1;
    EXPECT_NE(whole.substr(0, 60000), whole.substr(kWipeBlockSize, 60000)) << "each block is fresh data";
    EXPECT_NE(whole.substr(0, 4096), before.substr(0, 4096)) << "each pass is fresh data";
    EXPECT_NE(whole.substr(kWipeBlockSize, 4096), before.substr(kWipeBlockSize, 4096));
    before = whole;
  }
  struct stat gone {};
  ASSERT_EQ(::fstat(fd, &gone), 0);
  EXPECT_EQ(gone.st_size, 0) << "cut to zero length";
  EXPECT_EQ(gone.st_nlink, 0u) << "deleted";
  std::tm local {};
  const std::time_t mtime = gone.st_mtim.tv_sec;
  ::localtime_r(&mtime, &local);
  EXPECT_EQ(local.tm_year + 1900, 1981);
  ::close(fd);

  EXPECT_TRUE(namesIn(root_).empty());
  EXPECT_EQ(out.tally.overwritten, 2);
  EXPECT_EQ(out.tally.removed, 2);
  EXPECT_EQ(out.tally.bytesRemoved, original.size());
  // Renamed to twelve random letters and digits in the same folder, then deleted under that name.
  ASSERT_EQ(steps.steps.size(), 4u);
  const core::StepRecord& renamed = steps.steps[2].from == secret ? steps.steps[2] : steps.steps[0];
  EXPECT_EQ(renamed.kind, core::StepKind::Renamed);
  const std::string name = renamed.to.substr(root_.size());
  EXPECT_EQ(renamed.to.substr(0, root_.size()), root_);
  EXPECT_EQ(name.size(), 12u);
  EXPECT_TRUE(std::all_of(name.begin(), name.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)); }));
  EXPECT_NE(wreport().find("[22][23]2[24]1[25]\r\n[26]0.7 MB\r\n[26]2[27]\r\n[21]"), std::string::npos) << wreport();
}

INSTANTIATE_TEST_SUITE_P(OneAndThree, WipePasses, ::testing::Values(1, 3));

TEST_F(WipeFilesTest, WhatCannotBeWipedSafelyIsKeptWithALine) {
  std::ofstream(base_ + "target.txt") << "target";
  fs::create_symlink(base_ + "target.txt", root_ + "link.txt");
  const std::string hard = makeFile("hard.txt", "other names keep the data");
  fs::create_hard_link(hard, base_ + "second-name.txt");
  const std::string big = makeFile("big.bin", std::string(kWipeBlockSize + 10, 'B'));
  const std::string ro = makeFile("ro.txt", "read-only: locked, for root too");
  ASSERT_EQ(::chmod(ro.c_str(), 0444), 0);
  makeFile("small.txt", "wiped");
  watch_.realListing = false;
  watch_.fakeFolders[root_] = {{.name = "big.bin"}, {.name = "hard.txt"}, {.name = "link.txt"}, {.name = "ro.txt"},
                               {.name = "small.txt"}};
  DeleteOutcome out;
  {
    // Writes past 100,000 bytes fail: big.bin's overwrite breaks off in its first block.
    const platform::testing::ScopedFileSizeLimit limit(100000);
    out = wipe(3);
  }
  EXPECT_EQ(namesIn(root_), (std::vector<std::string>{"big.bin", "hard.txt", "link.txt", "ro.txt"}));
  EXPECT_EQ(readAll(ro), "read-only: locked, for root too");
  EXPECT_EQ(readAll(base_ + "target.txt"), "target");
  EXPECT_EQ(readAll(hard), "other names keep the data");
  const std::string kept = readAll(big);
  EXPECT_EQ(kept.size(), kWipeBlockSize + 10) << "a failed overwrite is not cut";
  EXPECT_EQ(kept.substr(100000), std::string(kWipeBlockSize + 10 - 100000, 'B'));
  for (const std::string& line : {"[19]" + big, "[30]" + hard, "[29]" + root_ + "link.txt", ro + "{102}"}) {
    EXPECT_NE(wreport().find(line + "\r\n"), std::string::npos) << line << "\n" << wreport();
  }
  EXPECT_EQ(out.tally.removed, 1);
  EXPECT_EQ(out.tally.overwritten, 1);
}

// Overwriting asks for write access only: the user's own write-only file is wiped (as an
// ordinary user: root writes anything). With hidden files included ".hidden" is never wiped,
// even where a list hands it over, and the wiped file's line goes.
TEST_F(WipeFilesTest, AWriteOnlyFileIsWipedAndTheHiddenListIsNot) {
  ASSERT_EQ(::chmod(makeFile("write-only.txt", "secret").c_str(), 0200), 0);
  makeFile(".hidden", "write-only.txt\nother\n");
  watch_.realListing = false;
  watch_.fakeFolders[root_] = {{.name = ".hidden"}, {.name = "write-only.txt"}};
  const platform::testing::ChildOutcome child = platform::testing::runInChild([&]() -> std::string {
    if (std::string why = platform::testing::becomeOrdinaryUser(base_); !why.empty()) return "skip " + why;
    const DeleteOutcome out =
        deleteStart(wpipe_, form_, {.mode = DeleteMode::WipeFiles, .folder = root_, .withHidden = true}, msg_);
    return std::to_string(out.tally.overwritten) + " " + std::to_string(out.tally.removed);
  });
  ASSERT_TRUE(child.exited);
  if (child.report.rfind("skip ", 0) == 0) GTEST_SKIP() << child.report;
  EXPECT_EQ(child.report, "1 1");
  EXPECT_EQ(namesIn(root_), (std::vector<std::string>{".hidden"}));
  EXPECT_EQ(readAll(root_ + ".hidden"), "other\n");
}

// A folder that lets its files be written but none removed (marked immutable; or, for an ordinary
// user, without write permission), below the one the wipe starts in: the file is wiped as asked,
// and its line says it was wiped and stays, rather than only that it could not be deleted.
TEST_F(WipeFilesTest, AWipedFileThatCannotBeRemovedIsReportedAsWiped) {
  const std::string sub = root_ + "sub";
  const auto setImmutable = [&](bool on) {
    const int fd = ::open(sub.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int flags = 0;
    bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
      flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
      done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    if (fd >= 0) ::close(fd);
    return done;
  };
  for (const bool immutable : {true, false}) {
    SCOPED_TRACE(immutable ? "immutable folder" : "read-only folder");
    fs::create_directories(sub);
    const std::string file = makeFile("sub/secret.txt", "secret contents");
    const platform::testing::ChildOutcome child = platform::testing::runInChild([&]() -> std::string {
      if (immutable) {
        if (::geteuid() != 0) return "skip only root marks a folder immutable";
        if (!setImmutable(true)) return "skip this file system marks nothing immutable";
      } else {
        if (std::string why = platform::testing::becomeOrdinaryUser(base_); !why.empty()) return "skip " + why;
        if (::chmod(sub.c_str(), 0555) != 0) return "skip chmod";
      }
      const DeleteOutcome out = deleteStart(
          wpipe_, form_, {.mode = DeleteMode::WipeFiles, .passes = 1, .folder = root_, .withSubfolders = true}, msg_);
      return std::to_string(out.tally.overwritten) + " " + std::to_string(out.tally.removed) + "|" + wreport();
    });
    if (immutable) (void)setImmutable(false);
    ::chmod(sub.c_str(), 0755);
    ASSERT_TRUE(child.exited);
    if (child.report.rfind("skip ", 0) == 0) {
      std::cout << child.report << "\n";
    } else {
      EXPECT_EQ(child.report.substr(0, child.report.find('|')), "1 0") << child.report;
      EXPECT_NE(child.report.find("{79} [41]{80}" + file), std::string::npos) << child.report;
      EXPECT_EQ(readAll(file), "") << "the contents are gone, as asked";
    }
    fs::remove_all(sub);
  }
}

TEST_F(WipeFilesTest, TheListMadeAtTheStartServesEveryPassAndANameThatChangedIsLeftAlone) {
  const std::string a = makeFile("a.txt", std::string(kWipeBlockSize + 1, 'a'));
  const std::string b = makeFile("b.txt", "b before");
  bool swapped = false;
  watch_.onYield = [&] {
    // While a.txt is written, b.txt is replaced by another file and c.txt appears.
    if (swapped || readAll(a).compare(0, 16, std::string(16, 'a')) == 0) return;
    swapped = true;
    // The new file often takes over the old one's inode number: its birth time tells them apart.
    fs::remove(b);
    makeFile("b.txt", "b after");
    makeFile("c.txt", "c appears");
  };
  const DeleteOutcome out = wipe(3);
  EXPECT_TRUE(swapped);
  EXPECT_EQ(watch_.listed, (std::vector<std::string>{root_})) << "the filters are applied once, at the start";
  EXPECT_EQ(namesIn(root_), (std::vector<std::string>{"b.txt", "c.txt"}));
  EXPECT_EQ(readAll(b), "b after");
  EXPECT_NE(wreport().find("[19]" + b + "\r\n"), std::string::npos) << wreport();
  EXPECT_EQ(out.tally.removed, 1);
}

TEST_F(WipeFilesTest, CancelDuringThePassesDeletesNothing) {
  const std::string original(2 * kWipeBlockSize, 'c');
  const std::string file = makeFile("a.txt", original);
  watch_.onYield = [&] {
    if (readAll(file) != original) watch_.cancel = core::CancelState::Cancelled;
  };
  const DeleteOutcome out = wipe(3);
  EXPECT_EQ(out.end, core::RunEnd::Cancelled);
  EXPECT_EQ(fs::file_size(file), original.size());
  EXPECT_EQ(out.tally.removed, 0);
  EXPECT_NE(wreport().find("[38]"), std::string::npos) << wreport();
  EXPECT_NE(wreport().find("{76}"), std::string::npos) << "reported as cancelled";
}

}  // namespace
}  // namespace tools::file_ops
