// The replace run on real folders: contents in pieces (matches across every piece boundary,
// Cancel), the dispatch of pattern kind x case x target, tags, refused names, the file-names
// report, folders deepest first for folder names and parents first for the rest, and run lists.
#include "tools/text/replace_run.h"

#include "core/language_file.h"
#include "core/pipeline_test_support.h"
#include "core/wildcard.h"
#include "platform/fault_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

namespace tools::text {
namespace {

namespace fs = std::filesystem;
using core::testing::PipelineTest;

class ReplaceRunTest : public PipelineTest {
 protected:
  void SetUp() override {
    PipelineTest::SetUp();
    host_.realListing = true;
    core::saveSet("sendContent", "1");  // replaced contents are not kept in the trash here
    std::vector<std::string> texts;
    for (int n = 1; n <= 40; ++n) texts.push_back("<" + std::to_string(n) + ">");
    msg_ = core::MessageTable(texts);
    core::setFormMessages(msg_);
  }

  ReplaceRunsOutcome run(const std::vector<ReplaceOptions>& runs, ReplaceRunSetup setup = {}) {
    setup.multiRun = setup.multiRun || runs.size() > 1;
    return runReplace(pipe_, form_, runs, setup, msg_);
  }
  std::string report() const { return host_.results.empty() ? std::string() : host_.results.back().text; }
  // Every entry below the run's folder, relative, folders ending "/".
  std::vector<std::string> tree() const {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root_)) {
      std::string rel = e.path().string().substr(root_.size());
      out.push_back(e.is_directory() ? rel + "/" : rel);
    }
    std::sort(out.begin(), out.end());
    return out;
  }

  core::MessageTable msg_;
};

TEST_F(ReplaceRunTest, ContentsChangeWhereTheTextIsAndNothingElse) {
  const std::string a = makeFile("a.txt", "one two one");
  makeDir("sub");
  const std::string b = makeFile("sub/b.txt", "One more");
  const std::string c = makeFile("c.txt", "nothing here");
  const auto old = fs::file_time_type::clock::now() - std::chrono::hours(48);
  fs::last_write_time(c, old);

  const auto out = run({{.search = "one", .replacement = "1"}}, {.withSubfolders = true});
  EXPECT_EQ(out.changed, 2);
  EXPECT_EQ(readAll(a), "1 two 1");
  EXPECT_EQ(readAll(b), "1 more");
  EXPECT_EQ(readAll(c), "nothing here");
  EXPECT_EQ(fs::last_write_time(c), old);  // a file without the text is not rewritten
  EXPECT_EQ(tree(), (std::vector<std::string>{"a.txt", "c.txt", "sub/", "sub/b.txt"}));  // no temporary files
  EXPECT_NE(report().find("<19>2<26>"), std::string::npos) << report();
  EXPECT_NE(report().find(a + "\r\n"), std::string::npos);
  EXPECT_EQ(report().find(c), std::string::npos);
}

// A match is found wherever the pieces cut it, and replaced text is never looked at again.
TEST_F(ReplaceRunTest, MatchesAcrossEveryPieceBoundary) {
  struct Row {
    ReplaceOptions o;
    std::string text;
  } rows[] = {
      {{.search = "abc", .replacement = "X"}, "abcabc xabcx\nab\nc ABC"},
      {{.search = "ab", .replacement = "xa"}, "aab bab abb"},
      {{.search = "a?c", .replacement = "X", .wildcards = WildcardMode::Question}, "abc a\xC3\xA9" "c a\nc ac"},
      {{.search = "a*c", .replacement = "X", .wildcards = WildcardMode::Star}, "xa1c a2\nc aa cc\r\nac"},
      {{.search = "a*c", .replacement = "X", .wildcards = WildcardMode::Star, .spanLines = true}, "a1\nb\nc a c"},
      {{.search = "A_Err", .replacement = "ok", .exactCase = true}, "A_Err"},  // bytes that read "A_Err" are data
  };
  for (const Row& r : rows) {
    const MatchSetup m = matchSetup(r.o);
    std::string want = r.text;
    if (m.kind == PatternKind::AnyRun) {
      ASSERT_EQ(core::SubstAst(want, r.o.search, r.o.replacement, m.pattern.ignoreCase, false, m.pattern.lineMode), 1);
    } else {
      ASSERT_EQ(core::SubstWild(want, r.o.search, r.o.replacement, m.pattern.ignoreCase, false,
                                m.kind == PatternKind::AnyChar), 1);
    }
    for (std::uint64_t piece = 1; piece <= r.text.size(); ++piece) {
      const std::string f = makeFile("f.txt", r.text);
      run({r.o}, {.pieceSize = piece});
      ASSERT_EQ(readAll(f), want) << r.o.search << " piece " << piece;
    }
  }
}

