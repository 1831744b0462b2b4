// The undo journals of the copy and move tool: nine slots of core/undo_journal.h (kCopyJournal),
// one per run, with "iscpymve" + slot telling whether that run copied ("0") or moved ("1").
//
// A run installs a CopyJournal as the pipeline's step recorder: every copy and every move the
// pipeline announces becomes a record (source, target, and the identity of the file put at the
// target), written before the step acts and taken back when it fails. The undo acts only on a
// record whose file is at its target with that identity: any other record names a step that never
// happened (a kill cut it off after its record) or a file that is no longer the run's, and is
// passed over with nothing touched. A move across file systems killed between its copy and the
// source's removal leaves the file in both places: its undo removes the copy. Undo reads a slot's records from the last to
// the first: a copy is undone by removing the copy, but only while its source still exists with
// the same size and the copy is as the run made it (its size and modified time, recorded with
// it; otherwise the copy is kept and reported); a move is undone by moving the file
// back (a rename within one file system, else a synced copy and then the file's removal),
// recreating a missing source folder. Records that could not be undone, or that a Cancel left
// unread, stay in the journal; records with nothing left to do are dropped, and so are records
// that do not name plain whole paths (a line says so: journals are read as untrusted input).
//
//   CopyJournal journal(CopyMode::Move);
//   core::ScopedStepRecorder listening(pipe, journal);
//   ... the run; after each file: if (journal.takeWriteError()) ask, and stop after this file ...
//   if (journal.finish() != 0) ...;                      // journal.path() for the message
//
//   undoCopyJob(pipe, form, slot, msg);                   // asks first, then runs the undo
#pragma once

#include "core/message_table.h"
#include "core/pipeline.h"
#include "core/run_driver.h"
#include "core/step_record.h"
#include "core/undo_journal.h"
#include "tools/file_ops/copy_transfer.h"

#include <string>
#include <utility>
#include <vector>

namespace tools::file_ops {

// The undo's own messages (the others are in copy_transfer.h).
namespace copy_msg {
inline constexpr int kJournalUnreadable = 50,  // followed by the journal's path
    kRecordRefused = 51,                       // 51 source 12 target: a record of no plain paths
    kUndoKeptEditedCopy = 52;                  // followed by the copy's path
}  // namespace copy_msg

// The settings key of a slot's kind: "iscpymve" + slot.
inline constexpr std::string_view kCopyKindKey = "iscpymve";

class CopyJournal : public core::StepRecorder {
 public:
  explicit CopyJournal(CopyMode mode);
  // A copy or a move (a rename) becomes a record; other steps are not the run's transfers.
  void stepStarting(const core::StepRecord& step) override;
  void stepAbandoned(const core::StepRecord& step) override;
  void stepDone(const core::StepRecord&) override {}
  // The error number of a journal write that failed since the last call, else 0. Journaling is
  // off for the rest of the run from such a failure on.
  [[nodiscard]] int takeWriteError();
  // Writes the record count and syncs the journal to the disk: a run's moves can be undone after a
  // crash too. 0, or the error number.
  int finish();
  [[nodiscard]] std::uint64_t records() const { return writer_.records(); }
  [[nodiscard]] int slot() const { return writer_.slot(); }
  [[nodiscard]] const std::string& path() const { return writer_.path(); }

 private:
  core::JournalWriter writer_;
  int writeError_ = 0;
};

// The kind of run slot holds.
[[nodiscard]] CopyMode copyJournalMode(int slot);

enum class CopyUndoEnd {
  Missing,       // the slot names no journal that exists (message 29 shown)
  Unreadable,    // the journal cannot be read (message 50 shown); journal and slot are kept
  NotConfirmed,  // the user said No
  Undone,        // the undo ran; journalLeft tells what became of the journal
};

struct CopyUndoResult {
  CopyUndoEnd end = CopyUndoEnd::Missing;
  core::RunOutcome outcome{};
  core::UndoEnd journalLeft = core::UndoEnd::Deleted;
};

// Undoes the run of slot (1-9) after asking (message 25 and the journal's stamp, for a move with
// message 33; title message 26), through the run driver (progress caption message 28, results
// under message 27), and ends by showing the results.
CopyUndoResult undoCopyJob(core::Pipeline& pipe, core::ToolForm* form, int slot, const core::MessageTable& msg);

// What the undo menu offers: the current slot (the newest run) when its journal exists, and the
// other slots whose journals exist, as (slot, caption) in slot order.
struct CopyUndoMenu {
  int current = 1;
  bool recent = false;
  std::vector<std::pair<int, std::string>> others;
};
[[nodiscard]] CopyUndoMenu copyUndoMenu();

}  // namespace tools::file_ops
