// The run driver on a scripted host: the folder loop and its cadence, Cancel and Skip, the step's
// results and retries, the hooks, the finish and the error report, folder runs and journal runs.
#include "core/run_driver.h"

#include "core/pipeline_test_support.h"

#include <algorithm>
#include <stdexcept>

namespace core::testing {
namespace {

// root/ a/ a/b/ a/b/c/: a chain, so the walk's order is fixed; each folder's files are faked.
class DriverTest : public PipelineTest {
 protected:
  void SetUp() override {
    PipelineTest::SetUp();
    makeDir("a/b/c");
    chain_ = {root_, root_ + "a/", root_ + "a/b/", root_ + "a/b/c/"};
  }
  // Gives the folders of the chain these numbers of files (the rest none).
  void files(const std::vector<int>& sizes) {
    for (std::size_t f = 0; f < chain_.size(); ++f) {
      std::vector<ListEntry> entries(f < sizes.size() ? static_cast<std::size_t>(sizes[f]) : 0);
      for (std::size_t i = 0; i < entries.size(); ++i) entries[i].name = "file" + std::to_string(i);
      host_.fakeFolders[chain_[f]] = entries;
    }
  }
  RunOptions all() const { return {.startFolder = root_, .withSubfolders = true}; }

  std::vector<std::string> chain_;
};

struct CadenceRow {
  const char* name;
  std::vector<int> folderSizes;  // files of root, a, a/b, a/b/c
  int every;
  SkipMode skip;
  CancelState pressed;  // at the first yield of the loop; Running: never
  int treated;
  RunEnd end;
};

class Cadences : public DriverTest, public ::testing::WithParamInterface<CadenceRow> {};

// Nothing yields inside a folder but the cadence: a Cancel pressed while a folder of 60 files is
// treated is seen after that folder, one in a longer folder at its 61st file.
TEST_P(Cadences, CancelAndSkipAreSeenAtTheCadenceAndAfterEachFolder) {
  const CadenceRow& row = GetParam();
  files(row.folderSizes);
  int treated = 0;
  RunOptions options = all();
  options.cadence.every = row.every;
  options.skip = row.skip;
  const RunOutcome out = runFiles(pipe_, form_, options, [&](RunItem&) {
    ++treated;
    return StepResult::Done;
  }, {.onStart = [&] {
    if (row.pressed != CancelState::Running) host_.cancelAfterYields(1, row.pressed);
  }});
  EXPECT_EQ(treated, row.treated);
  EXPECT_EQ(out.done, row.treated);
  EXPECT_EQ(out.end, row.end);
  ASSERT_EQ(host_.results.size(), 1u);
  EXPECT_EQ(host_.results[0].text.find("{76}") != std::string::npos, row.pressed == CancelState::Cancelled);
  EXPECT_EQ(host_.cancel, CancelState::Running) << "the finish clears it for the next run";
}

constexpr SkipMode kEndsRun = SkipMode::EndsRun, kEndsFile = SkipMode::EndsFile;
constexpr CancelState kNone = CancelState::Running, kCancel = CancelState::Cancelled, kSkip = CancelState::SkipFile;

INSTANTIATE_TEST_SUITE_P(
    Runs, Cadences,
    ::testing::Values(
        CadenceRow{"no_cancel", {60, 130, 0, 5}, 61, kEndsRun, kNone, 195, RunEnd::Completed},
        CadenceRow{"cancel_after_a_folder_of_60", {60, 130}, 61, kEndsRun, kCancel, 60, RunEnd::Cancelled},
        CadenceRow{"skip_after_a_folder_of_60", {60, 130}, 61, kEndsRun, kSkip, 60, RunEnd::Cancelled},
        CadenceRow{"cancel_at_the_61st_file", {130, 60}, 61, kEndsRun, kCancel, 61, RunEnd::Cancelled},
        CadenceRow{"skip_at_the_61st_file", {130, 60}, 61, kEndsRun, kSkip, 61, RunEnd::Cancelled},
        CadenceRow{"cancel_after_an_empty_folder", {0, 130}, 61, kEndsRun, kCancel, 0, RunEnd::Cancelled},
        CadenceRow{"cancel_at_the_11th_file", {130}, 11, kEndsRun, kCancel, 11, RunEnd::Cancelled},
        CadenceRow{"only_after_each_folder", {130, 60}, 0, kEndsRun, kCancel, 130, RunEnd::Cancelled},
        CadenceRow{"skip_that_ends_only_the_file", {130, 60}, 61, kEndsFile, kSkip, 190, RunEnd::Completed},
        CadenceRow{"cancel_where_skip_ends_the_file", {130, 60}, 61, kEndsFile, kCancel, 61, RunEnd::Cancelled}),
    [](const ::testing::TestParamInfo<CadenceRow>& info) { return std::string(info.param.name); });

TEST_F(DriverTest, StepsAreCountedOnceAndRetriedItemsCountOnceForTheCadence) {
  files({62});
  std::vector<std::pair<std::string, int>> calls;
  const RunOutcome out = runFiles(pipe_, form_, {.startFolder = root_}, [&](RunItem& item) {
    calls.emplace_back(item.name(), item.attempt());
    EXPECT_EQ(item.folder(), root_);
    EXPECT_EQ(item.path(), root_ + item.name());
    EXPECT_EQ(item.count(), 62u);
    EXPECT_EQ(item.entry()->name, item.name());
    if (item.index() == 1) return item.attempt() < 2 ? StepResult::Retry : StepResult::Done;
    if (item.index() == 2) return StepResult::Skipped;
    if (item.index() == 3) return StepResult::Failed;
    return StepResult::Done;
  });
  ASSERT_EQ(calls.size(), 64u);
  EXPECT_EQ(calls[0], (std::pair<std::string, int>{"file0", 0}));
  EXPECT_EQ(calls[2], (std::pair<std::string, int>{"file0", 2}));
  EXPECT_EQ(calls[3], (std::pair<std::string, int>{"file1", 0}));
  EXPECT_EQ(out.done, 60);
  EXPECT_EQ(out.skipped, 1);
  EXPECT_EQ(out.failed, 1);
  EXPECT_EQ(out.folders, 1u);
  // The 61st file, not the 61st call, is shown with the count so far.
  EXPECT_EQ(host_.paths.back(), root_ + "file60");
  EXPECT_EQ(host_.files.back(), "{40}61{28}62");
}

TEST_F(DriverTest, HooksFrameTheRunAndEveryFolderCountsOnce) {
  files({61, 3, 0, 130});  // 61 and 130 files: folders whose last shown count meets their size
  std::vector<std::string> events;
  double doneAtEnd = -1;
  const RunOutcome out = runFiles(pipe_, form_, {.startFolder = root_, .withSubfolders = true, .caption = "Working"},
      [&](RunItem&) { return StepResult::Done; },
      {.onStart = [&] { events.push_back("start " + host_.captions.back()); },
       .onFolderStart = [&](const FolderInfo& f) { events.push_back("in " + f.folder + " " + std::to_string(f.items)); },
       .onFolderEnd = [&](const FolderInfo& f) { events.push_back("out " + f.folder); },
       .onEnd = [&](const RunOutcome& o) {
         events.push_back("end " + std::to_string(o.done));
         doneAtEnd = pipe_.progressDone();
       }});
  const std::vector<std::string> want = {
      "start Working", "in " + chain_[0] + " 61", "out " + chain_[0], "in " + chain_[1] + " 3", "out " + chain_[1],
      "in " + chain_[2] + " 0", "out " + chain_[2], "in " + chain_[3] + " 130", "out " + chain_[3], "end 194"};
  EXPECT_EQ(events, want);
  EXPECT_EQ(out.folders, 4u);
  EXPECT_EQ(doneAtEnd, 4.0) << "shown counts within a folder never count it again";
  EXPECT_EQ(host_.refreshes, std::vector<RefreshMode>{RefreshMode::ListOnly});
  ASSERT_EQ(host_.results.size(), 1u);
  EXPECT_EQ(host_.percents.back(), "100%");
}

TEST_F(DriverTest, StopEndsTheRunAfterTheItemButTheFolderStillCloses) {
  files({5, 5});
  std::vector<std::string> events;
  const RunOutcome out = runFiles(pipe_, form_, all(), [&](RunItem& item) {
    events.push_back(item.name());
    return item.index() == 2 ? StepResult::Stop : StepResult::Done;
  }, {.onFolderEnd = [&](const FolderInfo&) { events.push_back("out"); }});
  EXPECT_EQ(events, (std::vector<std::string>{"file0", "file1", "out"}));
  EXPECT_EQ(out.end, RunEnd::Stopped);
  EXPECT_EQ(out.done, 1);
  EXPECT_EQ(host_.results.size(), 1u);
}

TEST_F(DriverTest, RefreshAndFinishAreTheCallersToChoose) {
  files({1});
  const auto done = [](RunItem&) { return StepResult::Done; };
  runFiles(pipe_, form_, {.refresh = RefreshMode::None}, done);
  EXPECT_EQ(host_.listed, std::vector<std::string>{root_}) << "the main window's folder by default";
  EXPECT_TRUE(host_.refreshes.empty());
  EXPECT_EQ(host_.results.size(), 1u);
  runFiles(pipe_, form_, {.startFolder = root_, .finish = false}, done);
  EXPECT_EQ(host_.results.size(), 1u) << "the caller finishes after its last run";
  EXPECT_TRUE(host_.progressShown);
  // The next run of a run list keeps the list and the lines of the first.
  pipe_.addResult("run 1");
  int treated = 0;
  runFiles(pipe_, form_, {.startFolder = root_ + "elsewhere", .keepList = true}, [&](RunItem& item) {
    ++treated;
    EXPECT_EQ(item.folder(), root_);
    return StepResult::Done;
  });
  EXPECT_EQ(treated, 1);
  ASSERT_EQ(host_.results.size(), 2u);
  EXPECT_NE(host_.results[1].text.find("run 1"), std::string::npos);
}

TEST_F(DriverTest, AnExceptionEndsTheRunInTheErrorReport) {
  files({3});
  const RunOutcome out = runFiles(pipe_, form_, {.startFolder = root_}, [&](RunItem& item) {
    if (item.index() == 2) throw std::runtime_error("disk on fire");
    pipe_.addResult("did " + item.name());
    return StepResult::Done;
  });
  EXPECT_EQ(out.end, RunEnd::Error);
  EXPECT_EQ(out.errorText, "disk on fire");
  ASSERT_EQ(host_.questions.size(), 1u);
  EXPECT_EQ(host_.questions[0].message, "disk on fire");
  EXPECT_EQ(host_.questions[0].title, "E");
  ASSERT_EQ(host_.results.size(), 1u);
  EXPECT_NE(host_.results[0].text.find("did file0"), std::string::npos);
  EXPECT_TRUE(host_.formEnabled[form_]) << "the form is usable again";
  EXPECT_TRUE(host_.refreshes.empty()) << "no finish after an error";
}

// A step that works through a large file in pieces yields after each piece; Skip gives up that file
// and, where Skip ends only the file, the run goes on with the next.
TEST_F(DriverTest, PiecesYieldAndSkipGivesUpTheFile) {
  for (SkipMode mode : {SkipMode::EndsFile, SkipMode::EndsRun}) {
    files({3});
    std::vector<std::string> finished;
    RunOptions options{.startFolder = root_, .skip = mode};
    const RunOutcome out = runFiles(pipe_, form_, options, [&](RunItem& item) {
      if (item.index() == 1) host_.cancelAfterYields(2, CancelState::SkipFile);  // during its second piece
      for (int piece = 1; piece <= 4; ++piece) {
        item.showProgressWithin(piece / 4.0);
        if (item.yieldAndPoll() != Poll::GoOn) return StepResult::Failed;
      }
      finished.push_back(item.name());
      return StepResult::Done;
    });
    if (mode == SkipMode::EndsFile) {
      EXPECT_EQ(finished, (std::vector<std::string>{"file1", "file2"}));
      EXPECT_EQ(out.end, RunEnd::Completed);
    } else {
      EXPECT_TRUE(finished.empty());
      EXPECT_EQ(out.end, RunEnd::Cancelled);
    }
    EXPECT_EQ(out.failed, 1);
  }
}

TEST_F(DriverTest, EachItemIsShownBeforeItsStepWhenAsked) {
  files({2});
  runFiles(pipe_, form_, {.startFolder = root_, .cadence = {.showEachItem = true}}, [&](RunItem& item) {
    EXPECT_EQ(host_.paths.back(), item.path());
    EXPECT_EQ(host_.files.back(), "{40}" + std::to_string(item.index()) + "{28}2");
    return StepResult::Done;
  });
}

// ---------------------------------------------------------------- runs over folders

TEST_F(DriverTest, FolderRunsLeaveTheStartFolderAloneInEitherOrder) {
  for (FolderOrder order : {FolderOrder::ParentsFirst, FolderOrder::DeepestFirst}) {
    std::vector<std::string> seen;
    DirList atStart;
    const RunOutcome out = runFolders(pipe_, form_, {.startFolder = root_, .withSubfolders = true, .order = order},
                                      [&](RunItem& item) {
                                        EXPECT_EQ(item.entry(), nullptr);
                                        seen.push_back(item.path());
                                        EXPECT_EQ(item.folder() + item.name(), item.path());
                                        return StepResult::Done;
                                      },
                                      {.onStart = [&] { atStart = pipe_.dirList(); }});
    std::vector<std::string> want = {root_ + "a", root_ + "a/b", root_ + "a/b/c"};
    if (order == FolderOrder::DeepestFirst) std::reverse(want.begin(), want.end());
    EXPECT_EQ(seen, want);
    EXPECT_EQ(atStart, want) << "the hooks see the list the run walks";
    EXPECT_EQ(out.done, 3);
    EXPECT_EQ(host_.refreshes.back(), RefreshMode::ListAndTree);
  }
}

// The folder tree's order, made out of order here: breadth-first with siblings in name order
// ("c" between "Bravo" and "Charlie", case aside); deepest first is that order reversed, each
// folder after the folders inside it and siblings in reverse name order.
TEST_F(DriverTest, FolderRunsTakeTheTreeInNameOrderOrItsReverse) {
  makeDirsOutOfOrder("a/b");
  std::vector<std::string> want = {root_ + "a", root_ + "a/b"};
  for (const std::string& n : kOrderedNames) {
    if (n == "Charlie") want.push_back(root_ + "a/b/c");
    want.push_back(root_ + "a/b/" + n);
  }
  for (FolderOrder order : {FolderOrder::ParentsFirst, FolderOrder::DeepestFirst}) {
    std::vector<std::string> seen;
    runFolders(pipe_, form_, {.startFolder = root_, .withSubfolders = true, .order = order}, [&](RunItem& item) {
      seen.push_back(item.path());
      return StepResult::Done;
    });
    EXPECT_EQ(seen, want) << (order == FolderOrder::ParentsFirst ? "parents first" : "deepest first");
    std::reverse(want.begin(), want.end());
  }
}

// Asked for, the start folder is walked as well: last when the deepest folders come first.
TEST_F(DriverTest, FolderRunsTakeTheStartFolderWhenAsked) {
  std::vector<std::string> seen;
  runFolders(pipe_, form_,
             {.startFolder = root_, .withSubfolders = true, .order = FolderOrder::DeepestFirst, .withStartFolder = true},
             [&](RunItem& item) {
               seen.push_back(item.path());
               return StepResult::Done;
             });
  EXPECT_EQ(seen, (std::vector<std::string>{root_ + "a/b/c", root_ + "a/b", root_ + "a", root_.substr(0, root_.size() - 1)}));
}

// A run over files takes its folders deepest first when asked, each folder's files together.
TEST_F(DriverTest, FileRunsTakeTheDeepestFoldersFirstWhenAsked) {
  files({1, 1, 1, 1});
  std::vector<std::string> seen;
  runFiles(pipe_, form_, {.startFolder = root_, .withSubfolders = true, .order = FolderOrder::DeepestFirst},
           [&](RunItem& item) {
             seen.push_back(item.folder());
             return StepResult::Done;
           });
  EXPECT_EQ(seen, (std::vector<std::string>{root_ + "a/b/c/", root_ + "a/b/", root_ + "a/", root_}));
}

// Parents first, a renamed folder's new path is written into the folders still ahead, so each is
// visited once under its current path; a folder gone meanwhile is logged once and passed over.
TEST_F(DriverTest, AFolderRenameMovesTheFoldersAheadAndVanishedOnesAreLogged) {
  makeDir("z/y");
  std::vector<std::string> seen;
  const RunOutcome out = runFolders(pipe_, form_, {.startFolder = root_, .withSubfolders = true}, [&](RunItem& item) {
    seen.push_back(item.path());
    if (item.name() == "a") {
      EXPECT_EQ(pipe_.rename(item.path(), item.folder() + "A"), 0);
      item.folderRenamed(item.path(), item.folder() + "A");
    }
    if (item.name() == "z") std::filesystem::remove_all(item.path() + "/y");
    return StepResult::Done;
  });
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<std::string>{root_ + "A/b", root_ + "A/b/c", root_ + "a", root_ + "z"}));
  EXPECT_EQ(out.folders, 4u);
  ASSERT_EQ(host_.results.size(), 1u);
  EXPECT_NE(host_.results[0].text.find("{95}" + root_ + "z/y{94}\r\n"), std::string::npos);
}

