#include "tools/file_ops/wipe_files.h"

#include "core/file_paths.h"
#include "core/file_times.h"
#include "core/state.h"
#include "platform/wipe_io.h"
#include "tools/file_ops/delete_messages.h"
#include "tools/file_ops/wipe_random.h"

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <vector>

namespace tools::file_ops {

namespace m = delete_msg;
using core::StepResult;

namespace {

// Files handed to one step of the driver between two looks at Cancel.
constexpr std::size_t kFilesPerLook = 11;
// The name a wiped file takes before it is removed (the old name says nothing any more), and the
// tries at a free one before the file is removed under its own.
constexpr std::size_t kRandomNameLength = 12;
constexpr int kNameTries = 5;

// A file of the list made at the start.
struct Target {
  std::string folder, name;
  platform::WipeIdentity identity;
  std::uint64_t size = 0;
  bool kept = false;  // refused or failed: never touched again, never deleted
  [[nodiscard]] std::string path() const { return folder + name; }
};

class FileWipe {
 public:
  FileWipe(core::Pipeline& pipe, core::ToolForm* form, const DeleteOptions& options, const core::MessageTable& msg)
      : pipe_(pipe), form_(form), options_(options), msg_(msg), block_(kWipeBlockSize, '\0') {}

  DeleteOutcome run() {
    DeleteOutcome out{.started = true};
    out.end = listFiles();
    const int passes = options_.passes == 3 ? 3 : 1;
    for (int pass = 1; pass <= passes && out.end == core::RunEnd::Completed; ++pass) {
      const std::string caption = msg_(m::kPass) + std::to_string(pass) + msg_(m::kOf) + std::to_string(passes);
      rng_ = WipeRandom();  // fresh data for every pass
      out.end = overTargets(caption, [&](Target& t, core::RunItem& item) {
        const StepResult r = overwrite(t, item);
        if (r == StepResult::Done && pass == passes) ++tally_.overwritten;
        return r;
      });
    }
    if (out.end == core::RunEnd::Error) return out;  // showRunError has reported it
    if (out.end == core::RunEnd::Completed) {
      core::copyFileTimes();
      out.end = overTargets(msg_(m::kDeleting), [&](Target& t, core::RunItem&) { return removeWiped(t); });
      if (out.end == core::RunEnd::Error) return out;
    } else {
      pipe_.addResult(msg_(m::kWipeCancelled));
    }
    tally_.folders = pipe_.dirList().size();
    const bool logged = !pipe_.resultLines().empty() || !pipe_.resultsLog().text().empty();
    pipe_.addToLog(pipe_.resultsText(), deleteSummary(msg_, options_.pattern, tally_, logged));
    pipe_.finishOperation(form_, core::RefreshMode::ListOnly);
    out.tally = tally_;
    return out;
  }

 private:
  // The list every pass and the removal use: the files the main window's filters select now.
  core::RunEnd listFiles() {
    const core::RunOutcome listed = core::runFiles(
        pipe_, form_,
        {.startFolder = options_.folder,
         .withSubfolders = options_.withSubfolders,
         .withHidden = options_.withHidden,
         .cadence = {.every = 11},
         .refresh = core::RefreshMode::None,
         .finish = false},
        [&](core::RunItem& item) {
          const std::string path = item.path();
          const platform::WipeCandidate c = platform::describeForWipe(path);
          if (c.symlink || (c.regular && c.links > 1)) {
            pipe_.addResult(msg_(c.symlink ? m::kSymlinkNotWiped : m::kHardLinkNotWiped) + path);
            return StepResult::Skipped;
          }
          // Overwriting reads nothing: write access is all it asks (a read-only file is locked).
          if (pipe_.checkFileUsable(path, {.access = core::Access::Write}) == 0) return StepResult::Skipped;
          if (c.error != 0 || !c.regular) return StepResult::Skipped;
          targets_.push_back({item.folder(), item.name(), c.identity, c.size});
          return StepResult::Done;
        });
    return listed.end;
  }

