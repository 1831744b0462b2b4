// The content filter: the words of the words box, and the search of a file in pieces (small pieces
// here, so that words straddle them).
#include "tools/file_ops/copy_words.h"

#include "core/pipeline_test_support.h"

#include <gtest/gtest.h>

namespace tools::file_ops {
namespace {

using Words = std::vector<std::string>;

TEST(CopyWords, TheWordsBoxGivesTheSearchWords) {
  struct Case {
    const char* what;
    std::string_view text;
    WordListOptions options;
    Words words;
  };
  const Case cases[] = {
      {"the whole text, lower-cased", "Red Car", {}, {"red car"}},
      {"the whole text as typed", "Red Car", {.caseSensitive = true}, {"Red Car"}},
      {"phrases and words, repeats dropped", "\"big red\" car car", {.phrases = true}, {"big red", "car"}},
      {"line breaks and blanks", "one\r\ntwo  three\nONE", {.phrases = true}, {"one", "two", "three"}},
      {"an unmatched quote stays in its word", "a \"b c", {.phrases = true}, {"a", "\"b", "c"}},
      {"empty phrases are no words", "\"\" x", {.phrases = true}, {"x"}},
      {"nothing to look for", "  \r\n ", {.phrases = true}, {}},
      {"an empty box", "", {}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(targetWords(c.text, c.options), c.words) << c.what;
}

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
