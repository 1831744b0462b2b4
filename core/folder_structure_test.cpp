#include "core/folder_structure.h"

#include "platform/dir_walk.h"
#include "platform/test_trees.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// root/ a/ a/a1/ a/.ha/ b/ .hid/ listed/ (named in .hidden) WinSxS/ winsxs/ locked/ locked/in/
//       file.txt  link_a -> a  a/loop -> ..
class FolderStructureTest : public testing::Test {
 protected:
  void SetUp() override {
    const char* tmp = std::getenv("TMPDIR");
    std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/folderstruct-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr) << std::strerror(errno);
    base_ = tmpl;
    root_ = tmpl + "/";
    for (const char* d : {"a", "a/a1", "a/.ha", "b", ".hid", "listed", "WinSxS", "winsxs", "locked",
                          "locked/in"})
      fs::create_directory(root_ + d);
    std::ofstream(root_ + "file.txt") << "x";
    std::ofstream(root_ + ".hidden") << "listed\n";
    fs::create_directory_symlink(root_ + "a", root_ + "link_a");
    fs::create_directory_symlink("..", root_ + "a/loop");
  }
  void TearDown() override {
    ::chmod((root_ + "locked").c_str(), 0755);
    platform::testing::removeTree(root_);  // also trees deeper than PATH_MAX
  }
  // The entries relative to the fixture root, sorted ("" for the root itself).
  std::vector<std::string> rel(std::vector<std::string> list) const {
    for (auto& e : list) e = e.size() >= base_.size() ? e.substr(base_.size()) : "?" + e;
    std::sort(list.begin(), list.end());
    return list;
  }
  std::string base_;  // without the trailing "/"
  std::string root_;  // with it
};

TEST_F(FolderStructureTest, ListsDirectSubfolders) {
  struct Row {
    const char* name;
    int (*routine)(const std::string&, std::vector<std::string>&, const core::UnreadableFolderFn&,
                   const core::FolderLister&);
    std::vector<std::string> expected;
  };
  const Row rows[] = {
      {"all", core::RetDirStruct, {"/.hid", "/a", "/b", "/listed", "/locked", "/winsxs"}},
      {"visible", core::RetDirStructVisible, {"/a", "/b", "/locked", "/winsxs"}},
  };
  for (const Row& row : rows) {
    for (const std::string& folder : {base_, root_}) {  // the trailing "/" is optional
      std::vector<std::string> list{base_ + "/first"};
      EXPECT_EQ(row.routine(folder, list, {}, {}), 0) << row.name;
      ASSERT_FALSE(list.empty());
      EXPECT_EQ(list.front(), base_ + "/first") << "appends after the entries already there";
      list.erase(list.begin());
      EXPECT_EQ(rel(list), row.expected) << row.name << " on " << folder;
    }
  }
}

TEST_F(FolderStructureTest, MissingFolderLeavesListAndIsReported) {
  std::vector<std::string> list{"kept"};
  std::vector<std::pair<std::string, int>> reported;
  const int r = core::RetDirStruct(root_ + "gone", list,
                                   [&](const std::string& f, int err) { reported.emplace_back(f, err); });
  EXPECT_EQ(r, ENOENT);
  EXPECT_EQ(list, std::vector<std::string>{"kept"});
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0].first, root_ + "gone/");
  EXPECT_EQ(reported[0].second, ENOENT);
}

TEST(FolderStructureRoot, RootKeepsSingleSlash) {
  std::vector<std::string> list;
  ASSERT_EQ(core::RetDirStruct("/", list), 0);
  ASSERT_FALSE(list.empty());
  for (const auto& e : list) {
    EXPECT_EQ(e[0], '/');
    EXPECT_NE(e[1], '/') << e;
  }
  EXPECT_EQ(core::withTrailingSlash("/"), "/");
  EXPECT_EQ(core::withTrailingSlash("/x"), "/x/");
  EXPECT_EQ(core::withTrailingSlash("/x/"), "/x/");
  EXPECT_EQ(core::withTrailingSlash(""), "");
}

TEST_F(FolderStructureTest, ExpandsWholeTreeBreadthFirst) {
  struct Row {
    bool includeHidden;
    std::vector<std::string> expected;
  };
  const Row rows[] = {
      {true, {"", "/.hid", "/a", "/a/.ha", "/a/a1", "/b", "/listed", "/locked", "/locked/in", "/winsxs"}},
      {false, {"", "/a", "/a/a1", "/b", "/locked", "/locked/in", "/winsxs"}},
  };
  for (const Row& row : rows) {
    std::vector<std::string> list{base_};
    core::ExpandOptions opt;
    opt.includeHidden = row.includeHidden;
    const auto result = core::expandFolderTree(list, opt);
    EXPECT_FALSE(result.cancelled);
    EXPECT_EQ(result.unreadable, 0u);
    EXPECT_EQ(rel(list), row.expected) << "includeHidden=" << row.includeHidden;
    // Every direct subfolder comes before any folder two levels down.
    const auto depth = [&](const std::string& s) { return std::count(s.begin(), s.end(), '/'); };
    EXPECT_TRUE(std::is_sorted(list.begin(), list.end(),
                               [&](const auto& x, const auto& y) { return depth(x) < depth(y); }));
  }
}

