// The renaming tools on trees that resist them: a second user who swaps a subfolder for a link to
// a folder outside the tree while they run, folders deeper than the longest path the system takes,
// and entries that are not files.
#include "core/link_swap_test_support.h"
#include "platform/fs.h"
#include "platform/test_trees.h"
#include "tools/renaming/case_run.h"
#include "tools/renaming/case_trim_test_support.h"
#include "tools/renaming/rename_test_support.h"

#include <climits>

#include <sys/stat.h>

namespace tools {
namespace {

using core::testing::OutsideFolder;

void refillSub(const std::string& root) {
  std::filesystem::create_directories(root + "sub");
  for (int i = 0; i < 20; ++i) std::ofstream(root + "sub/f" + std::to_string(i) + ".txt") << "inside " << i << "\n";
}

class RenameTreeSteps : public ren::testing::RenameTest {};

TEST_F(RenameTreeSteps, RenamesNeverReachTheOutsideFolder) {
  const OutsideFolder outside(base_ + "outside/");
  int round = 0;
  core::testing::runUnderLinkSwaps(
      outside, root_ + "sub", 30,
      [&] {
        std::filesystem::remove_all(root_ + "sub");
        refillSub(root_);
      },
      [&] {
        (void)run({.startRule = "r" + std::to_string(round++) + "_<oldFileNameNoExt>", .endRule = ".txt",
                   .withSubfolders = true});
      },
      [&] { return shown(); });
}

TEST_F(RenameTreeSteps, AFilePastTheLongestPathIsRenamed) {
  const std::string part(200, 'd');
  const std::string deep = platform::testing::makeDeepFolder(root_, part, 25);
  ASSERT_GT(deep.size(), static_cast<std::size_t>(PATH_MAX));
  ASSERT_EQ(platform::writeNewFile(deep + "deep.txt", "deep"), 0);
  (void)run({.startRule = "new_<oldFileNameNoExt>", .endRule = ".txt", .withSubfolders = true});
  EXPECT_EQ(platform::fileStatus(deep + "new_deep.txt", false).size, 4u) << shown();
  platform::testing::removeTree(root_ + part);
}

class CaseTreeSteps : public testing::ToolRunTest {};

TEST_F(CaseTreeSteps, ContentsNeverReachTheOutsideFolder) {
  const OutsideFolder outside(base_ + "outside/");
  // Each rewrite syncs the disk twice: a dozen rounds keep the test short and still meet the swaps.
  core::testing::runUnderLinkSwaps(
      outside, root_ + "sub", 12, [&] { refillSub(root_); },
      [&] {
        (void)runCaseChanger(pipe_, form_,
                             {.mode = CaseMode::Contents, .styles = {.name = CaseStyle::Upper}, .withSubfolders = true},
                             msg_);
      },
      [] { return std::string(); });
}

// A FIFO is a system file: no tool renames it, whatever the list shows.
TEST_F(CaseTreeSteps, NameModesSkipAFifo) {
  ASSERT_EQ(::mkfifo((root_ + "pipe").c_str(), 0600), 0);
  makeFile("file", "x");
  host_.realListing = false;
  host_.fakeFolders[root_] = {{.name = "file"}, {.name = "pipe"}};
  (void)runCaseChanger(pipe_, form_, {.mode = CaseMode::Files, .styles = {.name = CaseStyle::Upper}}, msg_);
  EXPECT_EQ(namesIn(), (std::vector<std::string>{"FILE", "pipe"}));
}

}  // namespace
}  // namespace tools
