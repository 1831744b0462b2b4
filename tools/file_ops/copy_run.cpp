#include "tools/file_ops/copy_run.h"

#include "core/date_tokens.h"
#include "core/file_paths.h"
#include "tools/file_ops/copy_journal.h"
#include "tools/file_ops/copy_pattern.h"

#include <optional>
#include <set>
#include <utility>

namespace tools::file_ops {

namespace {

const std::string kCrLf = "\r\n";

// What the checks before the run found to work with.
struct JobPlan {
  std::string mainFolder;    // ends with "/"
  std::string shortPattern;
  std::string today;         // the run's one "Today"
  ContentFilter filter;      // words empty: no content filter
};

class CopyJob {
 public:
  CopyJob(core::Pipeline& pipe, core::ToolForm* form, const CopyJobOptions& options, const JobPlan& plan,
          CopyJournal& journal, const core::MessageTable& msg)
      : pipe_(pipe), form_(form), options_(options), plan_(plan), journal_(journal), msg_(msg) {}

  core::StepResult step(core::RunItem& item) {
    const std::string source = item.path();
    const platform::FileStatus st = platform::fileStatus(source, false);
    // A file this run put here is not one of the files it was asked to take.
    if (st.error == 0 && created_.count({st.dev, st.inode})) return core::StepResult::Skipped;
    const std::string folder = targetFolder(item.name(), item.folder());
    // A move into a folder of the source's own file system is a rename: the file is not opened,
    // and the rename itself finds an existing target (unless it is to be replaced).
    const std::optional<std::uint64_t> device = folderDevice(folder);
    const bool renames = options_.mode == CopyMode::Move && st.error == 0 && device == st.dev;
    if (!sourceWanted(item, source, renames ? &st : nullptr)) return core::StepResult::Skipped;
    makeFolder(folder);
    Transfer transfer{.source = source, .target = folder + item.name(), .status = st, .mode = options_.mode,
                      .folderDevice = folder_.device,
                      .targetUnchecked = renames && options_.exists != TargetExists::Overwrite};
    if (!transfer.targetUnchecked && !placeTarget(transfer)) return core::StepResult::Skipped;
    TransferResult result = transferFile(pipe_, transfer, msg_);
    if (result == TransferResult::TargetExists) {
      if (!placeTarget(transfer)) return core::StepResult::Skipped;
      transfer.targetUnchecked = false;
      result = transferFile(pipe_, transfer, msg_);
    }
    if (transferred(result)) {
      ++done_;
      // A renamed file keeps its inode; a copy is a new one.
      const platform::FileStatus now =
          result == TransferResult::Renamed ? st : platform::fileStatus(transfer.target, false);
      if (now.error == 0) created_.insert({now.dev, now.inode});
    }
    if (journal_.takeWriteError() != 0 &&
        pipe_.host().respond(form_, "YN", msg_(copy_msg::kJournalWriteFailed), "W") != core::kAnswerYes)
      return core::StepResult::Stop;
    return transferred(result) ? core::StepResult::Done : core::StepResult::Failed;
  }

  // A folder without files gets its target folder too, when the structure is kept and asked for.
  void folderStart(const core::FolderInfo& info) {
    if (info.items != 0 || !options_.keepStructure || !options_.emptyFolders) return;
    makeFolder(targetFolder("", info.folder));
  }

  // The count (and the words looked for) in front of the report; the journal written out.
  void end() {
    std::string head;
    if (!plan_.filter.words.empty()) {
      head = msg_(copy_msg::kWordsHeading) + kCrLf + kCrLf;
      for (const std::string& w : plan_.filter.words) head += "\"" + w + "\"" + kCrLf;
    }
    head += kCrLf + std::to_string(done_) + " " +
            msg_(options_.mode == CopyMode::Move ? copy_msg::kMoved : copy_msg::kCopied) + kCrLf + kCrLf;
    core::ResultsLog& log = pipe_.resultsText();
    if (log.spilled()) {
      pipe_.addToLog(log, head);
    } else {
      log.assign(head + log.text());
    }
    if (journal_.finish() != 0)
      pipe_.addResult(msg_(copy_msg::kJournalIncompleteBefore) + journal_.path() + msg_(copy_msg::kJournalIncompleteAfter));
  }

 private:
  // Most files of a run share their target folder: it is looked at, and made when missing, once
  // per folder, not per file. Its device, when it exists.
  std::optional<std::uint64_t> folderDevice(const std::string& folder) {
    if (folder != folder_.path) {
      const platform::FileStatus st = platform::fileStatus(folder, true);
      const bool exists = st.error == 0 && st.type == platform::FileType::Directory;
      folder_ = {.path = folder, .made = exists, .device = exists ? std::optional(st.dev) : std::nullopt};
    }
    return folder_.device;
  }

  // A folder that cannot be made fails the transfer, with its line (and is tried again for the
  // next file).
  void makeFolder(const std::string& folder) {
    if (folderDevice(folder) && folder_.made) return;
    std::string path = folder;
    if (core::MakeDir(path) != 0) return;
    const platform::FileStatus st = platform::fileStatus(folder, true);
    folder_.made = true;
    if (st.error == 0) folder_.device = st.dev;
  }

