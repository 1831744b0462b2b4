// The finder's run on a fixture tree: the report of a contents search, any-mode and all-mode,
// occurrences across the 400,000-byte edge, file and folder names, files that cannot be opened or
// were cut short by Cancel, read-only files, and the checks before a search.
#include "tools/text/find_run.h"

#include "core/pipeline_test_support.h"
#include "tools/text/run_report_test_support.h"
#include "platform/fault_test_support.h"
#include "tools/text/find_test_support.h"

#include <QTemporaryDir>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

namespace tools::text {
namespace {

using testing::messages;
using testing::reportedText;

class FindRunTest : public core::testing::PipelineTest {
 protected:
  void SetUp() override {
    PipelineTest::SetUp();
    makeFile("alpha.txt", "The Annual Report, with totals.");
    makeFile("beta.txt", "annual figures only");
    makeDir("Reports");
    makeFile("Reports/gamma.txt", "nothing here");
    host_.realListing = true;
  }
  // Many files in nested folders: sizes around the piece size, hits early and late in a file,
  // empty files.
  void makeManyFiles() {
    for (int d = 0; d < 6; ++d) {
      const std::string folder = "many" + std::to_string(d) + (d % 2 ? "/deeper" : "");
      makeDir(folder);
      for (int i = 0; i < 25; ++i) {
        const std::size_t size = std::vector<std::size_t>{0, 40, kFindPieceSize - 1, kFindPieceSize + 3, 9000}[i % 5];
        std::string bytes(size, 'q');
        if ((i + d) % 3 == 0 && size > 20) bytes.replace(i % 2 ? size - 8 : 2, 6, "needle");
        makeFile(folder + "/f" + std::to_string(i) + ".txt", bytes);
      }
    }
  }
  FindStart find(FindOptions options) {
    options.withSubfolders = true;
    return findWords(pipe_, form_, options, msg_);
  }
  // The paths of the hit list or the miss list: the Tab-framed block after its summary line.
  std::vector<std::string> listed(bool hits) {
    const std::string text = reportedText(host_);
    std::size_t at = text.find(hits ? " matching " : " not matching ");
    at = at == std::string::npos ? at : text.find("\r\n", at);
    std::vector<std::string> paths;
    if (at == std::string::npos || text.compare(at + 2, 3, "\t\r\n") != 0) return paths;
    for (std::size_t p = at + 5; p < text.size() && text[p] != '\t';) {
      const std::size_t end = text.find("\r\n", p);
      paths.push_back(text.substr(p, end - p));
      p = end + 2;
    }
    return paths;
  }

