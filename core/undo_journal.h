// Undo journals of the rename and copy tools: what a run did, one record per step, in a file of
// the program folder, nine of them per tool kept in a SlotRing (core/slot_ring.h).
//
// File: "RenUndo " / "CopyUndo " + "dd Month yyyy hh:mm:ss" (":" written "ZZ") + ".txt", with
// " (2)", " (3)" ... before ".txt" when a second run starts within the same second. One line
// without line breaks: a 28-byte header, the kind digit, "*", 25 blanks, "?" (the record count is
// patched in over the blanks at byte 3 when the run ends; a killed run leaves it blank, and the
// records are found by their ends whatever it says), then the records, each closed by "?":
//   rename: folder "*" new name "*" old name "?"   (folder ends with "/")
//   copy:   " *" source path "*" target path "?", or, for a copy the run made, with the copy's
//           size and modified time (seconds "." nine digits of nanoseconds) in the first field:
//           " 1234 1709820309.123456789*" source path "*" target path "?"
// and, in journals of this version, a fourth field: the identity of the file the step puts at
// its target (device and inode in decimal, "2049 1234567"), before the "?". A record without it
// (older journals) is undone as before.
// Names are bytes. A field byte that would break this layout or its single line ("*", "?", "%",
// control characters) is written "%XX" (two upper-case hex digits); every other byte, UTF-8 or
// not, is written as it is, so ordinary names stay readable. Journals written this way carry "%"
// as the last of the header's 25 blanks; a journal without it is read with its fields as they
// stand (the plain layout, which holds no such bytes).
//
// A run takes its slot at its first record: a run that records nothing leaves the ring and every
// older journal as they were. The file stays open for the run and each record is written as it is
// added (one write, no sync), before its step acts: a killed run's journal holds every step it
// did, and at most its last record names a step that never happened, which the undo finds by the
// identity (no file of it at the target) and passes over. A step that fails takes its record back
// (retract). A record cut short by the kill has no end mark and is no step. Undo reads records from the end in blocks (any length, last record
// first) and, when it is over, keeps the records it could not undo: the journal is rewritten to
// them, and only a journal with nothing left is deleted (and its slot released).
//
// Example, a run:
//   core::JournalWriter journal(core::kRenameJournal, '1');          // '1' files, '0' folders
//   ... before each step (or from the pipeline's step recorder, which announces each step):
//   if (journal.add({.from = oldPath, .to = newPath, .identity = id}) != 0) { ask; journal.stop(); }
//   ... and when the step then fails: journal.retract();
//   ... at the end:
//   if (journal.finish() != 0) addResult(...);                        // slot(), path() for texts
//
// Example, an undo of slot n:
//   core::JournalReader reader(core::kRenameJournal, n);
//   if (reader.status() == core::JournalReader::Status::Missing) { message 5; return; }
//   std::vector<core::JournalRecord> failed;
//   while (auto r = reader.previous()) {
//     if (renameLogged(r->to, r->from, ...) != 0) failed.push_back(*r);
//     if (cancelled) break;
//   }
//   core::finishUndo(reader, failed);
#pragma once

#include "core/slot_ring.h"
#include "core/step_record.h"
#include "core/state.h"
#include "platform/record_file.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace core {

enum class JournalLayout : std::uint8_t { Rename, Copy };

// What differs between the two tools' journals.
struct JournalKind {
  SlotRingKeys ring;
  JournalLayout layout;
};

inline constexpr JournalKind kRenameJournal{
    .ring = {.currentKey = "curundnum", .slotKeyPrefix = "undoren", .filePrefix = "RenUndo ", .fileSuffix = ".txt"},
    .layout = JournalLayout::Rename};
inline constexpr JournalKind kCopyJournal{
    .ring = {.currentKey = "curcpyundnum", .slotKeyPrefix = "undocopy", .filePrefix = "CopyUndo ", .fileSuffix = ".txt"},
    .layout = JournalLayout::Copy};

// One step: what was at `from` is now at `to` (full paths). A rename's two paths normally share
// their folder; a copy's target is the copy, with its stamp where the journal has one (journals
// of older versions do not).
struct JournalRecord {
  std::string from;
  std::string to;
  std::optional<CopyStamp> copy{};
  // The file the step put at to (the renamed file, or the copy). Unset in older journals: the undo
  // then acts on whatever is at to, as it always did.
  std::optional<platform::FileIdentity> identity{};
  friend bool operator==(const JournalRecord&, const JournalRecord&) = default;
};

