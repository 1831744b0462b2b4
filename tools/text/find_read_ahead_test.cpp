// The finder's read-ahead on its own: whatever it is given (files the run passes by, a FIFO, a
// link, a cleared queue, a queue far longer than its window), it never hangs, stops promptly and
// keeps no descriptor open; a finding it gives stands for the file it read, and a file changed so
// recently that a later change could hide gets none. That the run's results do not depend on it
// is find_run_test's part.
#include "tools/text/find_read_ahead.h"

#include "platform/fault_test_support.h"
#include "tools/text/find_run.h"
#include "tools/text/find_test_support.h"

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
    ahead.start(dir_);
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
  ahead.start(dir_);
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

// The helpers reach files only from the run's start folder, one name at a time: a folder of the
// tree swapped for a link to a folder outside it, or a path outside the start folder, is never
// opened by a helper (no finding comes; the run meets such a path itself).
TEST_F(ReadAheadTest, NeverReadsThroughALinkedFolderOrOutsideTheStartFolder) {
  const std::string tree = dir_ + "tree/", outside = dir_ + "outside/";
  for (const std::string& f : {tree, tree + "a/", outside}) ASSERT_EQ(::mkdir(f.c_str(), 0755), 0);
  write("tree/a/one", "needle");
  write("outside/word", "needle");
  ASSERT_EQ(::symlink(outside.c_str(), (tree + "b").c_str()), 0);
  ASSERT_EQ(::symlink((outside + "word").c_str(), (tree + "a/link").c_str()), 0);
  ::usleep(250'000);
  testing::OpenWatch watch(outside);
  ASSERT_TRUE(watch.valid());
  const int before = platform::testing::openDescriptors();
  {
    ReadAhead ahead({.helpers = 2}, matcher_);
    ahead.start(tree);
    ahead.enterFolder(tree + "a/", {"one", "link"});
    ASSERT_TRUE(ahead.waitIdle(std::chrono::seconds(20)));
    const std::optional<AheadFinding> one = ahead.take(tree + "a/one");
    ASSERT_TRUE(one);  // the tree itself is read
    EXPECT_EQ(one->matchedInPiece, 1u);
    EXPECT_FALSE(ahead.take(tree + "a/link"));
    for (const std::string& folder : {tree + "b/", outside, tree + "a/../../outside/"}) {
      ahead.enterFolder(folder, {"word"});
      ASSERT_TRUE(ahead.waitIdle(std::chrono::seconds(20)));
      EXPECT_FALSE(ahead.take(folder + "word")) << folder;
    }
  }
  EXPECT_EQ(platform::testing::openDescriptors(), before);
  EXPECT_EQ(watch.opens(), 0);
}

}  // namespace
}  // namespace tools::text
