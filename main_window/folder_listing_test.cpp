#include "main_window/folder_listing.h"

#include "main_window/entry_format.h"
#include "main_window/file_list_engine.h"
#include "main_window/file_sort.h"
#include "platform/own_temporary_test_support.h"
#include "platform/replacement_file.h"
#include "platform/test_temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <random>

namespace mainwin {
namespace {

using Names = std::vector<std::string>;

constexpr std::int64_t kJune2004 = 1087300800;  // 15/06/2004 12:00:00 UTC

Names names(const std::vector<FileEntry>& v) {
  Names out;
  for (const FileEntry& e : v) out.push_back(e.name);
  return out;
}

const FileEntry* find(const std::vector<FileEntry>& v, const std::string& name) {
  for (const FileEntry& e : v)
    if (e.name == name) return &e;
  return nullptr;
}

// A folder holding the cases a listing must get right: dot-files, a name listed in .hidden,
// sizes and times, a read-only file, a FIFO, symlinks to a folder, a file and nowhere, a
// subfolder, and names with ";[]#*?".
class ListingFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    dir_ = tmp_.path().toStdString() + "/";
    write("plain.txt", "hello");
    write("big.bin", std::string(2000, 'x'));
    write(".dot", "");
    write("listed", "");
    write(".hidden", "listed\r\nnot-there\n");
    write("ro.txt", "r");
    ::chmod((dir_ + "ro.txt").c_str(), 0444);
    for (const char* n : {"a;b", "c[1]", "d#e", "f*g", "h?i"}) write(n, "");
    ASSERT_EQ(::mkdir((dir_ + "sub").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("sub", (dir_ + "linkdir").c_str()), 0);
    ASSERT_EQ(::symlink("plain.txt", (dir_ + "linkfile").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (dir_ + "dangling").c_str()), 0);
    ASSERT_EQ(::mkfifo((dir_ + "fifo").c_str(), 0644), 0);
    const timespec times[2] = {{kJune2004, 0}, {kJune2004, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir_ + "plain.txt").c_str(), times, 0), 0);
  }
  void write(const std::string& name, const std::string& content) {
    std::ofstream(dir_ + name, std::ios::binary) << content;
  }
  Listing list(const FilterSettings& s, std::uint8_t compute = 0, SortState sort = {}) {
    return listFolder(dir_, resolveFilters(s), compute, sort);
  }
  static FilterSettings panel() {
    FilterSettings s;
    s.panelShown = true;
    return s;
  }

  platform::testing::TempDir tmp_;
  std::string dir_;
};

TEST_F(ListingFixture, EveryFileNoFolderNamesAsTheyAre) {
  const Listing l = list(FilterSettings{});
  EXPECT_EQ(l.result, kListDone);
  EXPECT_EQ(l.folder, dir_);
  EXPECT_EQ(names(l.entries),
            (Names{".dot", ".hidden", "a;b", "big.bin", "c[1]", "d#e", "dangling", "f*g", "fifo",
                   "h?i", "linkfile", "listed", "plain.txt", "ro.txt"}));
  EXPECT_TRUE(find(l.entries, ".dot")->hidden());
  EXPECT_TRUE(find(l.entries, "listed")->hidden());
  EXPECT_FALSE(find(l.entries, "plain.txt")->hidden());
  EXPECT_TRUE(find(l.entries, "fifo")->attrs & kEntrySystem);
  EXPECT_EQ(find(l.entries, "plain.txt")->known, 0);  // nothing computed, nothing shown
}

// The program's own temporary files (a killed run's leftover, another instance's write in
// progress) are no entries of the list; a file of the user's with a name of their shape is.
TEST_F(ListingFixture, TheProgramsOwnTemporariesAreLeftOutAndOnlyThey) {
  if (const std::string why = platform::testing::userXattrsMissing(dir_); !why.empty()) GTEST_SKIP() << why;
  const std::string leftover = platform::testing::abandonedTemporary(dir_ + "report.txt");
  ASSERT_FALSE(leftover.empty());
  platform::ReplacementFile live;
  ASSERT_EQ(live.create(dir_ + "plain.txt"), 0);
  write(platform::testing::kLookAlike, "the user's");
  const Names n = names(list(FilterSettings{}).entries);
  EXPECT_EQ(std::count(n.begin(), n.end(), platform::testing::kLookAlike), 1);
  EXPECT_EQ(n.size(), 15u) << "the leftover and the file being written are left out";
}

TEST_F(ListingFixture, HiddenFilterDropsDotAndListedNames) {
  FilterSettings s = panel();
  s.hideHidden = true;
  const Names n = names(list(s).entries);
  EXPECT_EQ(std::count(n.begin(), n.end(), ".dot"), 0);
  EXPECT_EQ(std::count(n.begin(), n.end(), "listed"), 0);
  EXPECT_EQ(std::count(n.begin(), n.end(), ".hidden"), 0);
  EXPECT_EQ(n.size(), 11u);
}