// Where the file of an identity-carrying record is now, as an undo sees it before it acts.
enum class RecordedFile : std::uint8_t {
  AtTarget,     // at to: the step happened and is still in place (also: the record has no identity)
  AtSource,     // not at to, but at from: the step never happened, or was undone already
  TargetOther,  // something else is at to: not the run's file
  Gone,         // neither at to nor at from
};
[[nodiscard]] RecordedFile whereIsRecorded(const JournalRecord& record);

// Journals are untrusted input: an undo acts only on records that pass these.
// True for an absolute path whose every component is a name an entry can have: not empty, ".",
// "..", and without NUL. No trailing "/".
[[nodiscard]] bool journalPathIsPlain(std::string_view path);
// True for a rename record whose two paths are plain and name two entries of one folder.
[[nodiscard]] bool renameRecordIsPlain(const JournalRecord& record);

inline constexpr std::size_t kJournalHeaderSize = 28;

// The stamp of a journal name, "07 March 2024 14:05:09" (English month, 24-hour time).
[[nodiscard]] std::string journalStamp(const SystemTime& time);

// Writes the journal of one run. Nothing touches the disk or the settings before the first record.
class JournalWriter {
 public:
  // headerDigit: the header's first byte (rename: '1' files, '0' folders; copy: '0').
  // slotValues: settings stored as key + slot number when the slot is taken, e.g. {"iscpymve", "1"}.
  JournalWriter(const JournalKind& kind, char headerDigit,
                std::vector<std::pair<std::string, std::string>> slotValues = {});
  // Finishes the journal when the run did not (a run ended by an error stays undoable).
  ~JournalWriter();
  JournalWriter(const JournalWriter&) = delete;
  JournalWriter& operator=(const JournalWriter&) = delete;

  // Records one step: when add returns, the record is in the file. The first call creates the
  // journal file (exclusively, under a free name of the run's start time), writes its header and
  // only then takes the next slot, deleting that slot's older journal. 0, or the error number of
  // a failed file write: journaling is then off for the rest of the run (what was written stays
  // readable). Ignored (0) once journaling is off.
  int add(const JournalRecord& record);
  // Takes back the record added last (its step did not happen): the file is cut back to before it.
  // Nothing when journaling is off or no record is there to take back; a cut that fails leaves the
  // record, which the undo then passes over.
  void retract();
  // Patches the record count in and closes the file; with sync the journal and its name are
  // synced to the disk. A journal whose every record was taken back is deleted and its slot
  // released. 0 when there was nothing to do or all went well, else the error number.
  // Journaling is off afterwards.
  int finish(bool sync = false);
  // Journaling off for the rest of the run; the file is closed with what it holds.
  void stop();

  [[nodiscard]] bool on() const { return on_; }
  [[nodiscard]] std::uint64_t records() const { return records_; }
  [[nodiscard]] int slot() const { return slot_; }          // 0 until the first record
  [[nodiscard]] const std::string& path() const { return path_; }  // "" until the first record

 private:
  int open();

  JournalKind kind_;
  char headerDigit_;
  std::vector<std::pair<std::string, std::string>> slotValues_;
  std::string stamp_;
  std::string path_;
  platform::RecordFile file_;
  std::uint64_t records_ = 0;  // in the file
  std::uint64_t end_ = 0;      // bytes in the file
  std::uint64_t lastStart_ = 0;  // where the last record starts; 0 when none can be taken back
  int slot_ = 0;
  bool on_ = true;
};

// Reads a journal from its end, last record first, in blocks.
class JournalReader {
 public:
  enum class Status : std::uint8_t {
    Ok,
    Missing,     // the slot names no journal of its kind, or the file is gone
    Unreadable,  // the file could not be read
    NotAJournal, // shorter than a header, or a header of another shape
    Malformed,   // a stretch without record end longer than any record can be; reading stopped
  };

  // The journal that slot (1-9) names: appPath + a name of the kind's shape, never anything else.
  // blockSize: the bytes read at a time (progress counts blocks).
  JournalReader(const JournalKind& kind, int slot, std::size_t blockSize = 65536);

