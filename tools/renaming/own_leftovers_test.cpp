// The renaming tools over a tree that holds a leftover of the program (a temporary file a killed
// run left) beside files of the user's that merely have a temporary file's name: each removes the
// leftover and nothing else.
#include "platform/own_temporary_test_support.h"
#include "tools/renaming/case_run.h"
#include "tools/renaming/case_trim_test_support.h"
#include "tools/renaming/rename_run.h"
#include "tools/renaming/trim_run.h"

#include <filesystem>
#include <functional>

namespace tools {
namespace {

namespace fs = std::filesystem;

class OwnLeftovers : public testing::ToolRunTest {
 protected:
  void SetUp() override {
    ToolRunTest::SetUp();
    if (const std::string why = platform::testing::userXattrsMissing(root_); !why.empty()) GTEST_SKIP() << why;
  }
};

// With subfolders and without hidden files: the sweep does not depend on what the list shows, and
// the user's look-alikes are no files the tools were asked to work on.
TEST_F(OwnLeftovers, RenamingToolsRemoveOnlyTheLeftover) {
  struct Row {
    const char* name;
    std::function<void()> run;
  };
  const Row rows[] = {
      {"rename",
       [&] {
         (void)ren::renameRun(pipe_, form_, {.startRule = "<oldFileNameNoExt>-x", .withSubfolders = true}, msg_);
       }},
      {"trim", [&] { (void)runTrimmer(pipe_, form_, {.count = 1, .withSubfolders = true}, msg_); }},
      {"case_contents",
       [&] {
         (void)runCaseChanger(pipe_, form_,
                              {.mode = CaseMode::Contents, .styles = {.name = CaseStyle::Upper}, .withSubfolders = true},
                              msg_);
       }},
  };
  for (const Row& row : rows) {
    fs::remove_all(root_);
    fs::create_directories(root_ + "sub");
    makeFile("abc.txt", "some words\n");
    makeFile("sub/def.txt", "more words\n");
    makeFile(platform::testing::kLookAlike, "the user's");
    makeFile("sub/.diary.vdk20261211", "the user's too");
    const std::string top = platform::testing::abandonedTemporary(root_ + "abc.txt");
    const std::string below = platform::testing::abandonedTemporary(root_ + "sub/def.txt");
    ASSERT_FALSE(top.empty() || below.empty());
    row.run();
    EXPECT_FALSE(fs::exists(top)) << row.name << "\n" << report();
    EXPECT_FALSE(fs::exists(below)) << row.name << "\n" << report();
    EXPECT_EQ(readAll(root_ + platform::testing::kLookAlike), "the user's") << row.name;
    EXPECT_EQ(readAll(root_ + "sub/.diary.vdk20261211"), "the user's too") << row.name;
  }
}

}  // namespace
}  // namespace tools