// A "*" match is held in memory only up to a bound: the closing note of a run over line breaks
// states it, and names the files where a longer match was left unreplaced.
TEST_F(ReplaceRunTest, StarMatchesAreBoundedAndTheReportSaysHow) {
  const std::string farText = "a" + std::string(5000, '\n') + "b";
  const std::string far = makeFile("far.txt", farText);
  const std::string near = makeFile("near.txt", "a\n1b");
  const ReplaceOptions span{.search = "a*b", .replacement = "X", .wildcards = WildcardMode::Star, .spanLines = true};
  run({span}, {.pieceSize = 100, .holdLimit = 256});
  EXPECT_EQ(readAll(far), farText);
  EXPECT_EQ(readAll(near), "X");
  EXPECT_NE(report().find("<38>\r\n"), std::string::npos) << report();
  EXPECT_NE(report().find("<39>\r\n" + far + "\r\n"), std::string::npos) << report();
  EXPECT_EQ(report().find(near + "\r\n", report().find("<39>")), std::string::npos);

  // Within lines and short of the bound: no note.
  makeFile("near.txt", "a1b");
  run({{.search = "a*b", .replacement = "X", .wildcards = WildcardMode::Star}}, {.pieceSize = 100, .holdLimit = 256});
  EXPECT_EQ(readAll(near), "X");
  EXPECT_EQ(report().find("<38>"), std::string::npos);
  EXPECT_EQ(report().find("<39>"), std::string::npos);
}

TEST_F(ReplaceRunTest, CancelLeavesTheFileWholeAndEndsTheRun) {
  std::string text;
  for (int i = 0; i < 100; ++i) text += "needle hay ";
  const std::string big = makeFile("big.txt", text);
  const std::string later = makeFile("z.txt", "needle");
  host_.cancelAfterYields(3);
  const auto out = run({{.search = "needle", .replacement = "pin"}, {.search = "z", .target = ReplaceTarget::FileNames}},
                       {.pieceSize = 64});
  EXPECT_TRUE(out.cancelled);
  EXPECT_EQ(out.runsStarted, 1);  // the list's next run does not start
  EXPECT_EQ(readAll(big), text);
  EXPECT_EQ(readAll(later), "needle");
  EXPECT_EQ(tree(), (std::vector<std::string>{"big.txt", "z.txt"}));
  EXPECT_NE(report().find("{76}"), std::string::npos);  // the report says the run was cancelled
}

