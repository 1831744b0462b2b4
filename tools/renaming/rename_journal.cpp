#include "tools/renaming/rename_journal.h"

#include "core/file_paths.h"
#include "core/pipeline.h"
#include "core/settings.h"
#include "core/shown_dates.h"
#include "core/slot_ring.h"
#include "core/state.h"
#include "tools/renaming/rename_messages.h"

#include <string_view>

namespace tools::ren {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
// Bytes read from the journal at a time: one batch of the undo, between two looks at Cancel.
constexpr std::size_t kUndoBlock = 8192;

core::SlotRing renameRing() { return core::SlotRing(core::kRenameJournal.ring); }

// The journal's path for a message, also when the slot names nothing of the journal's shape.
std::string shownPath(const core::JournalReader& reader, int slot) {
  if (!reader.path().empty()) return reader.path();
  return core::coreState().appPath + core::getSet(std::string(core::kRenameJournal.ring.slotKeyPrefix) + std::to_string(slot));
}

std::string nameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void RenameJournal::stepStarting(const core::StepRecord& step) {
  if (step.kind != core::StepKind::Renamed || !writer_.on()) return;
  if (writer_.add({.from = step.from, .to = step.to, .identity = step.identity}) != 0) failed_ = true;
}

void RenameJournal::stepAbandoned(const core::StepRecord& step) {
  if (step.kind == core::StepKind::Renamed) writer_.retract();
}

UndoResult undoRename(core::Pipeline& pipe, core::ToolForm* form, int slot, const core::MessageTable& msg) {
  UndoResult result;
  core::JournalReader reader(core::kRenameJournal, slot, kUndoBlock);
  switch (reader.status()) {
    case core::JournalReader::Status::Ok: break;
    case core::JournalReader::Status::Missing:
      (void)pipe.host().respond(form, "O", msg(msg::kJournalMissing) + shownPath(reader, slot), "N");
      return result;
    case core::JournalReader::Status::Unreadable:
    case core::JournalReader::Status::NotAJournal:
    case core::JournalReader::Status::Malformed:
      (void)pipe.host().respond(form, "O", msg(msg::kJournalUnreadable) + shownPath(reader, slot), "N");
      result.start = UndoStart::Unreadable;
      return result;
  }
  const core::SlotRing ring = renameRing();
  // The journal's name keeps its English month; the question names it in the user's language.
  const std::string question =
      msg(msg::kUndoQuestion) + core::shownMonths(ring.captionOf(ring.slotName(slot)), core::coreState().langIndex) + "?";
  if (pipe.host().respond(form, "YN", question, msg(msg::kUndoTitle)) != core::kAnswerYes) {
    result.start = UndoStart::Declined;
    return result;
  }
  result.start = UndoStart::Undone;
  const core::ItemKind kind = reader.headerKind() == 0 ? core::ItemKind::Folder : core::ItemKind::File;

  // A batch is what one block of the file gives; the records of a batch that Cancel left unstepped
  // stay in the journal with those that failed.
  std::vector<core::JournalRecord> batch, notUndone;
  std::size_t stepped = 0;
  core::UndoTrail trail(reader);
  const core::BatchReader<core::JournalRecord> next = [&](std::vector<core::JournalRecord>& records) {
    const std::uint64_t blocks = reader.blocksRead();
    while (std::optional<core::JournalRecord> r = trail.previous(reader)) {
      records.push_back(std::move(*r));
      if (reader.blocksRead() != blocks) break;
    }
    batch = records;
    stepped = 0;
    return !records.empty();
  };
  const core::RecordStep<core::JournalRecord> step = [&](const core::JournalRecord& r, core::RunItem&) {
    ++stepped;
    // A run records two names of one folder; a record that names anything else (a "/" in a name,
    // "..", a path of its own) is not the run's, and is dropped with a line.
    if (!core::renameRecordIsPlain(r)) {
      pipe.addResult(msg(msg::kRecordRefused) + r.to + msg(msg::kArrow) + r.from);
      trail.undone();
      return core::StepResult::Failed;
    }
    // The file the run renamed is not under its new name: nothing of this record to undo, and
    // whatever holds the name is not the run's. (A file gone from both names fails below and
    // stays, as it always did.)
    const core::RecordedFile where = core::whereIsRecorded(r);
    if (where == core::RecordedFile::AtSource || where == core::RecordedFile::TargetOther) {
      trail.undone();
      return core::StepResult::Skipped;
    }
    if (pipe.renameLogged(r.to, r.from, "", kind) != 0) {
      notUndone.push_back(r);
      trail.kept();
      return core::StepResult::Failed;
    }
    trail.undone();
    ++result.undone;
    pipe.addToLog(pipe.resultsText(), r.to + " -> " + nameOf(r.from) + std::string(kLineEnd));
    return core::StepResult::Done;
  };
  const core::RunHooks hooks{.onStart = [&] {
    pipe.addToLog(pipe.resultsText(), msg(msg::kUndoHeading) + std::string(kLineEnd) + std::string(kLineEnd));
  }};
  const core::RunOutcome out = core::runJournal<core::JournalRecord>(
      pipe, form, {.caption = msg(msg::kUndoCaption), .finish = false}, reader.blockCount(), next, step, hooks);
  result.end = out.end;
  for (std::size_t i = stepped; i < batch.size(); ++i) notUndone.push_back(batch[i]);

  result.journal = core::finishUndo(reader, notUndone);
  if (result.journal == core::UndoEnd::Kept) result.kept = static_cast<long long>(core::JournalReader(core::kRenameJournal, slot).headerCount());
  if (out.end == core::RunEnd::Error) return result;  // the run-time error report has shown the results
  if (reader.status() != core::JournalReader::Status::Ok) pipe.addResult(msg(msg::kJournalUnreadable) + reader.path());
  if (result.journal == core::UndoEnd::Kept) pipe.addResult(std::to_string(result.kept) + msg(msg::kNotUndone));
  if (result.journal == core::UndoEnd::WriteFailed) pipe.addResult(msg(msg::kJournalNotUpdated) + reader.path());
  pipe.finishOperation(form, core::RefreshMode::ListAndTree);
  return result;
}

UndoMenuState undoMenuState() {
  const core::SlotRing ring = renameRing();
  UndoMenuState state;
  state.current = ring.current();
  const std::string path = ring.slotPath(state.current);
  state.recent = !path.empty() && core::FileExist(path) != 0;
  state.history = core::journalEntries(core::kRenameJournal, state.current);
  state.clear = state.recent || !state.history.empty();
  return state;
}

void clearRenameJournals() { core::clearJournals(core::kRenameJournal); }

}  // namespace tools::ren
