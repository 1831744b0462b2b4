#include "tools/file_ops/wipe_free_space.h"

#include "core/file_paths.h"
#include "core/settings.h"
#include "main_window/startup_steps.h"
#include "platform/fs.h"
#include "platform/mounts.h"
#include "tools/file_ops/delete_messages.h"
#include "tools/file_ops/wipe_random.h"

#include <cerrno>
#include <optional>
#include <string_view>
#include <vector>

namespace tools::file_ops {

namespace m = delete_msg;
using core::StepResult;

namespace {

constexpr std::uint64_t kMegabyte = 1048576;

std::string wholeMegabytes(std::uint64_t bytes) { return std::to_string((bytes + kMegabyte / 2) / kMegabyte); }

// A share in percent with one decimal ("97.3"); 100 at most.
std::string percentText(std::uint64_t part, std::uint64_t whole) {
  if (whole == 0) return "100.0";
  const unsigned __int128 scaled = static_cast<unsigned __int128>(part) * 1000 / whole;
  const auto tenths = static_cast<std::uint64_t>(scaled > 1000 ? 1000 : scaled);
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

struct FillFile {
  std::string path;
  std::uint64_t size = 0;
};

class FreeSpaceWipe {
 public:
  FreeSpaceWipe(core::Pipeline& pipe, core::ToolForm* form, const DeleteOptions& options, const core::MessageTable& msg)
      : pipe_(pipe), form_(form), options_(options), msg_(msg), mount_(core::AddSlash(options.mountPoint)),
        block_(kFillBlockSize, '\0') {}

  FreeSpaceOutcome run() {
    const std::optional<platform::MountEntry> mounted = platform::mountOf(mount_);
    if (!mounted || mounted->mountPoint != mount_) {
      pipe_.host().respond(form_, "O", msg_(m::kDriveGone), "E");
      return out_;
    }
    // A wipe that ended without removing its fill files left them recorded: gone before a new
    // folder takes the record's place.
    mainwin::cleanWipeLeftovers();
    if (!makeFillFolder()) {
      pipe_.host().respond(form_, "O", msg_(m::kNoFillFolder) + mount_, "E");
      return out_;
    }
    out_.started = true;
    out_.atStart = platform::fileSystemBlocks(out_.fillFolder);
    core::saveSet("drivewiped", out_.fillFolder);

    const int passes = options_.passes == 3 ? 3 : 1;
    for (int pass = 1; pass <= passes && out_.end == core::RunEnd::Completed && !wipeOver_; ++pass) {
      passOver_ = false;
      out_.end = pass == 1 ? fillPass(passes) : overwritePass(pass, passes);
      if (out_.end == core::RunEnd::Completed && !wipeOver_) out_.passesDone = pass;
    }
    if (out_.end == core::RunEnd::Error) {
      removeFillFiles(false);  // the error report is already shown; the fill files still go
      return out_;
    }
    report();
    removeFillFiles(true);
    pipe_.finishOperation(form_, core::RefreshMode::ListOnly);
    return out_;
  }

 private:
  // The private folder on the mount's file system: in the mount point, else in a parent given.
  bool makeFillFolder() {
    const platform::FileStatus mountStatus = platform::fileStatus(mount_);
    if (mountStatus.type != platform::FileType::Directory) return false;
    std::vector<std::string> places{mount_};
    places.insert(places.end(), options_.fillFolderParents.begin(), options_.fillFolderParents.end());
    for (const std::string& place : places) {
      if (place.empty()) continue;
      const platform::FileStatus st = platform::fileStatus(place);
      if (st.type != platform::FileType::Directory || st.identity.device != mountStatus.identity.device) continue;
      std::string made;
      if (platform::makePrivateFolder(place, mainwin::kWipeFolderPrefix, made) != 0) continue;
      if (platform::fileStatus(made).identity.device == mountStatus.identity.device) {
        out_.fillFolder = made;
        return true;
      }
      (void)platform::removeDirectory(core::withoutTrailingSlashes(made));
    }
    return false;
  }

  std::string fillPath(int n) const { return out_.fillFolder + "QWBigFile" + std::to_string(n) + ".Big"; }

  // Pass 1: new fill files until the disk is full.
  core::RunEnd fillPass(int passes) {
    const std::uint64_t room = out_.atStart.availBlocks * out_.atStart.blockSize;
    const std::size_t estimate = static_cast<std::size_t>(room / kFillFileSize) + 1;
    rng_ = WipeRandom();
    written_ = 0;
    int next = 0;
    const core::RunOutcome run = core::runJournal<int>(
        pipe_, form_, {.caption = msg_(m::kWipingFreeSpace) + mount_, .refresh = core::RefreshMode::None, .finish = false},
        estimate,
        [&](std::vector<int>& batch) {
          if (passOver_ || wipeOver_) return false;
          batch.push_back(++next);
          return true;
        },
        [&](const int& n, core::RunItem& item) { return newFillFile(n, item, passes); });
    return run.end;
  }

  // Passes 2 and 3: fresh data over exactly what pass 1 wrote.
  core::RunEnd overwritePass(int pass, int passes) {
    rng_ = WipeRandom();
    written_ = 0;
    std::size_t next = 0;
    const core::RunOutcome run = core::runJournal<FillFile>(
        pipe_, form_, {.keepList = true, .refresh = core::RefreshMode::None, .finish = false}, fills_.size(),
        [&](std::vector<FillFile>& batch) {
          if (passOver_ || wipeOver_ || next >= fills_.size()) return false;
          batch.push_back(fills_[next++]);
          return true;
        },
        [&](const FillFile& fill, core::RunItem& item) { return overwriteFill(fill, item, pass, passes); });
    return run.end;
  }

  StepResult newFillFile(int n, core::RunItem& item, int passes) {
    const std::string path = fillPath(n);
    platform::WipeFile f;
    if (const int err = f.create(path); err != 0) return ended(err, path);
    fills_.push_back({path, 0});
    ++out_.fillFiles;
    const StepResult r = writeChunks(f, fills_.back().size, kFillFileSize, path, item, 1, passes,
                                     [&](std::uint64_t wrote) {
                                       fills_.back().size += wrote;
                                       out_.bytesWritten += wrote;
                                     });
    (void)f.close();
    return r;
  }

  StepResult overwriteFill(const FillFile& fill, core::RunItem& item, int pass, int passes) {
    platform::WipeFile f;
    if (const int err = f.open(fill.path); err != 0) {
      if (err == ENOENT) {  // a fill file gone missing ends the pass
        passOver_ = true;
        return StepResult::Skipped;
      }
      return ended(err, fill.path);
    }
    const StepResult r = writeChunks(f, 0, fill.size, fill.path, item, pass, passes, [](std::uint64_t) {});
    (void)f.close();
    return r;
  }

  // Writes fresh random blocks from offset `from` up to `to`, flushing after each chunk of writes,
  // then showing progress and looking at Cancel.
  template <class Counted>
  StepResult writeChunks(platform::WipeFile& f, std::uint64_t from, std::uint64_t to, const std::string& path,
                         core::RunItem& item, int pass, int passes, Counted counted) {
    std::uint64_t at = from;
    while (at < to) {
      int err = 0;
      for (int w = 0; w < kFillWritesPerChunk && at < to && err == 0; ++w) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kFillBlockSize, to - at));
        rng_.fill(block_.data(), n);
        std::uint64_t wrote = 0;
        err = f.writeAt(at, std::string_view(block_.data(), n), wrote);
        at += wrote;
        written_ += wrote;
        counted(wrote);
      }
      // Flushed chunk by chunk: the cache never holds more than a chunk, so Cancel is seen soon,
      // and a fill file deleted later has really been written.
      if (const int sync = f.sync(); err == 0 && sync != 0) err = sync;
      if (err != 0) return ended(err, path);
      showWritten(item, pass, passes, static_cast<double>(at - from) / static_cast<double>(to - from));
      if (item.yieldAndPoll() != core::Poll::GoOn) {
        out_.fillEnd = FillEnd::Cancelled;
        wipeOver_ = true;
        return StepResult::Done;
      }
    }
    return StepResult::Done;
  }

