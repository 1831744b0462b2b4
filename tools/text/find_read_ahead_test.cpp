// The finder's read-ahead on its own: whatever it is given (files the run passes by, a FIFO, a
// link, a cleared queue, a queue far longer than its window), it never hangs, stops promptly and
// keeps no descriptor open; a finding it gives stands for the file it read, and a file changed so
// recently that a later change could hide gets none. That the run's results do not depend on it
// is find_run_test's part.
#include "tools/text/find_read_ahead.h"

#include "platform/fault_test_support.h"
#include "tools/text/find_run.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

namespace tools::text {
namespace {

class ReadAheadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    dir_ = tmp_.path().toStdString() + "/";
  }
  std::string write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ + name, std::ios::binary) << bytes;
    return dir_ + name;
  }

  QTemporaryDir tmp_;
  std::string dir_;
  const ContentMatcher matcher_{{"needle"}, MatchMode::Any, true};
};

TEST_F(ReadAheadTest, PassesOverAFifoALinkAndWhatTheRunSkipsAndStopsWithFilesQueued) {
  std::vector<std::string> names;
  for (int i = 0; i < 300; ++i) {
    names.push_back("f" + std::to_string(1000 + i));
    write(names.back(), std::string(1 + i * 97, 'x'));
  }
  ASSERT_EQ(::mkfifo((dir_ + "pipe").c_str(), 0600), 0);
  ASSERT_EQ(::symlink((dir_ + names[0]).c_str(), (dir_ + "link").c_str()), 0);
  names.insert(names.begin() + 5, "pipe");
  names.insert(names.begin() + 9, "link");
  const int before = platform::testing::openDescriptors();
  {
    ReadAhead ahead({.helpers = 3, .window = 8}, matcher_);
    ahead.start();
    ahead.enterFolder(dir_, names);
    for (std::size_t i = 0; i < 40; i += 3) {  // the run takes some, passes others by
      const std::optional<AheadFinding> finding = ahead.take(dir_ + names[i]);
      if (names[i] == "pipe" || names[i] == "link") {
        EXPECT_FALSE(finding) << names[i];
      }
      ::usleep(500);
    }
    EXPECT_FALSE(ahead.take("/not/queued"));
    ahead.enterFolder(dir_, names);  // met again: started over
    // Destroyed with most files still queued and helpers at work.
  }
  EXPECT_EQ(platform::testing::openDescriptors(), before);
}

TEST_F(ReadAheadTest, AFindingStandsForTheFileReadAndNoneComesForAFileJustChanged) {
  const std::string big(2 * kFindPieceSize + 100, 'x');
  write("plain", "nothing");
  write("early", "a needle");
  write("late", big + "needle");
  write("huge", std::string(3 * kFindPieceSize + 1, 'x'));
  ::usleep(250'000);  // older than a change that could hide in the clock's tick
  write("fresh", "needle");
  const std::vector<std::string> names{"plain", "early", "late", "huge", "fresh"};
  ReadAhead ahead({.helpers = 2, .largestFile = 3 * kFindPieceSize}, matcher_);
  ahead.start();
  ahead.enterFolder(dir_, names);
  ASSERT_TRUE(ahead.waitIdle(std::chrono::seconds(20)));  // the helpers read the window
  const std::vector<std::uint64_t> matchedIn{0, 1, 3};
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string path = dir_ + names[i];
    const std::optional<AheadFinding> finding = ahead.take(path);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    if (i < matchedIn.size()) {
      ASSERT_TRUE(finding) << path;
      EXPECT_EQ(finding->matchedInPiece, matchedIn[i]) << path;
      EXPECT_TRUE(finding->judges(st));
      struct stat other = st;
      ++other.st_ctim.tv_nsec;  // only the change time moved
      EXPECT_FALSE(finding->judges(other));
    } else {
      EXPECT_FALSE(finding) << path;  // too large for a helper; changed just now
    }
  }
}

// The next folders are read before the run enters them, from the helpers' own listing; what the
// run's listing has that the guess had not (a hidden file here) joins then, and a FIFO or a link
// among the guessed names never blocks or is followed.
TEST_F(ReadAheadTest, TheNextFoldersAreReadBeforeTheRunEntersThem) {
  const std::vector<std::string> folders{dir_ + "a/", dir_ + "b/", dir_ + "c/"};
  for (const std::string& f : folders) ASSERT_EQ(::mkdir(f.c_str(), 0755), 0);
  write("a/one", "needle");
  write("b/two", "no");
  write("b/.three", "needle");
  write("c/four", "a needle");
  ASSERT_EQ(::mkfifo((dir_ + "b/pipe").c_str(), 0600), 0);
  ASSERT_EQ(::symlink((dir_ + "a/one").c_str(), (dir_ + "c/link").c_str()), 0);
  ::usleep(250'000);
  const int before = platform::testing::openDescriptors();
  {
    ReadAhead ahead({.helpers = 2}, matcher_);
    ahead.setFolders(folders);
    ahead.start();
    ahead.enterFolder(folders[0], {"one"});
    ASSERT_TRUE(ahead.waitIdle(std::chrono::seconds(20)));
    ASSERT_TRUE(ahead.take(folders[0] + "one"));
    ahead.enterFolder(folders[1], {".three", "pipe", "two"});
    (void)ahead.take(folders[1] + ".three");  // not guessed: read now by a helper, or by the run
    EXPECT_FALSE(ahead.take(folders[1] + "pipe"));
    const std::optional<AheadFinding> two = ahead.take(folders[1] + "two");
    ASSERT_TRUE(two);
    EXPECT_EQ(two->matchedInPiece, 0u);
    ahead.enterFolder(folders[2], {"four", "link"});
    const std::optional<AheadFinding> four = ahead.take(folders[2] + "four");
    ASSERT_TRUE(four);
    EXPECT_EQ(four->matchedInPiece, 1u);
    EXPECT_FALSE(ahead.take(folders[2] + "link"));
  }
  EXPECT_EQ(platform::testing::openDescriptors(), before);
}

}  // namespace
}  // namespace tools::text
