#include "tools/file_ops/copy_journal.h"

#include "core/file_paths.h"
#include "core/run_driver.h"
#include "core/settings.h"
#include "core/shown_dates.h"
#include "core/slot_ring.h"
#include "core/state.h"
#include "core/vb.h"
#include "platform/fs.h"

namespace tools::file_ops {

namespace {

const std::string kCrLf = "\r\n";
constexpr std::size_t kUndoBlock = 4096;  // journal bytes per batch: Cancel is read after each

core::CopyStamp stampOf(const platform::FileStatus& st) {
  return {.size = st.size, .modifiedSec = st.modified.sec, .modifiedNsec = st.modified.nsec};
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

class CopyUndo {
 public:
  CopyUndo(core::Pipeline& pipe, CopyMode mode, const core::MessageTable& msg) : pipe_(pipe), mode_(mode), msg_(msg) {}

  // true: nothing is left to do for the record (undone, or already as it was before the run).
  bool undo(const core::JournalRecord& r) {
    // Only the file the step put at the target is the run's to take back: a record of a step that
    // never happened, or whose file went or was replaced since, has nothing to undo.
    const core::RecordedFile where = core::whereIsRecorded(r);
    if (where != core::RecordedFile::AtTarget) return true;
    return mode_ == CopyMode::Copy ? removeCopy(r) : moveBack(r);
  }

 private:
  // The copy goes only while it is still the copy of an existing source (same size, other file)
  // and, where the journal knows it, still the file the run made: the size and modified time it
  // had then. An edited copy may be all that is left of someone's work.
  bool removeCopy(const core::JournalRecord& r, core::RemoveKind kind = core::RemoveKind::Deleted) {
    const platform::FileStatus copy = platform::fileStatus(r.to, false);
    if (copy.error != 0) return true;  // removed or moved away meanwhile
    // The copy's own change is told first: an edited copy no longer matches even an intact source.
    if (r.copy && copy.type == platform::FileType::Regular && *r.copy != stampOf(copy)) {
      pipe_.addResult(msg_(copy_msg::kUndoKeptEditedCopy) + r.to);
      return false;
    }
    const platform::FileStatus source = platform::fileStatus(r.from, true);
    const bool stillACopy = copy.type == platform::FileType::Regular && source.type == platform::FileType::Regular &&
                            source.size == copy.size && source.identity != copy.identity;
    if (!stillACopy) {
      pipe_.addResult(msg_(copy_msg::kUndoKeptCopy) + r.to);
      return false;
    }
    if (pipe_.removeFile(r.to, "", "", kind) != 0) return false;
    pipe_.addToLog(pipe_.resultsText(), msg_(copy_msg::kCopyRemoved) + r.to + kCrLf);
    return true;
  }

  bool moveBack(const core::JournalRecord& r) {
    const platform::FileStatus moved = platform::fileStatus(r.to, false);
    if (moved.error != 0) return true;  // nothing at the target any more: nothing to move back
    // A copy across file systems whose source was never removed (a kill between the two): the
    // source is still in its place, and the copy, the run's own (its identity) and as it made it,
    // goes for good: a second of the file in the trash would keep nothing the source does not.
    if (r.copy && r.identity && platform::fileStatus(r.from, false).error == 0)
      return removeCopy(r, core::RemoveKind::Delete);
    // Moved back as itself (a copy across file systems reads it, and says so when it cannot).
    if (pipe_.checkFileUsable(r.to, {.access = core::Access::None, .status = &moved}) == 0) return false;
    std::string folder = folderOf(r.from);
    if (core::PathExist(folder) == 0 && core::MakeDir(folder) != 0) {
      pipe_.addResult(msg_(copy_msg::kMoveFailed) + r.to + msg_(copy_msg::kTo) + folderOf(r.from));
      return false;
    }
    // Never over a file that took the old place meanwhile: the rename and the copy both refuse.
    return transferred(
        transferFile(pipe_, {.source = r.to, .target = r.from, .status = moved, .mode = CopyMode::Move}, msg_));
  }

  core::Pipeline& pipe_;
  CopyMode mode_;
  const core::MessageTable& msg_;
};

std::string stampOf(int slot) {
  const core::SlotRing ring(core::kCopyJournal.ring);
  return ring.captionOf(ring.slotName(slot));
}

}  // namespace

CopyJournal::CopyJournal(CopyMode mode)
    : writer_(core::kCopyJournal, '0', {{std::string(kCopyKindKey), mode == CopyMode::Move ? "1" : "0"}}) {}

void CopyJournal::stepStarting(const core::StepRecord& step) {
  if (step.kind != core::StepKind::Copied && step.kind != core::StepKind::Renamed) return;
  core::JournalRecord record{.from = step.from, .to = step.to, .identity = step.identity};
  // The copy step says what it made: the copy's size, and the modified time it has from its
  // source. Where that time could not be kept, the undo keeps the copy: the safe side.
  if (step.kind == core::StepKind::Copied) record.copy = step.copy;
  if (const int err = writer_.add(record); err != 0 && writeError_ == 0) writeError_ = err;
}

void CopyJournal::stepAbandoned(const core::StepRecord& step) {
  if (step.kind == core::StepKind::Copied || step.kind == core::StepKind::Renamed) writer_.retract();
}

int CopyJournal::finish() {
  // Each record reached the file as it was done; one sync at the end makes a run's moves undoable
  // after a power loss too.
  return writer_.finish(true);
}

int CopyJournal::takeWriteError() { return std::exchange(writeError_, 0); }

CopyMode copyJournalMode(int slot) {
  return vb::ValInt(core::getSet(std::string(kCopyKindKey) + std::to_string(slot))) == 0 ? CopyMode::Copy
                                                                                        : CopyMode::Move;
}

CopyUndoResult undoCopyJob(core::Pipeline& pipe, core::ToolForm* form, int slot, const core::MessageTable& msg) {
  CopyUndoResult result;
  core::RunHost& host = pipe.host();
  core::JournalReader reader(core::kCopyJournal, slot, kUndoBlock);
  if (reader.status() == core::JournalReader::Status::Missing) {
    const std::string name = core::getSet(std::string(core::kCopyJournal.ring.slotKeyPrefix) + std::to_string(slot));
    host.respond(form, "O", msg(copy_msg::kJournalMissing) + core::coreState().appPath + name, "N");
    return result;
  }
  // A journal that cannot be read says so and stays, with its slot, for another try.
  if (reader.status() != core::JournalReader::Status::Ok) {
    host.respond(form, "O", msg(copy_msg::kJournalUnreadable) + reader.path(), "N");
    result.end = CopyUndoEnd::Unreadable;
    return result;
  }
  const CopyMode mode = copyJournalMode(slot);
  // The journal's name keeps its English month; the question names it in the user's language.
  std::string question =
      msg(copy_msg::kUndoQuestion) + " " + core::shownMonths(stampOf(slot), core::coreState().langIndex) + "?";
  if (mode == CopyMode::Move) question += kCrLf + kCrLf + msg(copy_msg::kUndoMoveNote);
  // An undo takes back what the run made; the files it replaced are gone from their folders.
  question += kCrLf + kCrLf + msg(copy_msg::kUndoReplacedNote);
  if (host.respond(form, "YN", question, msg(copy_msg::kUndoTitle)) != core::kAnswerYes) {
    result.end = CopyUndoEnd::NotConfirmed;
    return result;
  }
  result.end = CopyUndoEnd::Undone;

  CopyUndo undo(pipe, mode, msg);
  std::vector<core::JournalRecord> batch, notUndone;
  std::size_t reached = 0;  // records of the current batch offered to the step
  core::UndoTrail trail(reader);
  const core::BatchReader<core::JournalRecord> next = [&](std::vector<core::JournalRecord>& out) {
    const std::uint64_t blocks = reader.blocksRead();
    while (auto r = trail.previous(reader)) {
      out.push_back(std::move(*r));
      if (reader.blocksRead() != blocks) break;
    }
    batch = out;
    reached = 0;
    return !out.empty();
  };
  const core::RecordStep<core::JournalRecord> step = [&](const core::JournalRecord& r, core::RunItem&) {
    ++reached;
    // The run writes whole plain paths; anything else is not its record, and is dropped.
    if (!core::journalPathIsPlain(r.from) || !core::journalPathIsPlain(r.to)) {
      pipe.addResult(msg(copy_msg::kRecordRefused) + r.from + msg(copy_msg::kTo) + r.to);
      trail.undone();
      return core::StepResult::Failed;
    }
    if (undo.undo(r)) {
      trail.undone();
      return core::StepResult::Done;
    }
    notUndone.push_back(r);
    trail.kept();
    return core::StepResult::Failed;
  };
  const core::RunHooks hooks{
      .onStart = [&] { pipe.addToLog(pipe.resultsText(), msg(copy_msg::kUndoHeading) + kCrLf); },
      .onEnd =
          [&](const core::RunOutcome&) {
            // A Cancel within a batch leaves its later records unread by the step: they stay.
            notUndone.insert(notUndone.end(), batch.begin() + static_cast<std::ptrdiff_t>(reached), batch.end());
            batch.clear();
            result.journalLeft = core::finishUndo(reader, notUndone);
            // Reading stopped part way: the rest of the journal stays for another try.
            if (reader.status() != core::JournalReader::Status::Ok)
              pipe.addResult(msg(copy_msg::kJournalUnreadable) + reader.path());
            if (result.journalLeft == core::UndoEnd::WriteFailed)
              pipe.addResult(msg(copy_msg::kJournalNotUpdated) + reader.path());
          },
  };
  result.outcome = core::runJournal<core::JournalRecord>(pipe, form, {.caption = msg(copy_msg::kUndoCaption)},
                                                         static_cast<std::size_t>(reader.blockCount()), next, step,
                                                         hooks);
  return result;
}

CopyUndoMenu copyUndoMenu() {
  const core::SlotRing ring(core::kCopyJournal.ring);
  CopyUndoMenu menu;
  menu.current = ring.current();
  const std::string path = ring.slotPath(menu.current);
  menu.recent = !path.empty() && core::FileExist(path) != 0;
  menu.others = core::journalEntries(core::kCopyJournal, menu.current);
  return menu;
}

}  // namespace tools::file_ops
