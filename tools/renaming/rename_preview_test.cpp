#include "tools/renaming/rename_preview.h"

#include "core/file_test_fixture.h"
#include "core/form_state.h"
#include "platform/test_trees.h"
#include "tools/renaming/rename_rule_sets.h"

#include <filesystem>

namespace tools::ren {
namespace {

using Rows = std::vector<PreviewRow>;

class Preview : public core::testing::FileFixture {
 protected:
  PreviewOptions options(std::string start, std::string end, bool sequence) const {
    return {.startRule = shortenTokens(start), .endRule = shortenTokens(end), .sequence = sequence, .startNumber = 1,
            .folder = dir_, .runStamp = "07/03/2024 09:05:01"};
  }
};

// As the run: a taken name moves the sample on to the next number, and the sample that took it
// keeps its own name without using a number (a folder's still moves the number on).
TEST_F(Preview, NumbersAndSkipsAsTheRunDoes) {
  for (const char* name : {"a.txt", "b.txt", "x_1.txt"}) make(name, "");
  EXPECT_EQ(buildPreview({"a.txt", "b.txt", "x_1.txt", "c.txt"}, options("x_", ".txt", true)),
            (Rows{{"a.txt", "x_2.txt"}, {"b.txt", "x_3.txt"}, {"x_1.txt", "x_1.txt"}, {"c.txt", "x_4.txt"}}));
  // A folder left alone moves the number on, as in the run.
  for (const char* name : {"a", "b", "f1", "g"}) std::filesystem::create_directories(dir_ + name);
  PreviewOptions folders = options("f", "", true);
  folders.mode = RenameMode::Folders;
  EXPECT_EQ(buildPreview({"a", "b", "f1", "g"}, folders), (Rows{{"a", "f2"}, {"b", "f3"}, {"f1", "f1"}, {"g", "f5"}}));
  // Without a sequence a taken name leaves the sample as it is.
  EXPECT_EQ(buildPreview({"a.txt", "b.txt"}, options("x_1", ".txt", false)),
            (Rows{{"a.txt", "a.txt"}, {"b.txt", "b.txt"}}));
}

TEST_F(Preview, ShowsFinishedNamesOfAtMostFiveSamples) {
  make("notes", "");
  EXPECT_EQ(buildPreview({"notes", "notes.", "b", "c", "d", "e", "f"},
                         options(std::string(kDefaultStartRule), std::string(kDefaultEndRule), false)),
            (Rows{{"notes", "notes"}, {"notes.", "notes."}, {"b", "b"}, {"c", "c"}, {"d", "d"}}));
  EXPECT_TRUE(buildPreview({"", "a"}, options("x", "", false)).empty());
  EXPECT_EQ(buildPreview({"a b.txt"}, options("<oldFolderName>_<FileWord2>_", ".<oldFileExtension>", true)),
            (Rows{{"a b.txt", "w_b_1.txt"}}));  // the samples' folder is "w"
}

// The first five subfolders in name order (made out of it here), hidden ones by their names.
TEST_F(Preview, FolderSamplesAreTheSubfoldersInRunOrder) {
  ASSERT_TRUE(platform::testing::makeFoldersOutOfOrder(dir_));
  std::filesystem::create_directories(dir_ + "one");
  std::filesystem::create_directories(dir_ + ".hidden");
  make("file.txt", "");
  EXPECT_EQ(listFolderItems(dir_, false), (std::vector<std::string>{"Alpha", "Bravo", "Charlie", "Delta", "Echo"}));
  EXPECT_EQ(listFolderItems(dir_, true), (std::vector<std::string>{".hidden", "Alpha", "Bravo", "Charlie", "Delta"}));
  EXPECT_EQ(listFolderItems(dir_, false, 20).back(), "one");
  PreviewOptions folders = options("<oldFolderName>-", "", true);
  folders.mode = RenameMode::Folders;
  EXPECT_EQ(buildPreview({"one"}, folders), (Rows{{"one", "one-1"}}));
}

// Rule sets: a form-state file of any tool; anything else, a missing or a huge file, is refused.
TEST_F(Preview, RuleSetsAreFormStateFilesOnly) {
  const std::string state = core::buildFormState(0, {{"txtStart", "a A_Sep b"}, {"chkSeq", "1"}});
  EXPECT_EQ(readRuleSet(make("mine.Ren", state)), state);
  EXPECT_EQ(readRuleSet(make("other.Ren", "qw9ConfigsA_SepwinStateA_Sep0A_SepoptContentA_SepTrueA_Sep")),
            "qw9ConfigsA_SepwinStateA_Sep0A_SepoptContentA_SepTrueA_Sep");
  EXPECT_FALSE(readRuleSet(make("zip.Ren", "PK\x03\x04qw9Configs")));
  EXPECT_FALSE(readRuleSet(make("short.Ren", "qw9")));
  EXPECT_FALSE(readRuleSet(make("almost.Ren", "qw9Cxyz")));
  EXPECT_FALSE(readRuleSet(path("missing.Ren")));
  bool tooLarge = false;
  EXPECT_FALSE(readRuleSet(make("huge.Ren", "qw9ConfigsA_Sep" + std::string(kMaxRuleSetBytes, 'x')), &tooLarge));
  EXPECT_TRUE(tooLarge);
  EXPECT_FALSE(readRuleSet(make("zip2.Ren", "PK"), &tooLarge));
  EXPECT_FALSE(tooLarge);
}

}  // namespace
}  // namespace tools::ren
