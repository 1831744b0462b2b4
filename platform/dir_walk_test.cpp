#include "platform/dir_walk.h"
#include "platform/fault_test_support.h"
#include "platform/test_trees.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// root/ a/ a/a1/ a/.ha/ b/ .hid/ listed/ (named in .hidden) locked/ locked/inner/ file.txt
//       link_a -> a   dangling -> nowhere   a/up -> .. (a loop, if it were followed)
class DirWalkTest : public testing::Test {
 protected:
  void SetUp() override {
    const char* tmp = std::getenv("TMPDIR");
    std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/dirwalk-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr) << std::strerror(errno);
    root_ = tmpl + "/";
    for (const char* d : {"a", "a/a1", "a/.ha", "b", ".hid", "listed", "locked", "locked/inner"})
      fs::create_directory(root_ + d);
    std::ofstream(root_ + "file.txt") << "x";
    std::ofstream(root_ + ".hidden") << "listed\r\nnot-there\n";
    fs::create_directory_symlink(root_ + "a", root_ + "link_a");
    fs::create_symlink(root_ + "nowhere", root_ + "dangling");
    fs::create_directory_symlink("..", root_ + "a/up");
  }
  void TearDown() override {
    ::chmod((root_ + "locked").c_str(), 0755);
    platform::testing::removeTree(root_);  // also trees deeper than PATH_MAX
  }
  static std::vector<std::string> sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
  }
  std::string root_;
};

TEST_F(DirWalkTest, ListsSubfoldersWithAndWithoutHidden) {
  struct Row {
    bool includeHidden;
    std::vector<std::string> expected;
  };
  for (const Row& row : {Row{true, {".hid", "a", "b", "listed", "locked"}},
                         Row{false, {"a", "b", "locked"}}}) {
    std::vector<std::string> names{"kept"};
    EXPECT_EQ(platform::listSubfolders(root_, row.includeHidden, names), 0);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), "kept") << "appends, never replaces";
    names.erase(names.begin());
    EXPECT_EQ(sorted(names), row.expected) << "includeHidden=" << row.includeHidden;
  }
}

TEST_F(DirWalkTest, ReportsFailuresAsErrno) {
  std::vector<std::string> names{"kept"};
  EXPECT_EQ(platform::listSubfolders(root_ + "missing/", true, names), ENOENT);
  EXPECT_EQ(platform::listSubfolders(root_ + "file.txt", true, names), ENOTDIR);
  EXPECT_EQ(names, std::vector<std::string>{"kept"});
  // A folder that is a symlink is listed when asked for by name, refused when found by a walk.
  EXPECT_EQ(platform::listSubfolders(root_ + "link_a", true, names), 0);
  EXPECT_NE(platform::listSubfolders(root_ + "link_a", true, names, false), 0);
}

TEST_F(DirWalkTest, WalksBreadthFirstWithoutFollowingLinks) {
  for (bool includeHidden : {true, false}) {
    std::vector<std::string> seen;
    std::vector<std::string> unreadable;
    const auto stats = platform::walkFolders(
        root_.substr(0, root_.size() - 1), includeHidden,
        [&](const std::string& f) {
          seen.push_back(f.substr(root_.size() - 1));
          return true;
        },
        [&](const std::string& f, int) { unreadable.push_back(f); });
    std::vector<std::string> expected = {"/", "/a/", "/b/", "/locked/", "/a/a1/", "/locked/inner/"};
    if (includeHidden) expected = {"/", "/.hid/", "/a/", "/b/", "/listed/", "/locked/", "/a/.ha/",
                                   "/a/a1/", "/locked/inner/"};
    ASSERT_EQ(seen.front(), "/");
    // Breadth-first: every direct subfolder of the root comes before any deeper folder.
    const auto depth = [](const std::string& s) { return std::count(s.begin(), s.end(), '/'); };
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end(),
                               [&](const auto& x, const auto& y) { return depth(x) < depth(y); }));
    EXPECT_EQ(sorted(seen), sorted(expected)) << "includeHidden=" << includeHidden;
    EXPECT_EQ(stats.folders, expected.size());
    EXPECT_TRUE(unreadable.empty());
    EXPECT_FALSE(stats.stopped);
  }
}

TEST_F(DirWalkTest, VisitorStopsTheWalk) {
  std::size_t calls = 0;
  const auto stats = platform::walkFolders(root_, true, [&](const std::string&) { return ++calls < 3; }, {});
  EXPECT_TRUE(stats.stopped);
  EXPECT_EQ(calls, 3u);
}

TEST_F(DirWalkTest, UnreadableFolderIsReportedAndWalkGoesOn) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads mode-000 folders";
  ASSERT_EQ(::chmod((root_ + "locked").c_str(), 0), 0);
  std::map<std::string, int> unreadable;
  std::size_t visited = 0;
  const auto stats = platform::walkFolders(
      root_, false, [&](const std::string&) { return ++visited > 0; },
      [&](const std::string& f, int err) { unreadable[f] = err; });
  EXPECT_EQ(unreadable, (std::map<std::string, int>{{root_ + "locked/", EACCES}}));
  EXPECT_EQ(stats.unreadable, 1u);
  EXPECT_EQ(visited, 5u) << "root, a, b, locked, a/a1";
}

