#include "tools/file_ops/copy_run.h"

#include "core/date_tokens.h"
#include "core/file_paths.h"
#include "platform/dir_listing.h"
#include "platform/own_temporary.h"
#include "platform/replacement_file.h"
#include "tools/file_ops/copy_ahead.h"
#include "tools/file_ops/copy_journal.h"
#include "tools/file_ops/copy_pattern.h"

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <tuple>
#include <utility>

namespace tools::file_ops {

namespace {

const std::string kCrLf = "\r\n";
constexpr std::size_t kAheadBatch = 4;  // files asked for at once, when a copy runs ahead

// What the checks before the run found to work with.
struct JobPlan {
  std::string mainFolder;    // ends with "/"
  std::string shortPattern;
  std::string fixedFolder;   // a pattern without handles names one folder for all ("": it has handles)
  std::string today;         // the run's one "Today"
  ContentFilter filter;      // words empty: no content filter
};

// A folder's identity, to know it again under any spelling of its path.
struct FolderId {
  bool known = false;
  platform::FileIdentity id{};
  bool operator<(const FolderId& o) const {
    return std::tie(id.device, id.inode) < std::tie(o.id.device, o.id.inode);
  }
};

FolderId folderId(const std::string& folder) {
  const platform::FileStatus st = platform::fileStatus(folder, true);
  if (st.error != 0 || st.type != platform::FileType::Directory) return {};
  return {.known = true, .id = st.identity};
}

class CopyJob {
 public:
  CopyJob(core::Pipeline& pipe, core::ToolForm* form, const CopyJobOptions& options, const JobPlan& plan,
          CopyJournal& journal, const core::MessageTable& msg)
      : pipe_(pipe), form_(form), options_(options), plan_(plan), journal_(journal), msg_(msg),
        // Files are copied ahead only where each becomes a new file under the name the run would
        // give it, in one target folder per walked folder, and unnamed files can be made.
        aheadWanted_(options.copyAheadWorkers > 0 && options.mode == CopyMode::Copy && plan.filter.words.empty() &&
                     options.exists != TargetExists::Overwrite && !plan.fixedFolder.empty() &&
                     platform::canNameUnnamedFiles()) {}

