#include "core/pipeline_test_support.h"
#include "platform/dir_walk.h"
#include "platform/mounts.h"
#include "platform/own_temporary_test_support.h"
#include "platform/replacement_file.h"

#include <algorithm>
#include <set>

namespace core::testing {
namespace {

// root/ a/ a/x/ a/x/deep/ "b>c"/ .hid/ .hid/inner/ listed/ (named in .hidden), a file, a folder
// symlink beside them and a link back to the root inside a/ (a loop if it were followed).
class FolderListTest : public PipelineTest {
 protected:
  void SetUp() override {
    PipelineTest::SetUp();
    makeDir("a/x/deep");
    makeDir("b>c");
    makeDir(".hid/inner");
    makeDir("listed");
    makeFile(".hidden", "listed\n");
    makeFile("file.txt", "x");
    std::filesystem::create_directory_symlink(root_ + "a", root_ + "link");
    std::filesystem::create_directory_symlink(root_, root_ + "a/backlink");
  }
};

struct FlagsRow {
  const char* name;
  DirListOptions options;
  bool slash;                         // entries end with "/"
  std::vector<std::string> expected;  // relative to the root, without slashes; "" is the root
};

class BuildDirListFlags : public FolderListTest, public ::testing::WithParamInterface<FlagsRow> {};

TEST_P(BuildDirListFlags, ListsTheExpectedFoldersBreadthFirst) {
  const FlagsRow& row = GetParam();
  pipe_.buildDirList(form_, root_, row.options);
  const DirList& list = pipe_.dirList();
  ASSERT_FALSE(list.empty());
  std::set<std::string> got;
  std::size_t lastDepth = 0;
  for (const std::string& e : list) {
    ASSERT_EQ(e.rfind(root_.substr(0, root_.size() - 1), 0), 0u) << e;
    EXPECT_EQ(e.back() == '/', row.slash) << e;
    std::string rel = e.substr(std::min(e.size(), root_.size()));
    if (!rel.empty() && rel.back() == '/') rel.pop_back();
    const std::size_t depth = rel.empty() ? 0 : 1 + static_cast<std::size_t>(std::count(rel.begin(), rel.end(), '/'));
    EXPECT_GE(depth, lastDepth) << "not breadth-first at " << e;
    lastDepth = depth;
    got.insert(rel);
  }
  EXPECT_EQ(list.front(), row.slash ? root_ : root_.substr(0, root_.size() - 1));
  EXPECT_EQ(got, std::set<std::string>(row.expected.begin(), row.expected.end()));
  EXPECT_EQ(got.size(), list.size()) << "an entry is listed twice";
  EXPECT_EQ(pipe_.progressTotal(), static_cast<long long>(list.size()));
  EXPECT_EQ(pipe_.resultLines(), "") << "nothing here is unreadable";
  EXPECT_FALSE(host_.formEnabled[form_]);
  EXPECT_TRUE(host_.progressShown);
}

const std::vector<std::string> kAlone = {""};
const std::vector<std::string> kDirect = {"", "a", "b>c"};
const std::vector<std::string> kDirectHidden = {"", "a", "b>c", ".hid", "listed"};
const std::vector<std::string> kTree = {"", "a", "b>c", "a/x", "a/x/deep"};
const std::vector<std::string> kTreeHidden = {"", "a", "b>c", "a/x", "a/x/deep", ".hid", ".hid/inner", "listed"};
constexpr RunOver kFolders = RunOver::Folders;
constexpr EntryEnds kSlash = EntryEnds::Slash, kNoSlash = EntryEnds::NoSlash;

// Runs over files end every entry with "/", runs over folders none, unless the caller says.
INSTANTIATE_TEST_SUITE_P(
    AllFlags, BuildDirListFlags,
    ::testing::Values(
        FlagsRow{"alone", {.ends = kNoSlash}, false, kAlone},
        FlagsRow{"alone_files", {}, true, kAlone},
        FlagsRow{"alone_hidden", {.withHidden = true, .ends = kNoSlash}, false, kAlone},
        FlagsRow{"alone_hidden_slash", {.withHidden = true}, true, kAlone},
        FlagsRow{"direct_folders", {.runOver = kFolders}, false, kDirect},
        FlagsRow{"direct_slash", {.runOver = kFolders, .ends = kSlash}, true, kDirect},
        FlagsRow{"direct_hidden", {.withHidden = true, .runOver = kFolders}, false, kDirectHidden},
        FlagsRow{"direct_hidden_slash", {.withHidden = true, .runOver = kFolders, .ends = kSlash}, true, kDirectHidden},
        FlagsRow{"tree", {.withSubfolders = true, .ends = kNoSlash}, false, kTree},
        FlagsRow{"tree_files", {.withSubfolders = true}, true, kTree},
        FlagsRow{"tree_folders", {.withSubfolders = true, .runOver = kFolders}, false, kTree},
        FlagsRow{"tree_folders_slash", {.withSubfolders = true, .runOver = kFolders, .ends = kSlash}, true, kTree},
        FlagsRow{"tree_hidden", {.withSubfolders = true, .withHidden = true, .ends = kNoSlash}, false, kTreeHidden},
        FlagsRow{"tree_hidden_files", {.withSubfolders = true, .withHidden = true}, true, kTreeHidden},
        FlagsRow{"tree_hidden_folders", {.withSubfolders = true, .withHidden = true, .runOver = kFolders}, false,
                 kTreeHidden},
        FlagsRow{"tree_hidden_folders_slash",
                 {.withSubfolders = true, .withHidden = true, .runOver = kFolders, .ends = kSlash}, true,
                 kTreeHidden}),
    [](const ::testing::TestParamInfo<FlagsRow>& info) { return std::string(info.param.name); });

// The order the folder tree shows: breadth-first, each folder's subfolders in name order (made
// out of order here), hidden ones among them by their names.
TEST_F(FolderListTest, FoldersComeBreadthFirstEachFoldersSubfoldersInNameOrder) {
  makeDirsOutOfOrder("t");
  makeDirsOutOfOrder("t/Charlie");
  makeDir("t/Alpha/x");
  makeDir("t/.zeta");
  const std::string t = root_ + "t/";
  DirList level1, level2;
  for (const std::string& n : kOrderedNames) level1.push_back(t + n + "/");
  level2.push_back(t + "Alpha/x/");
  for (const std::string& n : kOrderedNames) level2.push_back(t + "Charlie/" + n + "/");
  struct Row {
    const char* name;
    DirListOptions options;
    DirList expected;
  };
  DirList tree{t}, treeHidden{t, t + ".zeta/"}, direct{t};
  for (const DirList* part : {&level1, &level2}) tree.insert(tree.end(), part->begin(), part->end());
  for (const DirList* part : {&level1, &level2}) treeHidden.insert(treeHidden.end(), part->begin(), part->end());
  direct.insert(direct.end(), level1.begin(), level1.end());
  const Row rows[] = {
      {"tree", {.withSubfolders = true}, tree},
      {"tree_hidden", {.withSubfolders = true, .withHidden = true}, treeHidden},
      {"direct_folders", {.runOver = RunOver::Folders, .ends = EntryEnds::Slash}, direct},
  };
  for (const Row& row : rows) {
    pipe_.buildDirList(form_, t, row.options);
    EXPECT_EQ(pipe_.dirList(), row.expected) << row.name;
  }
}

// A writing run's start takes away the temporary files a killed run of the program left in the
// folders it walks (hidden ones too, with hidden files off as well), never one that a writer still
// holds or a file of the user's of a like name; a run that only reads takes away nothing.
TEST_F(FolderListTest, AWritingRunsStartRemovesWhatAKilledRunLeftInItsFolders) {
  if (const std::string why = platform::testing::userXattrsMissing(root_); !why.empty()) GTEST_SKIP() << why;
  struct Row {
    const char* name;
    DirListOptions options;
    bool topGoes, belowGoes;
  };
  const Row rows[] = {
      {"tree", {.withSubfolders = true, .withHidden = true}, true, true},
      {"tree_without_hidden", {.withSubfolders = true}, true, false},
      {"one_folder", {.withHidden = true}, true, false},
      {"reads_only_tree", {.withSubfolders = true, .withHidden = true, .readsOnly = true}, false, false},
      {"reads_only_folder", {.readsOnly = true}, false, false},
  };
  makeFile(platform::testing::kLookAlike, "the user's");
  makeFile("a/.diary.vdk20261211", "the user's too");
  platform::ReplacementFile live;
  ASSERT_EQ(live.create(root_ + "a/being-written"), 0);
  for (const Row& row : rows) {
    const std::string top = platform::testing::abandonedTemporary(root_ + "piece.001");
    const std::string below = platform::testing::abandonedTemporary(root_ + ".hid/out");
    ASSERT_FALSE(top.empty() || below.empty());
    pipe_.buildDirList(form_, root_, row.options);
    EXPECT_EQ(std::filesystem::exists(top), !row.topGoes) << row.name;
    EXPECT_EQ(std::filesystem::exists(below), !row.belowGoes) << row.name;
    EXPECT_TRUE(std::filesystem::exists(live.path())) << row.name << ": a writer holds it";
    EXPECT_EQ(readAll(root_ + platform::testing::kLookAlike), "the user's") << row.name;
    EXPECT_EQ(readAll(root_ + "a/.diary.vdk20261211"), "the user's too") << row.name;
    std::filesystem::remove(top);
    std::filesystem::remove(below);
  }
}

TEST_F(FolderListTest, TheRootStaysAFolderWithOrWithoutSlashEnds) {
  for (bool slash : {false, true}) {
    pipe_.buildDirList(form_, "/", {.ends = slash ? EntryEnds::Slash : EntryEnds::NoSlash});
    EXPECT_EQ(pipe_.dirList(), DirList{"/"});
  }
}

TEST_F(FolderListTest, AMissingStartFolderGivesOneEntryLoggedOnceWhenWalked) {
  const std::string gone = root_ + "gone";
  pipe_.buildDirList(form_, gone, {.withSubfolders = true, .withHidden = true});
  ASSERT_EQ(pipe_.dirList(), DirList{gone + "/"});
  DirCursor more = 0, pos = 1;
  std::string folder;
  EXPECT_EQ(pipe_.nextDirChecked(more, folder, pos), 0);
  EXPECT_EQ(more, 1u);
  EXPECT_EQ(pipe_.nextDirChecked(more, folder, pos), 0);
  EXPECT_EQ(more, 0u);
  pipe_.checkDirExists(gone + "/");  // the same folder again: still one line
  EXPECT_EQ(pipe_.resultLines(), "{95}" + gone + "/{94}\r\n");
}

// A folder that cannot be read is logged and passed over; the rest of the tree is still listed
// (also with hidden folders, where an all-or-nothing walk would have given up the whole list).
TEST_F(FolderListTest, AnUnreadableFolderIsLoggedAndTheWalkGoesOn) {
  for (bool hidden : {false, true}) {
    pipe_.setFolderLister([this](const std::string& folder, bool includeHidden, std::vector<std::string>& names) {
      if (folder == root_ + "a/") return 13;  // EACCES
      return platform::listSubfolders(folder, includeHidden, names, true);
    });
    pipe_.buildDirList(form_, root_, {.withSubfolders = true, .withHidden = hidden});
    const DirList& list = pipe_.dirList();
    EXPECT_NE(std::find(list.begin(), list.end(), root_ + "a/"), list.end());
    EXPECT_NE(std::find(list.begin(), list.end(), root_ + "b>c/"), list.end());
    EXPECT_EQ(std::find(list.begin(), list.end(), root_ + "a/x/"), list.end());
    EXPECT_EQ(pipe_.resultLines(), "{141}" + root_ + "a/ ({142})\r\n") << "hidden=" << hidden;
  }
}

// After the walk, a folder's name leads to a link or to another folder: the run leaves it alone
// with a line and goes on; nothing below it is listed.
TEST_F(FolderListTest, AFolderThatIsNoLongerTheOneTheWalkFoundIsLeftAlone) {
  makeFile("a/x/f.txt", "x");
  makeFile("b>c/g.txt", "x");
  host_.realListing = true;
  pipe_.buildDirList(form_, root_, {.withSubfolders = true});
  std::filesystem::rename(root_ + "a/x", root_ + "a/x-old");
  std::filesystem::create_directories(root_ + "a/x");  // another folder under the same name
  std::filesystem::rename(root_ + "b>c", root_ + "b-old");
  std::filesystem::create_directory_symlink(root_ + "b-old", root_ + "b>c");  // a link
  DirCursor more = 1, pos = 1;
  std::string folder;
  std::vector<std::string> entered;
  while (more != 0)
    if (pipe_.nextDirProgress(more, folder, pos) == 1) entered.push_back(folder.substr(root_.size()));
  EXPECT_EQ(std::count(entered.begin(), entered.end(), "a/x/"), 0);
  EXPECT_EQ(std::count(entered.begin(), entered.end(), "b>c/"), 0);
  EXPECT_EQ(std::count(entered.begin(), entered.end(), "a/"), 1);
  const std::string lines = pipe_.resultLines();
  EXPECT_NE(lines.find("{140}" + root_ + "a/x/\r\n"), std::string::npos) << lines;
  EXPECT_NE(lines.find("{140}" + root_ + "b>c/\r\n"), std::string::npos) << lines;
}

struct CancelRow {
  const char* name;
  bool hidden;
  CancelState value;  // Cancel or Skip
};
class WalkCadence : public PipelineTest, public ::testing::WithParamInterface<CancelRow> {
 protected:
  void SetUp() override {
    PipelineTest::SetUp();
    for (int i = 0; i < 25; ++i) makeDir("d" + std::to_string(i));
  }
};

TEST_P(WalkCadence, ShowsProgressEveryEightOrTenFoldersAndStopsOnCancelOrSkip) {
  const CancelRow& row = GetParam();
  pipe_.buildDirList(form_, root_, {.withSubfolders = true, .withHidden = row.hidden});
  ASSERT_EQ(pipe_.dirList().size(), 26u);
  // 26 entries: the hidden walk reports at entries 8, 16 and 24, the visible one at 10 and 20.
  EXPECT_EQ(host_.paths.size(), row.hidden ? 3u : 2u);

  host_.paths.clear();
  host_.cancelAfterYields(1, row.value);  // lands before the walk's first report
  pipe_.buildDirList(form_, root_, {.withSubfolders = true, .withHidden = row.hidden});
  EXPECT_TRUE(pipe_.dirList().empty());
  EXPECT_EQ(host_.paths.size(), 1u);
  EXPECT_EQ(pipe_.progressTotal(), 0);
}

INSTANTIATE_TEST_SUITE_P(Walks, WalkCadence,
                         ::testing::Values(CancelRow{"visible_cancel", false, CancelState::Cancelled},
                                           CancelRow{"visible_skip", false, CancelState::SkipFile},
                                           CancelRow{"hidden_cancel", true, CancelState::Cancelled},
                                           CancelRow{"hidden_skip", true, CancelState::SkipFile}),
                         [](const ::testing::TestParamInfo<CancelRow>& info) { return std::string(info.param.name); });

TEST_F(FolderListTest, ACancelledRefreshEndsTheSetUpWithEmptyListAndLogs) {
  pipe_.buildDirList(form_, root_);
  pipe_.addResult("previous run");
  pipe_.addToLog(pipe_.resultsLog(), "moved line\r\n");
  host_.forcedResults[""] = kListCancelled;
  pipe_.buildDirList(form_, root_, {.withSubfolders = true, .refreshFirst = true});
  EXPECT_EQ(host_.cancel, CancelState::Cancelled);
  EXPECT_TRUE(pipe_.dirList().empty());
  EXPECT_EQ(logged(), "");
  EXPECT_EQ(host_.skipShown, (std::vector<bool>{false, true, false}));
}

TEST_F(FolderListTest, RunsThatKeepTheListKeepTheirLinesForTheOneFinish) {
  pipe_.buildDirList(form_, root_, {.withSubfolders = true});
  const DirList first = pipe_.dirList();
  pipe_.addResult("run 1");
  pipe_.buildDirList(form_, root_, {.keepList = true});
  EXPECT_EQ(pipe_.dirList(), first);
  EXPECT_EQ(pipe_.resultLines(), "run 1\r\n");
  EXPECT_EQ(pipe_.progressTotal(), static_cast<long long>(first.size()));
}

TEST_F(FolderListTest, RunFlagsComeFromTheSettings) {
  struct Case { const char* sendDeleted; const char* sendContent; const char* protect; RunFlags want; };
  for (const Case& c : {Case{"", "", "", {true, true, true, true}},
                        Case{"1", "0", "0", {false, true, false, true}},
                        Case{"0", "1", "2", {true, false, false, true}},
                        Case{"0", "0", "1", {true, true, true, true}}}) {
    saveSet("sendDeleted", c.sendDeleted);
    saveSet("sendContent", c.sendContent);
    saveSet("smartProtect", c.protect);
    pipe_.buildDirList(form_, root_);
    EXPECT_EQ(pipe_.flags().useRecycle, c.want.useRecycle) << c.sendDeleted;
    EXPECT_EQ(pipe_.flags().recycleContent, c.want.recycleContent) << c.sendContent;
    EXPECT_EQ(pipe_.flags().protectOn, c.want.protectOn) << c.protect;
  }
}

TEST_F(FolderListTest, NextDirProgressListsEachFolderAndToolsMayRewriteTheRest) {
  host_.realListing = true;
  makeFile("a/one.txt", "1");
  makeFile("a/x/two.txt", "2");
  pipe_.buildDirList(form_, root_ + "a", {.withSubfolders = true});
  ASSERT_EQ(pipe_.dirList().size(), 3u);  // a/, a/x/, a/x/deep/
  DirCursor more = 1, pos = 1;
  std::string folder;
  ASSERT_EQ(pipe_.nextDirProgress(more, folder, pos), 1);
  EXPECT_EQ(folder, root_ + "a/");
  ASSERT_EQ(host_.listCount(), 1);
  EXPECT_EQ(host_.listViewRoot()[0].name, "one.txt");
  // A rename of a/x to a/y is written into the entries behind the cursor.
  std::filesystem::rename(root_ + "a/x", root_ + "a/y");
  for (std::size_t i = pos - 1; i < pipe_.dirList().size(); ++i)
    pipe_.dirList()[i].replace(0, (root_ + "a/x/").size(), root_ + "a/y/");
  ASSERT_EQ(pipe_.nextDirProgress(more, folder, pos), 1);
  EXPECT_EQ(folder, root_ + "a/y/");
  EXPECT_EQ(host_.listViewRoot()[0].name, "two.txt");
  // The empty folder counts one step at once.
  const double before = pipe_.progressDone();
  ASSERT_EQ(pipe_.nextDirProgress(more, folder, pos), 1);
  EXPECT_EQ(host_.listCount(), 0);
  EXPECT_EQ(pipe_.progressDone(), before + 1);
  EXPECT_EQ(pipe_.nextDirProgress(more, folder, pos), 0);
  EXPECT_EQ(more, 0u);
}

TEST_F(FolderListTest, AFolderListedAsMissingLeavesNoEntriesBehind) {
  host_.fakeFolders[root_] = {ListEntry{"x.txt", 1, 0, ListEntry::kUnknownTime, 0}};
  pipe_.buildDirList(form_, root_, {.runOver = RunOver::Folders, .ends = EntryEnds::Slash});
  pipe_.dirList().push_back(root_ + "vanished/");
  DirCursor more = 1, pos = 1;
  std::string folder;
  ASSERT_EQ(pipe_.nextDirProgress(more, folder, pos), 1);
  EXPECT_EQ(host_.listCount(), 1);
  while (pipe_.dirList()[pos - 1] != root_ + "vanished/") ASSERT_EQ(pipe_.nextDir(more, folder, pos), 1);
  EXPECT_EQ(pipe_.nextDirProgress(more, folder, pos), 0);
  EXPECT_EQ(host_.listCount(), 0);
  EXPECT_TRUE(host_.listViewRoot().empty());
}

TEST_F(FolderListTest, ReverseAndDropRewriteTheList) {
  pipe_.buildDirList(form_, root_, {.withSubfolders = true, .ends = EntryEnds::NoSlash});
  DirList want = pipe_.dirList();
  std::reverse(want.begin(), want.end());
  pipe_.reverseDirList();
  EXPECT_EQ(pipe_.dirList(), want);
  want.erase(want.begin());
  pipe_.dropFirstDir();
  EXPECT_EQ(pipe_.dirList(), want);
}

// The drive of the main window's folder decides, not the folder the run starts in.
TEST_F(FolderListTest, FixedDriveIsReadFromTheMainWindowsFolder) {
  host_.mainFolder = "/proc/";  // a pseudo file system: never a fixed drive
  pipe_.buildDirList(form_, root_);
  EXPECT_FALSE(pipe_.flags().fixedDrive);
  host_.mainFolder = root_;
  pipe_.buildDirList(form_, "/proc/");
  EXPECT_EQ(pipe_.flags().fixedDrive, platform::isFixedDrive(root_));
}

// Runs over folders take them with nextDirChecked: no listing, no progress step, the folder shown
// only when it exists.
TEST_F(FolderListTest, NextDirCheckedNeitherListsNorCounts) {
  pipe_.buildDirList(form_, root_, {.runOver = RunOver::Folders, .ends = EntryEnds::Slash});
  const DirList existing = pipe_.dirList();  // root, a/ and b>c/
  ASSERT_EQ(existing.size(), 3u);
  pipe_.dirList().insert(pipe_.dirList().begin() + 1, root_ + "gone/");
  host_.paths.clear();
  DirCursor more = 1, pos = 1;
  std::string folder;
  std::vector<std::string> taken;
  while (more != 0) {
    if (pipe_.nextDirChecked(more, folder, pos) == 1) taken.push_back(folder);
  }
  EXPECT_EQ(taken, existing);
  EXPECT_EQ(host_.paths, existing);
  EXPECT_TRUE(host_.listed.empty());
  EXPECT_EQ(pipe_.progressDone(), 0);
  EXPECT_EQ(pipe_.resultLines(), "{95}" + root_ + "gone/{94}\r\n");
}

TEST_F(FolderListTest, ACancelledListingEndsTheFolderLoop) {
  pipe_.buildDirList(form_, root_, {.withSubfolders = true});
  ASSERT_GT(pipe_.dirList().size(), 2u);
  host_.fakeFolders[root_] = std::vector<ListEntry>(2);
  host_.forcedResults[pipe_.dirList()[1]] = kListCancelled;
  DirCursor more = 1, pos = 1;
  std::string folder;
  int loops = 0;
  while (more != 0 && loops < 10) {
    (void)pipe_.nextDirProgress(more, folder, pos);
    ++loops;
  }
  EXPECT_EQ(loops, 2) << "the folders after the cancelled listing are never listed";
  EXPECT_EQ(host_.listed.size(), 2u);
  EXPECT_EQ(host_.cancel, CancelState::Cancelled);
}

TEST(SubDirMode, AFolderRunRefreshesTheTreeAFileRunTheListOnly) {
  EXPECT_EQ(subDirMode(RunOver::Folders), RefreshMode::ListAndTree);
  EXPECT_EQ(subDirMode(RunOver::Files), RefreshMode::ListOnly);
}

}  // namespace
}  // namespace core::testing
