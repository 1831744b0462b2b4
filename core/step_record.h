// What a run did to files, step by step, for whoever listens (the undo journals). The pipeline's
// file steps (Pipeline::rename, renameLogged, renameReplacing, copyFileChunked, removeFile) tell an
// installed StepRecorder about every step that succeeded; runs themselves know nothing of journals.
// A step that gives a file a new name (a rename, a move, a new copy taking its name) is announced
// first, with the identity the file will have there: a journal that writes its record then never
// misses a step a kill cut off right after it, and its undo, finding no file of that identity at
// the target, knows the step never happened.
//
//   class MyJournal : public core::StepRecorder {
//     void stepStarting(const core::StepRecord& step) override { records_.push_back(step); }
//     void stepAbandoned(const core::StepRecord&) override { records_.pop_back(); }
//     void stepDone(const core::StepRecord&) override {}
//   };
//   MyJournal journal;
//   core::ScopedStepRecorder listening(pipe, journal);  // core/pipeline.h
//   core::runFiles(pipe, form, options, step);          // every rename lands in the journal
#pragma once

#include "platform/file_identity_type.h"

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
  // Renamed and Copied: the file that is (or, announced, will be) at to: the renamed file itself,
  // or the new copy. Unset: not known.
  std::optional<platform::FileIdentity> identity{};
};

// Told about each step that succeeded, right after it, in the order done. A failed step is never
// recorded as done (it is in the results log instead).
class StepRecorder {
 public:
  virtual ~StepRecorder() = default;
  // Before a Renamed or Copied step acts on the disk (a copy: once its bytes are written, before it
  // takes its name). Either stepDone or stepAbandoned follows with the same record, unless a kill
  // comes first.
  virtual void stepStarting(const StepRecord& step) { (void)step; }
  // The step announced last did not happen: nothing changed on the disk.
  virtual void stepAbandoned(const StepRecord& step) { (void)step; }
  virtual void stepDone(const StepRecord& step) = 0;
};

}  // namespace core