  void showWritten(core::RunItem& item, int pass, int passes, double within) {
    pipe_.host().setProgressCaption(msg_(m::kPass) + std::to_string(pass) + msg_(m::kOf) + std::to_string(passes) +
                                    msg_(m::kWritten) + wholeMegabytes(written_) + " MB");
    item.showProgressWithin(within);
  }

  // What an error of the system means for the wipe: a full disk is the normal end of a pass; a
  // quota ends the filling short of the disk (later passes still go over what was written); any
  // other error ends the wipe.
  StepResult ended(int err, const std::string& path) {
    passOver_ = true;
    if (err == ENOSPC) return StepResult::Done;
    if (err == EDQUOT) {
      if (out_.fillEnd != FillEnd::QuotaReached) pipe_.addResult(msg_(m::kQuotaReached));
      out_.fillEnd = FillEnd::QuotaReached;
      return StepResult::Done;
    }
    out_.fillEnd = FillEnd::WriteError;
    wipeOver_ = true;
    pipe_.addResult(msg_(m::kWriteError) + path);
    return StepResult::Failed;
  }

  void report() {
    const std::string mb = wholeMegabytes(out_.bytesWritten);
    pipe_.setProgressCaption(msg_(m::kWrittenTotal) + mb + " MB");
    std::string text = msg_(m::kFreeSpaceWiped) + mount_ + msg_(m::kDataWritten) + mb + " MB\r\n\r\n";
    text += msg_(m::kFillFolder) + out_.fillFolder + "\r\n";
    text += coverageLines(msg_, out_.bytesWritten, out_.atStart, platform::runsAsAdministrator());
    pipe_.addToLog(pipe_.resultsText(), text);
  }