// A folder found by the walk and swapped for a link to another tree before it is listed (or
// whose parent is swapped so) is never entered: nothing of the other tree is visited.
TEST_F(DirWalkTest, AFolderSwappedForALinkIsNeverEntered) {
  struct Row {
    const char* swapped;     // relative to the root
    const char* linkTarget;  // relative to the other tree
    bool refused;            // the swapped folder itself is reported unreadable
  };
  const Row rows[] = {{"a/a1", "a1", true}, {"a", "", false}};
  for (const Row& row : rows) {
    if (&row != rows) {
      TearDown();
      SetUp();
    }
    const std::string outside = root_.substr(0, root_.size() - 1) + "-outside/";
    fs::create_directories(outside + "a1/secret");
    fs::create_directories(outside + "secret");
    std::vector<std::string> seen;
    std::map<std::string, int> unreadable;
    platform::walkFolders(
        root_, true,
        [&](const std::string& f) {
          seen.push_back(f.substr(root_.size() - 1));
          if (seen.back() == "/a/a1/") {  // found by listing a; not listed itself yet
            fs::rename(root_ + row.swapped, root_ + "moved");
            fs::create_directory_symlink(outside + row.linkTarget, root_ + row.swapped);
          }
          return true;
        },
        [&](const std::string& f, int err) { unreadable[f.substr(root_.size() - 1)] = err; });
    for (const std::string& f : seen) EXPECT_EQ(f.find("secret"), std::string::npos) << row.swapped << ": " << f;
    fs::remove_all(outside);
    if (row.refused) {
      ASSERT_EQ(unreadable.count("/a/a1/"), 1u) << row.swapped;
      EXPECT_TRUE(unreadable["/a/a1/"] == ELOOP || unreadable["/a/a1/"] == ENOTDIR);
    }
  }
}

// Wider than the descriptors a walk keeps for subfolders still to come: 400 folders of two levels
// below, each level walked whole, with no descriptor left open after, also where the process may
// open fewer descriptors than the walk would keep.
TEST_F(DirWalkTest, AWideTreeIsWalkedWholeWithNoDescriptorLeftOpen) {
  constexpr int kWide = 400;
  std::vector<std::string> expected = {"/w/"};
  for (int i = 0; i < kWide; ++i) {
    const std::string top = "w/" + std::to_string(1000 + i);
    fs::create_directories(root_ + top + "/in/deep");
    expected.push_back("/" + top + "/");
  }
  for (const char* level : {"/in/", "/in/deep/"})
    for (int i = 0; i < kWide; ++i) expected.push_back("/w/" + std::to_string(1000 + i) + level);
  for (const bool fewDescriptors : {false, true}) {
    const int before = platform::testing::openDescriptors();
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    if (fewDescriptors) {
      struct rlimit few = old;
      few.rlim_cur = static_cast<rlim_t>(before + 100);
      ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &few), 0);
    }
    std::vector<std::string> seen, unreadable;
    platform::walkFolders(
        root_ + "w", false,
        [&](const std::string& f) {
          seen.push_back(f.substr(root_.size() - 1));
          return true;
        },
        [&](const std::string& f, int) { unreadable.push_back(f); });
    ::setrlimit(RLIMIT_NOFILE, &old);
    // Folders come in the order the file system lists them: each level is compared as a set.
    ASSERT_EQ(seen.size(), expected.size()) << "fewDescriptors=" << fewDescriptors;
    for (std::size_t from = 1; from < seen.size(); from += kWide) {
      const auto level = [&](const std::vector<std::string>& v) {
        return sorted({v.begin() + static_cast<std::ptrdiff_t>(from), v.begin() + static_cast<std::ptrdiff_t>(from + kWide)});
      };
      EXPECT_EQ(level(seen), level(expected)) << "the level from entry " << from << ", fewDescriptors=" << fewDescriptors;
    }
    EXPECT_TRUE(unreadable.empty()) << unreadable.size() << " unreadable, fewDescriptors=" << fewDescriptors;
    EXPECT_EQ(platform::testing::openDescriptors(), before);
  }
}

// 30 levels of 200-byte names: a path of 6,000 bytes, far past PATH_MAX.
TEST_F(DirWalkTest, TreesDeeperThanPathMaxAreWalkedWhole) {
  const std::string name(200, 'd');
  ASSERT_TRUE(platform::testing::makeDeepTree(root_ + "b", name, 30));
  std::size_t deepest = 0, seen = 0;
  const auto stats = platform::walkFolders(root_ + "b", true, [&](const std::string& f) {
    ++seen;
    deepest = std::max(deepest, f.size());
    return true;
  }, [](const std::string& f, int err) { ADD_FAILURE() << f.size() << " bytes: " << std::strerror(err); });
  EXPECT_EQ(seen, 31u);
  EXPECT_EQ(stats.unreadable, 0u);
  EXPECT_EQ(deepest, root_.size() + 2 + 30 * 201);
}

TEST(DirWalkRoot, RootStaysAFolder) {
  std::vector<std::string> names;
  ASSERT_EQ(platform::listSubfolders("/", true, names), 0);
  EXPECT_FALSE(names.empty());
  std::vector<std::string> seen;
  platform::walkFolders("/", true, [&](const std::string& f) {
    seen.push_back(f);
    return seen.size() < 3;
  }, {});
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], "/");
  EXPECT_EQ(seen[1], "/" + names[0] + "/");
}

}  // namespace
