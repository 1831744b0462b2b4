// Cancel and Skip at the cadence the tools use: a tool counts the files of a folder and, at every
// 61st, reports progress, yields and reads isCancel; after each folder it closes the folder with
// stepProgressDir. Nothing in the pipeline may yield inside a folder on its own, so a Cancel
// pressed during a folder of 60 files is seen only after that folder, one during a longer folder
// at its 61st file.
#include "core/pipeline_test_support.h"

namespace core::testing {
namespace {

constexpr int kCadence = 60;  // the counter passes 60: every 61st file

// The file loop of a tool over the run's folders; returns the files treated.
int runToolLoop(Pipeline& pipe, ScriptedRunHost& host) {
  int treated = 0;
  std::size_t more = 1, position = 1;
  std::string folder;
  while (more != 0) {
    if (pipe.nextDirProgress(more, folder, position) == 0) continue;
    int counter = 0, total = 0;
    bool stop = false;
    for (int i = 0; i < host.listCount() && !stop; ++i) {
      ++treated;
      if (++counter > kCadence) {
        total += counter;
        counter = 0;
        pipe.showProgressFile(host.listViewRoot()[static_cast<std::size_t>(i)].name, total);
        pipe.updateProgress(total);
        host.doEvents();
        stop = host.isCancel() != CancelState::Running;
      }
    }
    DirCursor stillMore = stop ? 0 : 1;
    pipe.stepProgressDir(stillMore);
    if (stillMore == 0) more = 0;
  }
  return treated;
}

struct CadenceRow {
  const char* name;
  std::vector<int> folderSizes;  // files in the start folder and its subfolders, in walk order
  CancelState cancelValue;       // Running: never pressed
  int treated;
};

class ToolCadence : public PipelineTest, public ::testing::WithParamInterface<CadenceRow> {};

TEST_P(ToolCadence, CancelAndSkipAreSeenEvery61FilesAndAfterEachFolder) {
  const CadenceRow& row = GetParam();
  pipe_.buildDirList(form_, root_);
  pipe_.dirList().clear();
  for (std::size_t f = 0; f < row.folderSizes.size(); ++f) {
    const std::string folder = root_ + "f" + std::to_string(f) + "/";
    pipe_.dirList().push_back(folder);
    std::vector<ListEntry> entries(static_cast<std::size_t>(row.folderSizes[f]));
    for (std::size_t i = 0; i < entries.size(); ++i) entries[i].name = "file" + std::to_string(i);
    host_.fakeFolders[folder] = entries;
  }
  pipe_.resetProgress(static_cast<long long>(row.folderSizes.size()));
  if (row.cancelValue != CancelState::Running) host_.cancelAfterYields(1, row.cancelValue);  // pressed at once

  EXPECT_EQ(runToolLoop(pipe_, host_), row.treated);
  if (row.cancelValue == CancelState::Running) {
    EXPECT_EQ(host_.percents.back(), "100%");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ToolCadence,
    ::testing::Values(
        CadenceRow{"no_cancel", {60, 130, 0, 5}, CancelState::Running, 195},
        CadenceRow{"cancel_after_a_folder_of_60", {60, 130}, CancelState::Cancelled, 60},
        CadenceRow{"skip_after_a_folder_of_60", {60, 130}, CancelState::SkipFile, 60},
        CadenceRow{"cancel_at_the_61st_file", {130, 60}, CancelState::Cancelled, 61},
        CadenceRow{"skip_at_the_61st_file", {130, 60}, CancelState::SkipFile, 61},
        CadenceRow{"cancel_after_an_empty_folder", {0, 130}, CancelState::Cancelled, 0}),
    [](const ::testing::TestParamInfo<CadenceRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace core::testing
