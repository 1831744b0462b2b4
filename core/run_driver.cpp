// The run driver: the set-up, the loops over files, folders and journal records with their
// progress and Cancel/Skip cadence, and the finish or the run-time error report.
#include "core/run_driver.h"

#include <algorithm>
#include <exception>

namespace core {

// ------------------------------------------------------------------ RunItem

void RunItem::set(std::string folder, std::string name, const ListEntry* entry, std::size_t index,
                  std::size_t count) {
  folder_ = std::move(folder);
  name_ = std::move(name);
  entry_ = entry;
  index_ = index;
  count_ = count;
  attempt_ = 0;
}

Poll RunItem::yieldAndPoll() {
  RunHost& host = pipe_.host();
  host.doEvents();
  switch (host.isCancel()) {
    case CancelState::Running: return Poll::GoOn;
    case CancelState::SkipFile:
      if (skip_ == SkipMode::EndsRun) return Poll::EndRun;
      host.setCancel(CancelState::Running);
      return Poll::EndFile;
    case CancelState::Cancelled: break;
  }
  return Poll::EndRun;
}

void RunItem::showProgressWithin(double fraction) {
  pipe_.showProgressWithin(progressDone_ + std::clamp(fraction, 0.0, 1.0), progressOf_);
}

std::span<std::string> RunItem::foldersAhead() {
  DirList& list = pipe_.dirList();
  const std::size_t from = position_ ? std::min<std::size_t>(*position_ > 0 ? *position_ - 1 : 0, list.size())
                                     : list.size();
  return std::span<std::string>(list).subspan(from);
}

void RunItem::folderRenamed(const std::string& oldPath, const std::string& newPath) {
  const std::string oldBase = withoutTrailingSlashes(oldPath);
  const std::string newBase = withoutTrailingSlashes(newPath);
  for (std::string& entry : foldersAhead()) {
    // The folder itself, or one inside it: the old path followed by the end or by "/".
    if (entry.compare(0, oldBase.size(), oldBase) != 0) continue;
    if (entry.size() > oldBase.size() && entry[oldBase.size()] != '/') continue;
    entry.replace(0, oldBase.size(), newBase);
  }
}

// ------------------------------------------------------------------ the loops

namespace {

// After an item or a folder: whether Cancel or Skip ends the run now. A Skip that ends only the
// file has done its work by then and is cleared.
bool runEnds(RunHost& host, SkipMode skip) {
  const CancelState state = host.isCancel();
  if (state == CancelState::Running) return false;
  if (state == CancelState::SkipFile && skip == SkipMode::EndsFile) {
    host.setCancel(CancelState::Running);
    return false;
  }
  return true;
}

// The step for one item, again while it asks for a retry; counted once.
StepResult stepItem(const FileStep& step, RunItem& item, RunOutcome& out) {
  StepResult result = StepResult::Retry;
  for (int attempt = 0; result == StepResult::Retry; ++attempt) {
    item.setAttempt(attempt);
    result = step(item);
  }
  switch (result) {
    case StepResult::Done: ++out.done; break;
    case StepResult::Skipped: ++out.skipped; break;
    case StepResult::Failed: ++out.failed; break;
    case StepResult::Retry:
    case StepResult::Stop: break;
  }
  return result;
}

// The frame every run shares: the list (then prepare), caption and onStart, then body, onEnd and
// the finish. An exception from the tool ends the run in the run-time error report instead.
template <class Prepare, class Body>
RunOutcome drive(Pipeline& pipe, ToolForm* form, const RunOptions& options, const std::string& startFolder,
                 RunOver runOver, RefreshMode byDefault, const RunHooks& hooks, Prepare prepare, Body body) {
  RunOutcome out;
  try {
    pipe.buildDirList(form, startFolder,
                      {.withSubfolders = options.withSubfolders,
                       .withHidden = options.withHidden,
                       .runOver = runOver,
                       .refreshFirst = options.refreshFirst,
                       .keepList = options.keepList,
                       .readsOnly = options.readsOnly});
    prepare();
    if (!options.caption.empty()) pipe.setProgressCaption(options.caption);
    if (hooks.onStart) hooks.onStart();
    body(out);
    if (out.end == RunEnd::Completed && pipe.host().isCancel() != CancelState::Running) out.end = RunEnd::Cancelled;
    if (hooks.onEnd) hooks.onEnd(out);
  } catch (const std::exception& e) {
    out.end = RunEnd::Error;
    out.errorText = e.what();
  } catch (...) {
    out.end = RunEnd::Error;
  }
  if (out.end == RunEnd::Error) {
    pipe.showRunError(form, out.errorText);
  } else if (options.finish) {
    pipe.finishOperation(form, options.refresh.value_or(byDefault));
  }
  return out;
}

// A run that took the folder list deepest first puts it back in the list's own order when it
// ends (also by an exception), so that the next run of a run list, which keeps the list, finds it
// as it was built and takes it in its own order, not in the previous run's.
class ListOrderBack {
 public:
  ListOrderBack(Pipeline& pipe, FolderOrder order) : pipe_(pipe), reversed_(order == FolderOrder::DeepestFirst) {}
  ~ListOrderBack() {
    if (reversed_) pipe_.reverseDirList();
  }
  ListOrderBack(const ListOrderBack&) = delete;
  ListOrderBack& operator=(const ListOrderBack&) = delete;