  // The content filter, or the check that the source can be read; for a rename (status given),
  // that the entry can be moved as itself.
  bool sourceWanted(core::RunItem& item, const std::string& source, const platform::FileStatus* renamed) {
    if (plan_.filter.words.empty()) {
      const core::UsableChecks checks = renamed ? core::UsableChecks{.access = core::Access::None, .status = renamed}
                                                : core::UsableChecks{.access = core::Access::Read};
      return pipe_.checkFileUsable(source, checks) != 0;
    }
    switch (fileHasTargetWords(item, source, plan_.filter)) {
      case ContentCheck::Holds: return true;
      case ContentCheck::Unreadable: pipe_.addResult(msg_(copy_msg::kNotSearched) + source); break;
      case ContentCheck::Lacks: break;
    }
    return false;
  }

  // The folder the pattern names for the name in folder, with "/", and the file's folder below
  // the main folder when the structure is kept.
  std::string targetFolder(const std::string& name, const std::string& folder) const {
    const std::string path = folder + name;
    std::string target = core::AddSlash(expandTargetPattern(
        name, plan_.shortPattern, folder, [&](core::DateSource s) { return fileHandleStamp(path, s, plan_.today); }));
    if (options_.keepStructure && folder.size() > plan_.mainFolder.size() &&
        folder.compare(0, plan_.mainFolder.size(), plan_.mainFolder) == 0)
      target += folder.substr(plan_.mainFolder.size());
    return target;
  }

  // What an existing target means: skipped, a free numbered name, or replaced (never the source
  // itself). False: the file is skipped, with its line.
  bool placeTarget(Transfer& t) {
    const platform::FileStatus existing = platform::fileStatus(t.target, false);
    if (existing.error != 0) return true;
    switch (options_.exists) {
      case TargetExists::Skip:
        pipe_.addResult(msg_(copy_msg::kTargetExists) + ": " + t.target + " " + msg_(copy_msg::kSkipped));
        return false;
      case TargetExists::Numbered:
        t.target = core::Pipeline::splitFileName(t.target, counter_);
        return true;
      case TargetExists::Overwrite:
        if (existing.dev == t.status.dev && existing.inode == t.status.inode) {
          pipe_.addResult(msg_(copy_msg::kSameFile) + t.source);
          return false;
        }
        t.replace = true;
        return true;
    }
    return false;
  }

  core::Pipeline& pipe_;
  core::ToolForm* form_;
  const CopyJobOptions& options_;
  const JobPlan& plan_;
  CopyJournal& journal_;
  const core::MessageTable& msg_;
  std::set<std::pair<std::uint64_t, std::uint64_t>> created_;  // (device, inode) of what this run made
  struct TargetFolder {
    std::string path;                     // the last target folder looked at
    bool made = false;                    // it exists (found or made)
    std::optional<std::uint64_t> device;  // its device, once it exists
  } folder_;
  long long counter_ = 1;  // numbered names only grow within a run
  long long done_ = 0;
};

}  // namespace

CopyJobResult runCopyJob(core::Pipeline& pipe, core::ToolForm* form, const CopyJobOptions& options,
                         const core::MessageTable& msg) {
  CopyJobResult result;
  core::RunHost& host = pipe.host();
  if (!targetPatternValid(options.pattern)) {
    host.respond(form, "O", msg(copy_msg::kBadPattern), "I");
    result.end = CopyJobEnd::PatternRefused;
    return result;
  }
  JobPlan plan;
  if (options.content.on) {
    plan.filter = {.words = text::parseTargets(options.content.text, options.content.words),
                   .caseSensitive = options.content.words.matchCase,
                   .match = options.content.words.phrases ? options.content.match : WordMatch::Any};
    if (plan.filter.words.empty()) {
      host.respond(form, "O", msg(copy_msg::kNoWords), "I");
      result.end = CopyJobEnd::NoWords;
      return result;
    }
  }
  plan.today = core::nowDateStamp();
  plan.shortPattern = shortenHandles(options.pattern);
  if (options.exists == TargetExists::Overwrite &&
      host.respond(form, "", msg(copy_msg::kConfirmOverwrite), "W") != core::kAnswerYes) {
    result.end = CopyJobEnd::NotConfirmed;
    return result;
  }
  plan.mainFolder = core::AddSlash(options.mainFolder.empty() ? host.dir1() : options.mainFolder);
  if (options.mode == CopyMode::Move && pipe.checkFolderWritable(plan.mainFolder) != 0) {
    result.end = CopyJobEnd::FolderNotWritable;
    return result;
  }

  CopyJournal journal(options.mode);
  core::ScopedStepRecorder listening(pipe, journal);
  CopyJob job(pipe, form, options, plan, journal, msg);
  result.outcome = core::runFiles(
      pipe, form,
      {.startFolder = plan.mainFolder,
       .withSubfolders = options.withSubfolders,
       .withHidden = options.withHidden,
       .caption = msg(copy_msg::kCaption),
       .refresh = core::RefreshMode::ListAndTree},  // target folders may be new
      [&](core::RunItem& item) { return job.step(item); },
      {.onFolderStart = [&](const core::FolderInfo& info) { job.folderStart(info); },
       .onEnd = [&](const core::RunOutcome&) { job.end(); }});
  result.journalSlot = journal.slot();
  return result;
}

}  // namespace tools::file_ops
