// The pipeline's copy steps: the chunked copy (into a new file, or over an existing one, durable
// for a move) and the rename that replaces. An existing file is replaced only by a complete file,
// and only after it went where the settings send deleted files.
#include "core/pipeline.h"

#include "core/file_errors.h"
#include "core/file_times.h"
#include "core/state.h"
#include "platform/file_copy.h"
#include "platform/file_head.h"
#include "platform/fs.h"
#include "platform/hidden_moves.h"
#include "platform/replacement_file.h"
#include "platform/trash_copy.h"

#include <cerrno>

namespace core {

namespace {

constexpr std::uint64_t kCopyPiece = 1000000;  // bytes between two yields

}  // namespace

int Pipeline::keepReplacedInTrash(const std::string& path, platform::TrashEntry& entry) {
  // As removeFile decides for RemoveKind::Deleted; a hard link keeps even a large file at no cost.
  if (!flags_.useRecycle || trashWaived(path)) return 0;
  if (platform::copyToTrash(path, entry) == 0) return 0;
  addResult(msgMain(79) + msgMain(80) + path);
  return 1;
}

int Pipeline::copyFileChunked(const std::string& source, const std::string& destination,
                              const CopyOptions& options) {
  const auto failed = [&options](int err) {
    if (options.failure) *options.failure = err;
    return kCopyFailed;
  };
  bool replacing = false;
  if (!options.destinationFree || options.replace) {
    const platform::FileStatus existing = platform::fileStatus(destination, false);
    replacing = options.replace && existing.error == 0;
    if (replacing && existing.type != platform::FileType::Regular) return failed(EEXIST);
  }
  // The copy removes what it wrote on every early return.
  platform::FileCopy copy;
  const platform::CopyTarget how = replacing ? platform::CopyTarget::Replacing : platform::CopyTarget::New;
  const bool nameFree = options.destinationFree && !options.replace;
  if (const int err = options.source && options.source->isOpen()
                          ? copy.openFrom(*options.source, source, destination, how, nameFree, options.destinationFolderFd)
                          : copy.open(source, destination, how);
      err != 0)
    return failed(err);
  recordFileSize(copy.size());
  while (!copy.complete()) {
    if (const int err = copy.copyPiece(kCopyPiece); err != 0) return failed(err);
    host_.doEvents();
    if (host_.isCancel() != CancelState::Running) return kCopyStopped;
  }
  if (options.keepMetadata && copy.keepMetadata() != 0 && options.metadataKept) *options.metadataKept = false;
  if (options.keepTimes) {
    const bool kept = copy.keepTimes() == 0;
    if (options.timesKept) *options.timesKept = kept;
  }
  if (options.copyMode) *options.copyMode = copy.copyMode();
  if (options.durable) {
    if (const int err = copy.sync(); err != 0) return failed(err);
    if (!copy.sourceUnchanged()) return failed(kCopySourceChanged);
  }
  platform::TrashEntry old;
  if (replacing && keepReplacedInTrash(destination, old) != 0) return kCopyFailed;  // its own line
  // The record goes first, with the identity the copy keeps under its name: a kill right after
  // the commit leaves the copy recorded, and one before it a record that names no such file.
  StepRecord step{.kind = StepKind::Copied, .from = source, .to = destination,
                  .copy = CopyStamp{.size = copy.size(), .modifiedSec = copy.modifiedSec(), .modifiedNsec = copy.modifiedNsec()}};
  if (stepRecorder()) step.identity = copy.copyIdentity();
  announce(step);
  // A copy whose source stays is left to the system to flush, as cp does: a run of many small files
  // would otherwise wait on the disk for each; what a move deletes, or a copy replaces, is synced.
  if (const int err = options.durable || replacing ? copy.commit() : copy.commitUnsynced(); err != 0) {
    settleStep(step, false);
    // The old file is still in place, so its copy leaves the trash again.
    if (!old.file.empty()) (void)platform::withdrawFromTrash(old);
    return failed(err);
  }
  settleStep(step, true);
  return kCopyDone;
}

int Pipeline::renameReplacing(const std::string& oldPath, const std::string& newPath) {
  const platform::FileStatus existing = platform::fileStatus(newPath, false);
  if (existing.error != 0) return rename(oldPath, newPath);
  if (existing.type != platform::FileType::Regular) return kErrFileExists;
  platform::TrashEntry old;
  if (keepReplacedInTrash(newPath, old) != 0) return kErrPathFileAccess;
  const StepRecord step = renameStep(oldPath, newPath);
  announce(step);
  if (const int err = platform::renameReplacing(oldPath, newPath); err != 0) {
    settleStep(step, false);
    if (!old.file.empty()) (void)platform::withdrawFromTrash(old);
    return errorNumberForPath(err, oldPath);
  }
  hiddenMoves_->moved(oldPath, newPath);
  settleStep(step, true);
  return 0;
}

}  // namespace core
