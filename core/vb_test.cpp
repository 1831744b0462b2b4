#include "core/vb.h"

#include <gtest/gtest.h>

using namespace vb;

TEST(Vb, InStrAndMidAreOneBased) {
  EXPECT_EQ(InStr("abcabc", "c"), 3u);
  EXPECT_EQ(InStr(4, "abcabc", "c"), 6u);
  EXPECT_EQ(InStr(7, "abcabc", "c"), 0u);
  EXPECT_EQ(InStr(99, "abc", ""), 0u);
  EXPECT_EQ(InStr(2, "abc", ""), 2u);
  EXPECT_EQ(InStrRev("a/b/c", "/"), 4u);
  EXPECT_EQ(InStrRev("a/b/c", "/", 3), 2u);
  EXPECT_EQ(Mid("hello", 2, 3), "ell");
  EXPECT_EQ(Mid("hello", 4), "lo");
  EXPECT_EQ(Mid("hello", 9), "");
  EXPECT_EQ(Mid("hello", 0, 2), "");
  EXPECT_EQ(Right("hello", 9), "hello");
}

struct ValRow {
  const char* text;
  double value;
};
class ValTable : public ::testing::TestWithParam<ValRow> {};
TEST_P(ValTable, ReadsLikeVb) { EXPECT_DOUBLE_EQ(Val(GetParam().text), GetParam().value); }
INSTANTIATE_TEST_SUITE_P(Vb, ValTable,
                         ::testing::Values(ValRow{"", 0}, ValRow{"abc", 0}, ValRow{"12abc", 12},
                                           ValRow{"  1 2 3", 123}, ValRow{"-4.5x", -4.5},
                                           ValRow{"1e3", 1000}, ValRow{"1e", 1}, ValRow{"&HFF", -1 + 256},
                                           ValRow{"&HFFFF", -1}, ValRow{"&H10", 16}, ValRow{"3.2.1", 3.2},
                                           ValRow{"16777215,0", 16777215}, ValRow{"\t7", 7}));

TEST(Vb, CaseKeepsEveryBytePosition) {
  EXPECT_EQ(LCase("ABC xyz"), "abc xyz");
  EXPECT_EQ(UCase("\xC3\xA9t\xC3\xA9"), "\xC3\x89T\xC3\x89");  // été in UTF-8
  EXPECT_EQ(LCase("\xC9"), "\xE9");                             // É in Windows-1252
  EXPECT_EQ(UCase("\x9A"), "\x8A");                             // š -> Š in Windows-1252
  const std::string dotted = "\xC4\xB0";                        // İ: lower form is longer, kept
  EXPECT_EQ(LCase(dotted).size(), dotted.size());
}

TEST(Vb, SplitJoinReplaceTrim) {
  EXPECT_EQ(Split("a;b;;c", ";").size(), 4u);
  EXPECT_EQ(Join(Split("a;b;;c", ";"), ";"), "a;b;;c");
  EXPECT_EQ(Replace("aaa", "a", "bb"), "bbbbbb");
  EXPECT_EQ(Replace("abc", "", "x"), "abc");
  EXPECT_EQ(Trim("  a b \t "), "a b \t");
}

TEST(Vb, LikeOperator) {
  EXPECT_TRUE(Like("file1.txt", "file#.*"));
  EXPECT_FALSE(Like("fileA.txt", "file#.*"));
  EXPECT_TRUE(Like("b", "[a-c]"));
  EXPECT_FALSE(Like("b", "[!a-c]"));
  EXPECT_TRUE(Like("\xC3\xA9", "?"));
  EXPECT_TRUE(Like("", "*"));
  EXPECT_FALSE(Like("abc", "ab"));
}
