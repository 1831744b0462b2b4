// Grouping by contents on small fixtures: which files of one size fall together (small files read
// whole, large ones differing only past the first block or only in their last byte), hard links,
// files no longer as measured, Cancel; many sizes read at once as each size alone, files changed
// between the two reads, reader threads that keep to the run's folder; and the byte comparison
// before a delete or move.
#include "tools/file_ops/dupes_contents.h"

#include "platform/step_scope.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <numeric>
#include <set>
#include <thread>

#include <sys/stat.h>

#include <unistd.h>

namespace tools::file_ops {
namespace {

class DupesContentsTest : public ::testing::Test {
 protected:
  // Writes a file and measures it as the finder does.
  DupesFile make(const std::string& name, const std::string& content) {
    const std::string path = dir_.path().toStdString() + "/" + name;
    std::ofstream(path, std::ios::binary) << content;
    return measure(path);
  }
  static DupesFile measure(const std::string& path) {
    const platform::LinkStatus st = platform::linkStatus(path);
    return {.path = path, .size = st.size, .identity = st.identity, .identified = true};
  }
  // The groups of all files, as lists of names (kept first); "stopped" when nullopt.
  std::vector<std::vector<std::string>> groupsOf(std::vector<DupesFile> files, ContentReading reading = {}) {
    std::vector<std::size_t> members(files.size());
    std::iota(members.begin(), members.end(), std::size_t{0});
    if (!reading.unreadable) reading.unreadable = [&](std::size_t i, int) { unreadable_.push_back(name(files[i])); };
    const auto groups = groupSameContents(files, members, reading);
    std::vector<std::vector<std::string>> out;
    if (!groups) return {{"stopped"}};
    for (const DupesGroup& g : *groups) {
      out.push_back({name(files[g.kept])});
      for (std::size_t c : g.copies) out.back().push_back(name(files[c]));
    }
    return out;
  }
  static std::string name(const DupesFile& f) { return f.path.substr(f.path.rfind('/') + 1); }

