// The matcher against the whole-text routines: fed in pieces of every size, it must give what
// core::SubstWild and core::SubstAst give for the whole text, and hold back only what could still
// match. Then what only the matcher does: literal tag values, the hold limit, streamed matches.
#include "tools/text/replace_scan.h"

#include "core/wildcard.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace tools::text {
namespace {

struct Case {
  std::string pattern;
  PatternKind kind;
  bool ignoreCase = false;
  bool lineMode = false;
  std::string replacement = "R";
  bool tag = false;
};

std::optional<std::string> oracle(const Case& k, std::string text) {
  int hit = 0;
  switch (k.kind) {
    case PatternKind::Literal: hit = core::SubstWild(text, k.pattern, k.replacement, k.ignoreCase, k.tag, false); break;
    case PatternKind::AnyChar: hit = core::SubstWild(text, k.pattern, k.replacement, k.ignoreCase, k.tag, true); break;
    case PatternKind::AnyRun: hit = core::SubstAst(text, k.pattern, k.replacement, k.ignoreCase, k.tag, k.lineMode); break;
  }
  if (!hit) return std::nullopt;
  return text;
}

SearchPattern patternOf(const Case& k) {
  return makeSearchPattern({{k.pattern, true}}, k.kind, {.ignoreCase = k.ignoreCase, .lineMode = k.lineMode});
}

// The text fed in pieces of pieceSize, the first one shortened by offset.
std::optional<std::string> streamed(const Case& k, const std::string& text, std::size_t pieceSize,
                                    std::size_t offset = 0, std::size_t holdLimit = ReplaceScanner::kDefaultHoldLimit) {
  ReplaceScanner scan(patternOf(k), makeReplacementText({{k.replacement, true}}, k.tag), holdLimit);
  std::string out;
  std::size_t at = 0;
  std::size_t next = offset > 0 && offset < pieceSize ? offset : pieceSize;
  while (at < text.size()) {
    const std::size_t n = std::min(next, text.size() - at);
    scan.feed(std::string_view(text).substr(at, n), out);
    at += n;
    next = pieceSize;
  }
  scan.finish(out);
  if (!scan.replaced()) return std::nullopt;
  return out;
}

void expectSameAtEveryCut(const Case& k, const std::string& text) {
  const auto want = oracle(k, text);
  for (std::size_t piece = 1; piece <= text.size() + 1; ++piece) {
    for (std::size_t offset = 0; offset < std::min(piece, std::size_t{8}); ++offset) {
      const auto got = streamed(k, text, piece, offset);
      ASSERT_EQ(got, want) << "pattern \"" << k.pattern << "\" kind " << static_cast<int>(k.kind) << " ic "
                           << k.ignoreCase << " line " << k.lineMode << " piece " << piece << " offset " << offset
                           << " text \"" << text << "\"";
    }
  }
}

TEST(ReplaceScan, MatchesTheWholeTextRoutinesAtEveryPieceBoundary) {
  const std::vector<std::pair<Case, std::string>> table = {
      {{"ab", PatternKind::Literal}, "xxabyyab abab"},
      {{"ab", PatternKind::Literal, false, false, "xa"}, "ab" "b" "aab"},  // replaced text is not looked at again
      {{"aa", PatternKind::Literal}, "aaaaa"},
      {{"AB", PatternKind::Literal, true}, "xAbyaBz\xC3\x89" "ab"},
      {{"\xC3\xA9t\xC3\xA9", PatternKind::Literal, true}, "\xC3\x89T\xC3\x89 et \xC3\xA9t\xC3\xA9"},
      {{"b?d", PatternKind::AnyChar}, "bad bed b\xC3\xA9" "d bd b\n" "d"},
      {{"??", PatternKind::AnyChar}, "abc\xC3\xA9\xC3x"},
      {{"?b", PatternKind::AnyChar}, "abb\xC3\xA9" "b"},
      {{"a??", PatternKind::AnyChar, true}, "xA\xE2\x82\xAC" "bAa"},
      {{"a*b", PatternKind::AnyRun}, "xa1b a22b\nab a\nb"},
      {{"a*b", PatternKind::AnyRun, false, true}, "xa1b a22b\nab a\nb a\r\nb"},
      {{"*b", PatternKind::AnyRun, false, true}, "x\nab b\nccb\r\nb"},
      {{"*b", PatternKind::AnyRun}, "x\nab b\nccb"},
      {{"a*", PatternKind::AnyRun, false, true}, "xa1\r\nbba\nab"},
      {{"a*", PatternKind::AnyRun}, "xa1\r\nbba\nab"},
      {{"*", PatternKind::AnyRun, false, true}, "ab\r\n\r\ncd\n\nef\r"},
      {{"*", PatternKind::AnyRun}, "ab\ncd"},
      {{"a*b*c", PatternKind::AnyRun, true, true}, "A b C\naxbyc aBC\nab\nc"},
      {{"a\nb*c", PatternKind::AnyRun, false, true}, "xa\nbyc a\nb\nc"},
      {{"*x*", PatternKind::AnyRun, false, true}, "ab\nxx\ncxd\n"},
      {{"a*b", PatternKind::AnyRun, false, false, "[<search-text>]", true}, "a1b a2\nb"},
  };
  for (const auto& [k, text] : table) expectSameAtEveryCut(k, text);
}

// Random texts and patterns over a small alphabet that hits line breaks, CRs, multi-byte and broken
// UTF-8 sequences and letter case.
TEST(ReplaceScan, RandomTextsAgreeWithTheWholeTextRoutines) {
  std::mt19937 rng(12345);
  const std::vector<std::string> atoms = {"a", "b", "A", "\n", "\r", "\xC3\xA9", "\xC3\x89", "\xC3", "?", "*", " "};
  const auto draw = [&](std::size_t n, bool wild) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
      const std::string& a = atoms[rng() % (wild ? atoms.size() : atoms.size() - 3)];
      s += a;
    }
    return s;
  };
  for (int round = 0; round < 400; ++round) {
    Case k;
    k.kind = static_cast<PatternKind>(rng() % 3);
    k.ignoreCase = rng() % 2;
    k.lineMode = rng() % 2;
    k.tag = rng() % 3 == 0;
    k.replacement = k.tag ? "<search-text>+" : "R";
    k.pattern = draw(1 + rng() % 4, true);
    if (k.pattern.empty()) continue;
    const std::string text = draw(rng() % 24, false);
    const auto want = oracle(k, text);
    for (std::size_t piece = 1; piece <= text.size() + 1; ++piece) {
      ASSERT_EQ(streamed(k, text, piece), want)
          << "pattern \"" << k.pattern << "\" kind " << static_cast<int>(k.kind) << " ic " << k.ignoreCase
          << " line " << k.lineMode << " piece " << piece << " text \"" << text << "\"";
    }
  }
}


