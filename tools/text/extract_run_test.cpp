// Extraction runs on fixture folders: the results text of each source and list mode, repeats,
// long lists, words across piece edges, Skip and Cancel, and what is read (read access, links).
#include "tools/text/extract_run.h"

#include "core/pipeline_test_support.h"
#include "tools/text/run_report_test_support.h"

#include <filesystem>

namespace tools::text {
namespace {

const core::MessageTable kMsg = testing::messages(30, {});

class ExtractRunTest : public core::testing::PipelineTest {
 protected:
  void SetUp() override {
    PipelineTest::SetUp();
    host_.realListing = true;
  }
  // Runs the options over the fixture root and returns the results text of the report. Without
  // valid characters the default set is given, as the window shows it after a first run.
  std::string run(ExtractOptions options, bool subfolders = false) {
    if (options.validChars.empty() && !defaultSetHeading_) options.validChars = fillValidChars();
    host_.results.clear();
    const ExtractPlan plan = prepareExtract(options, kMsg);
    EXPECT_FALSE(plan.refusal) << plan.refusal->text;
    outcome_ = runExtract(pipe_, form_, plan.setup, kMsg, {.withSubfolders = subfolders});
    EXPECT_EQ(host_.results.size(), 1u);
    return testing::reportedText(host_);
  }
  core::RunOutcome outcome_;
  bool defaultSetHeading_ = false;
};

struct ContentsRow {
  const char* name;
  ExtractOptions options;
  std::string expected;  // with <root> for the root folder
};

class Contents : public ExtractRunTest, public ::testing::WithParamInterface<ContentsRow> {};

TEST_P(Contents, ResultsText) {
  makeFile("a.txt", "Apple pie and apple\r\ncake");
  makeFile("b.txt", "...");
  makeFile("c.txt", "pie APPLE");
  std::string expected = GetParam().expected;
  for (std::size_t at; (at = expected.find("<root>")) != std::string::npos;) expected.replace(at, 6, root_);
  defaultSetHeading_ = GetParam().options.validChars.empty();
  EXPECT_EQ(run(GetParam().options), expected);
}

ExtractOptions letters(ExtractOptions o) {
  o.validChars = "abcdefghijklmnopqrstuvwxyz";
  return o;
}

INSTANTIATE_TEST_SUITE_P(
    Lists, Contents,
    ::testing::Values(
        ContentsRow{"per_file", letters({}),
                    "[4]<root>a.txt\r\nApple pie and apple cake\r\n\r\n<root>c.txt\r\npie APPLE\r\n\r\n"},
        ContentsRow{"per_file_listing_empty", letters({.listEmpty = true}),
                    "[4]<root>a.txt\r\nApple pie and apple cake\r\n\r\n<root>b.txt\r\n[6]\r\n\r\n<root>c.txt\r\npie APPLE\r\n\r\n"},
        // Case-insensitive: the same word in two spellings is a repeat; the first spelling stays.
        // Per file the seen words are forgotten at each file.
        ContentsRow{"per_file_no_repeats", letters({.noRepeats = true}),
                    "[4]<root>a.txt\r\nApple pie and cake\r\n\r\n<root>c.txt\r\npie APPLE\r\n\r\n"},
        ContentsRow{"combined_no_repeats", letters({.noRepeats = true, .combine = true}),
                    "[4]Apple pie and cake\r\n\r\n"},
        ContentsRow{"combined_case_sensitive", {.validChars = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", .caseSensitive = true,
                     .noRepeats = true, .combine = true},
                    "[4]Apple pie and apple cake APPLE\r\n\r\n"},
        ContentsRow{"combined_tab_separated",
                    letters({.separator = KeywordSeparator::Tab, .minLength = {true, "4"}, .combine = true}),
                    "[4]Apple\tapple\tcake\tAPPLE\r\n\r\n"},
        ContentsRow{"combined_line_breaks",
                    letters({.separator = KeywordSeparator::LineBreak, .usePattern = true, .pattern = "c*",
                             .combine = true}),
                    "[4]cake\r\n\r\n"},
        ContentsRow{"combined_nothing_found", letters({.usePattern = true, .pattern = "z*", .combine = true}),
                    "[4][6]\r\n\r\n"},
        ContentsRow{"default_valid_set_heading", {.usePattern = true, .pattern = "c*", .combine = true},
                    "[1]!\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`"
                    "abcdefghijklmnopqrstuvwxyz{|}~\r\n\r\n[4]cake\r\n\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// A list past 15,000 characters is written in parts: nothing is lost or doubled at the seams, and
// with no repeats the note stands before the file's path.
TEST_F(ExtractRunTest, LongListsAreWrittenWholeInParts) {
  std::string text, once, twice;
  for (int i = 0; i < 6000; ++i) {
    const std::string w = "w" + std::to_string(i);
    text += w + (i % 7 ? " " : "\n") + w + " ";
    once += (i ? " " : "") + w;
    twice += (i ? " " : "") + w + " " + w;
  }
  makeFile("long.txt", text);
  EXPECT_EQ(run({.noRepeats = true}), "[4][3][7]" + root_ + "long.txt\r\n" + once + "\r\n\r\n");
  EXPECT_EQ(run({.noRepeats = true, .combine = true}), "[4][3][8]" + once + "\r\n\r\n");
  // Without no-repeats there is no note.
  EXPECT_EQ(run({}), "[4]" + root_ + "long.txt\r\n" + twice + "\r\n\r\n");
}

// Contents are read in pieces of 200,000 bytes: a word across an edge is one word, and so is a
// character whose bytes are cut by it.
TEST_F(ExtractRunTest, WordsAndCharactersAcrossPieceEdgesStayWhole) {
  std::string text(kExtractPiece - 3, ' ');
  text += "abcdef";  // "def" in the second piece
  text += std::string(2 * kExtractPiece - 1 - text.size(), ' ');
  text += "\xC3\xA9x";  // "é" cut by the second edge
  makeFile("edge.txt", text);
  EXPECT_EQ(run({.validChars = "abcdefxé", .combine = true}), "[4]abcdef \xC3\xA9x\r\n\r\n");
}

// A file whose bytes read "A_Err" is a file like any other, not a read failure.
TEST_F(ExtractRunTest, APieceReadingTheFailureTextIsData) {
  makeFile("err.txt", "A_Err");
  EXPECT_EQ(run({.combine = true}), "[4]A_Err\r\n\r\n");
  EXPECT_EQ(pipe_.resultLines(), "");
}

// Reading needs read access only: a file reached through a symbolic link is read, a read-only one
// too; a link to something that is not a regular file is not.
TEST_F(ExtractRunTest, ReadsWithReadAccess) {
  const std::string target = makeFile("real.txt", "linked");
  std::filesystem::create_symlink(target, root_ + "link.txt");
  std::filesystem::create_symlink(root_, root_ + "dir-link.txt");
  std::filesystem::permissions(target, std::filesystem::perms::owner_read);
  host_.realListing = false;
  host_.fakeFolders[root_] = {{.name = "dir-link.txt"}, {.name = "link.txt"}};
  const std::string text = run({.combine = true});
  EXPECT_EQ(text.substr(0, text.find("\r\n\r\n") + 4), "[4]linked\r\n\r\n");
  EXPECT_EQ(outcome_.done, 1);
  EXPECT_EQ(outcome_.skipped, 1);
}

// Skip ends the file in progress (its list says so) and the run goes on; Cancel ends the run.
TEST_F(ExtractRunTest, SkipEndsTheFileCancelEndsTheRun) {
  std::string big;
  for (int i = 0; i < 4000; ++i) big += "word" + std::to_string(i) + " ";  // over 5,000 bytes
  makeFile("a.txt", big);
  makeFile("b.txt", "after");
  host_.cancelAfterYields(1, core::CancelState::SkipFile);
  // Skip is seen at the first yield, after 5,000 bytes; the word cut there is not a word.
  EXPECT_EQ(run({}), "[4]" + root_ + "a.txt\r\n" + big.substr(0, big.rfind(' ', 4999)) + " [5]\r\n\r\n" + root_ +
                         "b.txt\r\nafter\r\n\r\n");
  ASSERT_GE(host_.skipShown.size(), 2u);
  EXPECT_TRUE(host_.skipShown[host_.skipShown.size() - 2]) << "Skip is offered during the run";
  EXPECT_FALSE(host_.skipShown.back());

  host_.cancelAfterYields(1, core::CancelState::Cancelled);
  const std::string cancelled = run({});
  EXPECT_EQ(cancelled.find("b.txt"), std::string::npos);
  EXPECT_EQ(outcome_.end, core::RunEnd::Cancelled);
}

// File names: each name is a text of its own; compared and written in lower case unless the case
// counts. Folder paths keep their case, so a folder with capitals is still listed.
TEST_F(ExtractRunTest, FileNames) {
  makeFile("Report-2024.txt", "");
  makeDir("Sub Folder");
  makeFile("Sub Folder/Notes.txt", "");
  makeFile("Sub Folder/report-2024.txt", "");
  EXPECT_EQ(run({.source = ExtractSource::FileNames, .noRepeats = true}, true),
            "[10]report-2024.txt notes.txt \r\n");
  EXPECT_EQ(run({.source = ExtractSource::FileNames, .separator = KeywordSeparator::Tab, .caseSensitive = true}, true),
            "[10]Report-2024.txt\tNotes.txt\treport-2024.txt\t\r\n");
  EXPECT_EQ(run({.source = ExtractSource::FileNames, .validChars = "abcdefghijklmnopqrstuvwxyz", .combine = true}),
            "[10]report txt \r\n");
}

// Folder names: the folders below the start folder, never the start folder itself; a ">" in a
// name ends a word.
TEST_F(ExtractRunTest, FolderNames) {
  makeDir("Alpha/Beta>Gamma");
  makeFile("Alpha/file.txt", "");
  EXPECT_EQ(run({.source = ExtractSource::FolderNames}, true), "[9]alpha beta gamma \r\n");
  EXPECT_EQ(run({.source = ExtractSource::FolderNames, .caseSensitive = true}, false), "[9]Alpha \r\n");
  EXPECT_TRUE(host_.refreshes.empty()) << "nothing changed, nothing to refresh";
}

}  // namespace
}  // namespace tools::text
