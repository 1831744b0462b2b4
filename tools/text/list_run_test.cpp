// The lister's run on a fixture tree: the summary, folder headings and entries of both layouts,
// the attribute filter and its count, 64-bit totals, empty folders, folder lists, a file that
// vanished before it was measured, Cancel, and dates asked for without a kind.
#include "tools/text/list_run.h"

#include "core/date_tokens.h"
#include "core/file_paths.h"
#include "core/file_times.h"
#include "core/pipeline_test_support.h"
#include "platform/dir_listing.h"
#include "tools/text/run_report_test_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tools::text {
namespace {

using testing::messages;
using testing::reportedText;

const std::int64_t kModified = 1700000000;  // 14/11/2023, some hour depending on the zone
const std::int64_t kAccessed = 1710000000;

class ListRunTest : public core::testing::PipelineTest {
 protected:
  void SetUp() override {
    PipelineTest::SetUp();
    a_ = makeFile("a.txt", std::string(1025, 'a'));
    makeFile("b.txt", "");
    makeDir("empty");
    makeDir("sub");
    makeFile("sub/c.txt", std::string(2048, 'c'));
    for (const std::string& f : {a_, root_ + "b.txt", root_ + "sub/c.txt"}) setTimes(f);
    host_.realListing = true;
  }
  static void setTimes(const std::string& path) {
    const timespec t[2] = {{kAccessed, 0}, {kModified, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), t, 0), 0);
  }
  std::string list(ListOptions options) {
    EXPECT_EQ(listFiles(pipe_, form_, options, msg_), ListStart::Listed);
    return reportedText(host_);
  }

  const core::MessageTable msg_ =
      messages(17, {{3, " Accessed: "}, {4, " Created: "}, {5, " Modified: "}, {6, "Folder: "}, {7, "\r\n"},
                    {8, "Files matching "}, {9, ": "}, {10, " in "}, {11, " folders\r\n"}, {12, "Folders in "},
                    {14, "Size"}, {15, " Attributes: "}, {16, "Name"}, {17, "Total: "}});
  const std::string modified_ = core::dateStamp(core::localRecord(kModified, 0));
  const std::string accessed_ = core::dateStamp(core::localRecord(kAccessed, 0)).substr(0, 10);
  std::string a_;
};

TEST_F(ListRunTest, LabelledBlocksUnderFolderHeadingsWithTheSummaryFirst) {
  const std::string m = " Modified: " + modified_ + "\r\n";
  EXPECT_EQ(list({.withSubfolders = true, .pattern = "*.txt",
                  .layout = {.columns = {.modified = true, .size = true}, .unit = SizeUnit::KB}}),
            "Files matching *.txt: 3 in 3 folders\r\nTotal: 3.1 KB\r\n\r\n"
            "Folder: " + root_ + "\r\na.txt\r\n" + m + " Size: 1.1 KB\r\n\r\nb.txt\r\n" + m + " Size: 0 KB\r\n\r\n\r\n"
            "Folder: " + root_ + "sub/\r\nc.txt\r\n" + m + " Size: 2 KB\r\n\r\n\r\n");
  EXPECT_TRUE(host_.refreshes.empty());  // a list changes nothing
}

TEST_F(ListRunTest, DelimitedLinesWithPathsAfterTheHeadingLine) {
  platform::FolderReader reader;
  ASSERT_EQ(reader.open(root_), 0);
  const platform::EntryStatus st = reader.status("a.txt", platform::kStatCreated);
  const std::string created = st.hasCreated ? core::dateStamp(core::localRecord(st.created, 0)) : "";
  ASSERT_EQ(::chmod(a_.c_str(), 0444), 0);
  const std::string text =
      list({.withPath = true,
            .layout = {.delimited = true,
                       .columns = {.attributes = true, .created = true, .accessed = true, .modified = true, .size = true}}});
  const std::string line = root_ + "a.txt\tR\t" + created + "\t" + accessed_ + "\t" + modified_ + "\t1025\t\r\n";
  EXPECT_EQ(text.substr(0, text.find(line) + line.size()),
            "Files matching *: 2 in 1 folders\r\nTotal: 1025 Bytes\r\n"
            "Name\tAttributes\tCreated\tAccessed\tModified\tSize (Bytes)\r\n" + line)
      << text;
}

TEST_F(ListRunTest, WithoutColumnsTheListIsFramedByTabsForTheViewersPathMarks) {
  EXPECT_EQ(list({.withSubfolders = true, .withPath = true}),
            "Files matching *: 3 in 3 folders\r\n\t\r\n" + root_ + "a.txt\r\n" + root_ + "b.txt\r\n" + root_ +
                "sub/c.txt\r\n\t");
}