// Pattern kind x case x target: the same text as contents, as a file name and as a folder name.
TEST_F(ReplaceRunTest, DispatchByKindCaseAndTarget) {
  const std::string text = "xAb1 ab2 a*b?";
  struct Row {
    const char* name;
    ReplaceOptions o;
    const char* want;
  } rows[] = {
      {"literal stars, exact", {.search = "a*b", .exactCase = true}, "xAb1 ab2 R?"},
      {"literal, exact", {.search = "ab", .exactCase = true}, "xAb1 R2 a*b?"},
      {"literal, any case", {.search = "ab"}, "xR1 R2 a*b?"},
      {"question mark literal without its mode", {.search = "b?", .wildcards = WildcardMode::Star}, "xAb1 ab2 a*R"},
      {"question mark, exact", {.search = "a?", .exactCase = true, .wildcards = WildcardMode::Question}, "xAb1 R2 Rb?"},
      {"question mark, any case", {.search = "a?", .wildcards = WildcardMode::Question}, "xR1 R2 Rb?"},
      {"star, exact", {.search = "a*2", .exactCase = true, .wildcards = WildcardMode::Star}, "xAb1 R a*b?"},
      {"star, any case", {.search = "a*2", .wildcards = WildcardMode::Star}, "xR a*b?"},
  };
  for (const Row& r : rows) {
    for (const ReplaceTarget target : {ReplaceTarget::Contents, ReplaceTarget::FileNames, ReplaceTarget::FolderNames}) {
      fs::remove_all(root_);
      fs::create_directories(root_);
      ReplaceOptions o = r.o;
      o.replacement = "R";
      o.target = target;
      std::vector<std::string> want;
      if (target == ReplaceTarget::Contents) {
        const std::string f = makeFile("f.txt", text);
        run({o});
        EXPECT_EQ(readAll(f), r.want) << r.name;
        continue;
      }
      if (target == ReplaceTarget::FileNames) {
        makeFile(text + ".txt", "");
        want = {std::string(r.want) + ".txt"};
      } else {
        makeDir(text);
        want = {std::string(r.want) + "/"};
      }
      run({o});
      EXPECT_EQ(tree(), want) << r.name << " target " << static_cast<int>(target);
    }
  }
}

TEST_F(ReplaceRunTest, TagsAreFilledPerItemAndTheirValuesStayLiteral) {
  makeDir("docs");
  const std::string one = makeFile("docs/one.txt", "one two");
  run({{.search = "<FileNameNoDotExt>", .replacement = "[<FoldName>]", .tags = true}}, {.withSubfolders = true});
  EXPECT_EQ(readAll(one), "[docs] two");

  // A "*" that came from a name is literal in a pattern of typed wildcards.
  const std::string star = makeFile("a*b.txt", "a*bXXz aQbXXz");
  run({{.search = "<FileNameNoDotExt>*z", .replacement = "R", .wildcards = WildcardMode::Star, .tags = true}});
  EXPECT_EQ(readAll(star), "R aQbXXz");

  // A search text that is empty, or wildcards alone, once its tags are filled leaves the file alone.
  const std::string bare = makeFile("noext", "noext x");
  run({{.search = "<FileExtNoDot>", .replacement = "R", .tags = true},
       {.search = "<FileExtNoDot>*", .replacement = "R", .wildcards = WildcardMode::Star, .tags = true}});
  EXPECT_EQ(readAll(bare), "noext x");
}

TEST_F(ReplaceRunTest, NamesHoldingTagsNeitherHangNorExpand) {
  fs::remove_all(root_);
  fs::create_directories(root_);
  makeFile("<CustSubFile;1;99>.txt", "");
  run({{.search = "<FileNameNoDotExt>", .replacement = "x", .target = ReplaceTarget::FileNames, .tags = true}});
  EXPECT_EQ(tree(), (std::vector<std::string>{"x.txt"}));

  fs::remove_all(root_);
  fs::create_directories(root_);
  makeFile("<search-text>.md", "");
  run({{.search = "md", .replacement = "<search-text>-<FileNameNoDotExt>", .target = ReplaceTarget::FileNames,
        .tags = true}});
  EXPECT_EQ(tree(), (std::vector<std::string>{"<search-text>.md-<search-text>"}));
}

TEST_F(ReplaceRunTest, ANewNameThatCannotBeANameOrIsTakenIsRefused) {
  makeFile("xx", "keep");
  makeFile("yy", "keep");
  makeFile("p.md", "p");
  makeFile("q.md", "q");
  makeDir("d1");
  run({{.search = "xx", .replacement = "", .target = ReplaceTarget::FileNames},
       {.search = "yy", .replacement = ".", .target = ReplaceTarget::FileNames},
       {.search = "p.", .replacement = "q.", .target = ReplaceTarget::FileNames},
       {.search = "d1", .replacement = "<FilePathNoEndSlash>x", .target = ReplaceTarget::FolderNames, .tags = true}});
  EXPECT_EQ(tree(), (std::vector<std::string>{"d1/", "p.md", "q.md", "xx", "yy"}));
  EXPECT_EQ(readAll(root_ + "q.md"), "q");  // never replaced by the rename
  const std::string r = report();
  for (const std::string& refused : {root_ + "xx", root_ + "yy", root_ + "d1"})
    EXPECT_NE(r.find("<34>" + refused + "\r\n"), std::string::npos) << refused << "\n" << r;
  EXPECT_NE(r.find("{83}"), std::string::npos);  // the taken name: the rename's own failure line
}

