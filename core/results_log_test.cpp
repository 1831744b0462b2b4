#include "core/results_log.h"

#include "core/pipeline_test_support.h"

namespace core::testing {
namespace {

class ResultsLogTest : public PipelineTest {
 protected:
  void SetUp() override {
    PipelineTest::SetUp();
    spills_.reset(coreState().tempPath, "Results");
  }
  SpillFiles spills_;
};

TEST_F(ResultsLogTest, ALogPastTheLimitSpillsAndReadsBackWhole) {
  ResultsLog log;
  std::string all;
  for (int i = 0; i < 60000; ++i) {
    const std::string line = "line " + std::to_string(i) + " of the run\r\n";
    log.append(line, spills_);
    all += line;
  }
  ASSERT_GT(all.size(), 2 * ResultsLog::kSpillThreshold);
  ASSERT_TRUE(log.spilled());
  EXPECT_EQ(log.spillPath(), coreState().tempPath + "Results0.txt");
  EXPECT_EQ(log.text(), "\r\n{69}" + log.spillPath() + "\r\n||");
  EXPECT_EQ(log.readBack(), all);
  EXPECT_EQ(readAll(log.spillPath()), all);
  EXPECT_EQ(spills_.next(), 1) << "later pieces go to the same file";
}

TEST_F(ResultsLogTest, SpillsOnlyOnTheAppendAfterPassingTheLimit) {
  ResultsLog log;
  log.append(std::string(ResultsLog::kSpillThreshold, 'a'), spills_);
  log.append("b", spills_);  // now one character past the limit: still in memory
  EXPECT_FALSE(log.spilled());
  log.append("c", spills_);
  EXPECT_TRUE(log.spilled());
  EXPECT_EQ(log.readBack(), std::string(ResultsLog::kSpillThreshold, 'a') + "bc");
}

TEST_F(ResultsLogTest, SpillsNeverReuseAnExistingFileAndTwoLogsGetTwoFiles) {
  std::ofstream(coreState().tempPath + "Results0.txt") << "earlier report";
  std::ofstream(coreState().tempPath + "Results2.txt") << "earlier report";
  spills_.reset(coreState().tempPath, "Results");
  ResultsLog a, b;
  const std::string big(ResultsLog::kSpillThreshold + 1, 'x');
  a.append(big, spills_);
  b.append(big, spills_);
  a.append("A", spills_);
  b.append("B", spills_);
  EXPECT_EQ(a.spillPath(), coreState().tempPath + "Results1.txt");
  EXPECT_EQ(b.spillPath(), coreState().tempPath + "Results3.txt");
  EXPECT_EQ(readAll(coreState().tempPath + "Results0.txt"), "earlier report");
  EXPECT_EQ(readAll(coreState().tempPath + "Results2.txt"), "earlier report");
  EXPECT_EQ(a.readBack(), big + "A");
  EXPECT_EQ(b.readBack(), big + "B");
}

// "||" is a legal part of a folder name: the log appends to the file it remembers, whatever the
// pointer text looks like.
TEST_F(ResultsLogTest, TheSpillFileIsTheLogsOwnNotReadFromThePointerText) {
  const std::string odd = base_ + "odd||\r\nname/";
  std::filesystem::create_directories(odd);
  spills_.reset(odd, "Results");
  ResultsLog log;
  log.append(std::string(ResultsLog::kSpillThreshold + 1, 'x'), spills_);
  log.append("tail", spills_);
  log.append("more", spills_);
  EXPECT_EQ(log.spillPath(), odd + "Results0.txt");
  EXPECT_EQ(log.readBack(), std::string(ResultsLog::kSpillThreshold + 1, 'x') + "tailmore");
  log.clear();
  EXPECT_FALSE(log.spilled());
  EXPECT_EQ(log.readBack(), "");
}

TEST_F(ResultsLogTest, AnUnwritableSpillKeepsEverythingInMemory) {
  spills_.reset(base_ + "no/such/folder/", "Results");
  ResultsLog log;
  const std::string big(ResultsLog::kSpillThreshold + 1, 'x');
  log.append(big, spills_);
  log.append("y", spills_);
  EXPECT_FALSE(log.spilled());
  EXPECT_EQ(log.readBack(), big + "y");
}

TEST_F(PipelineTest, ARunsSpillNumbersStartAfterFilesThatExist) {
  std::ofstream(coreState().tempPath + "Results0.txt") << "x";
  pipe_.buildDirList(form_, root_);
  EXPECT_EQ(pipe_.spills().next(), 1);
}

}  // namespace
}  // namespace core::testing