TEST_F(ListRunTest, AttributeFilterListsAndCountsOnlyTheMatchingFiles) {
  ASSERT_EQ(core::SetAtt(a_, core::kAttrArchive), 0);
  const std::string text = list({.filter = ListFilter::Archive, .withSubfolders = true, .withPath = true,
                                 .layout = {.columns = {.attributes = true}}});
  EXPECT_EQ(text, "Files matching *: 1 in 3 folders\r\n\r\n" + root_ + "a.txt\r\n Attributes: A\r\n\r\n");
}

TEST_F(ListRunTest, SizesAndTotalsPastTheThirtyTwoBitRangeAreExact) {
  for (const char* name : {"big1.bin", "big2.bin"}) {
    const int fd = ::open((root_ + "sub/" + name).c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 200000000000LL), 0);  // sparse: 200 GB without writing them
    ::close(fd);
  }
  ::unlink((root_ + "sub/c.txt").c_str());
  host_.mainFolder = root_ + "sub/";
  EXPECT_EQ(list({.withPath = true, .layout = {.delimited = true, .columns = {.size = true}, .unit = SizeUnit::KB}}),
            "Files matching *: 2 in 1 folders\r\nTotal: 390625000 KB\r\nName\tSize (KB)\r\n" + root_ +
                "sub/big1.bin\t195312500\t\r\n" + root_ + "sub/big2.bin\t195312500\t\r\n");
}

TEST_F(ListRunTest, EmptyFoldersGetTheirHeadingOnlyWhenAskedFor) {
  const ListOptions options{.withSubfolders = true, .emptyFolders = true, .layout = {.delimited = true}};
  EXPECT_NE(list(options).find("Folder: " + root_ + "empty/\r\n\r\n"), std::string::npos);
  ListOptions without = options;
  without.emptyFolders = false;
  EXPECT_EQ(list(without).find("empty/"), std::string::npos);
}

TEST_F(ListRunTest, FolderListNamesEveryFolderBelowTheStartOrTheFilteredOnes) {
  EXPECT_EQ(list({.what = ListWhat::Folders, .withSubfolders = true}),
            "Folders in " + root_ + "\r\n\t\r\n" + root_ + "empty\r\n" + root_ + "sub\r\n\t");
  ASSERT_EQ(::chmod((root_ + "sub").c_str(), 0555), 0);
  EXPECT_EQ(list({.what = ListWhat::Folders, .filter = ListFilter::ReadOnly, .withSubfolders = true}),
            "Folders in " + root_ + "\r\n\t\r\n" + root_ + "sub\r\n\t");
  ASSERT_EQ(::chmod((root_ + "sub").c_str(), 0755), 0);
}

// A file gone between the listing and its measuring has empty times, never the file's before it.
TEST_F(ListRunTest, AFileThatCannotBeMeasuredHasEmptyFields) {
  host_.realListing = false;
  host_.fakeFolders[root_] = {core::ListEntry{.name = "a.txt"}, core::ListEntry{.name = "gone.txt"}};
  const std::string text = list({.layout = {.delimited = true, .columns = {.accessed = true, .modified = true,
                                                                           .size = true}}});
  EXPECT_NE(text.find("a.txt\t" + accessed_ + "\t" + modified_ + "\t1025\t\r\ngone.txt\t\t\t0\t\r\n"),
            std::string::npos)
      << text;
}

// A host whose user presses Cancel while the main window lists the folder named `at`.
struct CancelWhileListing : core::ScriptedRunHost {
  std::string at;
  core::UpdateFilesResult updateFiles(bool visibleList, const std::string& folder) override {
    if (folder == at) cancel = core::CancelState::Cancelled;
    return ScriptedRunHost::updateFiles(visibleList, folder);
  }
};

TEST_F(ListRunTest, CancelShowsWhatWasListedSoFar) {
  CancelWhileListing host;
  host.realListing = true;
  host.mainFolder = root_;
  host.at = root_ + "empty/";  // the second folder: root, empty, sub
  core::Pipeline pipe(host);
  EXPECT_EQ(listFiles(pipe, form_, {.withSubfolders = true, .withPath = true}, msg_), ListStart::Listed);
  const std::string text = reportedText(host);
  EXPECT_NE(text.find(root_ + "b.txt\r\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("c.txt"), std::string::npos);
  EXPECT_NE(host.results.back().text.find("{76}"), std::string::npos);
}

TEST_F(ListRunTest, DatesWithoutAKindAreRefusedBeforeAnythingRuns) {
  EXPECT_EQ(listFiles(pipe_, form_, {.dates = true, .layout = {.columns = {.size = true}}}, msg_),
            ListStart::NoDateKind);
  ASSERT_EQ(host_.questions.size(), 1u);
  EXPECT_EQ(host_.questions[0].message, "[13]");
  EXPECT_TRUE(host_.results.empty());
  EXPECT_TRUE(host_.listed.empty());
}

}  // namespace
}  // namespace tools::text