  // Cuts and deletes every fill file, then the folder; "drivewiped" is cleared once all are gone.
  void removeFillFiles(bool shown) {
    if (shown) {
      pipe_.setProgressCaption(msg_(m::kRemovingFill) + out_.fillFolder);
      pipe_.resetProgress(out_.fillFiles);
    }
    int found = 0;
    mainwin::LeftoverHooks hooks;
    hooks.each = [&](const std::string& path) {
      ++found;
      if (!shown) return;
      pipe_.host().setProgressPath(msg_(m::kRemoving) + path);
      pipe_.updateProgress(0, 1);
    };
    if (shown) hooks.failed = [&](const std::string& path) {
      pipe_.addResult(msg_(m::kFillNotRemoved) + path + msg_(m::kFillNotRemovedEnd));
    };
    out_.leftovers = mainwin::removeWipeLeftovers(out_.fillFolder, hooks);
    if (shown && found != out_.fillFiles && out_.fillEnd != FillEnd::Cancelled) {
      pipe_.addResult(msg_(m::kFillCountDiffers) + out_.fillFolder);
    }
    if (out_.leftovers == 0) core::saveSet("drivewiped", "");
  }

  core::Pipeline& pipe_;
  core::ToolForm* form_;
  const DeleteOptions& options_;
  const core::MessageTable& msg_;
  const std::string mount_;
  std::string block_;
  WipeRandom rng_;
  std::vector<FillFile> fills_;
  std::uint64_t written_ = 0;  // bytes written by the pass in progress
  bool passOver_ = false;      // no more writing in this pass (the disk is full)
  bool wipeOver_ = false;      // no more writing at all (Cancel, an error)
  FreeSpaceOutcome out_;
};

}  // namespace

FreeSpaceOutcome wipeFreeSpace(core::Pipeline& pipe, core::ToolForm* form, const DeleteOptions& options,
                               const core::MessageTable& msg) {
  return FreeSpaceWipe(pipe, form, options, msg).run();
}

std::string coverageLines(const core::MessageTable& msg, std::uint64_t written, const platform::BlockCounts& atStart,
                          bool administrator) {
  const std::uint64_t freeBytes = atStart.freeBlocks * atStart.blockSize;
  std::string s = msg(m::kCoverage) + percentText(written, freeBytes) + msg(m::kCoverageOf) +
                  wholeMegabytes(freeBytes) + " MB" + msg(m::kCoverageEnd) + "\r\n";
  const std::uint64_t reserved = (atStart.freeBlocks - std::min(atStart.availBlocks, atStart.freeBlocks)) *
                                 atStart.blockSize;
  // Less than half a megabyte is not worth a line.
  if (!administrator && reserved >= kMegabyte / 2) s += msg(m::kReservedBlocks) + wholeMegabytes(reserved) + " MB\r\n";
  return s;
}

}  // namespace tools::file_ops
