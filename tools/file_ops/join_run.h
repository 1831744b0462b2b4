// The joiner's run: files rebuilt from pieces among the files the main window's filters select.
// Three modes: the splitter's pieces ("a.bin 12QWsplit.01" ..., split_pieces.h), numbered pieces
// of other splitters ("x.001", "x.002" ...), or every listed file joined into one file.
//
//   tools::file_ops::joinFiles(pipe, form, {.mode = tools::file_ops::JoinMode::SplitPieces,
//       .deletePieces = true, .withSubfolders = sub}, msg);
//
// ---- contract ----
// Every output is built in a new temporary file and takes its name only when complete; an
// existing output is replaced (only with overwrite) after that, else reported and left alone.
// Pieces or joined files are deleted (only with deletePieces, after the question 27 and, where
// files cannot go to the trash, the user's agreement) once their output is complete and synced to
// the disk (an output whose pieces stay, replacing nothing, is not synced). Cancel ends the run and removes the temporary file in progress; nothing else is touched.
// Messages of the form's table:
//   split pieces: caption 1; output exists 2 (after folder + name); every piece must exist (25
//     path) and their sizes fit a split (31 first piece); a failed piece 3 piece 4 temporary path
//     (the temporary file stays); rename label 7; list line CR LF folder name 8 first piece;
//     report tab + list, or 9;
//   numbered: question 10; caption 11; only the first piece 12 name; remove label 13; report
//     14 list tab, or 15;
//   all files: caption 17; remove label 18; output exists 19 path 20; a failed file 21 file 22
//     output (no output is written for it); report 23 list tab, or 24;
//   any mode: the output cannot be written 26 path.
#pragma once

#include "core/message_table.h"
#include "core/pipeline.h"

#include <string>

namespace tools::file_ops {

enum class JoinMode { SplitPieces, Numbered, AllFiles };

struct JoinOptions {
  JoinMode mode = JoinMode::SplitPieces;
  std::string allFilesName{};   // AllFiles: the output's name
  bool lineBreaks = false;      // AllFiles: CR LF after each file that does not end in one
  bool span = false;            // AllFiles: one output in the main folder for every folder
  bool overwrite = false;       // replace an existing output
  bool deletePieces = false;    // delete the pieces (joined files) after a complete join
  bool withSubfolders = false;  // the main window's boxes
  bool withHidden = false;
};

enum class JoinStart {
  Ran,       // the run happened (finished or cancelled)
  Refused,   // the folder is not writable, or the user declined the drive without trash
  Declined,  // the user answered No to a question
  Invalid,   // AllFiles without an output name (the user was told)
};

JoinStart joinFiles(core::Pipeline& pipe, core::ToolForm* form, const JoinOptions& options,
                    const core::MessageTable& msg);

// Blocks a piece is read and written in.
inline constexpr std::uint64_t kJoinBlock = 2000000;

}  // namespace tools::file_ops