// What the matcher does beyond the whole-text routines.

TEST(ReplaceScan, TagValuesMatchLiterally) {
  // A name's "*" and "?" put into a pattern of typed wildcards match only themselves.
  const SearchPattern star =
      makeSearchPattern({{"a", true}, {"*?", false}, {"*", true}, {"z", true}}, PatternKind::AnyRun, {});
  EXPECT_EQ(replaceInText(star, makeReplacementText({{"R", true}}, false), "a*?1z a12z"), "R a12z");
  const SearchPattern one = makeSearchPattern({{"?", false}, {"?", true}}, PatternKind::AnyChar, {});
  EXPECT_EQ(replaceInText(one, makeReplacementText({{"R", true}}, false), "?x xx ??"), "R xx R");
  // A value that reads "<search-text>" is text, a typed one the matched text.
  const ReplacementText repl = makeReplacementText({{"[<Search-Text>]", true}, {"<search-text>", false}}, true);
  EXPECT_EQ(replaceInText(makeSearchPattern({{"b", true}}, PatternKind::Literal, {}), repl, "abc"),
            "a[b]<search-text>c");
}

// A trailing "*" writes its replacement as soon as the match starts; nothing is held for it however
// far the line or the text goes, and a CR before the line break stays out of the match.
TEST(ReplaceScan, ATrailingStarStreamsThroughWithoutHolding) {
  const std::string longLine(5000, 'x');
  struct Row {
    Case k;
    std::string text;
  } rows[] = {
      {{"ab*", PatternKind::AnyRun, false, true, "[<search-text>]", true}, "1ab" + longLine + "\r\nab2\r\r\nz"},
      {{"ab*", PatternKind::AnyRun, false, false, "[<search-text>]", true}, "1ab" + longLine + "\nab2"},
      {{"*", PatternKind::AnyRun, false, true, "<", false}, longLine + "\r\n\r\n" + longLine},
      {{"*", PatternKind::AnyRun, false, false, "<search-text>!", true}, longLine},
  };
  for (const auto& [k, text] : rows) {
    const auto want = oracle(k, text);
    for (const std::size_t piece : {1, 2, 3, 7, 64, 1000}) {
      ReplaceScanner scan(patternOf(k), makeReplacementText({{k.replacement, true}}, k.tag), 64);
      std::string out;
      for (std::size_t at = 0; at < text.size(); at += piece) {
        scan.feed(std::string_view(text).substr(at, piece), out);
        ASSERT_LE(scan.held(), 64 + piece) << k.pattern << " piece " << piece;
      }
      scan.finish(out);
      EXPECT_EQ(out, want) << k.pattern << " piece " << piece;
    }
  }
}

