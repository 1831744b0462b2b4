// Moving or copying one file to its target, as the copy and move tool's run and its undo do it.
// Within one file system (the same device number) a move is a rename; across file systems it is a
// copy that is synced and checked whole, after which the source is deleted. Nothing is deleted or
// replaced before the copy that takes its place is complete. A new copy gets the source's
// modified and accessed times and its attributes back; a moved one also the source's exact
// permission bits, owner (where allowed) and extended attributes, as mv keeps them.
//
//   const platform::FileStatus st = platform::fileStatus(source, false);
//   switch (transferFile(pipe, {.source = source, .target = target, .status = st,
//                               .mode = CopyMode::Move, .replace = false}, msg)) { ... }
//
// A run that moves many files into one folder looks at the folders once, not at each file: it
// passes the target folder's device, or calls renameFile when both folders lie on one device,
// and lets the rename itself find an existing target (targetUnchecked), so that a move within one
// file system costs the rename and nothing else.
#pragma once

#include "core/message_table.h"
#include "core/pipeline.h"
#include "platform/file_attributes.h"
#include "platform/file_head.h"
#include "platform/fs.h"
#include "platform/prepared_copy.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tools::file_ops {

enum class CopyMode { Copy, Move };

// Numbers of the copy tool's messages that the transfer and the run write.
namespace copy_msg {
inline constexpr int kColumnSource = 1, kColumnTarget = 2, kSameFile = 3, kUndoKeptCopy = 4,
                     kJournalNotUpdated = 5, kMoved = 7, kCopied = 8, kTargetExists = 9, kSkipped = 10,
                     kMoveFailed = 11, kTo = 12, kCopyFailed = 13, kSourceNotDeleted = 14, kSourceChanged = 53,
                     kNotKept = 15, kNoFolder = 16, kCopyItem = 17, kMoveItem = 18, kConfirmOverwrite = 19,
                     kCaption = 20, kWord = 23, kConfirmClear = 24, kUndoQuestion = 25, kUndoTitle = 26,
                     kUndoHeading = 27, kUndoCaption = 28, kJournalMissing = 29, kJournalWriteFailed = 30,
                     kJournalIncompleteBefore = 31, kJournalIncompleteAfter = 32, kUndoMoveNote = 33,
                     kCopyRemoved = 34, kExistsSkip = 35, kExistsNumber = 36, kExistsReplace = 37,
                     kNoSamples = 38, kNeedsSubfolders = 39, kNoWords = 40, kWordsHeading = 41,
                     kNotSearched = 42, kBadPattern = 43, kUndoReplacedNote = 44;
}  // namespace copy_msg

struct Transfer {
  std::string source;
  std::string target;          // the full path of the new name
  platform::FileStatus status; // of the source, not following a link
  CopyMode mode = CopyMode::Copy;
  bool replace = false;        // the target exists and the user chose to replace it
  // The device of the target's folder, when the caller knows it; else it is looked up.
  std::optional<std::uint64_t> folderDevice{};
  // The caller did not look whether the target exists (only without replace). A move within one
  // file system then gives TargetExists for an existing target, with nothing done or logged.
  bool targetUnchecked = false;
  // A run over many files passes what it has looked at already, so that a copy looks nothing up
  // twice: the source as its check opened it (a copy reads and takes over that very file), the
  // source's and the target's folders (their ".hidden" names, vfat or not), and that nothing was
  // under the target's name just now. Any of them may be missing.
  platform::HeldFile* held = nullptr;
  const platform::FolderAttributes* sourceFolder = nullptr;
  const platform::FolderAttributes* targetFolder = nullptr;
  bool targetFree = false;
  int targetFolderFd = -1;  // the target's folder, open while the run is at it
  // A copy of the source made ahead into an unnamed file in that folder (copy_ahead.h). A plain
  // copy into a free name gives it the target's name, after its record, when it is a copy of the
  // very file held (its identity, size and times); anything else copies the usual way, and the
  // prepared copy vanishes with its owner.
  platform::PreparedCopy* prepared = nullptr;
};

enum class TransferResult {
  Renamed,       // the file itself (the source's inode) is at its target: a move within one file system
  Copied,        // a new file is at the target (a move also when its source could not be deleted)
  Failed,        // nothing changed; the result line says why
  TargetExists,  // only with targetUnchecked: the target exists; nothing changed, nothing logged
  Stopped,       // Cancel or Skip stopped the copy midway: nothing changed, nothing logged
};

// Whether the file is at its target.
[[nodiscard]] inline bool transferred(TransferResult r) {
  return r == TransferResult::Renamed || r == TransferResult::Copied;
}

// Does the transfer, writing the result lines (messages 11, 13, 14 and 15 of msg) and, for a done
// file, "source  ->  target" into the results text.
TransferResult transferFile(core::Pipeline& pipe, const Transfer& transfer, const core::MessageTable& msg);

// The move of transferFile within one file system, for a caller that found the source's folder
// and the target's folder on one device: the rename alone (renameReplacing with replace), the
// source not looked at first. t.status is not read: when the rename finds the device mounted
// twice, the source is looked up and copied as across file systems.
TransferResult renameFile(core::Pipeline& pipe, const Transfer& t, const core::MessageTable& msg);

// Gives target the modified and accessed times of source (a status taken before the transfer)
// and the attributes read from it then. False when either could not be set. The creation time
// cannot be set here: the run's finish reports that once.
bool keepTimesAndAttributes(const std::string& target, const platform::FileStatus& source, std::uint8_t attributes);

// What a copy that just took its name is known to have, so that keepTimesAndAttributes need not
// look: the source's times (set before the name was taken), and its permission bits (-1 unknown)
// in a folder seen as folder, without extended attributes.
struct NewCopy {
  bool timesKept = false;
  long mode = -1;
  const platform::FolderAttributes* folder = nullptr;
};
bool keepTimesAndAttributes(const std::string& target, const platform::FileStatus& source, std::uint8_t attributes,
                            const NewCopy& made);

}  // namespace tools::file_ops
