#include "platform/step_scope.h"

#include "platform/file_attributes.h"
#include "platform/fs.h"
#include "platform/test_temp_dir.h"
#include "platform/test_trees.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

namespace fs = std::filesystem;

class StepScopeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    base_ = tmp_.path().toStdString() + "/";
    root_ = base_ + "tree/";
    fs::create_directories(root_ + "sub");
    fs::create_directories(base_ + "outside");
    write(root_ + "sub/a.txt", "inside");
    write(base_ + "outside/a.txt", "outside");
  }
  static void write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }
  static bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
  }
  // Puts a link to the outside folder where sub was, keeping sub under another name.
  void swapSubForLink() {
    fs::rename(root_ + "sub", root_ + "moved");
    fs::create_symlink(base_ + "outside", root_ + "sub");
  }

  void TearDown() override { testing::removeTree(base_); }  // also what lies past PATH_MAX

  testing::TempDir tmp_;
  std::string base_, root_;
};

TEST_F(StepScopeTest, AFolderOnceEnteredStaysTheOneItWasWhateverItsNameLeadsToLater) {
  StepScope scope(root_);
  ASSERT_EQ(scope.rootError(), 0);
  ASSERT_EQ(scope.enter(root_ + "sub/"), 0);
  swapSubForLink();
  // The steps still act in the folder that was entered, now at tree/moved.
  EXPECT_EQ(fileStatus(root_ + "sub/a.txt", false).size, 6u);
  EXPECT_EQ(removeFile(root_ + "sub/a.txt"), 0);
  EXPECT_FALSE(exists(root_ + "moved/a.txt"));
  EXPECT_TRUE(exists(base_ + "outside/a.txt"));
}

TEST_F(StepScopeTest, ALinkInTheWayIsNeverFollowedBelowTheRoot) {
  swapSubForLink();
  StepScope scope(root_);
  const int err = scope.enter(root_ + "sub/");
  EXPECT_TRUE(err == ENOTDIR || err == ELOOP) << err;
  EXPECT_NE(removeFile(root_ + "sub/a.txt"), 0);
  EXPECT_NE(setReadOnly(root_ + "sub/a.txt", true), 0);
  EXPECT_NE(renameNoReplace(root_ + "sub/a.txt", root_ + "taken.txt"), 0);
  EXPECT_TRUE(exists(base_ + "outside/a.txt"));
  EXPECT_FALSE(exists(root_ + "taken.txt"));
  // Nothing climbs out with "..".
  EXPECT_EQ(removeFile(root_ + "moved/../../outside/a.txt"), EXDEV);
  EXPECT_TRUE(exists(base_ + "outside/a.txt"));
}

// Another thread's scope, made from the run's shared start folder, is the same folder even once
// its name leads elsewhere, and follows no link below it either.
TEST_F(StepScopeTest, AScopeOfAnotherThreadWorksInTheSharedStartFolder) {
  std::optional<SharedRoot> shared;
  {
    StepScope run(root_);
    shared.emplace(root_);  // through the run's scope
  }
  ASSERT_EQ(shared->error(), 0);
  EXPECT_EQ(shared->root(), root_);
  swapSubForLink();
  // The start folder's name now leads outside too.
  fs::rename(base_ + "tree", base_ + "tree-moved");
  fs::create_symlink(base_ + "outside", base_ + "tree");
  std::uint64_t size = 0;
  int entered = 0;
  std::thread([&] {
    StepScope helper(*shared);
    EXPECT_EQ(helper.root(), root_);
    size = fileStatus(root_ + "moved/a.txt", false).size;  // tree-moved/moved/a.txt
    entered = helper.enter(root_ + "sub/");
  }).join();
  EXPECT_EQ(size, 6u);
  EXPECT_TRUE(entered == ENOTDIR || entered == ELOOP) << entered;
  EXPECT_FALSE(StepScope::anyActive());  // the helper's scope was its thread's only
}

TEST_F(StepScopeTest, ASharedRootThatCannotBeOpenedLeavesItsScopesWithItsError) {
  const SharedRoot shared(base_ + "missing/");
  EXPECT_EQ(shared.error(), ENOENT);
  const StepScope scope(shared);
  EXPECT_EQ(scope.rootError(), ENOENT);
}

TEST_F(StepScopeTest, AnotherFolderUnderTheNameTheWalkSawIsNotEntered) {
  StepScope scope(root_);
  int err = 0;
  const FileIdentity walked = scope.identityOf(root_ + "sub/", err);
  ASSERT_EQ(err, 0);
  fs::rename(root_ + "sub", root_ + "moved");
  fs::create_directories(root_ + "sub");
  StepScope later(root_);  // the next run: it opens the names afresh
  EXPECT_EQ(later.enter(root_ + "sub/", &walked), kFolderChanged);
  EXPECT_EQ(later.enter(root_ + "moved/", &walked), 0);
}

TEST_F(StepScopeTest, AFolderRenamedByAStepIsKnownUnderItsNewName) {
  StepScope scope(root_);
  ASSERT_EQ(scope.enter(root_ + "sub/"), 0);
  ASSERT_EQ(renameNoReplace(root_ + "sub", root_ + "renamed"), 0);
  fs::create_directories(root_ + "sub");
  write(root_ + "sub/a.txt", "new sub");
  EXPECT_EQ(fileStatus(root_ + "renamed/a.txt", false).size, 6u);
  EXPECT_EQ(fileStatus(root_ + "sub/a.txt", false).size, 7u);
}

// Folders deeper than the system takes in one path: every step still reaches them, inside a scope
// and outside one.
TEST_F(StepScopeTest, StepsReachEntriesPastTheLongestPathTheSystemTakes) {
  const std::string part(200, 'd');
  const std::string deep = testing::makeDeepFolder(root_, part, 25);
  ASSERT_GT(deep.size(), static_cast<std::size_t>(PATH_MAX));
  for (const bool scoped : {true, false}) {
    std::optional<StepScope> scope;
    if (scoped) scope.emplace(root_);
    const std::string file = deep + "f.txt";
    ASSERT_EQ(writeNewFile(file, "deep"), 0) << scoped;
    EXPECT_EQ(fileStatus(file, false).size, 4u);
    const FileTime t{.sec = 1234567890, .nsec = 0, .known = true};
    EXPECT_EQ(setFileTimes(file, &t, &t), 0);
    EXPECT_EQ(fileStatus(file, false).modified.sec, 1234567890);
    EXPECT_EQ(renameNoReplace(file, deep + "g.txt"), 0);
    EXPECT_EQ(readRange(deep + "g.txt", 0, 0).data, "deep");
    EXPECT_EQ(removeFile(deep + "g.txt"), 0);
    EXPECT_EQ(fileStatus(deep + "g.txt", false).error, ENOENT);
  }
}

}  // namespace
}  // namespace platform
