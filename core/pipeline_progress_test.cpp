#include "core/pipeline_test_support.h"

#include "core/file_times.h"

namespace core::testing {
namespace {

struct ProgressRow {
  const char* name;
  long long total;
  std::vector<std::pair<double, double>> calls;  // (part, parts)
  const char* percent;
};
class UpdateProgress : public PipelineTest, public ::testing::WithParamInterface<ProgressRow> {};

TEST_P(UpdateProgress, ShowsThePercentOfTheRun) {
  const ProgressRow& row = GetParam();
  pipe_.resetProgress(row.total);
  for (const auto& [part, parts] : row.calls) pipe_.updateProgress(part, parts);
  ASSERT_FALSE(host_.percents.empty());
  EXPECT_EQ(host_.percents.back(), row.percent);
  EXPECT_LE(host_.bar, 6015);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UpdateProgress,
    ::testing::Values(ProgressRow{"one_step_of_four", 4, {{0, 1}}, "25%"},
                      ProgressRow{"half_of_a_folder", 2, {{2, 4}}, "25%"},
                      ProgressRow{"finished_folder_counts_once", 2, {{1, 4}, {4, 4}}, "50%"},
                      ProgressRow{"several_items_at_once", 10, {{0, 3}}, "30%"},
                      ProgressRow{"clamped_to_100", 1, {{0, 1}, {0, 1}, {0, 1}}, "100%"},
                      ProgressRow{"zero_total", 0, {{0, 1}}, "0%"},
                      ProgressRow{"zero_parts", 4, {{1, 0}}, "0%"}),
    [](const ::testing::TestParamInfo<ProgressRow>& info) { return std::string(info.param.name); });

TEST_F(PipelineTest, OneArgumentProgressTakesListCountAsParts) {
  host_.fakeFolders[root_] = std::vector<ListEntry>(4);
  ASSERT_EQ(host_.updateFiles(false, root_), kListDone);
  pipe_.resetProgress(2);
  pipe_.updateProgress(2);  // two of the folder's four files
  EXPECT_EQ(host_.percents.back(), "25%");
  pipe_.updateProgress(4);  // the folder is done: counted once
  EXPECT_EQ(host_.percents.back(), "50%");
}

TEST_F(PipelineTest, TheBarOnlyGrowsInStepsOfMoreThan100Twips) {
  pipe_.resetProgress(100);
  pipe_.updateProgress(0, 1);  // 60 twips: not drawn
  EXPECT_EQ(host_.bar, 0);
  pipe_.updateProgress(0, 1);  // 120
  EXPECT_EQ(host_.bar, 120);
}

TEST_F(PipelineTest, StepsClearMoreOnCancelOrSkip) {
  for (CancelState value : {CancelState::Running, CancelState::Cancelled, CancelState::SkipFile}) {
    host_.cancel = value;
    DirCursor more = 1, moreDir = 1;
    pipe_.stepProgress(more);
    pipe_.stepProgressDir(moreDir);
    EXPECT_EQ(more, value == CancelState::Running ? 1u : 0u) << static_cast<int>(value);
    EXPECT_EQ(moreDir, value == CancelState::Running ? 1u : 0u) << static_cast<int>(value);
  }
}

TEST_F(PipelineTest, AddResultMovesStagedLinesAt5001Characters) {
  pipe_.addResult(std::string(4998, 'a'));  // 5000 with CR LF
  EXPECT_EQ(pipe_.resultLines().size(), 5000u);
  EXPECT_TRUE(pipe_.resultsLog().empty());
  pipe_.addResult("");  // 5002
  EXPECT_EQ(pipe_.resultLines(), "");
  EXPECT_EQ(pipe_.resultsLog().text(), std::string(4998, 'a') + "\r\n\r\n");
}

TEST_F(PipelineTest, LogMissingDirLogsEachFolderOnceAndOnlyDuringARun) {
  pipe_.logMissingDir("/nowhere/");
  EXPECT_EQ(pipe_.resultLines(), "");
  pipe_.resetProgress(3);
  pipe_.logMissingDir("/nowhere/");
  pipe_.addResult(std::string(6000, 'z'));  // the first line moves on into the log
  pipe_.logMissingDir("/nowhere/");
  EXPECT_EQ(logged(), "{95}/nowhere/{94}\r\n" + std::string(6000, 'z') + "\r\n");
}

struct FinishRow {
  const char* name;
  std::vector<std::string> lines;
  CancelState cancel;
  RefreshMode refresh;
  std::string body;  // expected report after the stamp line
};
class FinishOperation : public PipelineTest, public ::testing::WithParamInterface<FinishRow> {};

TEST_P(FinishOperation, BuildsTheReportAndLeavesTheLogsEmpty) {
  const FinishRow& row = GetParam();
  pipe_.buildDirList(form_, root_);
  pipe_.addToLog(pipe_.resultsText(), "Tool text");
  for (const std::string& l : row.lines) pipe_.addResult(l);
  host_.cancel = row.cancel;
  pipe_.finishOperation(form_, row.refresh);
  ASSERT_EQ(host_.results.size(), 1u);
  const std::string& report = host_.results[0].text;
  ASSERT_EQ(report.rfind("{75}", 0), 0u);
  const std::size_t eol = report.find("\r\n");
  EXPECT_EQ(report.substr(eol + 2), row.body);
  EXPECT_EQ(host_.results[0].referrer, form_);
  EXPECT_EQ(host_.results[0].stamp.size(), 19u);  // dd/mm/yyyy hh:mm:ss
  EXPECT_EQ(host_.percents.back(), row.cancel == CancelState::Cancelled ? "0%" : "100%");
  EXPECT_EQ(host_.refreshes,
            row.refresh != RefreshMode::None ? std::vector<RefreshMode>{row.refresh} : std::vector<RefreshMode>{});
  EXPECT_EQ(host_.cancel, CancelState::Running);
  EXPECT_FALSE(host_.progressShown);
  EXPECT_EQ(host_.beeps, 1);
  EXPECT_EQ(host_.addExtCalls, 1);
  EXPECT_FALSE(host_.formEnabled[form_]) << "the form stays disabled for the results viewer";
  // Nothing of this run reaches the next report.
  EXPECT_EQ(logged(), "");
  EXPECT_EQ(pipe_.resultsText().text(), "");
  EXPECT_EQ(pipe_.progressTotal(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Reports, FinishOperation,
    ::testing::Values(
        FinishRow{"nothing_logged", {}, CancelState::Running, RefreshMode::None,
                  "{73}Tool text\r\n{71}{74}\r\n\r\n{77}"},
        FinishRow{"lines_logged", {"one", "two"}, CancelState::Running, RefreshMode::ListOnly,
                  "\r\n{72}Tool text\r\n{71}one\r\ntwo\r\n\r\n\r\n{77}"},
        FinishRow{"cancelled", {"one"}, CancelState::Cancelled, RefreshMode::ListAndTree,
                  "\r\n{72}Tool text\r\n{71}one\r\n\r\n\r\n{76}\r\n"},
        // Cancelled before anything went wrong: no "no problems", only "none" so far.
        FinishRow{"cancelled_without_lines", {}, CancelState::Cancelled, RefreshMode::None,
                  "Tool text\r\n{71}{74}\r\n\r\n{76}\r\n"}),
    [](const ::testing::TestParamInfo<FinishRow>& info) { return std::string(info.param.name); });

TEST_F(PipelineTest, ShowRunErrorShowsEveryLineSoFarAndClearsThem) {
  pipe_.buildDirList(form_, root_);
  pipe_.addToLog(pipe_.resultsText(), "Tool text");
  pipe_.addResult(std::string(5100, 'm'));  // moved into resultsLog
  pipe_.addResult("staged");
  pipe_.showRunError(form_, "");
  ASSERT_EQ(host_.questions.size(), 1u);
  EXPECT_EQ(host_.questions[0].message, "{103}");
  EXPECT_EQ(host_.questions[0].title, "E");
  ASSERT_EQ(host_.results.size(), 1u);
  EXPECT_EQ(host_.results[0].text, "Tool text{99}\r\n\r\n" + std::string(5100, 'm') + "\r\nstaged\r\n");
  EXPECT_TRUE(host_.results[0].disableOwner);
  EXPECT_TRUE(host_.formEnabled[form_]);
  EXPECT_EQ(logged(), "");
  pipe_.showRunError(form_, "disk full");
  EXPECT_EQ(host_.questions[1].message, "disk full");
  EXPECT_EQ(host_.results[1].text, "{99}\r\n\r\n");
}

// The creation time cannot be set here; a run that asked for it says so once, as a note after the
// report's lines and before "The operation is complete.": it is no problem with an item, so a run without other lines still reports no problems.
// A notice raised before the run does not reach its report.
TEST_F(PipelineTest, ARunThatAskedForCreationTimesSaysOnceTheyWereNotSet) {
  const std::string file = makeFile("t.txt", "x");
  copyFileTimes();
  EXPECT_EQ(writeFileTimes(file, false, true, false), 0);  // before the run
  const std::string notice = "{" + std::to_string(kMsgCreationTimesNotSet) + "}";
  for (const bool withProblem : {true, false}) {
    pipe_.buildDirList(form_, root_);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(writeFileTimes(file, false, true, false), 0);
    if (withProblem) pipe_.addResult("line");
    pipe_.finishOperation(form_, RefreshMode::None);
    const std::string& report = host_.results.back().text;
    EXPECT_EQ(report.find("{72}") != std::string::npos, withProblem) << report;
    EXPECT_EQ(report.find("{73}") != std::string::npos, !withProblem) << report;
    ASSERT_TRUE(report.ends_with(notice + "\r\n\r\n{77}")) << report;  // before the run's last word
    EXPECT_EQ(report.find(notice), report.rfind(notice)) << "once per run";
  }
  pipe_.buildDirList(form_, root_);
  pipe_.finishOperation(form_, RefreshMode::None);
  EXPECT_EQ(host_.results.back().text.find(notice), std::string::npos);
}

TEST_F(PipelineTest, ShowProgressFileNamesThePlaceInTheFolder) {
  host_.fakeFolders[root_] = std::vector<ListEntry>(7);
  ASSERT_EQ(host_.updateFiles(false, root_), kListDone);
  pipe_.showProgressFile("a.txt", 3);
  EXPECT_EQ(host_.paths.back(), "a.txt");
  EXPECT_EQ(host_.files.back(), "{40}3{28}7");
  pipe_.showProgressFile("b.txt", -1);
  EXPECT_EQ(host_.files.back(), "");
}

}  // namespace
}  // namespace core::testing
