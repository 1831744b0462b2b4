// The one loop every tool runs: runFiles walks the files of each folder, runFolders the folders
// themselves, runJournal the records of an undo journal. The driver owns the run around the tool:
// buildDirList, the folder loop, progress, the yield-and-Cancel cadence, Skip, the report's finish
// (finishOperation) and a run-time error (showRunError). A tool supplies the step for one item and,
// where it needs them, hooks at the start and end of the run and of each folder.
//
//   core::RunOutcome out = core::runFiles(pipe, this, {
//       .withSubfolders = includeSub,   // the main window's boxes; the folder is the main window's
//       .withHidden = includeHidden,
//       .caption = msgForm(4),
//   }, [&](core::RunItem& item) {
//     if (!pipe.checkFileUsable(item.path(), {.binaryTest = true})) return core::StepResult::Skipped;
//     const int err = pipe.renameLogged(item.path(), item.folder() + newName(item.name()), "",
//                                       core::ItemKind::File);
//     return err == 0 ? core::StepResult::Done : core::StepResult::Failed;
//   }, {
//       .onStart = [&] { pipe.addToLog(pipe.resultsText(), msgForm(5)); },
//       .onEnd = [&](const core::RunOutcome& o) { pipe.addToLog(pipe.resultsText(), summary(o)); },
//   });
//
// Per item, in order: (options.cadence.showEachItem) the item on the progress window; the step,
// again for the same item while it returns Retry; after every cadence.every-th item of a folder
// the item and the count so far on the progress window, progress within the folder, a yield and
// isCancel. A Cancel, or a Skip where it ends the run, ends the run after the item; the folder's
// onFolderEnd still runs. A tool that works through one large file in pieces calls
// item.yieldAndPoll() after each piece.
//
// Everything runs on the window thread (the yields let the progress window's buttons work).
#pragma once

#include "core/pipeline.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace core {

// What a step did with its item.
enum class StepResult {
  Done,     // the item was changed (counted in RunOutcome::done)
  Skipped,  // the item was left alone on purpose (unusable, nothing to change)
  Failed,   // the item's step failed (already logged by the step)
  Retry,    // call the step again for the same item (RunItem::attempt grows; not counted twice)
  Stop,     // end the run after this item (a journal the user gave up on)
};

// What a step working in pieces does after RunItem::yieldAndPoll.
enum class Poll {
  GoOn,     // nothing pressed: the next piece
  EndFile,  // Skip, where it ends only the file (SkipMode::EndsFile): give this file up, the run goes on
  EndRun,   // Cancel, or Skip where it ends the run: give this file up, the run ends after it
};

// What the progress window's Skip means for the tool.
enum class SkipMode {
  EndsRun,   // Skip ends the run like Cancel (most tools)
  EndsFile,  // Skip ends only the file in progress; isCancel goes back to Running
};

// When runFiles shows progress and looks at Cancel and Skip between items.
struct Cadence {
  int every = 61;             // after every every-th item of a folder; 0: only after each folder
  bool yieldEachItem = false; // also yield and read isCancel after every item (without progress)
  bool showEachItem = false;  // show each item and its place on the progress window before its step
};

// The order in which a run takes its folders. The list is the folder tree breadth-first, each
// folder's subfolders in Name order (core/folder_structure.h).
enum class FolderOrder {
  ParentsFirst,  // the list's order: each folder before the folders inside it
  // The list reversed: the deepest first, a folder after the folders inside it (renames that keep
  // paths valid), siblings in reverse Name order, so that numbers counted down here rise in the
  // list's order.
  DeepestFirst,
};

struct RunOptions {
  std::string startFolder{};    // "": the main window's folder (what tools walk); runJournal ignores it
  bool withSubfolders = false;  // the main window's include-subfolders box
  bool withHidden = false;      // the main window's include-hidden box
  bool refreshFirst = false;    // refresh the main list before the list is built
  bool keepList = false;        // runs 2..n of a run list keep the folder list (in its own order) and the lines
  FolderOrder order = FolderOrder::ParentsFirst;  // runFiles and runFolders
  bool withStartFolder = false;  // runFolders: the start folder is walked too (last when DeepestFirst)
  Cadence cadence{};            // runFiles only; runFolders and runJournal yield after each item
  SkipMode skip = SkipMode::EndsRun;
  std::string caption{};        // the progress caption once the list is built ("" keeps it)
  // The refresh after the run; unset: the list for runFiles, tree and list for runFolders and
  // runJournal. Runs that change no names pass RefreshMode::None.
  std::optional<RefreshMode> refresh{};
  bool finish = true;           // false: the caller calls finishOperation (after the last run of a list)
  bool readsOnly = false;       // the run changes nothing on disk (DirListOptions::readsOnly)
};

// How a run ended, as the tool's summary and its later runs need it.
enum class RunEnd {
  Completed,  // every item was offered to the step
  Cancelled,  // the user's Cancel (or a Skip that ends the run), or a cancelled refresh or listing
  Stopped,    // a step returned Stop
  Error,      // a step or hook threw; showRunError has shown it (errorText)
};

struct RunOutcome {
  long long done = 0, skipped = 0, failed = 0;  // items by what their step returned
  std::size_t folders = 0;                      // folders whose items were offered
  RunEnd end = RunEnd::Completed;
  std::string errorText{};
};

// A folder as the hooks see it.
struct FolderInfo {
  std::string folder{};    // as in the folder list ("/" ends it in runFiles)
  std::size_t items = 0;   // its files (runFiles) or 1 (runFolders)
};

