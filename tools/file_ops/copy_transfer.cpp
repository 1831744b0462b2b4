#include "tools/file_ops/copy_transfer.h"

#include "core/file_errors.h"
#include "core/file_paths.h"
#include "core/file_times.h"
#include "core/step_record.h"
#include "platform/fd_io.h"

#include <chrono>
#include <optional>
#include <string_view>

#include <sys/stat.h>

namespace tools::file_ops {

namespace {

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void logDone(core::Pipeline& pipe, const Transfer& t) {
  constexpr std::string_view kArrow = "  ->  ", kCrLf = "\r\n";
  std::string line;
  line.reserve(t.source.size() + kArrow.size() + t.target.size() + kCrLf.size());
  line.append(t.source).append(kArrow).append(t.target).append(kCrLf);
  pipe.addToLog(pipe.resultsText(), line);
}

// The line of a transfer that failed, ending with why (reason: " (...)", or "").
TransferResult failed(core::Pipeline& pipe, const Transfer& t, const core::MessageTable& msg, int message,
                      const std::string& reason) {
  pipe.addResult(msg(message) + t.source + msg(copy_msg::kTo) + folderOf(t.target) + reason);
  return TransferResult::Failed;
}

// A new copy is complete: its times and attributes from the source, then the line.
TransferResult copied(core::Pipeline& pipe, const Transfer& t, const core::MessageTable& msg, std::uint8_t attributes,
                      bool metadataKept, const NewCopy& made) {
  const bool kept = keepTimesAndAttributes(t.target, t.status, attributes, made) && metadataKept;
  // A move across file systems deletes its source only now: the copy is synced and checked whole.
  if (t.mode == CopyMode::Move && core::KillFile(t.source) != 0) pipe.addResult(msg(copy_msg::kSourceNotDeleted) + t.source);
  logDone(pipe, t);
  if (!kept) pipe.addResult(t.target + msg(copy_msg::kNotKept));
  return TransferResult::Copied;
}

bool sameTimes(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// Whether the prepared copy is one of the file the check holds, as it is now: the same file,
// nothing written to it since the copy read it.
bool preparedFromHeld(const Transfer& t) {
  const struct stat* held = t.held ? t.held->seen() : nullptr;
  if (!held || t.held->throughLink() || !t.prepared || !t.prepared->ready()) return false;
  const struct stat& made = t.prepared->source();
  return made.st_dev == held->st_dev && made.st_ino == held->st_ino && made.st_size == held->st_size &&
         sameTimes(made.st_mtim, held->st_mtim) && sameTimes(made.st_ctim, held->st_ctim);
}

// A plain copy whose bytes a worker copied ahead: what the pipeline's chunked copy does after
// its last piece, for a file copied whole already. Cancel is read as after that piece; the
// journal's record (with the copy's identity) goes before the copy takes its name.
TransferResult commitPrepared(core::Pipeline& pipe, const Transfer& t, const core::MessageTable& msg,
                              std::uint8_t attributes) {
  platform::PreparedCopy& copy = *t.prepared;
  const struct stat& source = copy.source();
  const auto size = static_cast<std::uint64_t>(source.st_size);
  core::recordFileSize(size);
  if (size > 0) {
    pipe.host().doEvents();
    if (pipe.host().isCancel() != core::CancelState::Running) return TransferResult::Stopped;
  }
  if (const int refused = platform::refuseAsNewName(t.target); refused != 0)
    return failed(pipe, t, msg, copy_msg::kCopyFailed, core::systemReason(refused));
  core::StepRecord step{.kind = core::StepKind::Copied, .from = t.source, .to = t.target,
                        .copy = core::CopyStamp{.size = size, .modifiedSec = static_cast<std::int64_t>(source.st_mtim.tv_sec),
                                                .modifiedNsec = static_cast<std::uint32_t>(source.st_mtim.tv_nsec)}};
  core::StepRecorder* recorder = pipe.stepRecorder();
  if (recorder) {
    step.identity = copy.identity();
    recorder->stepStarting(step);
  }
  if (const int err = copy.link(t.targetFolderFd, platform::nameOf(t.target).c_str()); err != 0) {
    if (recorder) recorder->stepAbandoned(step);
    return failed(pipe, t, msg, copy_msg::kCopyFailed, core::systemReason(err));
  }
  if (recorder) {
    step.when = std::chrono::system_clock::now();
    recorder->stepDone(step);
  }
  // Made in a name that was free, as the usual way's copy: its bits and nothing else.
  return copied(pipe, t, msg, attributes, true,
                NewCopy{.timesKept = copy.timesKept(), .mode = copy.mode(), .folder = t.targetFolder});
}

// The copy of a transfer (for a move, across file systems): synced and checked whole before a
// moved source goes.
TransferResult copyAcross(core::Pipeline& pipe, const Transfer& t, const core::MessageTable& msg) {
  if (t.targetUnchecked && !t.replace && platform::fileStatus(t.target, false).error == 0)
    return TransferResult::TargetExists;
  // A rename takes the attributes along; only a copy needs them read first: from the file the
  // check opened, in the folder the run looked at, where the run passes them.
  const bool opened = t.held && t.held->isOpen() && t.sourceFolder && t.status.type == platform::FileType::Regular;
  const std::uint8_t attributes =
      opened ? core::AttBits(t.sourceFolder->ofOpenFile(t.held->fd(), platform::nameOf(t.source), t.status.mode))
             : core::GetAtt(t.source);
  // A move keeps what mv keeps (exact permission bits, owner, extended attributes); a copy is
  // what cp makes without -p.
  const bool move = t.mode == CopyMode::Move;
  if (!move && opened && t.targetFree && !t.replace && t.targetFolderFd >= 0 && preparedFromHeld(t))
    return commitPrepared(pipe, t, msg, attributes);
  bool metadataKept = true;
  NewCopy made;
  int failure = 0;
  switch (pipe.copyFileChunked(t.source, t.target,
                               {.replace = t.replace, .durable = move, .keepMetadata = move, .metadataKept = &metadataKept,
                                .keepTimes = true, .timesKept = &made.timesKept, .source = opened ? t.held : nullptr,
                                .destinationFree = t.targetFree && !t.replace, .destinationFolderFd = t.targetFolderFd,
                                .copyMode = &made.mode, .failure = &failure})) {
    case core::kCopyDone: break;
    case core::kCopyStopped: return TransferResult::Stopped;  // the run reports the Cancel
    default:
      return failed(pipe, t, msg, copy_msg::kCopyFailed,
                    failure == core::kCopySourceChanged ? msg(copy_msg::kSourceChanged) : core::systemReason(failure));
  }
  // Only a plain copy into a name that was free is known to have no attributes but its bits:
  // moved extended attributes may carry the archive flag, and a replaced name may be listed hidden.
  if (!move && t.targetFree && !t.replace) made.folder = t.targetFolder;
  return copied(pipe, t, msg, attributes, metadataKept, made);
}

}  // namespace

bool keepTimesAndAttributes(const std::string& target, const platform::FileStatus& source, std::uint8_t attributes) {
  return keepTimesAndAttributes(target, source, attributes, NewCopy{});
}

bool keepTimesAndAttributes(const std::string& target, const platform::FileStatus& source, std::uint8_t attributes,
                            const NewCopy& made) {
  const platform::FileTime* accessed = source.accessed.known ? &source.accessed : nullptr;
  const platform::FileTime* modified = source.modified.known ? &source.modified : nullptr;
  bool ok = made.timesKept || (!accessed && !modified) || platform::setFileTimes(target, accessed, modified) == 0;
  if (!platform::canSetCreationTime()) core::raiseCreationTimeNotice();  // the run's one notice
  // Most copies already have the attributes of their source (none but the read-only flag, which
  // the permission bits carry along): nothing to look up or set.
  if (made.folder && !made.folder->vfat() && made.mode >= 0 &&
      core::AttBits(made.folder->ofNewFile(platform::nameOf(target), static_cast<std::uint32_t>(made.mode))) == attributes)
    return ok;
  if (core::GetAtt(target) != attributes) ok = core::SetAtt(target, attributes) == 0 && ok;
  return ok;
}

TransferResult renameFile(core::Pipeline& pipe, const Transfer& t, const core::MessageTable& msg) {
  // The file itself moves, with its times, attributes and links.
  const int err = t.replace ? pipe.renameReplacing(t.source, t.target) : pipe.rename(t.source, t.target);
  if (err == 0) {
    logDone(pipe, t);
    return TransferResult::Renamed;
  }
  // The rename never replaces: it found the target the caller did not look for.
  if (t.targetUnchecked && !t.replace && err == core::kErrFileExists) return TransferResult::TargetExists;
  if (err != core::kErrDifferentDrive) return failed(pipe, t, msg, copy_msg::kMoveFailed, core::errorReason(err));
  // The same device seen through two mounts refuses a rename: copied like another file system.
  Transfer across = t;
  across.status = platform::fileStatus(t.source, false);
  return copyAcross(pipe, across, msg);
}

TransferResult transferFile(core::Pipeline& pipe, const Transfer& t, const core::MessageTable& msg) {
  if (t.mode == CopyMode::Move) {
    std::optional<std::uint64_t> device = t.folderDevice;
    if (!device) {
      const platform::FileStatus folder = platform::fileStatus(folderOf(t.target), true);
      if (folder.error == 0) device = folder.identity.device;
    }
    if (device == t.status.identity.device) return renameFile(pipe, t, msg);
  }
  return copyAcross(pipe, t, msg);
}

}  // namespace tools::file_ops
