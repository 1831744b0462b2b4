// Copies of files put into the freedesktop trash while the files stay: the home trash on the same
// file system, a file system's own trash elsewhere, names as bytes.
#include "platform/trash_copy.h"

#include "core/file_test_fixture.h"
#include "platform/fault_test_support.h"
#include "platform/replacement_file.h"
#include "platform/test_trees.h"
#include "platform/trash_link_record.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include <csignal>

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

// The links of a run killed before its renames are settled by the next run: an entry goes only
// where it is still a second name of the original in place (never the trash copy of contents that
// were replaced, never a link of a run that is alive), also after links the run settled itself.
TEST_F(TrashCopyTest, TheLinksOfAKilledRunGoOnlyWhereTheOriginalIsStillInPlace) {
  const std::string kept = make("kept.txt", "kept"), replaced = make("replaced.txt", "old contents");
  const std::string live = make("live.txt", "live"), earlier = make("earlier.txt", "earlier");
  TrashEntry keptEntry, replacedEntry, earlierEntry;
  const platform::testing::ChildOutcome child = platform::testing::runInChild([&]() -> std::string {
    TrashCopies copies;
    // A batch before, replaced and settled.
    if (copies.copy(earlier, earlierEntry) != 0) return "no copy";
    std::ofstream(dir_ + "new.txt") << "new earlier";
    if (::rename((dir_ + "new.txt").c_str(), earlier.c_str()) != 0) return "no rename";
    copies.copiesSettled();
    if (copies.copy(kept, keptEntry) != 0 || copies.copy(replaced, replacedEntry) != 0) return "no copy";
    std::ofstream(dir_ + "new.txt") << "new contents";
    if (::rename((dir_ + "new.txt").c_str(), replaced.c_str()) != 0) return "no rename";
    ::raise(SIGKILL);
    return "not killed";
  });
  ASSERT_EQ(child.signal, SIGKILL) << child.report;
  TrashCopies alive;
  TrashEntry liveEntry;
  ASSERT_EQ(alive.copy(live, liveEntry), 0);
  ASSERT_EQ(entries(trash() + "files"), 4u);

  EXPECT_EQ(settleInterruptedTrashLinks(), 1);
  EXPECT_EQ(slurp(kept), "kept");
  struct stat st {};
  ASSERT_EQ(::stat(kept.c_str(), &st), 0);
  EXPECT_EQ(st.st_nlink, 1u);
  EXPECT_FALSE(fs::exists(trash() + "files/kept.txt"));
  EXPECT_FALSE(fs::exists(trash() + "info/kept.txt.trashinfo"));
  EXPECT_EQ(slurp(trash() + "files/replaced.txt"), "old contents");
  EXPECT_TRUE(fs::exists(trash() + "info/replaced.txt.trashinfo"));
  EXPECT_EQ(slurp(trash() + "files/live.txt"), "live");
  EXPECT_EQ(slurp(trash() + "files/earlier.txt"), "earlier");
  EXPECT_EQ(settleInterruptedTrashLinks(), 0);  // each record settled once
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

// A long name is cut to leave room for ".trashinfo" and the number, never inside a character.
TEST_F(TrashCopyTest, LongNamesAreCutBetweenCharacters) {
  std::string name;
  for (int i = 0; i < 84; ++i) name += "\xE6\x97\xA5";  // 252 bytes of a three-byte character
  const std::string file = make(name, "long");
  TrashEntry first, second;
  ASSERT_EQ(copyToTrash(file, first), 0);
  ASSERT_EQ(copyToTrash(file, second), 0);
  const std::string kept = name.substr(0, 81 * 3);  // 245 bytes of room end inside the 82nd
  EXPECT_EQ(first.file, trash() + "files/" + kept);
  EXPECT_EQ(second.file, trash() + "files/" + kept + ".2");
  EXPECT_EQ(slurp(second.file), "long");
  EXPECT_TRUE(fs::exists(second.info));
}

// In a file system's own trash the path below its top is recorded; when that trash is a planted
// link, the copy goes to the home trash as bytes instead, and nothing reaches the link's target.
TEST_F(TrashCopyTest, AnotherFileSystemsTrashRecordsThePathBelowItsTopOrGivesWayToTheHomeTrash) {
  const testing::ChildOutcome child = testing::runInChild([&]() -> std::string {
    if (std::string why = testing::privateMounts(); !why.empty()) return "skip " + why;
    if (std::string why = testing::mountSmallTmpfs(dir_, 1 << 20); !why.empty()) return "skip " + why;
    fs::create_directory(dir_ + "sub");
    const std::string file = make("sub/f.txt", "old");
    TrashEntry own, home;
    if (const int err = copyToTrash(file, own); err != 0) return "error " + std::to_string(err);
    const std::string recorded = slurp(own.info).substr(0, 28);
    const std::string trashName = ".Trash-" + std::to_string(::geteuid());
    fs::rename(dir_ + trashName, dir_ + "moved");
    fs::create_directory(dir_ + "planted");
    fs::create_directory_symlink(dir_ + "planted", dir_ + trashName);
    if (const int err = copyToTrash(file, home); err != 0) return "error " + std::to_string(err);
    struct stat a {}, b {};
    ::stat(file.c_str(), &a);
    ::stat(home.file.c_str(), &b);
    return recorded + "|" + home.file + "|" + slurp(home.file) +
           (a.st_ino == b.st_ino ? "|linked" : "|copied") + "|" + std::to_string(entries(dir_ + "planted"));
  });
  ASSERT_TRUE(child.exited);
  if (child.report.rfind("skip ", 0) == 0) GTEST_SKIP() << child.report;
  EXPECT_EQ(child.report, "[Trash Info]\nPath=sub/f.txt\n|" + trash() + "files/f.txt|old|copied|0");
}

// A copy of the bytes (into the home trash, from another file system) keeps the file's holes and
// appears whole or not at all.
TEST_F(TrashCopyTest, ACopyOfTheBytesKeepsHoles) {
  const testing::ChildOutcome child = testing::runInChild([&]() -> std::string {
    if (std::string why = testing::privateMounts(); !why.empty()) return "skip " + why;
    if (std::string why = testing::mountSmallTmpfs(dir_, 1 << 20); !why.empty()) return "skip " + why;
    make(".Trash-" + std::to_string(::geteuid()), "no trash here");  // the home trash takes it
    const std::string file = make("sparse", "");
    if (!testing::makeSparseFile(file, std::uint64_t{64} << 20, {{std::uint64_t{40} << 20, "data"}}))
      return "error: the sparse file";
    TrashEntry entry;
    if (const int err = copyToTrash(file, entry); err != 0) return "error " + std::to_string(err);
    struct stat st {};
    ::stat(entry.file.c_str(), &st);
    std::size_t temporaries = 0;
    for (const auto& e : fs::directory_iterator(trash() + "files"))
      temporaries += isTemporaryName(e.path().filename().string()) ? 1 : 0;
    return std::to_string(st.st_size) + (st.st_blocks * 512 < (1 << 20) ? " sparse" : " filled") + " " +
           std::to_string(temporaries) + (slurp(entry.file) == slurp(file) ? " same" : " differs");
  });
  ASSERT_TRUE(child.exited);
  if (child.report.rfind("skip ", 0) == 0) GTEST_SKIP() << child.report;
  EXPECT_EQ(child.report, std::to_string(std::uint64_t{64} << 20) + " sparse 0 same");
}

}  // namespace
}  // namespace platform
