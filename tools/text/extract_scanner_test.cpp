// The word cutter: which words a text gives under which options, however the text is cut into
// pieces, and what counts as one character.
#include "tools/text/extract_scanner.h"

#include <gtest/gtest.h>

#include <vector>

namespace tools::text {
namespace {

const core::MessageTable kMsg;

// The words the scanner keeps (as spelled) from the pieces, fed one by one.
std::vector<std::string> wordsOf(const ExtractOptions& options, const std::vector<std::string>& pieces,
                                 char32_t delimited = 0) {
  const ExtractPlan plan = prepareExtract(options, kMsg);
  EXPECT_FALSE(plan.refusal) << plan.refusal->text;
  std::vector<std::string> words;
  WordScanner scanner(plan.setup, [&](std::string_view spelled, std::string_view) { words.emplace_back(spelled); });
  if (delimited) scanner.delimit(delimited);
  for (const std::string& p : pieces) scanner.feed(p);
  scanner.endWord();
  return words;
}

using Words = std::vector<std::string>;

struct ScanRow {
  const char* name;
  ExtractOptions options;
  std::vector<std::string> pieces;
  Words kept;
};

class Scanning : public ::testing::TestWithParam<ScanRow> {};

TEST_P(Scanning, KeepsTheseWords) {
  const ScanRow& r = GetParam();
  EXPECT_EQ(wordsOf(r.options, r.pieces), r.kept);
}

ExtractOptions pattern(std::string p, std::string valid = {}) {
  return {.validChars = std::move(valid), .usePattern = true, .pattern = std::move(p)};
}
ExtractOptions lengths(int min, int max, std::string valid = {}) {
  return {.validChars = std::move(valid),
          .minLength = {min > 0, std::to_string(min)},
          .maxLength = {max > 0, std::to_string(max)}};
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Scanning,
    ::testing::Values(
        // The default set is "!" to "~": punctuation stays with its word; blanks, line breaks,
        // control characters and everything past "~" end it.
        ScanRow{"default_set", {}, {"Hello, world!\r\nx\ty\x01z a-b\x7F" "c"}, {"Hello,", "world!", "x", "y", "z", "a-b", "c"}},
        ScanRow{"word_across_pieces", {}, {"abc de", "f g", "hi"}, {"abc", "def", "ghi"}},
        ScanRow{"word_ends_with_the_text", {}, {"abc", "def"}, {"abcdef"}},
        // A character whose bytes are cut by a piece edge is one character of the word.
        ScanRow{"utf8_across_pieces", {.validChars = "aé"}, {"a\xC3", "\xA9" "a b"}, {"aéa"}},
        ScanRow{"utf8_across_three_pieces", {.validChars = "a€"}, {"a\xE2", "\x82", "\xAC" "a"}, {"a€a"}},
        // A byte that is no UTF-8 is a Windows-1252 character: 0xE9 is "é", 0x80 "€".
        ScanRow{"windows_1252_bytes", {.validChars = "aé€"}, {"a\xE9" "a \x80 \xC3"}, {"a\xE9" "a", "\x80"}},
        ScanRow{"cut_sequence_at_the_end", {.validChars = "aÃ"}, {"a\xC3"}, {"a\xC3"}},
        ScanRow{"letters_outside_the_set_cut", {.validChars = "abc"}, {"abécab"}, {"ab", "cab"}},
        // Compared in lower case, written as found. A word that does not match is cut to start at
        // the pattern's first literal run.
        ScanRow{"case_insensitive_pattern", pattern("A*"), {"Apple banana AVOCADO"}, {"Apple", "anana", "AVOCADO"}},
        ScanRow{"case_sensitive_pattern", {.usePattern = true, .pattern = "A*", .caseSensitive = true},
                {"Apple avocado"}, {"Apple"}},
        ScanRow{"email_pattern", pattern("?*@?*.?*"), {"write to john@example.com or @x. today"},
                {"john@example.com"}},
        ScanRow{"only_stars", pattern("***"), {"a b"}, {"a", "b"}},
        // A word that does not match is cut to the stretch between the pattern's literal runs.
        ScanRow{"trimmed_to_the_runs", pattern("x*.txt"), {"(x1.txt), yx2.txt"}, {"x1.txt", "x2.txt"}},
        ScanRow{"trimmed_at_the_last_run", pattern("*.txt"), {"a.txt,b.txt, c.txtz"}, {"a.txt,b.txt", "c.txt"}},
        ScanRow{"runs_in_the_wrong_order", pattern("x*y"), {"y1x"}, {}},
        ScanRow{"blank_is_valid", {.validChars = "ab", .spaceValid = true}, {"ab ba,ab"}, {"ab ba", "ab"}},
        ScanRow{"lengths_five_to_seven", lengths(5, 7), {"four fiver sixsix seven77 eight888"},
                {"fiver", "sixsix", "seven77"}},
        // Lengths count characters, not bytes.
        ScanRow{"lengths_in_characters", lengths(3, 3, "é"), {"éé ééé éééé"}, {"ééé"}},
        ScanRow{"common_words_left_out",
                {.excludeCommon = true, .commonWords = "The And"}, {"THE cat and the Dog"}, {"cat", "Dog"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Words are held whole up to 32,767 characters; a longer one is dropped, the text goes on.
TEST(LongWords, KeptUpToTheCapDroppedPastIt) {
  const ExtractOptions anyLength = lengths(0, 99999);
  const std::string cap(kMaxWordChars, 'x');
  EXPECT_EQ(wordsOf(anyLength, {cap.substr(0, 20000), cap.substr(20000) + " ok"}), (Words{cap, "ok"}));
  EXPECT_EQ(wordsOf(anyLength, {cap, "y ok"}), (Words{"ok"}));
  // Without a maximum the upper bound is 32,000 characters.
  EXPECT_EQ(wordsOf({}, {cap + " ok"}), (Words{"ok"}));
  EXPECT_EQ(wordsOf({}, {std::string(31999, 'x') + " ok"}).size(), 2u);
}

// In the names modes ">" always ends a word, whatever the valid characters say.
TEST(Delimit, EndsWordsWhateverTheSet) {
  EXPECT_EQ(wordsOf({}, {"a>b"}, U'>'), (Words{"a", "b"}));
  EXPECT_EQ(wordsOf({}, {"a>b"}), (Words{"a>b"}));
}

TEST(DropWord, ForgetsTheWordAndCutBytes) {
  const ExtractPlan plan = prepareExtract({.validChars = "aé"}, kMsg);
  Words words;
  WordScanner scanner(plan.setup, [&](std::string_view spelled, std::string_view) { words.emplace_back(spelled); });
  scanner.feed("aa\xC3");
  scanner.dropWord();
  scanner.feed("\xA9" "a");
  scanner.endWord();
  EXPECT_EQ(words, (Words{"a"}));
}

TEST(Compared, IsTheLowerCaseUtf8Form) {
  const ExtractPlan plan = prepareExtract({.validChars = "aÉé"}, kMsg);
  std::vector<std::pair<std::string, std::string>> seen;
  WordScanner scanner(plan.setup, [&](std::string_view s, std::string_view c) { seen.emplace_back(s, c); });
  scanner.feed("a\xC9 aÉ");
  scanner.endWord();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].second, "aé");
  EXPECT_EQ(seen[1].second, "aé");
  EXPECT_EQ(seen[0].first, "a\xC9");
}

}  // namespace
}  // namespace tools::text