TEST_F(ListingFixture, PatternLiteralsAndExcludes) {
  FilterSettings s = panel();
  s.extensionOn = true;
  s.extensionText = "c[1];d#e;*.TXT";
  EXPECT_EQ(names(list(s).entries), (Names{"c[1]", "d#e", "plain.txt", "ro.txt"}));
  s.caseSensitive = true;
  EXPECT_EQ(names(list(s).entries), (Names{"c[1]", "d#e"}));
  s.caseSensitive = false;
  s.extensionText = "<-*.txt;<-.*;<-*i*";
  EXPECT_EQ(names(list(s).entries), (Names{"a;b", "c[1]", "d#e", "f*g"}));
}

TEST_F(ListingFixture, SizeFilterFollowsFileLinks) {
  FilterSettings s = panel();
  s.sizeOn = true;
  s.sizeIs = kSizeGreater;
  s.sizeLimit = 1000;
  EXPECT_EQ(names(list(s).entries), (Names{"big.bin"}));
  s.sizeIs = kSizeExactly;
  s.sizeLimit = 5;
  EXPECT_EQ(names(list(s).entries), (Names{"linkfile", "plain.txt"}));
  s.sizeIs = 3;  // no comparison chosen
  EXPECT_TRUE(list(s).entries.empty());
}

TEST_F(ListingFixture, DateFilterRangeAndInvalidBox) {
  const auto day = localDayNumber(kJune2004);
  ASSERT_TRUE(day);
  FilterSettings s = panel();
  s.dateOn = true;
  s.dateType = kDateModified;
  s.dateFrom = s.dateTo = "06/15/2004";
  // The stamp is noon UTC; in any zone within 12 h its local date is the 15th or its neighbour.
  if (*day != *checkDateText("06/15/2004")) s.dateFrom = "06/14/2004", s.dateTo = "06/16/2004";
  EXPECT_EQ(names(list(s).entries), (Names{"linkfile", "plain.txt"}));
  s.dateTo = "02/31/2004";
  const Listing none = list(s);
  EXPECT_EQ(none.result, kListDone);
  EXPECT_TRUE(none.entries.empty());
}

TEST_F(ListingFixture, ComputedColumns) {
  const bool archiveSet =
      ::setxattr((dir_ + "big.bin").c_str(), "user.vardulek.archive", "1", 1, 0) == 0;
  const Listing l = list(FilterSettings{}, kDetailSize | kDetailTimes | kDetailAttrs);
  const FileEntry* big = find(l.entries, "big.bin");
  ASSERT_TRUE(big);
  EXPECT_EQ(columnText(*big, 2), "2,000");
  EXPECT_EQ(columnText(*big, 5), archiveSet ? "A" : "");
  EXPECT_EQ(find(l.entries, "plain.txt")->modified, kJune2004);
  EXPECT_EQ(columnText(*find(l.entries, "plain.txt"), 3), formatTime(kJune2004));
  EXPECT_EQ(columnText(*find(l.entries, "ro.txt"), 5), "R");
  EXPECT_EQ(columnText(*find(l.entries, ".dot"), 5), "H");
  EXPECT_EQ(columnText(*find(l.entries, "fifo"), 2), "0");
}

TEST_F(ListingFixture, SortBySizeDescending) {
  FilterSettings s = panel();
  s.extensionOn = true;
  s.extensionText = "big.bin;plain.txt;ro.txt";
  const Listing l = list(s, kDetailSize, {kColSize, true});
  EXPECT_EQ(names(l.entries), (Names{"big.bin", "plain.txt", "ro.txt"}));
}

TEST_F(ListingFixture, FillDetailsLaterAndVanishedEntries) {
  Listing l = list(FilterSettings{});
  ASSERT_EQ(::unlink((dir_ + "big.bin").c_str()), 0);
  EXPECT_EQ(fillDetails(dir_, l.entries, kDetailSize), kListDone);
  EXPECT_EQ(columnText(*find(l.entries, "plain.txt"), 2), "5");
  EXPECT_EQ(find(l.entries, "big.bin")->known & kDetailSize, 0);
  EXPECT_EQ(fillDetails(dir_ + "gone/", l.entries, kDetailSize), kListFailed);
}

