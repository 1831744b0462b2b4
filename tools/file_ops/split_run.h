// The splitter's run: every usable file the main window's filters select is cut into numbered
// pieces (split_pieces.h) beside it, optionally with a rejoin script, optionally deleting the
// source once its pieces are safely written.
//
//   tools::file_ops::splitFiles(pipe, form, {.pieceSize = tools::file_ops::splitPieceSize("1.5", 1),
//       .rejoinScript = true, .withSubfolders = sub}, msg);
//
// ---- contract ----
// Before anything: the main window's folder must be writable; the piece size must not be 0
// (message 1); with deleteOriginal, where files cannot go to the trash the user must agree. Per
// file (messages of the form's table):
//   - not larger than a piece: 4 path 5; over 999 pieces: 6 path 7; nothing written;
//   - a piece name of 256 bytes or more: 8 path 9 piece 10, and the rest of the folder is passed
//     over; a piece name already taken: 11 piece 12, and nothing of that file is written (a new
//     piece never sits beside an older split's pieces);
//   - an unreadable file (common message 85 path), a file that shrank meanwhile (13 folder piece),
//     a failed write (15 folder piece): the partial piece is removed, the complete ones stay, the file is not deleted and gets no script;
//   - Cancel ends the run; the pieces of the file in progress that this run wrote are removed
//     (14 path when one cannot be); the source is untouched;
//   - a split file is listed; its rejoin script (rejoinScriptName, never replacing a file: a taken
//     name gets a number) is written from the shipped template "BatTempl.txt" (17 name 18 when it
//     cannot be read, 19 path when the script cannot be written, 26 name when the name cannot go
//     into a script); with deleteOriginal the source is removed only when the pieces are on the
//     disk (fsynced) and their sizes add up to the source's, else 25 path (or 27 path). Without it
//     nothing is synced: the source stays.
// Report: 24 22 (a tab unless deleteOriginal) CR LF, the files split, the same tab; or 24 23.
// Progress caption: 3.
#pragma once

#include "core/message_table.h"
#include "core/pipeline.h"

#include <cstdint>
#include <string>

namespace tools::file_ops {

struct SplitOptions {
  std::uint64_t pieceSize = 0;   // bytes (splitPieceSize)
  bool rejoinScript = false;     // write a rejoin script beside each split file
  bool deleteOriginal = false;   // remove the source after a complete split
  bool withSubfolders = false;   // the main window's boxes
  bool withHidden = false;
};

enum class SplitStart {
  Ran,        // the run happened (finished or cancelled)
  Refused,    // the folder is not writable, or the user declined the drive without trash
  ZeroSize,   // the piece size is 0: message 1 was shown (the window puts the focus in the box)
};

SplitStart splitFiles(core::Pipeline& pipe, core::ToolForm* form, const SplitOptions& options,
                      const core::MessageTable& msg);

}  // namespace tools::file_ops
