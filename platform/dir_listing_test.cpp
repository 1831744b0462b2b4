#include "platform/dir_listing.h"
#include "platform/file_attributes.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <map>

namespace platform {
namespace {

class DirListingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    dir_ = tmp_.path().toStdString() + "/";
    std::ofstream(dir_ + "file") << "12345";
    std::ofstream(dir_ + "a;b?[c]#") << "";
    ASSERT_EQ(::mkdir((dir_ + "sub").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("sub", (dir_ + "linkdir").c_str()), 0);
    ASSERT_EQ(::symlink("missing", (dir_ + "dangling").c_str()), 0);
    ASSERT_EQ(::mkfifo((dir_ + "fifo").c_str(), 0644), 0);
  }
  QTemporaryDir tmp_;
  std::string dir_;
};

TEST_F(DirListingTest, NamesAndKindsWithoutDots) {
  FolderReader r;
  ASSERT_EQ(r.open(dir_), 0);
  std::vector<DirName> names;
  ASSERT_EQ(r.readNames(names), 0);
  std::map<std::string, DirEntryKind> kinds;
  for (const DirName& d : names) kinds[d.name] = d.kind;
  ASSERT_EQ(kinds.size(), 6u);
  EXPECT_EQ(kinds.count("."), 0u);
  EXPECT_EQ(kinds.count(".."), 0u);
  // Some file systems leave the type unknown; where they report it, it must be right.
  const auto is = [&](const char* n, DirEntryKind k) {
    return kinds.at(n) == k || kinds.at(n) == DirEntryKind::Unknown;
  };
  EXPECT_TRUE(is("file", DirEntryKind::File));
  EXPECT_TRUE(is("a;b?[c]#", DirEntryKind::File));
  EXPECT_TRUE(is("sub", DirEntryKind::Folder));
  EXPECT_TRUE(is("linkdir", DirEntryKind::Symlink));
  EXPECT_TRUE(is("fifo", DirEntryKind::Other));
  // Reading again starts from the beginning.
  std::vector<DirName> again;
  ASSERT_EQ(r.readNames(again), 0);
  EXPECT_EQ(again.size(), 6u);
}

TEST_F(DirListingTest, StatusFollowsLinksAndNeverOpensFifos) {
  FolderReader r;
  ASSERT_EQ(r.open(dir_), 0);
  EntryStatus st = r.status("linkdir", kStatType);
  EXPECT_TRUE(st.ok);
  EXPECT_TRUE(st.isFolder);
  st = r.status("dangling", kStatType);
  EXPECT_TRUE(st.ok);
  EXPECT_TRUE(st.isSymlink);
  EXPECT_FALSE(st.isFolder);
  st = r.status("file", kStatSize | kStatTimes | kStatCreated);
  EXPECT_TRUE(st.isRegular);
  EXPECT_EQ(st.size, 5u);
  EXPECT_GT(st.modified, 0);
  st = r.status("fifo", kStatSize);  // a FIFO without a writer would block any open
  EXPECT_TRUE(st.ok);
  EXPECT_FALSE(st.isRegular);
  EXPECT_FALSE(r.archive("fifo"));
  EXPECT_FALSE(r.status("vanished", kStatType).ok);
}

TEST_F(DirListingTest, HiddenNamesFromDotHidden) {
  FolderReader r;
  ASSERT_EQ(r.open(dir_), 0);
  EXPECT_TRUE(r.hiddenNames().empty());
  std::ofstream(dir_ + ".hidden") << "file\r\n\nsub\nlast";
  const auto h = r.hiddenNames();
  EXPECT_EQ(h, (std::unordered_set<std::string>{"file", "sub", "last"}));
}

TEST_F(DirListingTest, HiddenFileThatIsAFifoIsIgnored) {
  ASSERT_EQ(::mkfifo((dir_ + ".hidden").c_str(), 0644), 0);
  FolderReader r;
  ASSERT_EQ(r.open(dir_), 0);
  EXPECT_TRUE(r.hiddenNames().empty());
}

// The file list and the attribute reader agree on the archive flag, a long value included.
TEST_F(DirListingTest, ArchiveXattrValues) {
  FolderReader r;
  ASSERT_EQ(r.open(dir_), 0);
  const std::string file = dir_ + "file";
  if (::lsetxattr(file.c_str(), kArchiveXattr, "0", 1, 0) != 0)
    GTEST_SKIP() << "no user extended attributes here";
  const struct {
    std::string value;
    bool set;
  } rows[] = {{"0", false}, {"1", true}, {"", true}, {"a value longer than eight", true}};
  for (const auto& row : rows) {
    ASSERT_EQ(::lsetxattr(file.c_str(), kArchiveXattr, row.value.data(), row.value.size(), 0), 0);
    EXPECT_EQ(r.archive("file"), row.set) << row.value;
    EXPECT_EQ(readAttributes(file).archive, row.set) << row.value;
  }
}

TEST_F(DirListingTest, OpenErrors) {
  FolderReader r;
  EXPECT_EQ(r.open(dir_ + "missing"), ENOENT);
  EXPECT_FALSE(r.isOpen());
  EXPECT_EQ(r.open(dir_ + "file"), ENOTDIR);
  EXPECT_EQ(r.open(dir_ + "linkdir/"), 0);  // a link to a folder opens that folder
  std::vector<DirName> names;
  EXPECT_EQ(FolderReader().readNames(names), EBADF);
}

}  // namespace
}  // namespace platform