  core::StepResult step(core::RunItem& item) {
    const FolderId walked = walkedFolder(item.folder());
    // A file this run put here is not one of the files it was asked to take.
    if (const auto here = placed_.find(walked); here != placed_.end() && here->second.count(item.name()))
      return core::StepResult::Skipped;
    const std::string source = item.path();
    const std::string folder = targetFolder(item.name(), item.folder());
    const std::optional<std::uint64_t> device = folderDevice(folder);
    Transfer transfer{.source = source, .target = folder + item.name(), .status = {}, .mode = options_.mode};
    // A move between two folders of one file system renames the entry the list shows: neither
    // looked up nor opened first (a system file still goes the long way, to be refused), and the
    // rename itself finds an existing target. Overwrite needs the target's identity first.
    const core::ListEntry* entry = item.entry();
    const bool quickRename = options_.mode == CopyMode::Move && plan_.filter.words.empty() &&
                             options_.exists != TargetExists::Overwrite && walked.known && device == walked.id.device &&
                             entry && (entry->attributes & (core::kAttrSystem | core::kAttrFolder)) == 0;
    TransferResult result = TransferResult::Failed;
    if (quickRename) {
      transfer.targetUnchecked = true;
      result = renameFile(pipe_, transfer, msg_);
    } else {
      // A copy (without a content filter) is checked first: the status comes with the file the
      // check opened. A move needs the status to choose between a rename and a copy.
      const bool plainCopy = options_.mode == CopyMode::Copy && plan_.filter.words.empty();
      bool renames = false;
      if (plainCopy) {
        if (!sourceWanted(item, source, nullptr)) return core::StepResult::Skipped;
        const struct stat* seen = held_.seen();
        transfer.status = seen && !held_.throughLink() ? platform::statusOf(*seen) : platform::fileStatus(source, false);
      } else {
        transfer.status = platform::fileStatus(source, false);
        // A folder still to be made lies on the file system of its nearest existing folder above.
        const std::optional<std::uint64_t> planned = device ? device : deviceAbove(folder);
        renames = options_.mode == CopyMode::Move && transfer.status.error == 0 &&
                  planned == transfer.status.identity.device;
        if (!sourceWanted(item, source, renames ? &transfer.status : nullptr)) return core::StepResult::Skipped;
      }
      makeFolder(folder);
      transfer.folderDevice = folder_.device();
      if (held_.isOpen()) {
        transfer.held = &held_;
        transfer.sourceFolder = &sourceAttributes(item.folder());
        transfer.targetFolder = targetAttributes();
        if (transfer.targetFolder && targetOpen_.isOpen()) transfer.targetFolderFd = targetOpen_.fd();
        if (plainCopy) copyAhead(item);
      }
      transfer.targetUnchecked = renames && options_.exists != TargetExists::Overwrite;
      if (!transfer.targetUnchecked && !placeTarget(transfer)) return core::StepResult::Skipped;
      // The copy a worker made of this file, when it was asked for (the first file of a folder
      // never is: its target folder is made by its step).
      const std::unique_ptr<platform::PreparedCopy> prepared =
          plainCopy && ahead_ && ahead_->active() && folder_.path == aheadTarget_ ? ahead_->take(item.name()) : nullptr;
      transfer.prepared = prepared.get();
      result = transferFile(pipe_, transfer, msg_);
      if (prepared && !prepared->ready() && transferred(result)) ++copiedAhead_;  // it has its name
    }
    if (result == TransferResult::TargetExists) {
      if (!placeTarget(transfer)) return core::StepResult::Skipped;
      transfer.targetUnchecked = false;
      result = quickRename ? renameFile(pipe_, transfer, msg_) : transferFile(pipe_, transfer, msg_);
    }
    held_.reset();  // a copy took it over; a rename or a failure leaves it to be closed here
    if (transferred(result)) {
      ++done_;
      if (folder_.id.known) placed_[folder_.id].insert(transfer.target.substr(folder.size()));
    }
    if (journal_.takeWriteError() != 0 &&
        pipe_.host().respond(form_, "YN", msg_(copy_msg::kJournalWriteFailed), "W") != core::kAnswerYes)
      return core::StepResult::Stop;
    if (result == TransferResult::Stopped) return core::StepResult::Skipped;  // the driver tells the Cancel
    return transferred(result) ? core::StepResult::Done : core::StepResult::Failed;
  }

  [[nodiscard]] long long copiedAhead() const { return copiedAhead_; }

  // A folder without files gets its target folder too, when the structure is kept and asked for.
  void folderStart(const core::FolderInfo& info) {
    // The next files to copy ahead are this folder's, once its first copy has its target folder.
    aheadFolder_ = false;
    aheadEntries_.clear();
    if (ahead_) ahead_->stop();
    if (aheadWanted_) aheadEntries_ = pipe_.host().listViewRoot();
    if (info.items != 0 || !options_.keepStructure || !options_.emptyFolders) return;
    makeFolder(targetFolder("", info.folder));
  }