  [[nodiscard]] Status status() const { return status_; }
  [[nodiscard]] const JournalKind& kind() const { return kind_; }
  [[nodiscard]] const std::string& path() const { return path_; }
  [[nodiscard]] int slot() const { return slot_; }
  // The header's first byte as a number (rename: 1 files, 0 folders), and the patched-in count
  // (0 when the run never finished).
  [[nodiscard]] int headerKind() const { return headerKind_; }
  [[nodiscard]] std::uint64_t headerCount() const { return headerCount_; }
  [[nodiscard]] bool encoded() const { return encoded_; }
  // True once the header was read and is a journal's; status() may still tell of a later failure.
  [[nodiscard]] bool headerRead() const { return headerRead_; }

  // The next record towards the start (the last one written first); nullopt at the start of the
  // records or when reading stopped (status tells). A record without the fields of its layout is
  // passed over and counted in skipped().
  [[nodiscard]] std::optional<JournalRecord> previous();
  [[nodiscard]] std::uint64_t skipped() const { return skipped_; }

  // Progress: the blocks of the file and how many have been read.
  [[nodiscard]] std::uint64_t blockCount() const;
  [[nodiscard]] std::uint64_t blocksRead() const { return blocksRead_; }

  // The file bytes [kJournalHeaderSize, unreadEnd()) hold the records not yet returned.
  [[nodiscard]] std::uint64_t unreadEnd() const { return end_; }

 private:
  void openFile();
  bool readBlockBefore();

  JournalKind kind_;
  std::string path_;
  int slot_ = 0;
  std::size_t blockSize_;
  Status status_ = Status::Ok;
  int headerKind_ = 0;
  std::uint64_t headerCount_ = 0;
  bool encoded_ = false;
  bool headerRead_ = false;
  std::uint64_t size_ = 0;
  std::uint64_t end_ = 0;       // just past the "?" closing the next record to return
  std::uint64_t bufStart_ = 0;  // file offset of buf_[0]; buf_ covers [bufStart_, end_)
  std::string buf_;
  std::uint64_t blocksRead_ = 0;
  std::uint64_t skipped_ = 0;
};

enum class UndoEnd : std::uint8_t {
  Deleted,     // nothing was left: the journal is deleted and its slot released
  Kept,        // the journal now holds only the records not undone
  WriteFailed, // the journal could not be rewritten or deleted; it is left as it was
  Unread,      // the journal's header could not be read: journal and slot are left as they were
};

// Ends an undo read through reader: the records not yet read, followed by notUndone (the records
// that failed, in the order previous() gave them), stay in the journal; with none left the slot
// is released (the current slot then steps back one) and then the file deleted, so that at no
// moment a slot names a journal that is gone. The rewrite goes through a temporary file. A journal
// whose header did not read is never touched.
UndoEnd finishUndo(const JournalReader& reader, const std::vector<JournalRecord>& notUndone);

// Keeps a journal in step with its undo, so that an undo killed part way leaves a journal of just
// what is still to undo: after each record undone (or dropped as refused), while no record before
// it in this undo had to stay, the file is cut back to the start of that record. One ftruncate, no
// sync: a kill keeps it, and the cut lands before the next step. A record that stays (its step
// failed, or Cancel left it) ends the cutting: the records after it in the file must remain, and
// finishUndo rewrites the journal at the end as before. Nothing is cut when the file cannot be
// opened; the undo then goes on as it would without.
//
//   core::UndoTrail trail(reader);
//   while (auto r = trail.previous(reader)) batch.push_back(*r);   // reading
//   ... each record of the batch in that order: ok ? trail.undone() : trail.kept();
class UndoTrail {
 public:
  explicit UndoTrail(const JournalReader& reader);
  // reader.previous(), remembering where the record starts for undone().
  [[nodiscard]] std::optional<JournalRecord> previous(JournalReader& reader);
  // The earliest record given by previous() and not yet settled is undone.
  void undone();
  // That record stays in the journal: no more cutting in this undo.
  void kept();

 private:
  platform::RecordFile file_;
  std::deque<std::uint64_t> starts_;  // of the records given and not yet settled
  bool cutting_ = false;
};

// The slots other than except (normally the current slot) whose journal exists, as (slot, menu
// caption) in slot order.
[[nodiscard]] std::vector<std::pair<int, std::string>> journalEntries(const JournalKind& kind, int except);

// Deletes the journal of every slot (names of the kind's shape only), empties the slots and makes
// slot 1 current.
void clearJournals(const JournalKind& kind);

// The record as its layout writes it (without the header); encoded escapes as described above.
[[nodiscard]] std::string journalRecordText(JournalLayout layout, const JournalRecord& record, bool encoded = true);

}  // namespace core
