// What a run did to files, step by step, for whoever listens (the undo journals). The pipeline's
// file steps (Pipeline::rename, renameLogged, copyFileChunked, removeFile) tell an installed
// StepRecorder about every step that succeeded; runs themselves know nothing of journals.
//
//   class MyJournal : public core::StepRecorder {
//     void stepDone(const core::StepRecord& step) override {
//       if (step.kind == core::StepKind::Renamed) records_.push_back({step.from, step.to});
//     }
//   };
//   MyJournal journal;
//   core::ScopedStepRecorder listening(pipe, journal);  // core/pipeline.h
//   core::runFiles(pipe, form, options, step);          // every rename lands in the journal
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace core {

// What a new copy was like when the run made it: an undo removes only a copy still like this.
struct CopyStamp {
  std::uint64_t size = 0;
  std::int64_t modifiedSec = 0;
  std::uint32_t modifiedNsec = 0;
  friend bool operator==(const CopyStamp&, const CopyStamp&) = default;
};

enum class StepKind {
  Renamed,  // from was renamed or moved to to (a file or a folder)
  Copied,   // from was copied to the new file to
  Deleted,  // from was deleted for good (to is empty)
  Trashed,  // from was moved to the trash (to is empty)
};

struct StepRecord {
  StepKind kind = StepKind::Renamed;
  std::string from{};  // bytes, as passed to the step
  std::string to{};
  std::chrono::system_clock::time_point when{};  // when the step was done
  // A copy made with the source's modified time: its size and that time, as the step knows them
  // (a listener need not look at the copy again). Unset: not known.
  std::optional<CopyStamp> copy{};
};

// Told about each step that succeeded, right after it, in the order done. A failed step is never
// recorded (it is in the results log instead).
class StepRecorder {
 public:
  virtual ~StepRecorder() = default;
  virtual void stepDone(const StepRecord& step) = 0;
};

}  // namespace core