// Optional hooks. Exceptions from them are handled like a step's.
struct RunHooks {
  // After the list is built (runFolders: without the start folder, in its order): headings.
  std::function<void()> onStart{};
  std::function<void(const FolderInfo&)> onFolderStart{};   // runFiles: before a folder's files
  std::function<void(const FolderInfo&)> onFolderEnd{};    // runFiles: after them, also when ending
  std::function<void(const RunOutcome&)> onEnd{};          // before finishOperation: summaries
};

// What the step gets: the item, its place, and the run's services.
class RunItem {
 public:
  // runFiles: the folder (ending "/") and the file's name; runFolders: the parent (ending "/") and
  // the folder's own name; runJournal: both empty.
  [[nodiscard]] const std::string& folder() const { return folder_; }
  [[nodiscard]] const std::string& name() const { return name_; }
  [[nodiscard]] std::string path() const { return folder_ + name_; }
  // runFiles: the main window's listing entry (size, times, attributes); else nullptr.
  [[nodiscard]] const ListEntry* entry() const { return entry_; }
  // 1-based place among the folder's files (runFiles), the run's folders (runFolders) or the
  // batch's records (runJournal), and how many there are (listCount for runFiles).
  [[nodiscard]] std::size_t index() const { return index_; }
  [[nodiscard]] std::size_t count() const { return count_; }
  // 0 on the first call for this item, then one more for each Retry.
  [[nodiscard]] int attempt() const { return attempt_; }
  [[nodiscard]] Pipeline& pipe() const { return pipe_; }

  // After each piece of a large file: yields to window events and reads isCancel (Poll says what
  // to do). With EndFile isCancel is already back to Running.
  [[nodiscard]] Poll yieldAndPoll();
  // Shows fraction (0..1) of this item as done on the progress bar; counts nothing.
  void showProgressWithin(double fraction);
  // The folders the run has not reached yet; a tool may rewrite them.
  [[nodiscard]] std::span<std::string> foldersAhead();
  // After a folder rename: every folder ahead that is oldPath or lies inside it is moved to newPath.
  void folderRenamed(const std::string& oldPath, const std::string& newPath);

  // ---- implementation details past this point ----
  RunItem(Pipeline& pipe, SkipMode skip, const DirCursor* position) : pipe_(pipe), skip_(skip), position_(position) {}
  void set(std::string folder, std::string name, const ListEntry* entry, std::size_t index, std::size_t count);
  void setAttempt(int attempt) { attempt_ = attempt; }
  void setProgressPart(double done, double of) { progressDone_ = done, progressOf_ = of; }

 private:
  Pipeline& pipe_;
  SkipMode skip_;
  const DirCursor* position_;  // the folder loop's position: entries from it on are ahead
  std::string folder_, name_;
  const ListEntry* entry_ = nullptr;
  std::size_t index_ = 0, count_ = 0;
  int attempt_ = 0;
  double progressDone_ = 0, progressOf_ = 0;
};

using FileStep = std::function<StepResult(RunItem& item)>;

// A run over the files of the start folder (and the folders below it): buildDirList for files,
// then for each folder its files as the main window lists them (nextDirProgress). The run's
// refresh defaults to the list only.
RunOutcome runFiles(Pipeline& pipe, ToolForm* form, const RunOptions& options, const FileStep& step,
                    const RunHooks& hooks = {});

// A run over the folders below the start folder (the start folder itself only withStartFolder), in options.order;
// a folder that vanished meanwhile is logged once and passed over. Progress, yield and isCancel
// after each folder. The refresh defaults to tree and list.
RunOutcome runFolders(Pipeline& pipe, ToolForm* form, const RunOptions& options, const FileStep& step,
                      const RunHooks& hooks = {});

// Reads the next batch of records into batch (in the order they are to be undone); false when
// there are none left. A reading failure is the reader's to log.
template <class Record>
using BatchReader = std::function<bool(std::vector<Record>& batch)>;
template <class Record>
using RecordStep = std::function<StepResult(const Record& record, RunItem& item)>;

// A run over the records of a journal, batch by batch (a journal read from its end in blocks):
// buildDirList without a folder, progress of batchCount batches, after each batch a yield and
// isCancel. Record is whatever the journal's reader gives, e.g.
//   core::runJournal<UndoRecord>(pipe, this, {.caption = msgForm(4)}, blocks, reader, undoOne);
template <class Record>
RunOutcome runJournal(Pipeline& pipe, ToolForm* form, const RunOptions& options, std::size_t batchCount,
                      const BatchReader<Record>& next, const RecordStep<Record>& step,
                      const RunHooks& hooks = {});

// ---- implementation details past this point ----

namespace detail {
RunOutcome runBatches(Pipeline& pipe, ToolForm* form, const RunOptions& options, std::size_t batchCount,
                      const std::function<std::optional<std::size_t>()>& nextBatch,
                      const std::function<StepResult(std::size_t i, RunItem& item)>& stepAt,
                      const RunHooks& hooks);
}  // namespace detail

template <class Record>
RunOutcome runJournal(Pipeline& pipe, ToolForm* form, const RunOptions& options, std::size_t batchCount,
                      const BatchReader<Record>& next, const RecordStep<Record>& step,
                      const RunHooks& hooks) {
  std::vector<Record> batch;
  return detail::runBatches(
      pipe, form, options, batchCount,
      [&]() -> std::optional<std::size_t> {
        batch.clear();
        if (!next(batch)) return std::nullopt;
        return batch.size();
      },
      [&](std::size_t i, RunItem& item) { return step(batch[i], item); }, hooks);
}

}  // namespace core
