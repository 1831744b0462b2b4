#include "tools/renaming/case_preview.h"

#include "core/file_test_fixture.h"
#include "platform/test_trees.h"

#include <filesystem>

namespace tools {
namespace {

using CasePreview = core::testing::FileFixture;

// The first five subfolders by name (made out of name order here), the last of them first.
TEST_F(CasePreview, FolderSamplesAreTheFirstFiveByNameLastFirst) {
  ASSERT_TRUE(platform::testing::makeFoldersOutOfOrder(dir_));
  std::filesystem::create_directories(dir_ + ".hidden");
  make("file.txt", "");
  EXPECT_EQ(listSubFolders(dir_, false), (std::vector<std::string>{"Echo", "Delta", "Charlie", "Bravo", "Alpha"}));
  EXPECT_EQ(listSubFolders(dir_, true), (std::vector<std::string>{"Delta", "Charlie", "Bravo", "Alpha", ".hidden"}));
}

}  // namespace
}  // namespace tools
