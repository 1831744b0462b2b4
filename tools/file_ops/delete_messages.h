// The numbers of the delete tool's own messages (its language file's message table).
#pragma once

namespace tools::file_ops::delete_msg {

inline constexpr int kConfirmFreeSpace = 1;   // OK/Cancel before a free-space wipe
inline constexpr int kConfirmWipe = 2;        // OK/Cancel before wiping files
inline constexpr int kConfirmDelete = 3;      // OK/Cancel before deleting files
inline constexpr int kNoFillFolder = 4;       // + mount point: no folder there can take fill files
inline constexpr int kDriveGone = 5;          // the chosen mount is no longer mounted
inline constexpr int kWipingFreeSpace = 6;    // progress caption + mount point
inline constexpr int kPass = 7;               // "Pass " n kOf P kWritten MB " MB"
inline constexpr int kOf = 8;
inline constexpr int kWritten = 9;
inline constexpr int kWrittenTotal = 10;      // progress caption + MB + " MB"
inline constexpr int kFreeSpaceWiped = 11;    // report: + mount point kDataWritten MB " MB"
inline constexpr int kDataWritten = 12;
inline constexpr int kRemovingFill = 13;      // progress caption + fill folder
inline constexpr int kFillCountDiffers = 14;  // result line (+ fill folder)
inline constexpr int kRemoving = 15;          // progress line + fill file
inline constexpr int kFillNotRemoved = 16;    // result line: + path kFillNotRemovedEnd
inline constexpr int kFillNotRemovedEnd = 17;
inline constexpr int kNotOverwritten = 19;    // result line + path: the file was kept
inline constexpr int kDeleting = 20;          // progress caption of the removal
inline constexpr int kNoNotes = 21;           // the summary's end when no line was logged
inline constexpr int kSummaryPattern = 22;    // kSummaryPattern pattern kSummaryOverwritten n
inline constexpr int kSummaryOverwritten = 23;  //   kSummaryFolders folders kSummaryEnd CRLF
inline constexpr int kSummaryFolders = 24;    //   kRemoved MB " MB" CRLF kRemoved files kFiles
inline constexpr int kSummaryEnd = 25;
inline constexpr int kRemoved = 26;
inline constexpr int kFiles = 27;
inline constexpr int kConfirmRecycle = 28;    // OK/Cancel before moving files to the trash
inline constexpr int kSymlinkNotWiped = 29;   // result line + path
inline constexpr int kHardLinkNotWiped = 30;  // result line + path
inline constexpr int kCoverage = 31;          // kCoverage percent kCoverageOf MB " MB" kCoverageEnd
inline constexpr int kCoverageOf = 32;
inline constexpr int kCoverageEnd = 33;
inline constexpr int kReservedBlocks = 34;    // + MB " MB": blocks only the administrator may fill
inline constexpr int kQuotaReached = 35;      // the user's disk quota ended the filling
inline constexpr int kWriteError = 36;        // + path: a write or flush error ended the wipe
inline constexpr int kKeptNoTrash = 37;       // note after a file the trash could not take
inline constexpr int kWipeCancelled = 38;     // the file wipe was cancelled: nothing was deleted
inline constexpr int kFillFolder = 39;        // + folder: where the fill files were written
inline constexpr int kRecycling = 40;         // progress caption of the recycle mode
inline constexpr int kWipedNotRemoved = 41;   // label of the removal line of a wiped file that stays

}  // namespace tools::file_ops::delete_msg