// An open "*" match never holds more than the limit (plus a piece): a match longer than that is
// given up (and the scanner says so, for the report), a shorter one after it is still made.
TEST(ReplaceScan, AnOpenMatchHoldsNoMoreThanTheLimit) {
  constexpr std::size_t kLimit = 256, kPiece = 100;
  bool heldTooLong = false;
  const auto run = [&](const Case& k, const std::string& text) {
    ReplaceScanner scan(patternOf(k), makeReplacementText({{k.replacement, true}}, false), kLimit);
    std::string out;
    for (std::size_t at = 0; at < text.size(); at += kPiece) {
      scan.feed(std::string_view(text).substr(at, kPiece), out);
      EXPECT_LE(scan.held(), kLimit + kPiece) << k.pattern;
    }
    scan.finish(out);
    heldTooLong = scan.heldTooLong();
    return out;
  };
  EXPECT_EQ(run({"a*b", PatternKind::AnyRun}, std::string(200, 'x') + "a" + std::string(200, 'x') + "b"),
            std::string(200, 'x') + "R");
  EXPECT_FALSE(heldTooLong);
  const std::string far = "a" + std::string(5000, 'x') + "b";
  EXPECT_EQ(run({"a*b", PatternKind::AnyRun}, far + " a1b"), far + " R");
  EXPECT_TRUE(heldTooLong);
  EXPECT_EQ(run({"a*b", PatternKind::AnyRun}, std::string(5000, 'a')), std::string(5000, 'a'));
  // The leftmost match that fits in the limit is made; the text before it stays as it was.
  const std::string line = run({"a*b", PatternKind::AnyRun, false, true}, std::string(5000, 'a') + "1b");
  EXPECT_EQ(line.substr(0, 5000 - kLimit - kPiece), std::string(5000 - kLimit - kPiece, 'a'));
  EXPECT_EQ(line.find_first_not_of('a'), line.size() - 1);
  EXPECT_EQ(line.back(), 'R');
  // A leading "*" reaches back at most about the limit.
  const std::string lead = run({"*b", PatternKind::AnyRun}, std::string(5000, 'x') + "b");
  EXPECT_EQ(lead.substr(0, 5000 - kLimit - kPiece), std::string(5000 - kLimit - kPiece, 'x'));
  EXPECT_EQ(lead.find_first_not_of('x'), lead.size() - 1);
  EXPECT_EQ(lead.back(), 'R');
}

}  // namespace
}  // namespace tools::text
