// The content filter: the search of a file in pieces (small pieces here, so that words straddle
// them).
#include "tools/file_ops/copy_words.h"

#include "core/pipeline_test_support.h"

#include <gtest/gtest.h>

namespace tools::file_ops {
namespace {

using Words = std::vector<std::string>;

class CopyWordSearch : public core::testing::PipelineTest {
 protected:
  ContentCheck check(const std::string& content, ContentFilter filter) {
    const std::string path = makeFile("f.txt", content);
    filter.pieceSize = 8;
    core::RunItem item(pipe_, core::SkipMode::EndsRun, nullptr);
    return fileHasTargetWords(item, path, filter);
  }
};

TEST_F(CopyWordSearch, WordsAreFoundAcrossPieces) {
  //                           piece 1 | piece 2 | piece 3
  const std::string content = "xxxxxHEL" "LOxxxxxx" "xxxcar";
  EXPECT_EQ(check(content, {.words = {"hello"}}), ContentCheck::Holds);
  EXPECT_EQ(check(content, {.words = {"hello"}, .caseSensitive = true}), ContentCheck::Lacks);
  EXPECT_EQ(check(content, {.words = {"car", "hello"}, .match = WordMatch::All}), ContentCheck::Holds);
  EXPECT_EQ(check(content, {.words = {"car", "bus"}, .match = WordMatch::All}), ContentCheck::Lacks);
  EXPECT_EQ(check(content, {.words = {"bus", "car"}}), ContentCheck::Holds);
  // A letter of two bytes in the carried end keeps its case: "É" lower-cases to "é" either way.
  EXPECT_EQ(check("xxxxxxx\xc3\x89" "clairxx", {.words = {"\xc3\xa9" "clair"}}), ContentCheck::Holds);
  EXPECT_EQ(check("", {.words = {"a"}}), ContentCheck::Lacks);
}

TEST_F(CopyWordSearch, AFileThatCannotBeReadIsReportedAndCancelStopsTheReading) {
  core::RunItem item(pipe_, core::SkipMode::EndsRun, nullptr);
  EXPECT_EQ(fileHasTargetWords(item, root_ + "missing", {.words = {"a"}}), ContentCheck::Unreadable);
  EXPECT_NE(pipe_.resultLines(), "");
  host_.cancelAfterYields(1);
  const int before = host_.yields;
  EXPECT_EQ(check(std::string(100, 'x') + "needle", {.words = {"needle"}}), ContentCheck::Lacks);
  EXPECT_EQ(host_.yields - before, 1);
}

}  // namespace
}  // namespace tools::file_ops