  QTemporaryDir dir_;
  std::vector<std::string> unreadable_;
};

using Groups = std::vector<std::vector<std::string>>;

TEST_F(DupesContentsTest, SmallFilesFallTogetherByContentsInTheirOrder) {
  const Groups got = groupsOf({make("a", "xxxx"), make("b", "yyyy"), make("c", "xxxx"), make("d", "yyyy"),
                               make("e", "zzzz"), make("f", "xxxx")});
  EXPECT_EQ(got, (Groups{{"a", "c", "f"}, {"b", "d"}}));
  EXPECT_TRUE(unreadable_.empty());
}

TEST_F(DupesContentsTest, ManyFilesReadSideBySideGroupAsOneReaderWouldAndPollOnTheCallingThread) {
  std::vector<DupesFile> files;
  Groups want(7);
  for (int i = 0; i < 100; ++i) {
    const std::string name = "f" + std::to_string(100 + i);
    files.push_back(make(name, "contents " + std::to_string(i % 7)));
    want[static_cast<std::size_t>(i % 7)].push_back(name);
  }
  std::set<std::thread::id> polledOn;
  const Groups got = groupsOf(files, {.poll = [&](std::uint64_t) {
                                        polledOn.insert(std::this_thread::get_id());
                                        return true;
                                      }});
  EXPECT_EQ(got, want);
  // Whether a poll falls due depends on the timing (helpers may take every file first); any that
  // does runs on the calling thread.
  polledOn.erase(std::this_thread::get_id());
  EXPECT_TRUE(polledOn.empty());
}

TEST_F(DupesContentsTest, ALinkIsLeftOutSilentlyAndWhatIsNoRegularFileIsReported) {
  const DupesFile a = make("a", "abcd");
  const std::string dir = dir_.path().toStdString() + "/";
  ASSERT_EQ(::symlink(a.path.c_str(), (dir + "link").c_str()), 0);
  ASSERT_EQ(::mkfifo((dir + "fifo").c_str(), 0600), 0);
  std::vector<std::pair<std::string, int>> reported;
  const Groups got = groupsOf({a, {.path = dir + "link", .size = 4}, {.path = dir + "fifo", .size = 4}},
                              {.unreadable = [&](std::size_t i, int error) {
                                 reported.emplace_back(i == 2 ? "fifo" : "other", error);
                               }});
  EXPECT_EQ(got, Groups{});
  EXPECT_EQ(reported, (std::vector<std::pair<std::string, int>>{{"fifo", EINVAL}}));
}

TEST_F(DupesContentsTest, LargeFilesAreComparedPastTheFirstBlockToTheLastByte) {
  const std::string big(3 * 1024 * 1024 + 17, 'q');
  std::string lastDiffers = big, middleDiffers = big;
  lastDiffers.back() = 'r';
  middleDiffers[1024 * 1024 + 5] = 'r';
  const Groups got = groupsOf({make("a", big), make("b", lastDiffers), make("c", middleDiffers), make("d", big),
                               make("e", lastDiffers)});
  EXPECT_EQ(got, (Groups{{"a", "d"}, {"b", "e"}}));
}

TEST_F(DupesContentsTest, NamesOfOneInodeAreNeverDuplicatesOfEachOther) {
  const DupesFile a = make("a", "same");
  ASSERT_EQ(::link(a.path.c_str(), (dir_.path().toStdString() + "/a2").c_str()), 0);
  const DupesFile a2 = measure(dir_.path().toStdString() + "/a2");
  EXPECT_EQ(groupsOf({a, a2}), Groups{});
  // With a real copy beside them, the copy is the duplicate; the second name is left alone.
  EXPECT_EQ(groupsOf({a, a2, make("b", "same")}), (Groups{{"a", "b"}}));
  EXPECT_EQ(groupsOf({make("c", "same"), a, a2}), (Groups{{"c", "a", "a2"}}));
}

TEST_F(DupesContentsTest, AFileNoLongerAsMeasuredIsUnreadableAndInNoGroup) {
  const std::vector<DupesFile> files{make("a", "abcd"), make("b", "abcd"), make("c", "abcd"), make("d", "abcd")};
  std::ofstream(files[1].path, std::ios::binary) << "abcdef";  // grew since it was measured
  std::filesystem::remove(files[2].path);
  EXPECT_EQ(groupsOf(files), (Groups{{"a", "d"}}));
  EXPECT_EQ(unreadable_, (std::vector<std::string>{"b", "c"}));
}

TEST_F(DupesContentsTest, AStopFromPollEndsTheGrouping) {
  const std::vector<DupesFile> files{make("a", "1111"), make("b", "1111")};
  int polls = 0;
  EXPECT_EQ(groupsOf(files, {.poll = [&](std::uint64_t) { return ++polls < 2; }}), (Groups{{"stopped"}}));
}

// What grouping many sizes at once tells, in its order: "unreadable <name>" and "<kept> <copy>...".
using Events = std::vector<std::string>;

TEST_F(DupesContentsTest, ManySizesReadTogetherGiveWhatEachSizeAloneGivesInTheSameOrder) {
  // Sizes shared by many files, in several groups each, spread over folders, large files alike in
  // their first block; a few files gone or grown since they were measured.
  const std::string dir = dir_.path().toStdString() + "/";
  std::vector<DupesFile> files;
  for (int i = 0; i < 240; ++i) {
    const std::string folder = "d" + std::to_string(i % 6) + "/";
    std::filesystem::create_directories(dir + folder);
    const int size = i % 4 == 3 ? 70 * 1024 + i % 3 : 1 + i % 5;
    std::string bytes(static_cast<std::size_t>(size), 'a');
    bytes.back() = static_cast<char>('a' + i % 7);
    files.push_back(make(folder + "f" + std::to_string(i), bytes));
  }
  std::filesystem::remove(files[17].path);
  std::ofstream(files[42].path, std::ios::binary | std::ios::app) << "grown";
  std::filesystem::remove(files[103].path);  // a large one

  std::map<std::uint64_t, std::vector<std::size_t>> bySize;
  for (std::size_t i = 0; i < files.size(); ++i) bySize[files[i].size].push_back(i);
  const auto eventsOf = [&](std::vector<DupesFile> copy, bool together) {
    Events events;
    const ContentReading reading{.unreadable = [&](std::size_t i, int) { events.push_back("unreadable " + name(copy[i])); }};
    const auto addGroups = [&](const std::vector<DupesGroup>& groups) {
      for (const DupesGroup& g : groups) {
        events.push_back(name(copy[g.kept]));
        for (std::size_t c : g.copies) events.back() += " " + name(copy[c]);
      }
    };
    if (together) {
      std::vector<SizeClass> classes;
      for (const auto& [size, members] : bySize) classes.emplace_back(members);
      EXPECT_TRUE(groupSameContentsEach(copy, classes, reading, [&](std::size_t, std::vector<DupesGroup>& groups) {
        addGroups(groups);
        return true;
      }));
    } else {
      for (const auto& [size, members] : bySize) addGroups(groupSameContents(copy, members, reading).value());
    }
    return events;
  };
  const Events alone = eventsOf(files, false);
  EXPECT_EQ(eventsOf(files, true), alone);
  EXPECT_EQ(std::count_if(alone.begin(), alone.end(), [](const std::string& e) { return e.starts_with("unreadable"); }), 3);
  EXPECT_GT(alone.size(), 20U);
}

TEST_F(DupesContentsTest, AFileChangedBetweenTheTwoReadsIsNoDuplicate) {
  // Four large files alike in their first block: b is replaced by another file and c changes in
  // place past its first block once every first block has been read.
  const std::string big(200 * 1024, 'm');
  std::vector<DupesFile> files{make("a", big), make("b", big), make("c", big), make("d", big)};
  std::size_t looked = 0;
  ContentReading reading{.looked = [&](std::size_t n) {
    looked += n;
    if (looked != files.size()) return;
    std::ofstream(files[1].path + ".new", std::ios::binary) << big;
    std::filesystem::rename(files[1].path + ".new", files[1].path);
    std::string changed = big;
    changed[150 * 1024] = 'n';
    std::ofstream(files[2].path, std::ios::binary | std::ios::in) << changed;
  }};
  for (DupesFile& f : files) f.identified = false;  // as the finder collects them: size only
  EXPECT_EQ(groupsOf(files, reading), (Groups{{"a", "d"}}));
  EXPECT_EQ(looked, files.size());
  EXPECT_EQ(unreadable_, (std::vector<std::string>{"b"}));
}

TEST_F(DupesContentsTest, ReaderThreadsReachFilesAsTheCallingThreadsScopeDoes) {
  // Many files listed through a link below the run's folder: no thread may read them, however
  // the work falls between the threads.
  const std::string dir = dir_.path().toStdString() + "/";
  std::filesystem::create_directories(dir + "elsewhere");
  ASSERT_EQ(::symlink((dir + "elsewhere").c_str(), (dir + "link").c_str()), 0);
  std::vector<DupesFile> files;
  for (int i = 0; i < 200; ++i) {
    const DupesFile real = make("elsewhere/f" + std::to_string(i), "same");
    files.push_back({.path = dir + "link/f" + std::to_string(i), .size = real.size});
  }
  const platform::StepScope scope(dir);
  const Groups got = groupsOf(files, {.scopeRoot = dir});
  EXPECT_EQ(got, Groups{});
}

TEST_F(DupesContentsTest, SameContentsComparesTheBytesAsTheyAreNow) {
  const std::string big(2 * 1024 * 1024 + 3, 'k');
  const DupesFile a = make("a", big), b = make("b", big);
  EXPECT_EQ(sameContents(a, b, {}), Compared::Same);

  std::string changed = big;
  changed[2 * 1024 * 1024 + 1] = 'x';
  std::ofstream(b.path, std::ios::binary) << changed;  // same size, same inode, other bytes
  EXPECT_EQ(sameContents(a, b, {}), Compared::Different);

  std::ofstream(b.path, std::ios::binary) << big << "more";
  EXPECT_EQ(sameContents(a, b, {}), Compared::Different);

  ASSERT_EQ(::link(a.path.c_str(), (dir_.path().toStdString() + "/a2").c_str()), 0);
  EXPECT_EQ(sameContents(a, measure(dir_.path().toStdString() + "/a2"), {}), Compared::Different);

  std::filesystem::remove(b.path);
  int which = -1;
  EXPECT_EQ(sameContents(a, b, {.unreadable = [&](std::size_t w, int) { which = static_cast<int>(w); }}),
            Compared::Unreadable);
  EXPECT_EQ(which, 1);
}

}  // namespace
}  // namespace tools::file_ops