// Hidden files and folders included: listed names stay listed, ".hidden" is neither renamed nor
// rewritten, and a file name is renamed whatever the file allows (as an ordinary user).
TEST_F(ReplaceRunTest, HiddenNamesStayHiddenAndRenamesAskNothingOfTheFile) {
  makeFile(".hidden", "secret.txt\nhid\n");
  makeFile("secret.txt", "hidden text");
  makeDir("hid");
  host_.listHidden = true;
  run({{.search = "e", .replacement = "E", .target = ReplaceTarget::FileNames},
       {.search = "h", .replacement = "H", .target = ReplaceTarget::FolderNames},
       {.search = "E", .replacement = "e"}},
      {.withHidden = true});
  EXPECT_EQ(tree(), (std::vector<std::string>{".hidden", "Hid/", "sEcrEt.txt"}));
  EXPECT_EQ(readAll(root_ + ".hidden"), "sEcrEt.txt\nHid\n");

  ASSERT_EQ(::chmod(makeFile("locked.txt", "l").c_str(), 0000), 0);
  fs::create_symlink(root_ + "nowhere", root_ + "dangling.txt");
  host_.realListing = false;  // the main window lists a link as a file; the test host lists no links
  host_.fakeFolders[root_] = {{.name = "dangling.txt"}, {.name = "locked.txt"}};
  const platform::testing::ChildOutcome child = platform::testing::runInChild([&]() -> std::string {
    if (std::string why = platform::testing::becomeOrdinaryUser(base_); !why.empty()) return "skip " + why;
    return std::to_string(run({{.search = ".txt", .replacement = ".md", .target = ReplaceTarget::FileNames}}).changed);
  });
  ASSERT_TRUE(child.exited);
  if (child.report.rfind("skip ", 0) == 0) GTEST_SKIP() << child.report;
  EXPECT_EQ(child.report, "2");
  EXPECT_TRUE(fs::is_symlink(root_ + "dangling.md"));
  EXPECT_TRUE(fs::exists(root_ + "locked.md"));
}

TEST_F(ReplaceRunTest, TheFileNamesReportKeepsEachLineUnderItsFolder) {
  makeDir("A");
  makeDir("B");
  for (int i = 0; i < 150; ++i) makeFile("A/a-rather-long-file-name-number-" + std::to_string(1000 + i) + ".txt", "");
  makeFile("B/rather.txt", "");
  run({{.search = "rather", .replacement = "fairly", .target = ReplaceTarget::FileNames}},
      {.withSubfolders = true, .extensionPattern = "*.txt"});
  const std::string r = report();
  const std::size_t headA = r.find(root_ + "A/*.txt\r\n"), headB = r.find(root_ + "B/*.txt\r\n");
  ASSERT_NE(headA, std::string::npos) << r;
  ASSERT_NE(headB, std::string::npos) << r;
  EXPECT_NE(r.find("<19>151<22>"), std::string::npos);
  // A line lies after its own heading and before the other folder's heading when that comes later.
  const auto under = [&](std::size_t line, std::size_t own, std::size_t other) {
    return line != std::string::npos && line > own && (other < own || line < other);
  };
  for (int i = 0; i < 150; ++i) {
    const std::size_t at = r.find("\"a-rather-long-file-name-number-" + std::to_string(1000 + i) + ".txt\"");
    EXPECT_TRUE(under(at, headA, headB)) << i;
  }
  EXPECT_TRUE(under(r.find("\"rather.txt\"<21>\"fairly.txt\""), headB, headA)) << r;
}