TEST(Listing, MissingFolderIsEmptyWithResultZero) {
  platform::testing::TempDir tmp;
  const std::string missing = tmp.path().toStdString() + "/none//";
  const Listing l = listFolder(missing, ResolvedFilter{}, 0, {});
  EXPECT_EQ(l.result, kListFailed);
  EXPECT_EQ(l.error, ENOENT);  // why, for the window to say
  EXPECT_TRUE(l.entries.empty());
  EXPECT_EQ(l.folder, tmp.path().toStdString() + "/none/");

  FileListEngine engine;
  std::string folder = missing;
  EXPECT_EQ(engine.fillJobWalk(folder), kListFailed);
  EXPECT_EQ(engine.listCount(), 0);
  EXPECT_EQ(folder, tmp.path().toStdString() + "/none/");
}

class CountingObserver : public ListingObserver {
 public:
  explicit CountingObserver(std::size_t cancelAt) : cancelAt_(cancelAt) {}
  void started(std::size_t entries) override { startedWith = entries; }
  bool step(std::size_t index, std::size_t) override {
    steps.push_back(index);
    return steps.size() >= cancelAt_;
  }
  std::size_t startedWith = 0;
  std::vector<std::size_t> steps;

 private:
  std::size_t cancelAt_;
};

TEST(Listing, ProgressFrom501EntriesAndCancel) {
  platform::testing::TempDir tmp;
  const std::string dir = tmp.path().toStdString() + "/";
  for (int i = 0; i < 498; ++i) std::ofstream(dir + "f" + std::to_string(i));
  CountingObserver quiet(1000);
  EXPECT_EQ(listFolder(dir, ResolvedFilter{}, 0, {}, &quiet).entries.size(), 498u);
  EXPECT_EQ(quiet.startedWith, 0u);  // 500 entries with "." and "..": no progress
  EXPECT_TRUE(quiet.steps.empty());

  std::ofstream(dir + "f498");
  CountingObserver plain(1000);
  EXPECT_EQ(listFolder(dir, ResolvedFilter{}, 0, {}, &plain).result, kListDone);
  EXPECT_EQ(plain.startedWith, 499u);
  ASSERT_FALSE(plain.steps.empty());
  EXPECT_EQ(plain.steps.front(), 98u);  // every 99 entries without filters

  FilterSettings s;
  s.panelShown = s.extensionOn = true;
  s.extensionText = "f1*";
  CountingObserver cancel(2);
  const Listing l = listFolder(dir, resolveFilters(s), 0, {}, &cancel);
  EXPECT_EQ(l.result, kListCancelled);
  EXPECT_EQ(cancel.steps, (std::vector<std::size_t>{29, 59}));  // every 30 with a filter
  EXPECT_LE(l.entries.size(), 60u);
}

// A listing by name orders the names while they are read and visits them in that order; it
// must give what sorting the finished list gives, kinds and all (the folder, the link to it and
// the FIFO among awkward names).
TEST_F(ListingFixture, OrderedWhileReadingAsTheFinishedListSorts) {
  const std::vector<std::string> pieces = {"0", "007", "1", "10", ".", "-", "_", "a", "A", "~",
                                           "\xc3\xa9", "\xc3\x89", std::string(31, '0'), "IMG_", "\xff"};
  std::mt19937 rng(5);
  std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1), parts(1, 5);
  for (int i = 0; i < 400; ++i) {
    std::string name;
    for (std::size_t k = parts(rng); k > 0; --k) name += pieces[pick(rng)];
    if (name != "." && name.find("..") != 0) write(name, "");
  }
  for (bool descending : {false, true}) {
    const Listing l = list(FilterSettings{}, 0, {kColName, descending});
    std::vector<FileEntry> resorted = l.entries;
    std::reverse(resorted.begin(), resorted.end());
    sortEntries(resorted, {kColName, descending});
    EXPECT_EQ(names(l.entries), names(resorted));
    EXPECT_GT(l.entries.size(), 300u);
    EXPECT_EQ(find(l.entries, "sub"), nullptr);
    EXPECT_EQ(find(l.entries, "linkdir"), nullptr);
    ASSERT_NE(find(l.entries, "fifo"), nullptr);
    EXPECT_TRUE(find(l.entries, "fifo")->attrs & kEntrySystem);
  }
}

TEST(Listing, EmptyFolderInEveryOrder) {
  platform::testing::TempDir tmp;
  for (SortState sort : {SortState{kColName, false}, SortState{kColName, true}, SortState{kColSize, false}}) {
    const Listing l = listFolder(tmp.path().toStdString(), ResolvedFilter{}, 0, sort);
    EXPECT_EQ(l.result, kListDone);
    EXPECT_TRUE(l.entries.empty());
  }
}

class StopWhileReading : public ListingObserver {
 public:
  bool reading(std::size_t namesRead) override {
    read.push_back(namesRead);
    return true;
  }
  void started(std::size_t) override { ++starts; }
  std::vector<std::size_t> read;
  int starts = 0;
};

