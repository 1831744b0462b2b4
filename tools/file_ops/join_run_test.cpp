// The joiner's three modes on fixtures: outputs appear only complete, existing outputs and pieces
// are kept unless chosen, missing or mismatched pieces stop a join before it writes.
#include "tools/file_ops/join_run.h"

#include "core/pipeline_test_support.h"
#include "platform/fault_test_support.h"
#include "tools/file_ops/split_pieces.h"
#include "tools/text/run_report_test_support.h"

#include <set>

namespace tools::file_ops {
namespace {

using tools::text::testing::messages;
using tools::text::testing::reportedText;

class JoinRunTest : public core::testing::PipelineTest {
 protected:
  void SetUp() override {
    PipelineTest::SetUp();
    host_.realListing = true;
    pipe_.setMountProbe({.isFixedDrive = [](const std::string&) { return true; }});
  }
  JoinStart join(JoinOptions options) {
    if (options.deletePieces) host_.answers.push_back(core::kAnswerYes);
    if (options.mode == JoinMode::Numbered) host_.answers.push_back(core::kAnswerYes);
    return joinFiles(pipe_, form_, options, msg_);
  }
  std::set<std::string> names(const std::string& rel = "") {
    std::set<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(root_ + rel)) out.insert(e.path().filename().string());
    return out;
  }
  // Pieces of name with the given contents, named as the splitter names them but with marker.
  void makePieces(const std::string& name, const std::vector<std::string>& parts, const std::string& marker) {
    for (std::size_t i = 0; i < parts.size(); ++i) {
      std::string piece = splitPieceName(name, parts.size(), i + 1);
      piece.replace(piece.find("QWsplit."), 8, marker);
      makeFile(piece, parts[i]);
    }
  }
  std::string lines() { return host_.results.empty() ? std::string() : host_.results.back().text; }
  const core::MessageTable msg_ = messages(32, {{8, " from "}, {9, "None."}, {14, "Joined:\r\n"}, {23, "All:\r\n"}});
};

TEST_F(JoinRunTest, SplitPiecesJoinFromTheFirstPieceInItsOwnSpelling) {
  std::vector<std::string> parts(12, "0123456789");
  parts.back() = "end";
  makePieces("a.bin", parts, "qwSplit.");
  EXPECT_EQ(join({.mode = JoinMode::SplitPieces}), JoinStart::Ran);
  std::string whole;
  for (const auto& p : parts) whole += p;
  EXPECT_EQ(readAll(root_ + "a.bin"), whole);
  EXPECT_EQ(names().size(), 13u);  // the pieces stay; no temporary file is left
  EXPECT_EQ(reportedText(host_), "Joined:\t\r\n" + root_ + "a.bin from a.bin 12qwSplit.01\r\n\t");

  // With delete chosen: an existing output is kept without overwrite, replaced with it.
  EXPECT_EQ(join({.mode = JoinMode::SplitPieces, .deletePieces = true}), JoinStart::Ran);
  EXPECT_NE(lines().find(root_ + "a.bin[2]"), std::string::npos);
  EXPECT_EQ(names().size(), 13u);
  makeFile("a.bin", "old");
  join({.mode = JoinMode::SplitPieces, .overwrite = true, .deletePieces = true});
  EXPECT_EQ(readAll(root_ + "a.bin"), whole);
  EXPECT_EQ(names(), std::set<std::string>{"a.bin"});
}

TEST_F(JoinRunTest, MissingOrMismatchedPiecesStopTheJoinBeforeItWrites) {
  makePieces("m.txt", {"aa", "bb", "cc", "dd", "e"}, "QWsplit.");
  std::filesystem::remove(root_ + "m.txt 5QWsplit.3");
  makePieces("s.txt", {"aa", "bbb", "c"}, "QWSPLIT.");
  makeFile("t.txt 3QWsplit.-1", "x");
  join({.mode = JoinMode::SplitPieces, .deletePieces = true});
  EXPECT_NE(lines().find("[25]" + root_ + "m.txt 5QWsplit.3"), std::string::npos);
  EXPECT_NE(lines().find("[31]" + root_ + "s.txt 3QWSPLIT.1"), std::string::npos);
  EXPECT_EQ(names().size(), 4u + 3u + 1u);  // nothing written, nothing deleted
  EXPECT_EQ(reportedText(host_), "None.");
}

TEST_F(JoinRunTest, NumberedPiecesJoinInNumericOrderUpToTheFirstGap) {
  for (int i = 1; i <= 11; ++i) makeFile("x." + std::string(i < 10 ? "00" : "0") + std::to_string(i), std::to_string(i) + ",");
  makeFile("x.013", "gap,");
  makeFile("lone.1", "alone");
  EXPECT_EQ(join({.mode = JoinMode::Numbered, .deletePieces = true}), JoinStart::Ran);
  EXPECT_EQ(readAll(root_ + "x"), "1,2,3,4,5,6,7,8,9,10,11,");
  EXPECT_EQ(names(), (std::set<std::string>{"x", "x.013", "lone.1"}));
  EXPECT_NE(lines().find("[12]lone.1"), std::string::npos);
  EXPECT_EQ(reportedText(host_), "Joined:\r\n" + root_ + "x\r\n\t");
}

// A piece that cannot be read ends the join: what was joined so far stays under a free name the
// line gives (not under a temporary name a later run would take away), and no output appears. As
// an ordinary user: root reads anything.
TEST_F(JoinRunTest, AFailedPieceKeepsWhatWasJoinedUnderAFreeName) {
  makeFile("x.1", "first,");
  ASSERT_EQ(::chmod(makeFile("x.2", "second").c_str(), 0000), 0);
  const platform::testing::ChildOutcome child = platform::testing::runInChild([&]() -> std::string {
    if (std::string why = platform::testing::becomeOrdinaryUser(base_); !why.empty()) return "skip " + why;
    (void)join({.mode = JoinMode::Numbered});
    std::string out;
    for (const std::string& n : names()) out += n + " ";
    return out + "| " + readAll(root_ + "TempFile") + " | " + lines();
  });
  ASSERT_TRUE(child.exited);
  if (child.report.rfind("skip ", 0) == 0) GTEST_SKIP() << child.report;
  EXPECT_EQ(child.report.rfind("TempFile x.1 x.2 | first, | ", 0), 0u) << child.report;
  EXPECT_NE(child.report.find("[3]" + root_ + "x.2[4]" + root_ + "TempFile"), std::string::npos) << child.report;
}

TEST_F(JoinRunTest, AllFilesJoinPerFolderOrIntoOneWithoutTheOutputItself) {
  makeFile("a.txt", "alpha");
  makeFile("b.txt", "beta\r\n");
  makeFile("all.txt", "old output");
  makeDir("sub");
  makeFile("sub/c.txt", "gamma");
  join({.mode = JoinMode::AllFiles, .allFilesName = "all.txt", .lineBreaks = true, .withSubfolders = true});
  EXPECT_NE(lines().find("[19]" + root_ + "all.txt[20]"), std::string::npos);
  EXPECT_EQ(readAll(root_ + "all.txt"), "old output");
  EXPECT_EQ(readAll(root_ + "sub/all.txt"), "gamma");

  join({.mode = JoinMode::AllFiles, .allFilesName = "all.txt", .lineBreaks = true, .overwrite = true,
        .withSubfolders = true});
  EXPECT_EQ(readAll(root_ + "all.txt"), "alpha\r\nbeta\r\n");  // no break after a folder's last file

  std::filesystem::remove(root_ + "sub/all.txt");
  join({.mode = JoinMode::AllFiles, .allFilesName = "all.txt", .lineBreaks = true, .span = true,
        .overwrite = true, .deletePieces = true, .withSubfolders = true});
  EXPECT_EQ(readAll(root_ + "all.txt"), "alpha\r\nbeta\r\ngamma\r\n");  // one output: every file ends a line
  EXPECT_EQ(names(), (std::set<std::string>{"all.txt", "sub"}));
  EXPECT_TRUE(names("sub").empty());
  EXPECT_EQ(reportedText(host_), "All:\r\n" + root_ + "all.txt\r\n\t");
}

TEST_F(JoinRunTest, AllFilesWithoutAnOutputNameSaysSoAndWritesNothing) {
  makeFile("a.txt", "alpha");
  EXPECT_EQ(join({.mode = JoinMode::AllFiles, .allFilesName = ""}), JoinStart::Invalid);
  ASSERT_FALSE(host_.questions.empty());
  EXPECT_EQ(host_.questions.back().message, "[32]");
  EXPECT_EQ(names(), std::set<std::string>{"a.txt"});
  EXPECT_TRUE(host_.results.empty());
}

TEST_F(JoinRunTest, CancelRemovesTheTemporaryFileAndKeepsEverythingElse) {
  makePieces("big.bin", {std::string(2500000, 'a'), std::string(2500000, 'b')}, "QWsplit.");
  host_.cancelAfterYields(1);
  join({.mode = JoinMode::SplitPieces, .deletePieces = true});
  EXPECT_EQ(names(), (std::set<std::string>{"big.bin 2QWsplit.1", "big.bin 2QWsplit.2"}));
}

}  // namespace
}  // namespace tools::file_ops