  const core::MessageTable msg_ =
      messages(16, {{4, "Targets:\r\n"}, {5, "Contents"}, {8, "any"}, {9, "all"}, {10, "(none)"}, {11, " matching "},
                    {12, ": "}, {13, " found"}, {14, " not matching "}, {15, ": "}, {16, " found"}});
};

TEST_F(FindRunTest, ContentsReportListsTargetsThenHitsThenMisses) {
  EXPECT_EQ(find({.text = "annual \"with totals\"", .phrases = true, .mode = MatchMode::All}), FindStart::Searched);
  EXPECT_EQ(reportedText(host_),
            "Targets:\r\n\"with totals\"\r\n\"annual\"\r\n\r\n"
            "Contents matching all: 1 found\r\n\t\r\n" + root_ + "alpha.txt\r\n\t\r\n\r\n\r\n"
            "Contents not matching all: 2 found\r\n\t\r\n" + root_ + "beta.txt\r\n" + root_ + "Reports/gamma.txt\r\n\t");
  EXPECT_EQ(host_.captions.back(), "[3]");
  EXPECT_TRUE(host_.refreshes.empty());
}

TEST_F(FindRunTest, AnyModeAndMatchCase) {
  find({.text = "ANNUAL figures", .phrases = true, .matchCase = true});
  EXPECT_EQ(listed(true), std::vector<std::string>{root_ + "beta.txt"});
  // Without phrases the whole text is one target, and any-mode holds whatever the option says.
  find({.text = "annual figures", .mode = MatchMode::All});
  EXPECT_EQ(listed(true), std::vector<std::string>{root_ + "beta.txt"});
  EXPECT_NE(reportedText(host_).find(" matching any: 1"), std::string::npos);
}

TEST_F(FindRunTest, AnEmptyListSaysSo) {
  find({.text = "zebra"});
  EXPECT_NE(reportedText(host_).find("Contents matching any: 0 found\r\n(none)\r\n\r\n\r\n"), std::string::npos);
}

TEST_F(FindRunTest, OccurrencesAcrossThePieceEdgeAreFoundAndPiecesOfAllModeAddUp) {
  std::string big(2 * kFindPieceSize + 10, '.');
  big.replace(kFindPieceSize - 3, 7, "Needle!");  // "Nee" in the first piece, "dle!" in the second
  big.replace(2 * kFindPieceSize + 2, 5, "other");
  makeFile("big.txt", big);
  find({.text = "needle", .phrases = true});
  EXPECT_EQ(listed(true), std::vector<std::string>{root_ + "big.txt"});
  find({.text = "needle other annual", .phrases = true, .mode = MatchMode::All});
  EXPECT_TRUE(listed(true).empty()) << reportedText(host_);
  find({.text = "needle other", .phrases = true, .mode = MatchMode::All});
  EXPECT_EQ(listed(true), std::vector<std::string>{root_ + "big.txt"});
}

TEST_F(FindRunTest, ReadOnlyFilesAreSearchedAndUnopenableOnesAreInNeitherList) {
  ASSERT_EQ(::chmod((root_ + "alpha.txt").c_str(), 0444), 0);
  makeFile("A_Err.txt", "A_Err");
  find({.text = "annual a_err", .phrases = true});
  EXPECT_EQ(listed(true),
            (std::vector<std::string>{root_ + "A_Err.txt", root_ + "alpha.txt", root_ + "beta.txt"}));
  host_.realListing = false;
  host_.fakeFolders[root_] = {core::ListEntry{.name = "alpha.txt"}, core::ListEntry{.name = "gone.txt"}};
  findWords(pipe_, form_, {.text = "annual"}, msg_);
  EXPECT_EQ(listed(true), std::vector<std::string>{root_ + "alpha.txt"});
  EXPECT_TRUE(listed(false).empty());
  EXPECT_NE(host_.results.back().text.find(root_ + "gone.txt{102}"), std::string::npos);
}

// A host whose user presses Cancel while the first piece of the file `at` is searched.
struct CancelDuringFile : core::ScriptedRunHost {
  std::string at;
  void setProgressPath(const std::string& text) override {
    ScriptedRunHost::setProgressPath(text);
    if (text == at) cancelAfterYields(1);
  }
};

TEST_F(FindRunTest, AFileCutShortByCancelIsInNeitherList) {
  makeFile("Reports/long.txt", std::string(3 * kFindPieceSize, 'z'));
  CancelDuringFile host;
  host.realListing = true;
  host.mainFolder = root_;
  host.at = root_ + "Reports/long.txt";
  core::Pipeline pipe(host);
  findWords(pipe, form_, {.text = "zebra", .withSubfolders = true}, msg_);
  const std::string text = reportedText(host);
  EXPECT_NE(text.find("not matching any: 3 found"), std::string::npos) << text;
  EXPECT_EQ(text.find("long.txt"), std::string::npos);
  EXPECT_NE(host.results.back().text.find("{76}"), std::string::npos);
}

// Helpers trust no file whose times lie close to their look at it (a change in the same tick of
// the file system's clock would not show): the fixture's files are left to age past that first.
void letFilesAge() { ::usleep(250'000); }

TEST_F(FindRunTest, ReadingAheadChangesNeitherTheResultsNorTheirOrder) {
  makeManyFiles();
  ASSERT_EQ(::symlink((root_ + "many0/f3.txt").c_str(), (root_ + "many0/link.txt").c_str()), 0);
  ASSERT_EQ(::mkfifo((root_ + "many2/pipe.txt").c_str(), 0600), 0);
  ASSERT_EQ(::chmod((root_ + "many1/deeper/f4.txt").c_str(), 0), 0);  // unreadable, unless root
  letFilesAge();
  std::vector<std::string> reports, logs;
  for (const int helpers : {0, 1, 3, 8}) {
    // On a busy machine a run can end before any helper had its turn: it runs again (every run's
    // results are compared) until the helpers' findings were used, within a bound only a hang reaches.
    long long judged = 0;
    for (int tries = 0; tries == 0 || (helpers > 0 && judged == 0 && tries < 200); ++tries) {
      find({.text = "needle", .readAheadHelpers = helpers, .readAheadAtOnce = true, .judgedAhead = &judged});
      reports.push_back(reportedText(host_));
      const std::string& log = host_.results.back().text;
      logs.push_back(log.substr(log.find('\n') + 1));  // without the first line, of the run's date and time
    }
    EXPECT_EQ(judged > 0, helpers > 0) << helpers << ": " << judged;
  }
  EXPECT_NE(reports[0].find("many0/link.txt"), std::string::npos);
  for (std::size_t i = 1; i < reports.size(); ++i) {
    EXPECT_EQ(reports[i], reports[0]) << i;
    EXPECT_EQ(logs[i], logs[0]) << i;
  }
}

// A host that, when the run comes to the file `at`, lets the helpers read ahead, then rewrites the
// file `change` (further on in the same folder) to `bytes`, of the same size, and puts its old
// modification time back: only its change time tells.
struct ChangeAhead : core::ScriptedRunHost {
  std::string at, change, bytes;
  void setProgressPath(const std::string& text) override {
    ScriptedRunHost::setProgressPath(text);
    if (text != at) return;
    ::usleep(200'000);
    struct stat before {};
    ASSERT_EQ(::stat(change.c_str(), &before), 0);
    std::ofstream(change, std::ios::binary | std::ios::in | std::ios::out) << bytes;
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, change.c_str(), times, 0), 0);
  }
};

TEST_F(FindRunTest, AFileChangedAfterAHelperReadItIsJudgedByWhatItHoldsNow) {
  makeDir("c");
  for (int i = 0; i < 20; ++i) makeFile("c/f" + std::to_string(10 + i) + ".txt", std::string(5000, 'q'));
  makeFile("c/f15.txt", std::string(4000, 'q') + "needle" + std::string(994, 'q'));
  letFilesAge();
  struct Case {
    std::string change, bytes;
    bool hitAfter;
  };
  for (const Case& c : {Case{"c/f15.txt", std::string(5000, 'q'), false},   // its needle gone
                        Case{"c/f27.txt", "needle" + std::string(4994, 'q'), true}}) {  // one added
    ChangeAhead host;
    host.realListing = true;
    host.mainFolder = root_;
    host.at = root_ + "c/f11.txt";
    host.change = root_ + c.change;
    host.bytes = c.bytes;
    core::Pipeline pipe(host);
    findWords(pipe, form_, {.text = "needle", .withSubfolders = true, .readAheadHelpers = 3, .readAheadAtOnce = true}, msg_);
    const std::string text = reportedText(host);
    const std::size_t split = text.find(" not matching ");
    const std::size_t found = text.find(root_ + c.change);
    ASSERT_NE(found, std::string::npos) << text;
    EXPECT_EQ(found < split, c.hitAfter) << c.change << "\n" << text;
    makeFile("c/f15.txt", std::string(4000, 'q') + "needle" + std::string(994, 'q'));
    makeFile("c/f27.txt", std::string(5000, 'q'));
    letFilesAge();
  }
}

TEST_F(FindRunTest, CancelWhileReadingAheadEndsTheRunAsWithoutHelpersAndKeepsNoFileOpen) {
  makeManyFiles();
  letFilesAge();
  std::vector<std::string> reports;
  for (const int helpers : {0, 3}) {
    CancelDuringFile host;
    host.realListing = true;
    host.mainFolder = root_;
    host.at = root_ + "many2/f3.txt";  // larger than a piece: Cancel comes within it
    core::Pipeline pipe(host);
    const int before = platform::testing::openDescriptors();
    findWords(pipe, form_, {.text = "needle", .withSubfolders = true, .readAheadHelpers = helpers, .readAheadAtOnce = true}, msg_);
    EXPECT_EQ(platform::testing::openDescriptors(), before);
    const std::string text = reportedText(host);
    EXPECT_NE(text.find("many2/f2.txt"), std::string::npos) << text;
    for (const char* after : {"many2/f3.txt", "many2/f4.txt", "many3/", "many5/"})
      EXPECT_EQ(text.find(after), std::string::npos) << after;
    reports.push_back(text);
  }
  EXPECT_EQ(reports[1], reports[0]);
}

// A host that, once the walk is done (the run's caption shows), swaps the folder `swap` for a
// link to `outside`, moving it to `movedTo`.
struct SwapAfterWalk : core::ScriptedRunHost {
  std::string swap, outside, movedTo;
  void setProgressCaption(const std::string& text) override {
    ScriptedRunHost::setProgressCaption(text);
    if (text != "[3]" || swap.empty()) return;
    ASSERT_EQ(::rename(swap.c_str(), movedTo.c_str()), 0);
    ASSERT_EQ(::symlink(outside.c_str(), swap.c_str()), 0);
    swap.clear();
  }
};

TEST_F(FindRunTest, AFolderSwappedForALinkAfterTheWalkLeadsNoHelperOutOfTheTree) {
  QTemporaryDir elsewhere;
  ASSERT_TRUE(elsewhere.isValid());
  const std::string outside = elsewhere.path().toStdString() + "/outside/";
  ASSERT_EQ(::mkdir(outside.c_str(), 0755), 0);
  std::ofstream(outside + "gamma.txt") << "annual, and elsewhere";
  std::ofstream(outside + "delta.txt") << "annual too";
  letFilesAge();
  std::vector<std::string> reports;
  for (const int helpers : {0, 3}) {
    makeDir("Reports");
    makeFile("Reports/gamma.txt", "nothing here");
    testing::OpenWatch watch(outside);
    ASSERT_TRUE(watch.valid());
    SwapAfterWalk host;
    host.realListing = true;
    host.mainFolder = root_;
    host.swap = root_ + "Reports";
    host.outside = outside;
    host.movedTo = elsewhere.path().toStdString() + "/moved" + std::to_string(helpers);
    core::Pipeline pipe(host);
    findWords(pipe, form_, {.text = "annual", .withSubfolders = true, .readAheadHelpers = helpers, .readAheadAtOnce = true}, msg_);
    ASSERT_TRUE(host.swap.empty());  // the swap was made
    const std::string text = reportedText(host);
    const std::size_t found = text.find(root_ + "Reports/"), split = text.find(" not matching ");
    EXPECT_TRUE(found == std::string::npos || found > split) << text;  // never a hit
    EXPECT_EQ(watch.opens(), 0) << helpers;
    reports.push_back(text);
    ASSERT_EQ(::unlink((root_ + "Reports").c_str()), 0);
  }
  EXPECT_EQ(reports[1], reports[0]);
}

TEST_F(FindRunTest, FileAndFolderNames) {
  find({.text = "ALPHA", .in = FindIn::FileNames});
  EXPECT_EQ(listed(true), std::vector<std::string>{root_ + "alpha.txt"});
  EXPECT_EQ(listed(false).size(), 2u);
  find({.text = "report", .in = FindIn::FolderNames});
  EXPECT_EQ(listed(true), std::vector<std::string>{root_ + "Reports/"});
  EXPECT_TRUE(listed(false).empty());
  EXPECT_EQ(host_.refreshes.size(), 0u);
}

TEST_F(FindRunTest, ChecksBeforeTheSearch) {
  EXPECT_EQ(find({.text = " \n ", .phrases = true}), FindStart::NoTargets);
  ASSERT_EQ(host_.questions.size(), 1u);
  EXPECT_EQ(host_.questions[0].message, "[1]");
  EXPECT_EQ(find({.text = "two\nlines", .in = FindIn::FileNames}), FindStart::ImpossibleName);
  EXPECT_EQ(host_.questions.back().message, "{40}{98}[2]two\nlines");
  EXPECT_EQ(find({.text = "ok a/b", .phrases = true, .in = FindIn::FolderNames}), FindStart::ImpossibleName);
  EXPECT_EQ(host_.questions.back().message, "{101}{98}[2]a/b");
  EXPECT_TRUE(host_.results.empty());
  // Contents may hold anything.
  EXPECT_EQ(find({.text = "a/b\nc"}), FindStart::Searched);
}

}  // namespace
}  // namespace tools::text
