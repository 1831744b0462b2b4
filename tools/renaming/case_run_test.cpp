// The case changer's run on real folders: what it asks first, file names (a line only for each
// rename done, never replacing another file), folders deepest first, contents converted across
// pieces, and the contents rewrite's failure paths (links, cancel mid-file, a read-only folder).
#include "tools/renaming/case_run.h"

#include "tools/renaming/case_trim_test_support.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace tools::testing {
namespace {

namespace fs = std::filesystem;
using S = CaseStyle;

class CaseRunTest : public ToolRunTest {
 protected:
  std::optional<core::RunOutcome> run(CaseRunOptions options) {
    return runCaseChanger(pipe_, form_, options, msg_);
  }
};

TEST_F(CaseRunTest, FileNamesAreRenamedWithALineForEachRenameDone) {
  makeFile("my FILE.TXT", "1");
  makeFile("Other.TXT", "2");
  makeFile("done.txt", "3");
  makeFile("CLASH.TXT", "4");
  makeFile("clash.txt", "keep");
  const auto out = run({.mode = CaseMode::Files, .styles = {.name = S::Lower, .extension = S::Lower}});
  ASSERT_TRUE(out);
  EXPECT_EQ(out->done, 2);
  EXPECT_EQ(out->failed, 1);
  EXPECT_EQ(namesIn(), (std::vector<std::string>{"CLASH.TXT", "clash.txt", "done.txt", "my file.txt", "other.txt"}));
  EXPECT_EQ(readAll(root_ + "clash.txt"), "keep");
  const std::string r = report();
  EXPECT_NE(r.find("[5]" + root_ + "\r\n  my FILE.TXT -> my file.txt\r\n  Other.TXT -> other.txt\r\n"),
            std::string::npos)
      << r;
  EXPECT_EQ(r.find("CLASH.TXT ->"), std::string::npos) << r;
  EXPECT_EQ(r.find("done.txt ->"), std::string::npos) << r;
  EXPECT_NE(r.find("{83}{81}: " + root_ + "CLASH.TXT{84}" + root_ + "clash.txt"), std::string::npos) << r;
}

// Hidden files included: a listed name stays listed under its new case, and the folder's
// ".hidden" is neither renamed nor rewritten.
TEST_F(CaseRunTest, HiddenFilesStayHiddenAndTheListIsLeftAlone) {
  makeFile(".hidden", "secret.txt\nprivate notes.txt\n");
  makeFile("secret.txt", "s");
  makeFile("private notes.txt", "p");
  host_.listHidden = true;
  ASSERT_TRUE(run({.mode = CaseMode::Files, .styles = {.name = S::EveryWord, .extension = S::EveryWord},
                   .withHidden = true}));
  EXPECT_EQ(namesIn(), (std::vector<std::string>{".hidden", "Private Notes.Txt", "Secret.Txt"}));
  EXPECT_EQ(readAll(root_ + ".hidden"), "Private Notes.Txt\nSecret.Txt\n");
  ASSERT_TRUE(run({.mode = CaseMode::Contents, .styles = {.name = S::EveryWord}, .withHidden = true}));
  EXPECT_EQ(readAll(root_ + ".hidden"), "Private Notes.Txt\nSecret.Txt\n");
  EXPECT_EQ(readAll(root_ + "Secret.Txt"), "S");
}

// ".HIDDEN" in lower case would be the folder's record of the Hidden flag: refused as a name that
// is taken, the user's file left under its own name.
TEST_F(CaseRunTest, NoFileBecomesTheFoldersHiddenRecord) {
  makeFile(".HIDDEN", "user's");
  host_.listHidden = true;
  const auto out = run({.mode = CaseMode::Files, .styles = {.name = S::Lower, .extension = S::Lower}, .withHidden = true});
  ASSERT_TRUE(out);
  EXPECT_EQ(out->done, 0);
  EXPECT_EQ(out->failed, 1);
  EXPECT_EQ(namesIn(), (std::vector<std::string>{".HIDDEN"}));
  EXPECT_NE(report().find("{83}{81}: " + root_ + ".HIDDEN{84}" + root_ + ".hidden"), std::string::npos) << report();
}

TEST_F(CaseRunTest, WhatItAsksBeforeTheRun) {
  struct Case {
    const char* label;
    CaseRunOptions options;
    core::RespondAnswer answer;
    std::string question, style;
    bool runs;
  };
  const std::vector<Case> cases = {
      {"both default", {.mode = CaseMode::Files, .styles = {.name = S::Default, .extension = S::Default}},
       core::kAnswerYes, "[1]", "O", false},
      {"folders default", {.mode = CaseMode::Folders, .styles = {.name = S::Default, .extension = S::Upper}},
       core::kAnswerYes, "[1]", "O", false},
      {"contents default", {.mode = CaseMode::Contents, .styles = {.name = S::Default, .extension = S::Upper}},
       core::kAnswerYes, "[1]", "O", false},
      {"declined", {.mode = CaseMode::Files, .styles = {.name = S::Upper}}, core::kAnswerNo, "{24}", "", false},
      {"subfolders", {.mode = CaseMode::Files, .styles = {.name = S::Upper}, .withSubfolders = true},
       core::kAnswerYes, "[2]{24}", "", true},
      {"contents", {.mode = CaseMode::Contents, .styles = {.name = S::Upper}}, core::kAnswerYes, "{104}", "", true},
  };
  for (const Case& c : cases) {
    makeFile("name.txt", "text");
    host_.questions.clear();
    host_.answers = {c.answer};
    const auto out = run(c.options);
    EXPECT_EQ(out.has_value(), c.runs) << c.label;
    ASSERT_EQ(host_.questions.size(), 1u) << c.label;
    EXPECT_EQ(host_.questions[0].message, c.question) << c.label;
    EXPECT_EQ(host_.questions[0].style, c.style) << c.label;
    if (!c.runs) {
      EXPECT_EQ(namesIn(), std::vector<std::string>{"name.txt"}) << c.label;
    }
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
}

// Parents first would rename "Alpha" before "Alpha/Beta", whose listed path then no longer exists.
TEST_F(CaseRunTest, FoldersAreRenamedDeepestFirstAndTheCurrentFolderNever) {
  makeDir("Alpha/Beta/Gamma");
  makeDir("Alpha/Delta");
  makeFile("Alpha/Beta/inside.txt", "x");
  const auto out = run({.mode = CaseMode::Folders, .styles = {.name = S::Upper}, .withSubfolders = true});
  ASSERT_TRUE(out);
  EXPECT_EQ(out->done, 4);
  EXPECT_EQ(out->failed, 0);
  EXPECT_TRUE(fs::is_directory(root_ + "ALPHA/BETA/GAMMA"));
  EXPECT_TRUE(fs::is_directory(root_ + "ALPHA/DELTA"));
  EXPECT_EQ(readAll(root_ + "ALPHA/BETA/inside.txt"), "x");
  EXPECT_TRUE(fs::is_directory(root_));  // "root" itself keeps its name
  const std::string r = report();
  EXPECT_EQ(r.find("{95}"), std::string::npos) << r;  // no folder went missing on the way
  EXPECT_NE(r.find("[12]"), std::string::npos) << r;
}

// Folders made out of name order: the files' report takes them breadth-first by name, the
// folders' (deepest first) in reverse name order.
TEST_F(CaseRunTest, ReportsFollowTheTreesNameOrder) {
  makeDirsOutOfOrder();
  for (const std::string& n : kOrderedNames) makeFile(n + "/a.txt", "x");
  ASSERT_TRUE(run({.mode = CaseMode::Files, .styles = {.name = S::Upper, .extension = S::Upper},
                   .withSubfolders = true}));
  std::string files = "[5]" + root_ + "\r\n\r\n";
  for (const std::string& n : kOrderedNames) files += root_ + n + "/\r\n  a.txt -> A.TXT\r\n\r\n";
  EXPECT_NE(report().find(files), std::string::npos) << report();
  ASSERT_TRUE(run({.mode = CaseMode::Folders, .styles = {.name = S::Upper}, .withSubfolders = true}));
  std::string folders = "[12]";
  for (auto n = kOrderedNames.rbegin(); n != kOrderedNames.rend(); ++n) folders += root_ + *n + "\r\n";
  EXPECT_NE(report().find(folders + "\t"), std::string::npos) << report();
}

TEST_F(CaseRunTest, ContentsAreConvertedAcrossPiecesAndUnchangedFilesLeftAlone) {
  const std::string text = "HELLO Wörld. ÉTÉ \xe9t\xe9 ŽIŽKA\r\nnext LINE";
  const std::string a = makeFile("a.txt", text);
  const std::string same = makeFile("same.txt", "Already in style. É\r\nNext, and more.");
  const ino_t sameInode = inode(same);
  const auto out = run({.mode = CaseMode::Contents, .styles = {.name = S::Sentence}, .pieceSize = 3});
  ASSERT_TRUE(out);
  EXPECT_EQ(out->done, 1);
  EXPECT_EQ(readAll(a), CaseConverter({.name = S::Sentence}).convertText(text));
  EXPECT_EQ(readAll(a), "Hello wörld. Été \xe9t\xe9 žižka\r\nNext line");
  EXPECT_EQ(inode(same), sameInode);  // never rewritten
  EXPECT_EQ(namesIn(), (std::vector<std::string>{"a.txt", "same.txt"}));
  const std::string r = report();
  EXPECT_NE(r.find("[7]" + a + "\r\n"), std::string::npos) << r;
  EXPECT_EQ(r.find(same), std::string::npos) << r;
}

TEST_F(CaseRunTest, ContentsSkipSymlinksAndFilesWithSeveralLinksWithALine) {
  makeFile("target.txt", "target");
  ASSERT_EQ(::symlink((root_ + "target.txt").c_str(), (root_ + "link.txt").c_str()), 0);
  makeFile("multi.txt", "multi");
  ASSERT_EQ(::link((root_ + "multi.txt").c_str(), (root_ + "second.txt").c_str()), 0);
  host_.realListing = false;
  host_.fakeFolders[root_] = {{.name = "link.txt"}, {.name = "multi.txt"}};
  const auto out = run({.mode = CaseMode::Contents, .styles = {.name = S::Upper}});
  ASSERT_TRUE(out);
  EXPECT_EQ(out->done, 0);
  EXPECT_EQ(readAll(root_ + "target.txt"), "target");
  EXPECT_EQ(readAll(root_ + "multi.txt"), "multi");
  const std::string r = report();
  EXPECT_NE(r.find("{23}" + root_ + "link.txt"), std::string::npos) << r;
  EXPECT_NE(r.find("{130}" + root_ + "multi.txt"), std::string::npos) << r;
}

TEST_F(CaseRunTest, ACancelDuringAFileLeavesItAndTheRestAsTheyWere) {
  const std::string original(1000, 'a');
  makeFile("a.txt", original);
  makeFile("b.txt", "b");
  host_.cancelAfterYields(20);  // a.txt takes 100 pieces, each one a yield
  const auto out = run({.mode = CaseMode::Contents, .styles = {.name = S::Upper}, .pieceSize = 10});
  ASSERT_TRUE(out);
  EXPECT_EQ(out->end, core::RunEnd::Cancelled);
  EXPECT_EQ(readAll(root_ + "a.txt"), original);
  EXPECT_EQ(readAll(root_ + "b.txt"), "b");
  EXPECT_EQ(namesIn(), (std::vector<std::string>{"a.txt", "b.txt"}));  // no temporary file left
}

// A read-only subfolder: its files fail with the write line and stay; the others are converted.
// A read-only current folder: the run does not start.
TEST_F(CaseRunTest, AReadOnlyFolderKeepsItsFiles) {
  makeFile("top.txt", "top");
  makeDir("ro");
  makeFile("ro/in.txt", "inside");
  const platform::testing::ChildOutcome child = withReadOnlyFolder("ro", [&]() -> std::string {
    const auto sub = run({.mode = CaseMode::Contents, .styles = {.name = S::Upper}, .withSubfolders = true});
    const std::string r = report();
    const auto top = run({.mode = CaseMode::Contents, .styles = {.name = S::Upper}, .folder = root_ + "ro/"});
    return std::string(sub ? "ran" : "stopped") + "|" + (top ? "ran" : "stopped") + "|" + r + "|" +
           host_.questions.back().message;
  });
  ASSERT_TRUE(child.exited);
  if (child.report.rfind("skip ", 0) == 0) GTEST_SKIP() << child.report;
  EXPECT_EQ(child.report.rfind("ran|stopped|", 0), 0u) << child.report;
  // Refused by the write check where the file system is read-only, else by its temporary file.
  EXPECT_TRUE(child.report.find("[9]" + root_ + "ro/in.txt (") != std::string::npos ||
              child.report.find(root_ + "ro/in.txt{102}") != std::string::npos)
      << child.report;
  EXPECT_TRUE(child.report.ends_with("|{96}" + root_ + "ro/{97}")) << child.report;
  EXPECT_EQ(readAll(root_ + "top.txt"), "TOP");
  EXPECT_EQ(readAll(root_ + "ro/in.txt"), "inside");
  EXPECT_EQ(namesIn("ro"), std::vector<std::string>{"in.txt"});
}

}  // namespace
}  // namespace tools::testing
