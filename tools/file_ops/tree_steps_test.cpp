// The file tools on trees that resist them: a second user who swaps a subfolder of the tree for a
// link to a folder outside it while they run (every step acts in the folder the walk found, or
// leaves it alone with a line; the outside folder is never changed), and folders deeper than the
// longest path the system takes.
#include "core/link_swap_test_support.h"
#include "tools/file_ops/attrib_run.h"
#include "tools/file_ops/date_run.h"
#include "tools/file_ops/delete_run.h"
#include "tools/file_ops/delete_test_support.h"
#include "tools/file_ops/encrypt_run.h"
#include "platform/fs.h"
#include "platform/test_trees.h"

#include <climits>

#include <functional>

namespace tools::file_ops {
namespace {

using core::testing::LinkSwapper;
using core::testing::OutsideFolder;

core::MessageTable placeholderMessages() {
  std::vector<std::string> texts;
  for (int n = 1; n <= 100; ++n) texts.push_back("[" + std::to_string(n) + "]");
  return core::MessageTable(std::move(texts));
}

class TreeSteps : public testing::DeleteTest {
 protected:
  // The tree's subfolder with its files, made again for every run.
  void refillSub() {
    makeDir("sub");
    for (int i = 0; i < 20; ++i) makeFile("sub/f" + std::to_string(i) + ".txt", "inside " + std::to_string(i) + "\n");
  }
  // Runs `run` over the tree `rounds` times while sub is swapped for a link to the outside folder.
  void attack(const std::string& tool, const std::function<void()>& run, int rounds = 30) {
    const OutsideFolder outside(base_ + "outside/");
    core::testing::runUnderLinkSwaps(outside, root_ + "sub", rounds, [&] { refillSub(); }, run,
                                     [&] { return tool + ": " + report(); });
  }
  const core::MessageTable msg_ = placeholderMessages();
};

TEST_F(TreeSteps, DeleteTrashAndWipeNeverReachTheOutsideFolder) {
  for (const DeleteMode mode : {DeleteMode::Delete, DeleteMode::Recycle, DeleteMode::WipeFiles}) {
    attack("mode " + std::to_string(static_cast<int>(mode)), [&] {
      (void)deleteStart(pipe_, form_, {.mode = mode, .folder = root_, .withSubfolders = true, .pattern = "*"}, msg_);
    });
  }
}

TEST_F(TreeSteps, AttributesDatesAndEncryptionNeverReachTheOutsideFolder) {
  attack("attributes", [&] {
    (void)runAttributes(pipe_, form_,
                        {.archive = AttribChange::Set, .readOnly = AttribChange::Set, .withSubfolders = true}, msg_);
    // Clearing R again lets the next round write the files anew.
    (void)runAttributes(pipe_, form_, {.readOnly = AttribChange::Clear, .withSubfolders = true}, msg_);
  });
  attack("dates", [&] {
    DateOptions options{.withSubfolders = true};
    options.change.modifiedDate = {.ticked = true, .text = "02/03/2004"};
    (void)runDates(pipe_, form_, options, msg_);
  });
  // Each rewrite syncs the disk twice: a dozen rounds keep the test short and still meet the swaps.
  attack("encryption", [&] {
    (void)encryptFiles(pipe_, form_, {.typedKey = "Swap4Key", .withSubfolders = true}, msg_);
  }, 12);
}

// Read Only set on a file that is swapped for a link to a private file: the link is never followed.
TEST_F(TreeSteps, ReadOnlyNeverFollowsALinkSwappedInForTheFile) {
  const OutsideFolder outside(base_ + "outside/", 1);
  long swaps = 0;
  for (int round = 0; round < 40; ++round) {
    const std::string file = makeFile("file.txt", "mine\n");
    ::chmod(file.c_str(), 0644);
    LinkSwapper swapper(file, outside.path() + "private0.txt");
    swapper.start();
    (void)runAttributes(pipe_, form_, {.readOnly = AttribChange::Set}, msg_);
    (void)runAttributes(pipe_, form_, {.readOnly = AttribChange::Clear}, msg_);
    swapper.stop();
    swaps += swapper.swaps();
    ASSERT_EQ(outside.changes(), "") << "round " << round << ": " << report();
  }
  EXPECT_GT(swaps, 0);
}

// A file 25 folders of 200-byte names down (past PATH_MAX) is deleted and given its dates like any
// other.
TEST_F(TreeSteps, FilesPastTheLongestPathAreDeletedAndGivenTheirDates) {
  const std::string part(200, 'd');
  const std::string deep = platform::testing::makeDeepFolder(root_, part, 25);
  ASSERT_GT(deep.size(), static_cast<std::size_t>(PATH_MAX));
  ASSERT_EQ(platform::writeNewFile(deep + "deep.txt", "deep"), 0);

  DateOptions options{.withSubfolders = true};
  options.change.modifiedDate = {.ticked = true, .text = "02/03/2004"};
  options.change.modifiedTime = {.ticked = true, .text = "12:00:00"};
  ASSERT_EQ(runDates(pipe_, form_, options, msg_).refused, DateRefusal::None);
  const platform::FileStatus st = platform::fileStatus(deep + "deep.txt", false);
  ASSERT_EQ(st.error, 0) << report();
  EXPECT_LT(std::abs(st.modified.sec - 1075809600), 86400) << report();  // 3 February 2004, local noon

  (void)deleteStart(pipe_, form_, {.folder = root_, .withSubfolders = true, .pattern = "*"}, msg_);
  EXPECT_EQ(platform::fileStatus(deep + "deep.txt", false).error, ENOENT) << report();
  platform::testing::removeTree(root_ + part);
}

}  // namespace
}  // namespace tools::file_ops
