#include "tools/renaming/rename_run.h"

#include "core/date_tokens.h"
#include "core/pipeline.h"
#include "tools/renaming/rename_journal.h"
#include "tools/renaming/rename_messages.h"

#include <limits>
#include <optional>
#include <unordered_set>

namespace tools::ren {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

// What every item of a run shares: the rules, the journal and its question, the count.
class RenameRun {
 public:
  RenameRun(core::Pipeline& pipe, core::ToolForm* form, const RenameRunOptions& options, const core::MessageTable& msg)
      : pipe_(pipe),
        form_(form),
        options_(options),
        msg_(msg),
        startRule_(shortenTokens(options.startRule)),
        endRule_(shortenTokens(options.endRule)),
        ctx_{.mode = options.mode, .runStamp = core::nowDateStamp()},
        journal_(options.mode == RenameMode::Files ? '1' : '0'),
        listening_(pipe, journal_) {}

  RenameRunResult run() {
    const core::RunOptions runOptions{
        .startFolder = options_.folder,
        .withSubfolders = options_.withSubfolders,
        .withHidden = options_.withHidden,
        .order = options_.restart ? core::FolderOrder::DeepestFirst : core::FolderOrder::ParentsFirst,
        .caption = msg_(options_.mode == RenameMode::Files ? msg::kCaptionFiles : msg::kCaptionFolders),
    };
    const core::RunHooks hooks{
        .onStart = [this] { onStart(); },
        .onFolderStart = [this](const core::FolderInfo&) { onFolderStart(); },
        .onEnd = [this](const core::RunOutcome&) { onEnd(); },
    };
    const core::RunOutcome out =
        options_.mode == RenameMode::Files
            ? core::runFiles(pipe_, form_, runOptions, [this](core::RunItem& item) { return fileStep(item); }, hooks)
            : core::runFolders(pipe_, form_, runOptions, [this](core::RunItem& item) { return folderStep(item); },
                               hooks);
    (void)journal_.writer().finish();  // after a run-time error too: what was done stays undoable
    return {.started = true, .renamed = renamed_, .journalSlot = journal_.writer().slot(), .end = out.end};
  }

 private:
  void onStart() {
    const bool files = options_.mode == RenameMode::Files;
    pipe_.addToLog(pipe_.resultsText(), msg_(msg::kHeading) + msg_(files ? msg::kFiles : msg::kFolders) +
                                            std::string(kLineEnd) + std::string(kLineEnd));
    folderCount_ = static_cast<std::int64_t>(pipe_.dirList().size());
    number_ = options_.startNumber;
  }

  void onFolderStart() {
    skip_.clear();
    collision_ = false;
    if (options_.restart) number_ = options_.startNumber;
  }

  void onEnd() {
    const bool files = options_.mode == RenameMode::Files;
    pipe_.addToLog(pipe_.resultsText(), std::string(kLineEnd) + std::to_string(renamed_) + " " +
                                            msg_(files ? msg::kFiles : msg::kFolders) + msg_(msg::kRenamed) +
                                            std::string(kLineEnd));
    if (journal_.writer().on() && journal_.writer().slot() != 0 && journal_.writer().finish() != 0)
      pipe_.addResult(msg_(msg::kJournalEndBefore) + journal_.writer().path() + msg_(msg::kJournalEndAfter));
  }

  // The new name of an item: start rule, sequence text, end rule, finished.
  // status: the file's, as its check took it (its dates are not looked up again).
  std::string newName(const std::string& folder, const std::string& name, std::int64_t number,
                      const platform::FileStatus* status = nullptr) const {
    const std::string sequence = options_.sequence ? sequenceText(number, options_.width) : std::string();
    return finishName(expandTokens(folder, name, startRule_, ctx_, status) + sequence +
                      expandTokens(folder, name, endRule_, ctx_, status));
  }

  // After a rename that worked: the result line, and the question when the journal failed.
  core::StepResult renamed(const std::string& oldPath, const std::string& newName) {
    ++renamed_;
    pipe_.addToLog(pipe_.resultsText(), oldPath + " -> " + newName + std::string(kLineEnd));
    if (journal_.failed() && !asked_) {
      asked_ = true;
      journal_.writer().stop();
      if (pipe_.host().respond(form_, "YN", msg_(msg::kJournalFailed), "W") != core::kAnswerYes)
        return core::StepResult::Stop;
    }
    return core::StepResult::Done;
  }