TEST(Listing, StopWhileReadingLeavesNoEntries) {
  platform::testing::TempDir tmp;
  const std::string dir = tmp.path().toStdString() + "/";
  for (std::size_t i = 0; i < kReadPollNames + 100; ++i) std::ofstream(dir + "f" + std::to_string(i));
  for (SortState sort : {SortState{kColName, false}, SortState{kColSize, false}}) {
    StopWhileReading stop;
    const Listing l = listFolder(dir, ResolvedFilter{}, 0, sort, &stop);
    EXPECT_EQ(l.result, kListCancelled);
    EXPECT_TRUE(l.entries.empty());
    EXPECT_EQ(stop.read, std::vector<std::size_t>{kReadPollNames});
    EXPECT_EQ(stop.starts, 0);
  }
}

TEST_F(ListingFixture, LargeFolderDefersDetailsTheFillerCompletes) {
  const std::uint8_t all = kDetailSize | kDetailTimes | kDetailAttrs;
  const DeferredDetails sizeAndAttrs{.bits = kDetailSize | kDetailAttrs, .fromEntries = 5};
  // Below the threshold everything asked for is computed.
  Listing small = listFolder(dir_, ResolvedFilter{}, all, {kColModified, false}, nullptr,
                             DeferredDetails{.bits = sizeAndAttrs.bits, .fromEntries = 1000});
  EXPECT_EQ(small.computed, all);

  Listing l = listFolder(dir_, ResolvedFilter{}, all, {kColModified, false}, nullptr, sizeAndAttrs);
  EXPECT_EQ(l.computed, kDetailTimes);
  for (const FileEntry& e : l.entries) EXPECT_EQ(e.known, kDetailTimes) << e.name;
  EXPECT_EQ(names(l.entries), names(small.entries));  // the sort's own detail was computed

  FileEntry* big = nullptr;
  for (FileEntry& e : l.entries)
    if (e.name == "big.bin") big = &e;
  ASSERT_NE(big, nullptr);
  DetailFiller filler(l.folder);
  filler.fill(*big, kDetailSize);
  EXPECT_EQ(big->known, kDetailTimes | kDetailSize);
  EXPECT_EQ(big->size, 2000u);
  FileEntry gone;
  gone.name = "vanished";
  filler.fill(gone, kDetailSize);
  EXPECT_EQ(gone.known, 0);
}

TEST_F(ListingFixture, EngineWidthRuleAndJobWalk) {
  FileListEngine engine;
  engine.sort() = {kColSize, true};
  engine.setColumnWidth(2, 0);  // the size column hidden: the visible sort falls back to Name
  engine.filters().panelShown = true;
  engine.filters().extensionOn = true;
  engine.filters().extensionText = "*.txt;";
  const auto fill = engine.fillVisible(dir_);
  EXPECT_TRUE(fill.sortFellBack);
  EXPECT_EQ(engine.sort(), SortState{});
  EXPECT_EQ(fill.computed, 0);
  EXPECT_EQ(engine.myPattern(), "*.txt");
  EXPECT_EQ(engine.listCount(), 2);

  engine.sort() = {kColSize, false};
  std::string folder = dir_ + "//";
  EXPECT_EQ(engine.fillJobWalk(folder), kListDone);
  EXPECT_EQ(folder, dir_);
  EXPECT_EQ(names(engine.jobEntries()), (Names{"ro.txt", "plain.txt"}));
  EXPECT_EQ(engine.jobEntries()[0].known, kDetailSize);  // only what the sort needs
}

// A tool's walk lists hidden files when asked, but never the folder's ".hidden" itself.
TEST_F(ListingFixture, AJobWalkNeverHoldsTheHiddenList) {
  FileListEngine engine;
  engine.filters().panelShown = true;
  std::string folder = dir_;
  ASSERT_EQ(engine.fillJobWalk(folder), kListDone);
  const Names n = names(engine.jobEntries());
  EXPECT_EQ(std::count(n.begin(), n.end(), ".dot"), 1);
  EXPECT_EQ(std::count(n.begin(), n.end(), ".hidden"), 0);
  EXPECT_EQ(engine.listCount(), static_cast<long>(n.size()));
}

// Renamed in place, a name hidden by the folder's list stays hidden: its line moves along.
TEST_F(ListingFixture, ARenamedListedFileStaysListed) {
  const Listing l = list(panel());
  FileEntry entry = *find(l.entries, "listed");
  ASSERT_TRUE(renameListedFile(dir_, entry, "renamed"));
  std::ifstream in(dir_ + ".hidden", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "not-there\nrenamed\n");
  EXPECT_TRUE(entry.hidden());
}

}  // namespace
}  // namespace mainwin
