// The trimmer's run on real folders: the count it needs, file names (too short, "." or "..", a
// name taken), folders deepest first, contents by lines and characters at both ends (an empty
// result kept as an empty file), a file that changes while the end is scanned, a cancel and a
// read-only folder.
#include "tools/renaming/trim_run.h"

#include "tools/renaming/case_trim_test_support.h"

#include <gtest/gtest.h>

#include <fstream>

namespace tools::testing {
namespace {

namespace fs = std::filesystem;

// The scripted host, with something to do at each yield (a file that changes meanwhile).
struct YieldHookHost : core::ScriptedRunHost {
  std::function<void()> onYield;
  void doEvents() override {
    ScriptedRunHost::doEvents();
    if (onYield) onYield();
  }
};

class TrimRunTest : public ToolRunTest {
 protected:
  std::optional<core::RunOutcome> run(TrimRunOptions options) { return runTrimmer(pipe_, form_, options, msg_); }
};

TEST_F(TrimRunTest, FileNamesTrimmedOrLeftWithALine) {
  makeFile("photo.jpeg", "1");
  makeFile("ab.txt", "2");
  makeFile("README", "3");
  makeFile("x..", "4");
  makeFile("abcd.txt", "5");
  const auto out = run({.mode = TrimMode::Files, .count = 2, .where = TrimWhere::End, .pattern = "*"});
  ASSERT_TRUE(out);
  EXPECT_EQ(out->done, 2);
  EXPECT_EQ(namesIn(), (std::vector<std::string>{"READ", "ab.txt", "abcd.txt", "pho.jpeg", "x.."}));
  EXPECT_EQ(readAll(root_ + "ab.txt"), "2");  // never replaced by abcd.txt
  const std::string r = report();
  EXPECT_NE(r.find("[6]" + root_ + "ab.txt[7]2[8]"), std::string::npos) << r;
  EXPECT_NE(r.find("{83}{81}: " + root_ + "abcd.txt{84}" + root_ + "ab.txt"), std::string::npos) << r;
  EXPECT_NE(r.find("[5]" + root_ + "*\r\n"), std::string::npos) << r;

  // "x.." less one character at the start would be ".." ("." and the extension "."): refused.
  (void)run({.mode = TrimMode::Files, .count = 1, .where = TrimWhere::Start});
  EXPECT_NE(report().find("[27]" + root_ + "x.."), std::string::npos) << report();
  EXPECT_TRUE(fs::exists(root_ + "x.."));
}

// A rename asks nothing of the file itself: the user's own unreadable file and a link that leads
// nowhere are trimmed like any other name (as an ordinary user: root reads anything).
TEST_F(TrimRunTest, NamesAreTrimmedWhateverTheFileAllows) {
  ASSERT_EQ(::chmod(makeFile("xxlocked", "l").c_str(), 0000), 0);
  fs::create_symlink(root_ + "nowhere", root_ + "xxdangling");
  host_.realListing = false;  // the main window lists a link as a file; the test host lists no links
  host_.fakeFolders[root_] = {{.name = "xxdangling"}, {.name = "xxlocked"}};
  const platform::testing::ChildOutcome child = platform::testing::runInChild([&]() -> std::string {
    if (std::string why = platform::testing::becomeOrdinaryUser(base_); !why.empty()) return "skip " + why;
    const auto out = run({.mode = TrimMode::Files, .count = 2, .where = TrimWhere::Start});
    return std::to_string(out ? out->done : -1);
  });
  ASSERT_TRUE(child.exited);
  if (child.report.rfind("skip ", 0) == 0) GTEST_SKIP() << child.report;
  EXPECT_EQ(child.report, "2");
  EXPECT_EQ(namesIn(), (std::vector<std::string>{"dangling", "locked"}));
  EXPECT_TRUE(fs::is_symlink(root_ + "dangling"));
}

// Hidden files included: a listed name stays listed trimmed, and ".hidden" is never trimmed.
TEST_F(TrimRunTest, HiddenFilesStayHiddenAndTheListIsLeftAlone) {
  makeFile(".hidden", "xxsecret\n");
  makeFile("xxsecret", "s");
  host_.listHidden = true;
  ASSERT_TRUE(run({.mode = TrimMode::Files, .count = 1, .where = TrimWhere::Start, .withHidden = true}));
  EXPECT_EQ(namesIn(), (std::vector<std::string>{".hidden", "xsecret"}));
  EXPECT_EQ(readAll(root_ + ".hidden"), "xsecret\n");
}

TEST_F(TrimRunTest, ACountOfZeroAsksForOneAndRunsNothing) {
  makeFile("name.txt", "x");
  EXPECT_FALSE(run({.mode = TrimMode::Contents, .count = 0}));
  ASSERT_EQ(host_.questions.size(), 1u);
  EXPECT_EQ(host_.questions[0].message, "[1]");
  EXPECT_EQ(host_.questions[0].style, "O");
  EXPECT_EQ(host_.questions[0].title, "I");
  EXPECT_EQ(readAll(root_ + "name.txt"), "x");

  host_.questions.clear();
  (void)run({.mode = TrimMode::Contents, .count = 1, .withSubfolders = true});
  EXPECT_EQ(host_.questions.back().message, "[3][2]");
}

TEST_F(TrimRunTest, FoldersAreTrimmedDeepestFirst) {
  makeDir("abcd/efgh/ijkl");
  makeDir("xy");
  const auto out = run({.mode = TrimMode::Folders, .count = 2, .where = TrimWhere::End, .withSubfolders = true});
  ASSERT_TRUE(out);
  EXPECT_EQ(out->done, 3);
  EXPECT_TRUE(fs::is_directory(root_ + "ab/ef/ij"));
  const std::string r = report();
  EXPECT_NE(r.find("[17]" + root_ + "xy[18]2[19]"), std::string::npos) << r;
  EXPECT_EQ(r.find("{95}"), std::string::npos) << r;
}

TEST_F(TrimRunTest, ContentsKeepWhatTheTrimLeaves) {
  struct Case {
    const char* label;
    TrimWhere where;
    TrimUnit unit;
    std::uint64_t count;
    std::string before, after;
  };
  const std::vector<Case> cases = {
      {"lines end crlf", TrimWhere::End, TrimUnit::Lines, 1, "a\r\nb\r\nc", "a\r\nb"},
      {"lines end lf", TrimWhere::End, TrimUnit::Lines, 1, "a\nb\nc\n", "a\nb\nc"},
      {"lines start", TrimWhere::Start, TrimUnit::Lines, 2, "a\r\nb\r\nc", "c"},
      {"too few lines", TrimWhere::Start, TrimUnit::Lines, 5, "a\r\nb", ""},
      {"characters end", TrimWhere::End, TrimUnit::Characters, 1, "café", "caf"},
      {"characters start", TrimWhere::Start, TrimUnit::Characters, 2, "éclair", "lair"},
      {"all characters", TrimWhere::End, TrimUnit::Characters, 10, "short", ""},
  };
  for (const Case& c : cases) {
    const std::string file = makeFile("f.txt", c.before);
    ::chmod(file.c_str(), 0640);
    const auto out = run({.mode = TrimMode::Contents, .count = c.count, .where = c.where, .unit = c.unit, .pieceSize = 2});
    ASSERT_TRUE(out) << c.label;
    EXPECT_EQ(out->done, 1) << c.label;
    EXPECT_EQ(readAll(file), c.after) << c.label;
    EXPECT_TRUE(fs::exists(file)) << c.label;  // an empty result is an empty file, kept
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, static_cast<fs::perms>(0640)) << c.label;
    EXPECT_EQ(namesIn(), std::vector<std::string>{"f.txt"}) << c.label;
    fs::remove(file);
  }
  makeFile("empty.txt", "");
  (void)run({.mode = TrimMode::Contents, .count = 1});
  EXPECT_NE(report().find("{115}" + root_ + "empty.txt"), std::string::npos) << report();
  // Counting characters, the results say what one is; counting lines there is nothing to say.
  EXPECT_NE(report().find("[9][28]"), std::string::npos) << report();
  (void)run({.mode = TrimMode::Contents, .count = 1, .unit = TrimUnit::Lines});
  EXPECT_EQ(report().find("[28]"), std::string::npos) << report();
}

// The end is found first, then the file is rewritten: a file written to in between is left alone.
TEST_F(TrimRunTest, AFileChangedWhileItsEndIsScannedIsLeftAlone) {
  YieldHookHost host;
  host.realListing = true;
  host.mainFolder = root_;
  core::Pipeline pipe(host);
  const std::string file = makeFile("f.txt", "one\r\ntwo\r\nthree\r\n");
  bool written = false;
  host.onYield = [&] {
    // The first yield within the file's step is the end scan's (the rewrite comes after it).
    if (written || host.paths.empty() || host.paths.back() != file) return;
    std::ofstream(file, std::ios::app) << "four\r\n";
    written = true;
  };
  const auto out = runTrimmer(pipe, form_,
                              {.mode = TrimMode::Contents, .count = 2, .where = TrimWhere::End,
                               .unit = TrimUnit::Lines, .pieceSize = 4},
                              msg_);
  ASSERT_TRUE(out);
  ASSERT_TRUE(written);
  EXPECT_EQ(out->done, 0);
  EXPECT_EQ(readAll(file), "one\r\ntwo\r\nthree\r\nfour\r\n");
  ASSERT_FALSE(host.results.empty());
  EXPECT_NE(host.results.back().text.find("{131}" + file), std::string::npos) << host.results.back().text;
}

TEST_F(TrimRunTest, ACancelDuringTheEndScanLeavesTheFiles) {
  const std::string original(1000, 'a');
  makeFile("a.txt", original);
  makeFile("b.txt", "b\r\n");
  host_.cancelAfterYields(20);  // the scan of a.txt (no line break) takes 100 pieces
  const auto out = run({.mode = TrimMode::Contents, .count = 1, .where = TrimWhere::End, .unit = TrimUnit::Lines,
                        .pieceSize = 10});
  ASSERT_TRUE(out);
  EXPECT_EQ(out->end, core::RunEnd::Cancelled);
  EXPECT_EQ(readAll(root_ + "a.txt"), original);
  EXPECT_EQ(readAll(root_ + "b.txt"), "b\r\n");
  EXPECT_EQ(namesIn(), (std::vector<std::string>{"a.txt", "b.txt"}));
}

TEST_F(TrimRunTest, AReadOnlyCurrentFolderStopsTheRun) {
  makeDir("ro");
  makeFile("ro/in.txt", "inside\r\n");
  const platform::testing::ChildOutcome child = withReadOnlyFolder("ro", [&]() -> std::string {
    const auto out = run({.mode = TrimMode::Contents, .count = 1, .folder = root_ + "ro/"});
    return std::string(out ? "ran" : "stopped") + "|" + host_.questions.back().message;
  });
  ASSERT_TRUE(child.exited);
  if (child.report.rfind("skip ", 0) == 0) GTEST_SKIP() << child.report;
  EXPECT_EQ(child.report, "stopped|{96}" + root_ + "ro/{97}");
  EXPECT_EQ(readAll(root_ + "ro/in.txt"), "inside\r\n");
}

}  // namespace
}  // namespace tools::testing