  core::StepResult fileStep(core::RunItem& item) {
    const std::string& name = item.name();
    // One look at the entry serves its check and the dates of the new name; a retry looks again.
    std::optional<platform::FileStatus> status;
    if (item.attempt() == 0) {
      // A name that blocked a rename of this folder is not renamed itself (and uses no number).
      if (collision_ && skip_.erase(name) != 0) return core::StepResult::Skipped;
      status = platform::fileStatus(item.path(), false);
      if (pipe_.checkFileUsable(item.path(), {.log = true, .access = core::Access::None, .status = &*status}) == 0) {
        number_ = nextNumber(number_);
        return core::StepResult::Skipped;
      }
    }
    const std::string target = newName(item.folder(), name, number_, status ? &*status : nullptr);
    number_ = nextNumber(number_);
    return renameItem(item, target, msg::kNotRenamed, msg::kNameTaken);
  }

  core::StepResult folderStep(core::RunItem& item) {
    // A folder whose name blocked an earlier rename is left alone, yet the number moves on past
    // it as past every folder, so that the later folders keep the numbers of their places.
    if (item.attempt() == 0 && skip_.erase(item.path()) != 0) {
      ++folderAttempts_;
      return core::StepResult::Skipped;
    }
    const std::string target = newName({}, item.name(), folderNumber());
    ++folderAttempts_;
    return renameItem(item, target, msg::kFolderNotRenamed, msg::kFolderNotRenamed);
  }

  // Folders: rising in list order; with restart (deepest first) falling from start + count - 1,
  // then rising past that. Saturates instead of overflowing.
  [[nodiscard]] std::int64_t folderNumber() const {
    const __int128 start = options_.startNumber, k = folderAttempts_, count = folderCount_;
    __int128 n = start + k;
    if (options_.restart) n = k < count ? start + count - 1 - k : start + k;
    constexpr __int128 lo = std::numeric_limits<std::int64_t>::min(), hi = std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(n < lo ? lo : n > hi ? hi : n);
  }

  core::StepResult renameItem(core::RunItem& item, const std::string& target, int failedMsg, int takenMsg) {
    const bool files = options_.mode == RenameMode::Files;
    const std::string oldPath = item.path();
    const std::string newPath = item.folder() + target;
    if (target == item.name()) return core::StepResult::Skipped;
    if (!isUsableName(target)) {
      pipe_.addResult(msg_(msg::kBadName) + oldPath + msg_(msg::kArrow) + target);
      return core::StepResult::Failed;
    }
    const int err = pipe_.rename(oldPath, newPath);
    if (err == 0) {
      if (!files) item.folderRenamed(oldPath, newPath);  // the folders ahead inside this one move with it
      return renamed(oldPath, target);
    }
    // Files remember names, folders whole paths: a folder's skip list spans the run.
    const std::string key = files ? target : newPath;
    if (err == 58 && skip_.insert(key).second) {
      collision_ = true;
      return core::StepResult::Retry;
    }
    pipe_.addResult(msg_(err == 58 ? takenMsg : failedMsg) + oldPath + msg_(msg::kArrow) + newPath);
    return core::StepResult::Failed;
  }

  core::Pipeline& pipe_;
  core::ToolForm* form_;
  const RenameRunOptions& options_;
  const core::MessageTable& msg_;
  const std::string startRule_, endRule_;
  const RuleContext ctx_;
  RenameJournal journal_;
  core::ScopedStepRecorder listening_;
  std::unordered_set<std::string> skip_;  // exact names (files) or paths (folders)
  bool collision_ = false;
  bool asked_ = false;
  std::int64_t number_ = 0;
  std::int64_t folderCount_ = 0;
  std::int64_t folderAttempts_ = 0;
  long long renamed_ = 0;
};

}  // namespace

RenameRunResult renameRun(core::Pipeline& pipe, core::ToolForm* form, const RenameRunOptions& options,
                          const core::MessageTable& msg) {
  const std::string folder = options.folder.empty() ? pipe.host().dir1() : options.folder;
  if (pipe.checkFolderWritable(folder) != 0) return {};
  if (options.withSubfolders) {
    const std::string question =
        msg(msg::kAskSubfolders) + (options.mode == RenameMode::Files
                                        ? msg(msg::kAskFilesBefore) + options.pattern + msg(msg::kAskFilesAfter)
                                        : msg(msg::kAskFolders));
    if (pipe.host().respond(form, "", question, "W") != core::kAnswerYes) return {};
  }
  RenameRunOptions fixed = options;
  fixed.folder = folder;
  return RenameRun(pipe, form, fixed, msg).run();
}

}  // namespace tools::ren
