// The trimmer's run: characters removed from the start or the end of the names of the listed
// files or of the folders below the current folder, or characters or lines removed from the
// start or the end of the contents of the listed files. The phases, in order:
//   1. checks: a count of at least 1 (message 1 otherwise); the folder must be writable; in
//      contents mode the trash question of the drive (checkDriveForRecycle);
//   2. the question (message 3 when subfolders are included, then message 2 or common 24);
//   3. files: each usable file's name trimmed (trim_names.h) and renamed, never replacing another
//      file; a name too short for the count, or one that would become "." or "..", is left as it
//      is with a line;
//   4. folders: deepest first, so that renaming a folder never changes the path of one to come;
//   5. contents: each usable file rewritten through core/contents_rewrite.h, keeping what the
//      trim leaves (trim_contents.h); a file with too few characters or lines becomes empty. When
//      it counts characters, the results say that a character is a UTF-8 character.
//
//   tools::runTrimmer(run.pipe, run.form,
//                     {.mode = tools::TrimMode::Contents, .count = 2, .where = tools::TrimWhere::End,
//                      .unit = tools::TrimUnit::Lines}, run.msg);
#pragma once

#include "core/message_table.h"
#include "core/pipeline.h"
#include "core/run_driver.h"
#include "tools/renaming/trim_contents.h"
#include "tools/renaming/trim_names.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tools {

// What the run trims (the window's optFile, optFold, optContents).
enum class TrimMode { Files, Folders, Contents };

struct TrimRunOptions {
  TrimMode mode = TrimMode::Files;
  std::uint64_t count = 0;          // characters or lines to remove
  TrimWhere where = TrimWhere::Start;
  TrimUnit unit = TrimUnit::Characters;  // contents only; names count characters
  bool includeExtension = false;    // files: the extension is trimmed too (chkExt)
  std::string folder{};             // "": the main window's folder
  bool withSubfolders = false;      // the main window's include-subfolders box
  bool withHidden = false;          // the main window's include-hidden box
  std::string pattern{};            // the main window's pattern, shown after each folder (files)
  std::uint64_t pieceSize = 1000000;  // bytes per piece of a contents rewrite and of the scan
};

// The numbers of the trimmer's own messages (its form table).
namespace trim_msg {
inline constexpr int kNoCount = 1;
inline constexpr int kContentsQuestion = 2;
inline constexpr int kWithSubfolders = 3;
inline constexpr int kProgressCaption = 4;
inline constexpr int kFilesHeading = 5;
inline constexpr int kNameTooShort = 6;        // 6 + path + 7 + count + 8
inline constexpr int kNameTooShortCount = 7;
inline constexpr int kNameTooShortEnd = 8;
inline constexpr int kContentsHeading = 9;
inline constexpr int kScanReadFailed = 10;     // + path
inline constexpr int kReadFailed = 11;         // + path
inline constexpr int kWriteFailed = 12;        // + path: its new contents could not be written
inline constexpr int kRenameLabel = 13;
inline constexpr int kNotRestored = 14;        // 14 + path + 15
inline constexpr int kNotRestoredEnd = 15;
inline constexpr int kFoldersHeading = 16;
inline constexpr int kFolderTooShort = 17;     // 17 + path + 18 + count + 19
inline constexpr int kFolderTooShortCount = 18;
inline constexpr int kFolderTooShortEnd = 19;
inline constexpr int kFromStart = 20;
inline constexpr int kFromEnd = 21;
inline constexpr int kCharacters = 22;
inline constexpr int kLines = 23;
inline constexpr int kSampleName = 24;
inline constexpr int kColumnName = 25;
inline constexpr int kColumnNewName = 26;
inline constexpr int kNameRefused = 27;        // + path: the new name would be "." or ".."
inline constexpr int kCharacterNote = 28;      // after the contents heading: what a character is
}  // namespace trim_msg

// Runs the trimmer as its Start does, with msg the window's messages (the contents rewrite reads
// the form table, core::msgForm, which the window's Start has made the same). Returns nullopt
// when a check or the question stopped it before anything was touched (a count of 0 among them);
// otherwise how the run ended. The run ends in finishOperation (or showRunError) either way.
std::optional<core::RunOutcome> runTrimmer(core::Pipeline& pipe, core::ToolForm* form, const TrimRunOptions& options,
                                           const core::MessageTable& msg);

}  // namespace tools