TEST_F(FolderStructureTest, TickEveryNEntriesAndCancel) {
  std::vector<std::string> list{base_};
  std::vector<std::string> ticks;
  core::ExpandOptions opt;
  opt.includeHidden = true;
  opt.tickEvery = 4;
  opt.tick = [&](const std::string& entry) {
    ticks.push_back(entry);
    return true;
  };
  core::expandFolderTree(list, opt);
  ASSERT_EQ(list.size(), 10u);
  EXPECT_EQ(ticks, (std::vector<std::string>{list[3], list[7]}));

  list = {base_};
  opt.tick = [](const std::string&) { return false; };
  const auto result = core::expandFolderTree(list, opt);
  EXPECT_TRUE(result.cancelled);
  EXPECT_TRUE(list.empty());
}

// A folder that cannot be read is reported with its errno and passed over; the rest of the tree,
// the folders read before a mid-listing error included, is still listed. Runs as root too.
TEST_F(FolderStructureTest, UnreadableFoldersReportedThroughInjectedLister) {
  const core::FolderLister lister = [&](const std::string& folder, bool includeHidden,
                                        std::vector<std::string>& names) {
    if (folder == root_ + "locked/") return EACCES;
    const int err = platform::listSubfolders(folder, includeHidden, names);
    return folder == root_ + "a/" ? EIO : err;  // "a" fails after its entries were read
  };
  std::vector<std::string> list{base_};
  std::vector<std::pair<std::string, int>> reported;
  core::ExpandOptions opt;
  opt.lister = lister;
  opt.onUnreadable = [&](const std::string& f, int err) { reported.emplace_back(f, err); };
  const auto result = core::expandFolderTree(list, opt);
  EXPECT_EQ(result.unreadable, 2u);
  EXPECT_EQ(rel(list), (std::vector<std::string>{"", "/a", "/a/a1", "/b", "/locked", "/winsxs"}));
  std::sort(reported.begin(), reported.end());
  EXPECT_EQ(reported, (std::vector<std::pair<std::string, int>>{{root_ + "a/", EIO},
                                                                 {root_ + "locked/", EACCES}}));
}

TEST_F(FolderStructureTest, UnreadableFolderOnDisk) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads mode-000 folders; the injected lister covers it";
  ASSERT_EQ(::chmod((root_ + "locked").c_str(), 0), 0);
  std::vector<std::string> list{base_};
  std::vector<std::pair<std::string, int>> reported;
  core::ExpandOptions opt;
  opt.onUnreadable = [&](const std::string& f, int err) { reported.emplace_back(f, err); };
  const auto result = core::expandFolderTree(list, opt);
  EXPECT_EQ(result.unreadable, 1u);
  EXPECT_EQ(reported, (std::vector<std::pair<std::string, int>>{{root_ + "locked/", EACCES}}));
  EXPECT_EQ(rel(list), (std::vector<std::string>{"", "/a", "/a/a1", "/b", "/locked", "/winsxs"}));
}

// A folder swapped for a link to another tree after it was found (here: just before its turn)
// is reported and not entered; a tree deeper than PATH_MAX is listed whole.
TEST_F(FolderStructureTest, ASwappedFolderIsNotEnteredAndDeepTreesAreListedWhole) {
  const std::string outside = base_ + "-outside/";
  fs::create_directories(outside + "secret");
  std::vector<std::string> list{base_};
  std::vector<std::pair<std::string, int>> reported;
  core::ExpandOptions opt;
  opt.includeHidden = true;
  opt.tickEvery = 1;
  opt.tick = [&](const std::string& entry) {
    if (entry == base_ + "/a/a1") {
      fs::rename(entry, base_ + "/moved");
      fs::create_directory_symlink(outside, entry);
    }
    return true;
  };
  opt.onUnreadable = [&](const std::string& f, int err) { reported.emplace_back(f, err); };
  core::expandFolderTree(list, opt);
  fs::remove_all(outside);
  for (const std::string& e : list) EXPECT_EQ(e.find("secret"), std::string::npos) << e;
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0].first, root_ + "a/a1/");
  EXPECT_TRUE(reported[0].second == ELOOP || reported[0].second == ENOTDIR) << reported[0].second;

  const std::string name(200, 'd');
  ASSERT_TRUE(platform::testing::makeDeepTree(root_ + "b", name, 30));
  list = {root_ + "b"};
  reported.clear();
  opt.tick = {};
  const auto result = core::expandFolderTree(list, opt);
  EXPECT_EQ(result.unreadable, 0u);
  ASSERT_EQ(list.size(), 31u);
  EXPECT_EQ(list.back().size(), root_.size() + 1 + 30 * 201);
}

}  // namespace
