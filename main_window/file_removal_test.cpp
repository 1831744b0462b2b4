#include "main_window/file_removal.h"

#include "platform/test_home.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

namespace mainwin {
namespace {

class FileRemovalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vdk-removal-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    home_.emplace(root_, platform::testing::IsolatedHome::perVariable("env/"));
    dir_ = root_ + "/w/";
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    home_.reset();
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  void make(const std::string& name) const { std::ofstream(dir_ + name) << "x"; }
  bool there(const std::string& name) const {
    struct stat sb {};
    return ::lstat((dir_ + name).c_str(), &sb) == 0;
  }

  std::string root_, dir_;
  std::optional<platform::testing::IsolatedHome> home_;
};

TEST_F(FileRemovalTest, DeletesOnlyVisibleFilesMatchingAPatternInExactCase) {
  for (const char* n : {"Results1.txt", "RenUndo 2.txt", "frmMain.txt", "results3.txt", ".Results4.txt", "keep.txt"}) make(n);
  std::filesystem::create_directory(dir_ + "Results5.txt");
  ASSERT_EQ(::symlink("nowhere", (dir_ + "Results6.txt").c_str()), 0);
  deleteMatchingFiles(dir_, {"Results*.txt", "RenUndo *.txt", "frm*.txt"});
  for (const char* gone : {"Results1.txt", "RenUndo 2.txt", "frmMain.txt"}) EXPECT_FALSE(there(gone)) << gone;
  for (const char* kept : {"results3.txt", ".Results4.txt", "keep.txt", "Results5.txt", "Results6.txt"}) {
    EXPECT_TRUE(there(kept)) << kept;
  }
}

TEST_F(FileRemovalTest, FilesListedInDotHiddenAreKeptLikeDotNames) {
  for (const char* n : {"Results1.txt", "Results2.txt", "frmA.txt"}) make(n);
  std::ofstream(dir_ + ".hidden") << "Results2.txt\r\nfrmA.txt\n";
  deleteMatchingFiles(dir_, {"Results*.txt", "frm*.txt"});
  EXPECT_FALSE(there("Results1.txt"));
  EXPECT_TRUE(there("Results2.txt"));
  EXPECT_TRUE(there("frmA.txt"));
}

TEST_F(FileRemovalTest, LinksGoAsThemselvesAndTheirTargetsStay) {
  make("target");
  for (const bool toTrash : {true, false}) {
    ASSERT_EQ(::symlink("nowhere", (dir_ + "dangling").c_str()), 0);
    ASSERT_EQ(::symlink("loop", (dir_ + "loop").c_str()), 0);
    ASSERT_EQ(::symlink("target", (dir_ + "toFile").c_str()), 0);
    ASSERT_EQ(::symlink(dir_.c_str(), (dir_ + "toFolder").c_str()), 0);
    EXPECT_EQ(removeFiles(dir_, {"dangling", "loop", "toFile", "toFolder"}, toTrash), 0) << toTrash;
    for (const char* gone : {"dangling", "loop", "toFile", "toFolder"}) EXPECT_FALSE(there(gone)) << gone << toTrash;
    EXPECT_TRUE(there("target"));
    EXPECT_TRUE(std::filesystem::is_directory(dir_));
  }
  std::ifstream in(dir_ + "target");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "x");
}

TEST_F(FileRemovalTest, CountsTheFilesThatStay) {
  make("a");
  make("b");
  EXPECT_EQ(removeFiles(dir_, {"a", "missing"}, /*toTrash=*/false), 1);
  EXPECT_FALSE(there("a"));
  EXPECT_EQ(removeFiles(dir_, {"b"}, /*toTrash=*/true), 0);
  EXPECT_FALSE(there("b"));
  EXPECT_EQ(removeFiles(dir_, {"missing"}, /*toTrash=*/true), 1);
}

}  // namespace
}  // namespace mainwin
