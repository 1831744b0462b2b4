// Wiping the free space of a mount: fill files of random data are written into a new private
// folder on it until the file system is full, overwritten again in later passes, then cut to zero
// length and deleted with their folder.
//
//   FreeSpaceOutcome out = wipeFreeSpace(pipe, form, {.mode = DeleteMode::WipeFreeSpace,
//       .passes = 3, .mountPoint = "/media/me/stick/",
//       .fillFolderParents = {home, mainFolder}}, msg);
//
// The fill folder is made in the mount point itself, else in the first of fillFolderParents that
// lies on the same file system, else message 4 stops the wipe before anything is written (message
// 5 when the mount is gone). "drivewiped" records the folder from its making until every fill file
// is gone, so the main window's start removes what a crash left (mainwin::cleanWipeLeftovers; a
// wipe also clears an earlier wipe's leftovers before it starts).
//
// The first pass fills "QWBigFile1.Big", "QWBigFile2.Big" ... (29 chunks of 11 writes of 65,536
// fresh random bytes each, 20,905,984 bytes per file) until the disk is full; later passes write
// fresh data over exactly what the first pass wrote. Each chunk is flushed to the disk before the
// window gets its events, so Cancel acts within a fraction of a second and deleted fill files never
// leave their data unwritten in the cache. A full disk ends a pass normally; a disk quota, or a
// write or flush error, ends the wipe with a line saying which. The report gives what the fill
// files covered against the blocks free at the start; blocks reserved for the administrator are
// out of an ordinary user's reach, and the report says how much that is. Every fill file is
// removed at the end, after a Cancel too.
#pragma once

#include "core/message_table.h"
#include "core/run_driver.h"
#include "platform/wipe_io.h"
#include "tools/file_ops/delete_options.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace tools::file_ops {

inline constexpr std::size_t kFillBlockSize = 65536;
inline constexpr int kFillWritesPerChunk = 11;
inline constexpr int kFillChunksPerFile = 29;
inline constexpr std::uint64_t kFillFileSize =
    std::uint64_t{kFillBlockSize} * kFillWritesPerChunk * kFillChunksPerFile;

// Why the writing ended.
enum class FillEnd {
  DiskFull,      // the normal end: the file system had no more room
  QuotaReached,  // the user's disk quota, before the file system was full
  WriteError,    // an input/output or other error
  Cancelled,
};

struct FreeSpaceOutcome {
  bool started = false;             // false: stopped by message 4 or 5 (nothing written)
  core::RunEnd end = core::RunEnd::Completed;
  std::string fillFolder{};         // the private folder ("" when none was made)
  int fillFiles = 0;                // fill files the first pass made
  std::uint64_t bytesWritten = 0;   // bytes the first pass wrote (what later passes write again)
  int passesDone = 0;               // passes that ran to their end
  FillEnd fillEnd = FillEnd::DiskFull;
  int leftovers = 0;                // fill files that could not be removed ("drivewiped" stays)
  platform::BlockCounts atStart{};
};

FreeSpaceOutcome wipeFreeSpace(core::Pipeline& pipe, core::ToolForm* form, const DeleteOptions& options,
                               const core::MessageTable& msg);

// The report's lines on how much of the free space the fill files reached: the share of the
// blocks free at the start (messages 31, 32, 33), and, for a user who is not the administrator,
// the blocks reserved for the administrator that no user file can reach (message 34), when there
// are any. Lines end with CR LF.
[[nodiscard]] std::string coverageLines(const core::MessageTable& msg, std::uint64_t written,
                                        const platform::BlockCounts& atStart, bool administrator);

}  // namespace tools::file_ops