  // The count (and the words looked for) in front of the report; the journal written out.
  void end() {
    ahead_.reset();  // what was copied ahead and never taken goes; the workers end
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
  // Asks the workers for the copies of the files after item in its folder, as far as the window
  // allows: regular files listed small enough to be copied whole (a larger one is copied in its
  // turn, in pieces between which Cancel is read). Starts the folder on its first call there
  // that finds the target folder open.
  void copyAhead(const core::RunItem& item) {
    if (!aheadWanted_) return;
    if (!aheadFolder_) {
      if (!folder_.id.known || !targetOpen_.isOpen() || !targetAttributes_ || targetAttributes_->folder() != folder_.path)
        return;
      aheadFolder_ = true;
      if (sourceOpen_.open(item.folder()) != 0) return;
      if (!ahead_) ahead_ = std::make_unique<CopyAhead>(options_.copyAheadWorkers);
      ahead_->startFolder(sourceOpen_.fd(), targetOpen_.fd());
      aheadTarget_ = folder_.path;
      nextAhead_ = item.index();  // 1-based: the entry after this item
    }
    if (!ahead_ || nextAhead_ >= aheadEntries_.size()) return;
    // Asked for a few at a time: each asking takes the workers' lock and may wake them.
    std::size_t room = ahead_->room();
    if (room < kAheadBatch && nextAhead_ + room < aheadEntries_.size()) return;
    const auto placedHere = placed_.find(walkedId_);
    std::vector<std::string> names;
    while (nextAhead_ < aheadEntries_.size() && room > 0) {
      const core::ListEntry& e = aheadEntries_[nextAhead_++];
      if ((e.attributes & (core::kAttrSystem | core::kAttrFolder)) != 0 || e.size > CopyAhead::kMaxBytes) continue;
      if (placedHere != placed_.end() && placedHere->second.count(e.name)) continue;
      names.push_back(e.name);
      --room;
    }
    ahead_->request(names);
  }

  // The folder being walked, looked at once per folder.
  FolderId walkedFolder(const std::string& folder) {
    if (folder != walkedPath_) {
      walkedPath_ = folder;
      walkedId_ = folderId(folder);
    }
    return walkedId_;
  }

  // Most files of a run share their target folder: it is looked at, and made when missing, once
  // per folder, not per file. Its device, when it exists.
  std::optional<std::uint64_t> folderDevice(const std::string& folder) {
    if (folder != folder_.path) {
      folder_ = {.path = folder, .id = folderId(folder)};
      // The walk sweeps the folders it lists, not the targets: a target loses the temporary
      // files a killed run left in it when this run first comes to it.
      if (folder_.id.known && swept_.insert(folder_.id).second) (void)platform::removeStaleTemporaries(folder);
    }
    return folder_.device();
  }

  // The device of the nearest existing folder above folder (which does not exist yet).
  static std::optional<std::uint64_t> deviceAbove(std::string folder) {
    while (!folder.empty() && folder.back() == '/') folder.pop_back();
    for (std::size_t slash = folder.rfind('/'); slash != std::string::npos; slash = folder.rfind('/')) {
      folder.resize(slash);
      const FolderId above = folderId(folder.empty() ? "/" : folder);
      if (above.known) return above.id.device;
    }
    return std::nullopt;
  }

  // The walked folder's and the current target folder's ".hidden" names and file system, looked at
  // once per folder for the attributes of copies.
  const platform::FolderAttributes& sourceAttributes(const std::string& folder) {
    if (!sourceAttributes_ || sourceAttributes_->folder() != folder) sourceAttributes_.emplace(folder);
    return *sourceAttributes_;
  }
  const platform::FolderAttributes* targetAttributes() {
    if (!folder_.id.known) return nullptr;
    if (!targetAttributes_ || targetAttributes_->folder() != folder_.path) {
      targetAttributes_.emplace(folder_.path);
      // Copies into it create their files through one descriptor of it (none where it cannot be
      // read: each copy then opens it as it can).
      (void)targetOpen_.open(folder_.path);
    }
    return &*targetAttributes_;
  }

  // The target's status, through the open target folder where the run holds it.
  platform::FileStatus targetStatus(const std::string& target) const {
    if (!targetAttributes_) return platform::fileStatus(target, false);
    const std::string& folder = targetAttributes_->folder();
    if (targetOpen_.isOpen() && target.size() > folder.size() && target.compare(0, folder.size(), folder) == 0 &&
        target.find('/', folder.size()) == std::string::npos)
      return targetOpen_.entryStatus(target.substr(folder.size()));
    return platform::fileStatus(target, false);
  }

  // A folder that cannot be made fails the transfer, with its line (and is tried again for the
  // next file).
  void makeFolder(const std::string& folder) {
    if (folderDevice(folder)) return;
    // The walk makes each folder after the one above it: one mkdir, where MakeDir would look at
    // every folder of the path first.
    std::string path = folder;
    if (platform::makeDirectory(path) == 0) {
      folder_.id = folderId(folder);
      folder_.madeHere = folder_.id.known;
    } else if (core::MakeDir(path) == 0) {
      folder_.id = folderId(folder);
    }
  }

  // The content filter, or the check that the source can be read; for a rename (status given),
  // that the entry can be moved as itself.
  bool sourceWanted(core::RunItem& item, const std::string& source, const platform::FileStatus* renamed) {
    if (plan_.filter.words.empty()) {
      // A copy reads the very file the check opened.
      const core::UsableChecks checks =
          renamed ? core::UsableChecks{.access = core::Access::None, .status = renamed}
                  : core::UsableChecks{.access = core::Access::Read, .keep = &held_, .listed = item.entry()};
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
    std::string target = plan_.fixedFolder;
    if (target.empty()) {
      const std::string path = folder + name;
      target = core::AddSlash(expandTargetPattern(
          name, plan_.shortPattern, folder, [&](core::DateSource s) { return fileHandleStamp(path, s, plan_.today); }));
    }
    if (options_.keepStructure && folder.size() > plan_.mainFolder.size() &&
        folder.compare(0, plan_.mainFolder.size(), plan_.mainFolder) == 0)
      target += folder.substr(plan_.mainFolder.size());
    return target;
  }

  // What an existing target means: skipped, a free numbered name, or replaced (never the source
  // itself). False: the file is skipped, with its line.
  bool placeTarget(Transfer& t) {
    // A folder this run made held nothing then: what is in it now, the run put there (and a
    // stranger's file that came meanwhile still makes the copy's commit fail, never replaced).
    if (folder_.madeHere && t.target.size() > folder_.path.size() &&
        t.target.compare(0, folder_.path.size(), folder_.path) == 0 &&
        t.target.find('/', folder_.path.size()) == std::string::npos) {
      const auto here = placed_.find(folder_.id);
      if (here == placed_.end() || here->second.count(t.target.substr(folder_.path.size())) == 0) {
        t.targetFree = true;
        return true;
      }
    }
    const platform::FileStatus existing = targetStatus(t.target);
    t.targetFree = existing.error == ENOENT;
    if (existing.error != 0) return true;
    switch (options_.exists) {
      case TargetExists::Skip:
        pipe_.addResult(msg_(copy_msg::kTargetExists) + ": " + t.target + " " + msg_(copy_msg::kSkipped));
        return false;
      case TargetExists::Numbered:
        t.target = core::Pipeline::splitFileName(t.target, counter_);
        return true;
      case TargetExists::Overwrite:
        // Never the source itself: another name of it, or the file a source link leads to (moved
        // over its own target, the link would replace the only copy of the bytes, as mv refuses).
        if (existing.identity == t.status.identity ||
            (t.status.type == platform::FileType::Symlink &&
             platform::fileStatus(t.source, true).identity == existing.identity)) {
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
  // The names this run put into each target folder: those files are not sources again when the
  // walk reaches that folder (its list may show them).
  std::map<FolderId, std::set<std::string>> placed_;
  std::set<FolderId> swept_;  // target folders rid of stale temporary files
  std::string walkedPath_;
  FolderId walkedId_;
  struct TargetFolder {
    std::string path;  // the last target folder looked at
    FolderId id;       // known once it exists
    bool madeHere = false;  // made by this run (empty then)
    [[nodiscard]] std::optional<std::uint64_t> device() const {
      return id.known ? std::optional(id.id.device) : std::nullopt;
    }
  } folder_;
  platform::HeldFile held_;  // the source as its check opened it, for the copy
  std::optional<platform::FolderAttributes> sourceAttributes_, targetAttributes_;
  platform::FolderReader targetOpen_;  // the folder of targetAttributes_
  long long counter_ = 1;  // numbered names only grow within a run
  long long done_ = 0;
  long long copiedAhead_ = 0;
  // Copies made ahead (copy_ahead.h): the walked folder's entries as the run lists them, the next
  // one to ask for, the folders the workers copy from and into.
  const bool aheadWanted_;
  std::unique_ptr<CopyAhead> ahead_;  // made on first use; its destructor joins the workers
  bool aheadFolder_ = false;          // the walked folder's copies are being made ahead
  std::vector<core::ListEntry> aheadEntries_;
  std::size_t nextAhead_ = 0;
  std::string aheadTarget_;
  platform::FolderReader sourceOpen_;  // the walked folder, for the workers
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
  // Every handle opens with "<": without one, the pattern names the same folder for every file.
  if (plan.shortPattern.find('<') == std::string::npos)
    plan.fixedFolder = core::AddSlash(expandTargetPattern("", plan.shortPattern, "", [](core::DateSource) { return std::string(); }));
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
  result.copiedAhead = job.copiedAhead();
  return result;
}

}  // namespace tools::file_ops
