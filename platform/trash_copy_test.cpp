// Copies of files put into the freedesktop trash while the files stay: the home trash on the same
// file system, a file system's own trash elsewhere, names as bytes.
#include "platform/trash_copy.h"

#include "core/file_test_fixture.h"
#include "platform/fault_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

namespace fs = std::filesystem;

class TrashCopyTest : public core::testing::FileFixture {
 protected:
  static std::size_t entries(const std::string& folder) {
    std::error_code ec;
    std::size_t n = 0;
    for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); ++it) ++n;
    return n;
  }
  std::string trash() const { return root_ + "/home/.local/share/Trash/"; }
};

TEST_F(TrashCopyTest, ACopyGoesToTheHomeTrashAndTheFileStays) {
  // Bytes that are not UTF-8 and characters a URL must escape.
  const std::string name = "bad\xFF name%.txt";
  const std::string file = make(name, "old contents");
  TrashEntry first, second;
  ASSERT_EQ(copyToTrash(file, first), 0);
  ASSERT_EQ(copyToTrash(file, second), 0);

  EXPECT_EQ(slurp(file), "old contents");
  EXPECT_EQ(first.file, trash() + "files/" + name);
  EXPECT_EQ(second.file, trash() + "files/" + name + ".2");
  EXPECT_EQ(slurp(second.file), "old contents");
  struct stat a {}, b {};
  ASSERT_EQ(::stat(file.c_str(), &a), 0);
  ASSERT_EQ(::stat(first.file.c_str(), &b), 0);
  EXPECT_EQ(a.st_ino, b.st_ino);  // a hard link, not a copy of the bytes
  const std::string info = slurp(first.info);
  EXPECT_EQ(first.info, trash() + "info/" + name + ".trashinfo");
  EXPECT_EQ(info.rfind("[Trash Info]\nPath=" + dir_ + "bad%FF%20name%25.txt\nDeletionDate=", 0), 0u) << info;

  EXPECT_EQ(withdrawFromTrash(first), 0);
  EXPECT_FALSE(fs::exists(first.file));
  EXPECT_FALSE(fs::exists(first.info));
  EXPECT_EQ(slurp(file), "old contents");
}

TEST_F(TrashCopyTest, OnlyRegularFilesAreCopied) {
  const std::string target = make("target", "x");
  fs::create_symlink(target, dir_ + "link");
  fifo("fifo");
  TrashEntry entry;
  EXPECT_EQ(copyToTrash(dir_ + "link", entry), EINVAL);
  EXPECT_EQ(copyToTrash(dir_ + "fifo", entry), EINVAL);
  EXPECT_EQ(copyToTrash(dir_ + "none", entry), ENOENT);
  EXPECT_EQ(entries(trash() + "files"), 0u);
  EXPECT_EQ(entries(trash() + "info"), 0u);
}

TEST_F(TrashCopyTest, AnotherFileSystemUsesItsOwnTrash) {
  // A small file system of its own, visible only to a child process.
  const testing::ChildOutcome child = testing::runInChild([&]() -> std::string {
    if (std::string why = testing::privateMounts(); !why.empty()) return "skip " + why;
    if (std::string why = testing::mountSmallTmpfs(dir_, 1 << 20); !why.empty()) return "skip " + why;
    const std::string file = make("f.txt", "old");
    TrashEntry entry;
    if (const int err = copyToTrash(file, entry); err != 0) return "error " + std::to_string(err);
    return entry.file + "|" + slurp(entry.file) + "|" + slurp(file);
  });
  ASSERT_TRUE(child.exited);
  if (child.report.rfind("skip ", 0) == 0) GTEST_SKIP() << child.report;
  EXPECT_EQ(child.report, dir_ + ".Trash-" + std::to_string(::geteuid()) + "/files/f.txt|old|old");
}

}  // namespace
}  // namespace platform