 private:
  Pipeline& pipe_;
  bool reversed_;
};

// The folder a run over files or folders starts in: the main window's unless the tool says.
std::string startOf(Pipeline& pipe, const RunOptions& options) {
  return options.startFolder.empty() ? pipe.host().dir1() : options.startFolder;
}

}  // namespace

RunOutcome runFiles(Pipeline& pipe, ToolForm* form, const RunOptions& options, const FileStep& step,
                    const RunHooks& hooks) {
  const auto prepare = [&] {
    if (options.order == FolderOrder::DeepestFirst) pipe.reverseDirList();
  };
  return drive(pipe, form, options, startOf(pipe, options), RunOver::Files, subDirMode(RunOver::Files), hooks,
               prepare, [&](RunOutcome& out) {
    const ListOrderBack back(pipe, options.order);
    RunHost& host = pipe.host();
    const Cadence& cadence = options.cadence;
    DirCursor more = 1, position = 1;
    std::string folder;
    RunItem item(pipe, options.skip, &position);
    while (more != 0) {
      if (pipe.nextDirProgress(more, folder, position) == 0) continue;
      // A copy: a question a step asks yields to events, and nothing then may change the files
      // being walked.
      const std::vector<ListEntry> entries = host.listViewRoot();
      const std::size_t n = entries.size();
      ++out.folders;
      const FolderInfo info{folder, n};
      if (hooks.onFolderStart) hooks.onFolderStart(info);
      bool ending = false;
      int sinceShown = 0;
      std::size_t shown = 0;
      for (std::size_t i = 0; i < n && !ending; ++i) {
        item.set(folder, entries[i].name, &entries[i], i + 1, n);
        item.setProgressPart(static_cast<double>(i), static_cast<double>(n));
        if (cadence.showEachItem) pipe.showProgressFile(item.path(), static_cast<long long>(i + 1));
        if (stepItem(step, item, out) == StepResult::Stop) {
          out.end = RunEnd::Stopped;
          ending = true;
        } else if (cadence.every > 0 && ++sinceShown >= cadence.every) {
          shown += static_cast<std::size_t>(sinceShown);
          sinceShown = 0;
          pipe.showProgressFile(item.path(), static_cast<long long>(shown));
          pipe.showProgressWithin(static_cast<double>(shown), static_cast<double>(n));
          host.doEvents();
          ending = runEnds(host, options.skip);
        } else {
          if (cadence.yieldEachItem) host.doEvents();
          ending = runEnds(host, options.skip);
        }
      }
      if (hooks.onFolderEnd) hooks.onFolderEnd(info);
      DirCursor unused = more;  // the Skip rule below decides, not stepProgressDir
      pipe.stepProgressDir(unused);
      if (ending || runEnds(host, options.skip)) break;
    }
  });
}

RunOutcome runFolders(Pipeline& pipe, ToolForm* form, const RunOptions& options, const FileStep& step,
                      const RunHooks& hooks) {
  const auto prepare = [&] {
    if (!options.withStartFolder) pipe.dropFirstDir();
    if (options.order == FolderOrder::DeepestFirst) pipe.reverseDirList();
    pipe.resetProgress(static_cast<long long>(pipe.dirList().size()));
  };
  return drive(pipe, form, options, startOf(pipe, options), RunOver::Folders, subDirMode(RunOver::Folders), hooks,
               prepare, [&](RunOutcome& out) {
    const ListOrderBack back(pipe, options.order);
    RunHost& host = pipe.host();
    DirCursor more = 1, position = 1;
    std::string folder;
    RunItem item(pipe, options.skip, &position);
    while (more != 0) {
      if (pipe.nextDirChecked(more, folder, position) == 0) continue;
      ++out.folders;
      const std::size_t slash = folder.rfind('/');
      const std::size_t cut = slash == std::string::npos ? 0 : slash + 1;
      item.set(folder.substr(0, cut), folder.substr(cut), nullptr, more, pipe.dirList().size());
      item.setProgressPart(0, 1);
      const StepResult result = stepItem(step, item, out);
      DirCursor unused = more;
      pipe.stepProgress(unused);  // counts the folder and yields
      if (result == StepResult::Stop) {
        out.end = RunEnd::Stopped;
        break;
      }
      if (runEnds(host, options.skip)) break;
    }
  });
}

namespace detail {

RunOutcome runBatches(Pipeline& pipe, ToolForm* form, const RunOptions& options, std::size_t batchCount,
                      const std::function<std::optional<std::size_t>()>& nextBatch,
                      const std::function<StepResult(std::size_t i, RunItem& item)>& stepAt,
                      const RunHooks& hooks) {
  const auto prepare = [&] { pipe.resetProgress(static_cast<long long>(batchCount)); };
  return drive(pipe, form, options, std::string(), RunOver::Files, RefreshMode::ListAndTree, hooks, prepare,
               [&](RunOutcome& out) {
    RunHost& host = pipe.host();
    RunItem item(pipe, options.skip, nullptr);
    std::size_t i = 0;
    const FileStep step = [&](RunItem& it) { return stepAt(i, it); };
    while (const std::optional<std::size_t> n = nextBatch()) {
      bool ending = false;
      for (i = 0; i < *n && !ending; ++i) {
        item.set({}, {}, nullptr, i + 1, *n);
        item.setProgressPart(static_cast<double>(i), static_cast<double>(*n));
        if (stepItem(step, item, out) == StepResult::Stop) {
          out.end = RunEnd::Stopped;
          ending = true;
        } else {
          ending = runEnds(host, options.skip);
        }
      }
      pipe.updateProgress(0, 1);  // one batch done; yields
      if (ending || runEnds(host, options.skip)) break;
    }
  });
}

}  // namespace detail

}  // namespace core
