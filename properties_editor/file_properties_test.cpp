#include "properties_editor/file_properties.h"

#include "core/file_test_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class LoadFile : public core::testing::FileFixture {
 protected:
  core::ScopedCoreState state_;
};

TEST_F(LoadFile, ShowsTheRealFolderAndTheNameAsBytes) {
  std::filesystem::create_directory(path("real"));
  std::filesystem::create_directory_symlink("real", path("lnk"));
  const std::string name = "a b\nc\xff.txt";  // a blank, a line break, a byte that is not UTF-8
  make("real/" + name, "12345");
  const propedit::LoadResult r = propedit::loadFileProperties(path("lnk/./" + name));
  ASSERT_TRUE(r.file) << r.status;
  EXPECT_EQ(r.file->folder, path("real/"));
  EXPECT_EQ(r.file->name, name);
  EXPECT_EQ(r.file->path, path("real/" + name));
  EXPECT_EQ(r.file->size, 5u);
  EXPECT_TRUE(r.file->modified.known);
}

TEST_F(LoadFile, OnlyRegularFilesAreLoaded) {
  make("target.txt", "x");
  std::filesystem::create_symlink("target.txt", path("link"));
  std::filesystem::create_directory(path("dir"));
  fifo("pipe");
  const std::pair<std::string, const char*> cases[] = {
      {path("link"), "symbolic link"}, {path("dir"), "folder"}, {path("pipe"), "not a regular file"}};
  for (const auto& [p, why] : cases) {
    const propedit::LoadResult r = propedit::loadFileProperties(p);
    EXPECT_FALSE(r.file) << p;
    EXPECT_TRUE(r.exists);
    EXPECT_NE(r.status.find(why), std::string::npos) << r.status;
  }
  const propedit::LoadResult missing = propedit::loadFileProperties(path("none"));
  EXPECT_FALSE(missing.exists);
  EXPECT_NE(missing.status.find("No such file"), std::string::npos);
}

}  // namespace
