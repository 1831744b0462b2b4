// Piece names, size plans and the rejoin script: the format the joiner and the script read back.
#include "tools/file_ops/split_pieces.h"

#include <gtest/gtest.h>

namespace tools::file_ops {
namespace {

TEST(SplitPiecesTest, NamesPadTheIndexToTheWidthOfTheCount) {
  struct Case { std::uint64_t count, index; std::string name; };
  for (const Case& c : {Case{3, 2, "report.doc 3QWsplit.2"}, Case{12, 1, "report.doc 12QWsplit.01"},
                        Case{12, 12, "report.doc 12QWsplit.12"}, Case{100, 7, "report.doc 100QWsplit.007"},
                        Case{999, 999, "report.doc 999QWsplit.999"}}) {
    EXPECT_EQ(splitPieceName("report.doc", c.count, c.index), c.name);
    const auto parsed = parseSplitPieceName(c.name);
    ASSERT_TRUE(parsed) << c.name;
    EXPECT_EQ(parsed->output, "report.doc");
    EXPECT_EQ(parsed->count, c.count);
    EXPECT_EQ(parsed->index, c.index);
  }
}

TEST(SplitPiecesTest, ReadersTakeTheMarkerInAnyCaseAndKeepItsSpelling) {
  const auto first = parseSplitPieceName("My File.bin 12qwSPLIT.01");
  ASSERT_TRUE(first);
  EXPECT_EQ(first->output, "My File.bin");
  EXPECT_EQ(siblingPieceName(*first, 12), "My File.bin 12qwSPLIT.12");
  EXPECT_EQ(siblingPieceName(*first, 3), "My File.bin 12qwSPLIT.03");
  for (const char* notAPiece : {"a.bin 12QWsplit.-1", "a.bin 12QWsplit.+1", "a.bin 12QWsplit.", "a.bin QWsplit.1",
                                "a.bin 3QWsplit.4", "a.bin 0QWsplit.0", "a.bin 3QWsplit.1x", "3QWsplit.1",
                                "a.bin 3QWspIit.1"}) {
    EXPECT_FALSE(parseSplitPieceName(notAPiece)) << notAPiece;
  }
}

TEST(SplitPiecesTest, SizesAndPlans) {
  struct SizeCase { std::string text; int unit; std::uint64_t bytes; };
  for (const SizeCase& c : {SizeCase{"1.5", 1, 1536}, SizeCase{"0.5", 0, 0}, SizeCase{"2", 2, 2097152},
                            SizeCase{"100", 7, 100}, SizeCase{"", 1, 0}, SizeCase{"1.2.3", 0, 1}}) {
    EXPECT_EQ(splitPieceSize(c.text, c.unit), c.bytes) << c.text;
  }
  struct PlanCase { std::uint64_t size, piece, count, last; };
  for (const PlanCase& c : {PlanCase{10000, 10, 1000, 10}, PlanCase{9990, 10, 999, 10}, PlanCase{10, 3, 4, 1},
                            PlanCase{1600001, 1000000, 2, 600001}, PlanCase{5, 0, 0, 0}}) {
    const SplitPlan plan = planSplit(c.size, c.piece);
    EXPECT_EQ(plan.count, c.count) << c.size << "/" << c.piece;
    EXPECT_EQ(plan.lastLength, c.last) << c.size << "/" << c.piece;
  }
}

TEST(SplitPiecesTest, ScriptNamesAndQuotesExactlyThisSplit) {
  EXPECT_EQ(rejoinScriptName("report.doc"), "report.sh");
  EXPECT_EQ(rejoinScriptName("README"), "README.sh");
  EXPECT_EQ(rejoinScriptName("a.b.c"), "a.b.sh");
  // The dots that begin a name belong to its base: never a hidden ".sh" for ".bashrc".
  EXPECT_EQ(rejoinScriptName(".bashrc"), ".bashrc.sh");
  EXPECT_EQ(rejoinScriptName(".config.json"), ".config.sh");
  const auto script = rejoinScript("it's $x.doc", 12, "TEMPLATE\n");
  ASSERT_TRUE(script);
  EXPECT_EQ(*script,
            "#!/bin/sh\n"
            "cd \"$(dirname -- \"$0\")\" || exit 1\n"
            "myFile='it'\\''s $x.doc'\n"
            "myCount=12\n"
            "set -- 'it'\\''s $x.doc 12QWsplit.'[0-9][0-9]\n"
            "TEMPLATE\n");
  EXPECT_NE(rejoinScript("-n", 3, "")->find("set -- './-n 3QWsplit.'[0-9]\n"), std::string::npos);
  EXPECT_FALSE(rejoinScript("two\nlines", 3, ""));
}

}  // namespace
}  // namespace tools::file_ops
