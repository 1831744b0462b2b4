// The rename tool's undo journals: the listener that writes a run's journal from the pipeline's
// renames, the undo of one slot's batch (last rename first), the undo menu's state and the
// clearing. Format, slots and the reading of any length: core/undo_journal.h (kRenameJournal).
//
//   tools::ren::RenameJournal journal('1');                 // '1' files, '0' folders
//   core::ScopedStepRecorder listening(pipe, journal);      // every rename of the run is recorded
//   ... run ...; if (journal.failed()) ask; journal.writer().finish();
//
//   const tools::ren::UndoMenuState menu = tools::ren::undoMenuState();
//   tools::ren::undoRename(pipe, form, menu.current, msg);  // the most recent batch
//
// An undo first looks where the record's file is (by the identity the record carries): a record
// whose file is not at its new name (the rename never happened, a kill having cut it off after its
// record, or it is undone already, or another file holds that name) is passed over, nothing
// touched. It keeps what it could not do: a record whose rename back fails (its current name gone,
// its old name taken) or that Cancel left unread stays in the journal, which is rewritten to
// those records (the header counts them); only a journal with nothing left is deleted, and its
// slot released (the current slot then steps back one).
#pragma once

#include "core/message_table.h"
#include "core/run_driver.h"
#include "core/step_record.h"
#include "core/undo_journal.h"

#include <string>
#include <utility>
#include <vector>

namespace core {
class Pipeline;
class ToolForm;
}

namespace tools::ren {

// Records every rename the pipeline announces into a journal of kRenameJournal, before it is
// done, and takes the record back when the rename fails. The journal's file and slot are made at
// the first rename only.
class RenameJournal : public core::StepRecorder {
 public:
  // headerDigit '1' for a run over files, '0' over folders.
  explicit RenameJournal(char headerDigit) : writer_(core::kRenameJournal, headerDigit) {}
  void stepStarting(const core::StepRecord& step) override;
  void stepAbandoned(const core::StepRecord& step) override;
  void stepDone(const core::StepRecord&) override {}
  // True once a record could not be written (journaling is then off).
  [[nodiscard]] bool failed() const { return failed_; }
  [[nodiscard]] core::JournalWriter& writer() { return writer_; }

 private:
  core::JournalWriter writer_;
  bool failed_ = false;
};

enum class UndoStart {
  Undone,      // the batch was walked (UndoResult says how it went)
  Missing,     // no journal for the slot: message 5 was shown
  Unreadable,  // not a journal that can be read: message 36 was shown
  Declined,    // the user said No to the question
};

struct UndoResult {
  UndoStart start = UndoStart::Missing;
  long long undone = 0;   // renames put back
  long long kept = 0;     // records that stay in the journal
  core::UndoEnd journal = core::UndoEnd::Kept;
  core::RunEnd end = core::RunEnd::Completed;
};

// Undoes the batch of slot (1-9) after asking (messages 1 and 2): each record renamed back
// (renameLogged, a failure logged there), a line "new path -> old name" for each, then the
// journal kept or deleted as described above, and the results shown.
UndoResult undoRename(core::Pipeline& pipe, core::ToolForm* form, int slot, const core::MessageTable& msg);

// What the undo menu shows.
struct UndoMenuState {
  int current = 1;                                   // the current slot (the most recent batch)
  bool recent = false;                               // its journal exists: "undo the last batch" works
  std::vector<std::pair<int, std::string>> history;  // the other slots with a journal: (slot, caption)
  bool clear = false;                                // any journal exists
};
[[nodiscard]] UndoMenuState undoMenuState();

// Deletes every journal of the ring (through its slots, names of the journal's shape only).
void clearRenameJournals();

}  // namespace tools::ren