  // One run of the driver over the targets still in play, kFilesPerLook of them per batch.
  template <class Step>
  core::RunEnd overTargets(const std::string& caption, Step step) {
    const auto live = static_cast<std::size_t>(
        std::count_if(targets_.begin(), targets_.end(), [](const Target& t) { return !t.kept; }));
    std::size_t next = 0;
    const core::RunOutcome out = core::runJournal<Target*>(
        pipe_, form_,
        {.keepList = true, .caption = caption, .refresh = core::RefreshMode::None, .finish = false},
        (live + kFilesPerLook - 1) / kFilesPerLook,
        [&](std::vector<Target*>& batch) {
          for (; next < targets_.size() && batch.size() < kFilesPerLook; ++next) {
            if (!targets_[next].kept) batch.push_back(&targets_[next]);
          }
          return !batch.empty();
        },
        [&](Target* const& t, core::RunItem& item) {
          pipe_.showProgressFile(t->path(), -1);
          return step(*t, item);
        });
    return out.end;
  }

  StepResult keep(Target& t, int message) {
    t.kept = true;
    pipe_.addResult(msg_(message) + t.path());
    return StepResult::Failed;
  }

  // Fresh random data over the whole file, then flushed to the disk.
  StepResult overwrite(Target& t, core::RunItem& item) {
    platform::WipeFile f;
    const std::string path = t.path();
    if (const int err = f.open(path, &t.identity); err != 0) {
      return keep(t, err == ELOOP ? m::kSymlinkNotWiped : err == EMLINK ? m::kHardLinkNotWiped : m::kNotOverwritten);
    }
    t.size = f.size();
    int err = 0;
    bool cancelled = false;
    for (std::uint64_t at = 0; at < t.size && err == 0 && !cancelled;) {
      const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kWipeBlockSize, t.size - at));
      rng_.fill(block_.data(), n);
      std::uint64_t wrote = 0;
      err = f.writeAt(at, std::string_view(block_.data(), n), wrote);
      at += wrote;
      item.showProgressWithin(static_cast<double>(at) / static_cast<double>(t.size));
      cancelled = item.yieldAndPoll() != core::Poll::GoOn;
    }
    if (err == 0 && !cancelled) err = f.sync();
    if (err != 0 || cancelled) (void)f.restoreMode();  // the file stays: as read-only as it was
    if (err != 0) return keep(t, m::kNotOverwritten);
    return cancelled ? StepResult::Skipped : StepResult::Done;
  }

  // Zero length, the old times, a random name, gone.
  StepResult removeWiped(Target& t) {
    const std::string path = t.path();
    {
      platform::WipeFile f;
      if (f.open(path, &t.identity) != 0) return keep(t, m::kNotOverwritten);  // another file now
      (void)f.truncate();  // the data is overwritten already; a failed cut does not keep the file
    }
    (void)core::writeFileTimes(path, true, false, true);
    std::string gone = path;
    for (int i = 0; i < kNameTries; ++i) {
      const std::string candidate = t.folder + rng_.name(kRandomNameLength);
      const int err = pipe_.rename(path, candidate);
      if (err == 0) gone = candidate;
      if (err != 58) break;
    }
    const std::string note = gone == path ? std::string() : "(" + path + ")";
    // The rename and the removal take the name's ".hidden" line along (Pipeline::rename). A file
    // that stays (a folder that allows no removal) is wiped all the same: its line says so.
    if (pipe_.removeFile(gone, msg_(m::kWipedNotRemoved), note, core::RemoveKind::Delete) != 0)
      return StepResult::Failed;
    ++tally_.removed;
    tally_.bytesRemoved += t.size;
    return StepResult::Done;
  }

  core::Pipeline& pipe_;
  core::ToolForm* form_;
  const DeleteOptions& options_;
  const core::MessageTable& msg_;
  std::vector<Target> targets_;
  std::string block_;
  WipeRandom rng_;
  RemovalTally tally_{.wipe = true};
};

}  // namespace

DeleteOutcome wipeFiles(core::Pipeline& pipe, core::ToolForm* form, const DeleteOptions& options,
                        const core::MessageTable& msg) {
  return FileWipe(pipe, form, options, msg).run();
}

}  // namespace tools::file_ops
