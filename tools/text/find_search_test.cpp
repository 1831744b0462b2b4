// The contents search: exact and case-folding matches as LCase defines them, occurrences across
// piece edges at every cut, and any-mode against all-mode over several pieces.
#include "tools/text/find_search.h"

#include "core/vb.h"

#include <gtest/gtest.h>

#include <random>

namespace tools::text {
namespace {

// Feeds text to a matcher in pieces cut at the given offsets.
bool matchInPieces(ContentMatcher& matcher, std::string_view text, std::vector<std::size_t> cuts) {
  matcher.begin();
  cuts.push_back(text.size());
  std::size_t from = 0;
  for (std::size_t i = 0; i < cuts.size(); ++i) {
    const std::size_t to = std::max(from, std::min(cuts[i], text.size()));
    if (matcher.feed(text.substr(from, to - from))) return true;
    from = to;
  }
  return false;
}

struct SearchRow {
  const char* name;
  std::string text, target;
  bool matchCase;
  bool found;
};

class Search : public ::testing::TestWithParam<SearchRow> {};

TEST_P(Search, FindsWhatLCaseWouldFind) {
  const SearchRow& row = GetParam();
  const std::string target = row.matchCase ? row.target : vb::LCase(row.target);
  ContentMatcher matcher({target}, MatchMode::Any, row.matchCase);
  EXPECT_EQ(matchInPieces(matcher, row.text, {}), row.found);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Search,
    ::testing::Values(SearchRow{"Exact", "the Annual report", "Annual", true, true},
                      SearchRow{"ExactCaseDiffers", "the annual report", "Annual", true, false},
                      SearchRow{"FoldedAscii", "THE ANNUAL REPORT", "annual rep", false, true},
                      SearchRow{"FoldedUtf8", "Résumé: ÉTÉ 2024", "été", false, true},
                      SearchRow{"FoldedWindows1252Byte", "caf\xC9 noir", "caf\xE9", false, true},
                      SearchRow{"Utf8IsNotAWindows1252Byte", "caf\xC3\x89", "caf\xE9", false, false},
                      SearchRow{"TargetAtTheVeryEnd", "abcde", "cde", false, true},
                      SearchRow{"TargetLongerThanText", "ab", "abc", false, false},
                      SearchRow{"ABytesThatReadAErr", "A_Err", "a_err", false, true},
                      SearchRow{"NulBytes", std::string("a\0b", 3), std::string("\0b", 2), true, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Up to maxParts parts picked at random, joined.
std::string randomText(const std::vector<std::string>& parts, int maxParts, std::mt19937& rng) {
  std::string text;
  const int n = std::uniform_int_distribution<int>(0, maxParts)(rng);
  for (int i = 0; i < n; ++i) text += parts[std::uniform_int_distribution<std::size_t>(0, parts.size() - 1)(rng)];
  return text;
}

// The target of a round, lower-cased when the round ignores case.
std::string roundTarget(const std::vector<std::string>& targets, int round, bool matchCase) {
  const std::string& target = targets[static_cast<std::size_t>(round) % targets.size()];
  return matchCase ? target : vb::LCase(target);
}

// Random texts of mixed-case letters, UTF-8 and stray Windows-1252 bytes, cut at random places
// (inside UTF-8 sequences too): the matcher agrees with a search in the whole lower-cased text.
TEST(Search, AgreesWithTheWholeTextAtEveryCut) {
  const std::vector<std::string> parts = {"a", "B", "é", "É", "ß", "Straße", "STRASSE", "\xC9", "\xE9", "x",
                                          " ", "Ж", "ж", "\xC3", "\x89", "e\xCC\x81", "\xC0\xA0\x80"};
  // Targets are typed, so they are valid UTF-8.
  const std::vector<std::string> targets = {"é", "ée", "straße", "b a", "жж", "ÉÉ", "e\xCC\x81x", "\xE0\xA0\x80"};
  std::mt19937 rng(7);
  int agreements = 0;
  for (int round = 0; round < 3000; ++round) {
    const std::string text = randomText(parts, 14, rng);
    const bool matchCase = round % 3 == 0;
    const std::string target = roundTarget(targets, round, matchCase);
    std::vector<std::size_t> cuts;
    for (int c = std::uniform_int_distribution<int>(0, 4)(rng); c > 0; --c) {
      cuts.push_back(std::uniform_int_distribution<std::size_t>(0, text.size())(rng));
    }
    std::sort(cuts.begin(), cuts.end());
    const bool expected = (matchCase ? text : vb::LCase(text)).find(target) != std::string::npos;
    ContentMatcher matcher({target}, MatchMode::Any, matchCase);
    ASSERT_EQ(matchInPieces(matcher, text, cuts), expected)
        << "text [" << text << "] target [" << target << "] matchCase " << matchCase;
    agreements += expected ? 1 : 0;
  }
  EXPECT_GT(agreements, 100);  // the table above is not all misses
}

// Long texts, so that the search runs in blocks of many places: the first occurrence at or before
// any limit, wherever it falls against a block's edges, the same as a plain search of the folded text.
TEST(Search, FirstOccurrenceInLongTextsAtAnyLimit) {
  const std::vector<std::string> parts = {"a", "A", "b", "Ab", "é", "É", "\xE9", "\xC9", "-", "ab-", "z"};
  const std::vector<std::string> targets = {"a", "ab", "b-a", "é", "aé", "-z", "\xE9" "a", "abababababababababz"};
  std::mt19937 rng(11);
  for (int round = 0; round < 2000; ++round) {
    const std::string text = randomText(parts, 120, rng);
    const bool matchCase = round % 2 == 0;
    const std::string target = roundTarget(targets, round, matchCase);
    const std::size_t limit = std::uniform_int_distribution<std::size_t>(0, text.size() + 1)(rng);
    const std::string folded = matchCase ? text : vb::LCase(text);
    // LCase keeps byte lengths for these parts, so positions in folded are positions in text.
    ASSERT_EQ(folded.size(), text.size());
    std::size_t expected = folded.find(target);
    if (expected != std::string::npos && expected >= limit) expected = TargetSearcher::npos;
    ASSERT_EQ(TargetSearcher(target, matchCase).find(text, limit), expected)
        << "text [" << text << "] target [" << target << "] limit " << limit << " matchCase " << matchCase;
  }
}

TEST(Search, AllModeCollectsTargetsAcrossPiecesAnyModeNeedsOne) {
  const std::string text = "alpha ... beta ... gamma";
  ContentMatcher all({"alpha", "gamma", "beta"}, MatchMode::All, true);
  EXPECT_TRUE(matchInPieces(all, text, {6, 12}));
  ContentMatcher missing({"alpha", "delta"}, MatchMode::All, true);
  EXPECT_FALSE(matchInPieces(missing, text, {6, 12}));
  ContentMatcher any({"delta", "gamma"}, MatchMode::Any, true);
  EXPECT_TRUE(matchInPieces(any, text, {20}));
  // Each file starts afresh: what the previous file held is forgotten.
  EXPECT_FALSE(matchInPieces(missing, "delta only", {}));
}

}  // namespace
}  // namespace tools::text
