// Every tool over a tree that holds a leftover of the program (a temporary file a killed run left)
// beside files of the user's that merely have a temporary file's name: a tool that writes removes
// the leftover and nothing else; a tool that only reads removes neither.
#include "core/settings.h"
#include "platform/own_temporary_test_support.h"
#include "tools/file_ops/attrib_run.h"
#include "tools/file_ops/batch_job.h"
#include "tools/file_ops/copy_run.h"
#include "tools/file_ops/date_run.h"
#include "tools/file_ops/delete_run.h"
#include "tools/file_ops/delete_test_support.h"
#include "tools/file_ops/dupes_run.h"
#include "tools/file_ops/encrypt_run.h"
#include "tools/file_ops/join_run.h"
#include "tools/file_ops/split_run.h"
#include "tools/text/append_run.h"
#include "tools/text/extract_run.h"
#include "tools/text/extract_setup.h"
#include "tools/text/find_run.h"
#include "tools/text/list_run.h"
#include "tools/text/replace_run.h"

#include <filesystem>
#include <functional>

namespace tools::file_ops {
namespace {

namespace fs = std::filesystem;

core::MessageTable placeholderMessages() {
  std::vector<std::string> texts;
  for (int n = 1; n <= 100; ++n) texts.push_back("[" + std::to_string(n) + "]");
  return core::MessageTable(std::move(texts));
}

struct ToolRow {
  const char* name;
  bool writes;
  std::function<void()> run;
};

class OwnLeftovers : public testing::DeleteTest {
 protected:
  void SetUp() override {
    DeleteTest::SetUp();
    if (const std::string why = platform::testing::userXattrsMissing(root_); !why.empty()) GTEST_SKIP() << why;
    core::saveSet("sendContent", "1");
    core::saveSet("sendDeleted", "1");
  }
  // The tree every tool runs over: files to work on, the user's look-alikes, and leftovers of the
  // program in the start folder and below it. Returns the leftovers.
  std::vector<std::string> makeTree() {
    fs::remove_all(root_);
    makeDir("sub");
    makeFile("a.txt", std::string(100, 'a') + " word\r\n");
    makeFile("sub/b.txt", std::string(100, 'a') + " word\r\n");
    makeFile(platform::testing::kLookAlike, "the user's");
    makeFile("sub/.diary.vdk20261211", "the user's too");
    return {platform::testing::abandonedTemporary(root_ + "a.txt"),
            platform::testing::abandonedTemporary(root_ + "sub/b.txt")};
  }
  void check(const ToolRow& row) {
    const std::vector<std::string> leftovers = makeTree();
    for (const std::string& l : leftovers) ASSERT_FALSE(l.empty());
    host_.results.clear();
    row.run();
    for (const std::string& l : leftovers) EXPECT_EQ(fs::exists(l), !row.writes) << row.name << ": " << l << "\n" << report();
    EXPECT_EQ(readAll(root_ + platform::testing::kLookAlike), "the user's") << row.name << "\n" << report();
    EXPECT_EQ(readAll(root_ + "sub/.diary.vdk20261211"), "the user's too") << row.name << "\n" << report();
  }
  const core::MessageTable msg_ = placeholderMessages();
};

// The tools run with subfolders and without hidden files: the sweep does not depend on what the
// list shows, and the user's look-alikes are no files the tools were asked to work on.
TEST_F(OwnLeftovers, WritingToolsRemoveOnlyTheLeftoverAndReadingToolsNothing) {
  const std::string job = base_ + "temp/job.sh";
  const ToolRow rows[] = {
      {"find", false, [&] { (void)text::findWords(pipe_, form_, {.text = "word", .withSubfolders = true}, msg_); }},
      {"list", false, [&] { (void)text::listFiles(pipe_, form_, {.withSubfolders = true}, msg_); }},
      {"extract", false,
       [&] {
         const text::ExtractPlan plan = text::prepareExtract({.validChars = "abcdefghijklmnopqrstuvwxyz"}, msg_);
         (void)text::runExtract(pipe_, form_, plan.setup, msg_, {.withSubfolders = true});
       }},
      {"dupes_list", false,
       [&] { (void)findDuplicates(pipe_, form_, {.mode = DupesMode::ListByContents, .withSubfolders = true}, msg_); }},
      {"batch_compile", false,
       [&] {
         (void)compileBatchJob(pipe_, form_,
                               {.code = {.templates = {.head = "H", .file = "f <myDosFile>\r\n"}},
                                .withSubfolders = true, .startFolder = root_, .jobPath = job, .pattern = "*"},
                               msg_);
       }},
      {"append", true,
       [&] { (void)text::appendText(pipe_, form_, {.text = "more", .withSubfolders = true}, msg_); }},
      {"replace", true,
       [&] {
         (void)text::runReplace(pipe_, form_, {{.search = "word", .replacement = "w"}}, {.withSubfolders = true}, msg_);
       }},
      {"attributes", true,
       [&] { (void)runAttributes(pipe_, form_, {.archive = AttribChange::Set, .withSubfolders = true}, msg_); }},
      {"dates", true,
       [&] {
         DateOptions options{.withSubfolders = true};
         options.change.modifiedDate = {.ticked = true, .text = "02/03/2004"};
         (void)runDates(pipe_, form_, options, msg_);
       }},
      {"encrypt", true,
       [&] { (void)encryptFiles(pipe_, form_, {.typedKey = "Leftover4Key", .withSubfolders = true}, msg_); }},
      {"split", true, [&] { (void)splitFiles(pipe_, form_, {.pieceSize = 40, .withSubfolders = true}, msg_); }},
      {"join", true,
       [&] {
         (void)joinFiles(pipe_, form_, {.mode = JoinMode::AllFiles, .allFilesName = "all.out", .withSubfolders = true},
                         msg_);
       }},
      {"copy", true,
       [&] {
         (void)runCopyJob(pipe_, form_, {.pattern = base_ + "out/<FileExtension>", .withSubfolders = true,
                                         .mainFolder = root_},
                          msg_);
       }},
      {"dupes_delete", true,
       [&] { (void)findDuplicates(pipe_, form_, {.mode = DupesMode::DeleteByContents, .withSubfolders = true}, msg_); }},
      {"delete", true,
       [&] { (void)deleteStart(pipe_, form_, {.folder = root_, .withSubfolders = true, .pattern = "*"}, msg_); }},
  };
  for (const ToolRow& row : rows) check(row);
}

}  // namespace
}  // namespace tools::file_ops