TEST_F(DriverTest, FolderRunsRetryAndSeeCancelAfterEachFolder) {
  std::vector<std::pair<std::string, int>> calls;
  const RunOutcome out = runFolders(pipe_, form_, {.startFolder = root_, .withSubfolders = true}, [&](RunItem& item) {
    calls.emplace_back(item.name(), item.attempt());
    if (item.attempt() == 0) return StepResult::Retry;  // a name taken: the next number
    host_.cancelAfterYields(1);
    return StepResult::Done;
  });
  EXPECT_EQ(calls, (std::vector<std::pair<std::string, int>>{{"a", 0}, {"a", 1}}));
  EXPECT_EQ(out.end, RunEnd::Cancelled);
  EXPECT_EQ(out.done, 1);
}

// ---------------------------------------------------------------- runs over a journal

TEST_F(DriverTest, JournalRunsTakeBatchesInOrderAndSeeCancelAfterEachBatch) {
  std::vector<std::vector<std::string>> batches = {{"r5", "r4", "r3"}, {"r2", "r1"}, {"r0"}};
  std::size_t nextBatch = 0;
  const BatchReader<std::string> reader = [&](std::vector<std::string>& batch) {
    if (nextBatch == batches.size()) return false;
    batch = batches[nextBatch++];
    return true;
  };
  std::vector<std::string> undone;
  const RecordStep<std::string> undo = [&](const std::string& record, RunItem& item) {
    undone.push_back(record);
    EXPECT_TRUE(item.folder().empty());
    if (record == "r1") host_.cancelAfterYields(1);
    return StepResult::Done;
  };
  const RunOutcome out = runJournal<std::string>(pipe_, form_, {.caption = "Undo"}, batches.size(), reader, undo);
  EXPECT_EQ(undone, (std::vector<std::string>{"r5", "r4", "r3", "r2", "r1"}));
  EXPECT_EQ(out.end, RunEnd::Cancelled);
  EXPECT_EQ(out.done, 5);
  EXPECT_TRUE(host_.listed.empty()) << "a journal run lists no folder";
  EXPECT_EQ(host_.refreshes, std::vector<RefreshMode>{RefreshMode::ListAndTree});
  EXPECT_EQ(host_.captions.back(), "Undo");
}

}  // namespace
}  // namespace core::testing
