#include "core/results_log.h"

#include "core/pipeline_test_support.h"
#include "platform/fs.h"

#include <cerrno>

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
  // The viewer shows the pointer line and the log's last lines, whole, ending with the last one.
  const std::string pointer = "\r\n{69}" + log.spillPath() + "\r\n||\r\n{132}\r\n";
  ASSERT_EQ(log.text().substr(0, pointer.size()), pointer);
  const std::string tail = log.text().substr(pointer.size());
  EXPECT_LE(tail.size(), ResultsLog::kTailKept);
  EXPECT_GT(tail.size(), ResultsLog::kTailKept / 2);
  EXPECT_TRUE(all.ends_with(tail));
  EXPECT_TRUE(tail.starts_with("line ")) << tail.substr(0, 40);
  EXPECT_TRUE(tail.ends_with("line 59999 of the run\r\n"));
  log.append("\r\n60000 lines written\r\n", spills_);  // a summary after the spill stays in view
  EXPECT_TRUE(log.text().ends_with("line 59999 of the run\r\n\r\n60000 lines written\r\n"));
  all += "\r\n60000 lines written\r\n";
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

// A link planted under the next spill name after it was found free (the source below hides it,
// as if it appeared just then) is never written through: the spill takes the next name.
TEST_F(ResultsLogTest, ASpillIsCreatedExclusivelyNeverThroughAPlantedLink) {
  class HidesFirstSpill final : public platform::MetadataSource {
   public:
    platform::FileStatus query(const std::string& path, bool followLinks) const override {
      if (path.size() >= 13 && path.compare(path.size() - 13, 13, "/Results0.txt") == 0) {
        platform::FileStatus gone;
        gone.error = ENOENT;
        return gone;
      }
      return platform::systemMetadataSource().query(path, followLinks);
    }
  };
  const std::string victim = base_ + "victim.txt";
  std::filesystem::create_symlink(victim, coreState().tempPath + "Results0.txt");
  const HidesFirstSpill hide;
  const platform::ScopedMetadataSource scoped(hide);
  spills_.reset(coreState().tempPath, "Results");
  ResultsLog log;
  const std::string big(ResultsLog::kSpillThreshold + 1, 'x');
  log.append(big, spills_);
  log.append("A", spills_);
  EXPECT_FALSE(std::filesystem::exists(victim)) << "nothing written through the link";
  EXPECT_EQ(log.spillPath(), coreState().tempPath + "Results1.txt");
  EXPECT_EQ(log.readBack(), big + "A");
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

// Lines after a spill are gathered, but the file is whole whenever someone may read it: when the
// log's text (the pointer line) or its path is taken, and when the log is cleared for the next run.
TEST_F(ResultsLogTest, ASpillFileIsWholeOnceTheTextIsReadOrTheLogCleared) {
  const std::string big(ResultsLog::kSpillThreshold + 1, 'x');
  for (const bool clearFirst : {false, true}) {
    ResultsLog log;
    log.append(big, spills_);
    log.append("first ", spills_);
    log.append("second", spills_);
    const std::string path = spills_.pathOf(spills_.next() - 1);  // not through the log: that writes
    if (clearFirst) {
      log.clear();
    } else {
      (void)log.text();
    }
    EXPECT_EQ(readAll(path), big + "first second") << clearFirst;
  }
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