TEST_F(ReplaceRunTest, FoldersAreRenamedDeepestFirst) {
  makeDir("a/a/a");
  makeDir("a/b");
  run({{.search = "a", .replacement = "z", .target = ReplaceTarget::FolderNames}}, {.withSubfolders = true});
  EXPECT_EQ(tree(), (std::vector<std::string>{"z/", "z/b/", "z/z/", "z/z/z/"}));
  const std::string r = report();
  EXPECT_NE(r.find("<19>3<29>"), std::string::npos) << r;
  EXPECT_LT(r.find("\"" + root_ + "a/a/a\""), r.find("\"" + root_ + "a/a\""));
  EXPECT_LT(r.find("\"" + root_ + "a/a\""), r.find("\"" + root_ + "a\""));
}

// Runs over contents and file names take the folders parents first, in name order, and a run
// list's later runs (which keep the folder list) take them in that same order again.
TEST_F(ReplaceRunTest, ContentsAndNameRunsTakeParentsFirstInEveryRunOfAList) {
  for (const char* f : {"f.txt", "a/f.txt", "a/b/f.txt", "c/f.txt"}) {
    if (const std::string dir = fs::path(f).parent_path().string(); !dir.empty()) makeDir(dir);
    makeFile(f, "x");
  }
  const auto out = run({{.search = "x", .replacement = "y"},
                        {.search = "y", .replacement = "x"},
                        {.search = "f", .replacement = "g", .target = ReplaceTarget::FileNames},
                        {.search = "g", .replacement = "f", .target = ReplaceTarget::FileNames}},
                       {.withSubfolders = true, .extensionPattern = "*"});
  ASSERT_EQ(out.runsStarted, 4);
  EXPECT_EQ(readAll(root_ + "a/b/f.txt"), "x");
  const std::string r = report();
  const std::vector<std::string> order{"", "a/", "c/", "a/b/"};  // the tree breadth first, names in order
  for (int i = 1; i <= 4; ++i) {
    const std::size_t from = r.find("<5>" + std::to_string(i) + "<6>4\r\n");
    const std::size_t to = i < 4 ? r.find("<5>" + std::to_string(i + 1) + "<6>4\r\n") : r.size();
    ASSERT_NE(from, std::string::npos) << r;
    const std::string section = r.substr(from, to - from);
    std::size_t last = 0;
    for (const std::string& folder : order) {
      // A contents run names each changed file; a name run heads each folder's lines.
      const std::string line = root_ + folder + (i <= 2 ? "f.txt\r\n" : "*\r\n");
      const std::size_t at = section.find(line);
      ASSERT_NE(at, std::string::npos) << "run " << i << ": " << line << "\n" << section;
      EXPECT_GT(at, last) << "run " << i << ": " << folder << " out of order\n" << section;
      last = at;
    }
  }
}

TEST_F(ReplaceRunTest, ARunListRebuildsTheFolderListAndKeepsEveryReport) {
  makeFile("p.txt", "p");
  makeFile("q.txt", "q");
  makeDir("x1/x2");
  makeFile("x1/x2/f.txt", "c");
  const auto out = run({{.search = "p", .replacement = "q", .target = ReplaceTarget::FileNames},
                        {.search = "x", .replacement = "y", .target = ReplaceTarget::FolderNames},
                        {.search = "y", .replacement = "z", .target = ReplaceTarget::FolderNames},
                        {.search = "c", .replacement = "C"}},
                       {.withSubfolders = true});
  EXPECT_EQ(out.runsStarted, 4);
  EXPECT_EQ(tree(), (std::vector<std::string>{"p.txt", "q.txt", "z1/", "z1/z2/", "z1/z2/f.txt"}));
  EXPECT_EQ(readAll(root_ + "z1/z2/f.txt"), "C");
  const std::string r = report();
  std::size_t at = 0;
  for (int i = 1; i <= 4; ++i) {
    const std::size_t next = r.find("<5>" + std::to_string(i) + "<6>4\r\n\r\n<19>", at);
    ASSERT_NE(next, std::string::npos) << "run " << i << "\n" << r;
    at = next;
  }
  EXPECT_NE(r.find("<19>2<29>"), std::string::npos) << r;  // the second folder run walked the new paths
  // The first run's failure line survives the later runs' new folder lists, once.
  const std::size_t failed = r.find("{83}");
  ASSERT_NE(failed, std::string::npos) << r;
  EXPECT_EQ(r.find("{83}", failed + 1), std::string::npos);
}

}  // namespace
}  // namespace tools::text
