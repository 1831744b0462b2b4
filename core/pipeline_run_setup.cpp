// Run set-up and the folder list: buildDirList, the breadth-first folder walk, the next-folder
// routines and the list rewrites.
#include "core/pipeline.h"

#include "core/file_errors.h"
#include "core/file_paths.h"
#include "core/file_times.h"
#include "core/settings.h"
#include "core/state.h"
#include "core/vb.h"
#include "platform/hidden_moves.h"
#include "platform/mounts.h"
#include "platform/replacement_file.h"
#include "platform/step_scope.h"

#include <algorithm>
#include <optional>

namespace core {

using vb::LCase;
using vb::Val;

namespace {

// Windows keeps restore points in "System Volume Information" at the root of a volume; FAT and
// NTFS media mounted here carry it too.
bool isVolumeInfoFolder(const std::string& entry) {
  // Cheap test on the name first; the mount table is read only for a folder of that name.
  const std::string path = withoutTrailingSlashes(entry);
  const std::string name = RetAftLast("/", path);
  if (LCase(name) != "system volume information") return false;
  const std::string parent = path.substr(0, path.size() - name.size());
  const std::optional<platform::MountEntry> mount = platform::mountOf(parent);
  return mount && mount->mountPoint == parent;
}

}  // namespace

Pipeline::Pipeline(RunHost& host) : host_(host), hiddenMoves_(std::make_unique<platform::HiddenEntryMoves>()) {}

Pipeline::~Pipeline() = default;

RefreshMode subDirMode(RunOver runOver) {
  return runOver == RunOver::Folders ? RefreshMode::ListAndTree : RefreshMode::ListOnly;
}

void Pipeline::readRunFlags() {
  flags_.useRecycle = Val(getSet("sendDeleted")) == 0;
  flags_.recycleContent = Val(getSet("sendContent")) == 0;
  const std::string protect = getSet("smartProtect");
  flags_.protectOn = protect != "0" && protect != "2";
}

void Pipeline::logUnreadable(const std::string& folder, int err) {
  addResult(msgMain(kMsgFolderNotOpened) + folder + systemReason(err));
}

void Pipeline::appendSubfolders(const std::string& folder, bool withHidden) {
  const UnreadableFolderFn onUnreadable = [this](const std::string& f, int err) { logUnreadable(f, err); };
  if (withHidden) {
    (void)RetDirStruct(folder, dirList_, onUnreadable, lister_);
  } else {
    (void)RetDirStructVisible(folder, dirList_, onUnreadable, lister_);
  }
}

void Pipeline::walkTree(bool withHidden, std::size_t cadence, bool sweep) {
  ExpandOptions options;
  options.includeHidden = withHidden;
  options.tickEvery = cadence;
  options.tick = [this](const std::string& entry) {
    host_.setProgressPath(entry);
    host_.doEvents();
    return host_.isCancel() == CancelState::Running;
  };
  options.onUnreadable = [this](const std::string& folder, int err) {
    // A folder inside a volume's restore-point folder is left out below; no line for it.
    std::string probe = withoutTrailingSlashes(folder);
    while (!probe.empty() && probe != "/") {
      if (isVolumeInfoFolder(probe)) return;
      probe = withoutTrailingSlashes(RetBefLast("/", probe));
      if (probe.empty()) break;
    }
    logUnreadable(folder, err);
  };
  options.lister = lister_;
  options.identities = &dirIds_;
  // What a killed run of ours left in the folders a writing run walks goes as they are listed.
  options.removeStaleTemporaries = sweep;
  // A folder that cannot be read is logged and passed over, so the walk with hidden folders never
  // gives up on the whole list and needs no second walk.
  (void)expandFolderTree(dirList_, options);
}

void Pipeline::dropVolumeInfoFolders() {
  std::vector<std::string> dropped;
  DirList kept;
  std::vector<platform::FileIdentity> keptIds;
  kept.reserve(dirList_.size());
  dirIds_.resize(dirList_.size());
  for (std::size_t i = 0; i < dirList_.size(); ++i) {
    std::string& entry = dirList_[i];
    const std::string path = AddSlash(entry);
    bool inside = false;
    for (const std::string& d : dropped)
      if (path.compare(0, d.size(), d) == 0) inside = true;
    if (!inside && &entry != &dirList_.front() && isVolumeInfoFolder(path)) {
      dropped.push_back(path);
      inside = true;
    }
    if (!inside) {
      kept.push_back(std::move(entry));
      keptIds.push_back(dirIds_[i]);
    }
  }
  dirList_ = std::move(kept);
  dirIds_ = std::move(keptIds);
}

void Pipeline::buildDirList(ToolForm* form, const std::string& startFolder, const DirListOptions& options) {
  writeHiddenMoves();  // a run left without its finish: written before its folders close
  // A yes to message 112 holds for the run its form starts next, and for no other.
  if (agreement_ && agreement_->form != form) agreement_.reset();
  opForm_ = form;
  resultsText_.clear();
  flags_.fixedDrive = fixedDrive(host_.dir1());
  readRunFlags();
  spills_.reset(coreState().tempPath, msgMain(68));
  host_.setFormEnabled(form, false);

  UpdateFilesResult refreshed = kListDone;
  if (options.refreshFirst) {
    host_.showSkip(true);
    refreshed = host_.updateFiles(true, "");
  }
  host_.showSkip(false);
  host_.showProgress(form);
  if (refreshed == kListCancelled) {
    host_.setCancel(CancelState::Cancelled);
    dirList_.clear();
    clearLogs();  // the previous run's lines must not show up in this one's report
    (void)takeCreationTimeNotice();
    resetProgress(0);
    return;
  }

  if (!options.keepList) {
    resultLines_.clear();
    resultsLog_.clear();
    missingLogged_.clear();
    (void)takeCreationTimeNotice();  // raised outside this run (the properties editor, an earlier run)
    host_.startBlock();
    host_.setCancel(CancelState::Running);
    percentText_.clear();
    host_.setProgressPercent("");
    setProgressCaption(msgMain(70));
    host_.showProgressBar(false);

    dirList_.clear();
    dirIds_.clear();
    scope_.reset();
    if (startFolder.empty()) {
      dirList_.push_back({});
    } else {
      const std::string s = AddSlash(startFolder);
      // Opened before the walk: every later step below it acts through this folder, never
      // through a link found or swapped in below it.
      scope_ = std::make_unique<platform::StepScope>(s);
      dirList_.push_back(s);
      if (PathExist(s)) {
        if (options.withSubfolders) {
          walkTree(options.withHidden, options.withHidden ? 8 : 10, !options.readsOnly);
        } else if (!options.readsOnly) {
          // A run of one folder: what a killed run left there goes too.
          (void)platform::removeStaleTemporaries(s);
        }
        if (!options.withSubfolders && options.runOver == RunOver::Folders) {
          appendSubfolders(s, options.withHidden);
          host_.doEvents();
          if (host_.isCancel() != CancelState::Running) dirList_.clear();
        }
        // Windows keeps restore points in this folder at the root of a volume; it shows up on
        // FAT and NTFS media mounted here too and is never a tool's business.
        dropVolumeInfoFolders();
      }
      const bool slashEnds = options.ends == EntryEnds::ByRunOver ? options.runOver == RunOver::Files
                                                                  : options.ends == EntryEnds::Slash;
      for (std::string& entry : dirList_) entry = slashEnds ? AddSlash(entry) : withoutTrailingSlashes(entry);
      dirIds_.resize(dirList_.size());
    }
    host_.endBlock();
    host_.showProgressBar(true);
  }
  resetProgress(static_cast<long long>(dirList_.size()));
}

int Pipeline::nextDir(DirCursor& more, std::string& folder, DirCursor& position) {
  // The folder left behind is done with: its ".hidden" is written before the next one is listed.
  writeHiddenMoves();
  if (position == 0) position = 1;
  if (position > dirList_.size()) {
    more = 0;
    return 0;
  }
  folder = dirList_[position - 1];
  more = position;
  ++position;
  return 1;
}

int Pipeline::enterFolder(const std::string& folder, DirCursor index) {
  if (!scope_ || folder.empty()) return 1;
  const platform::FileIdentity* walked = index >= 1 && index <= dirIds_.size() ? &dirIds_[index - 1] : nullptr;
  const int err = scope_->enter(folder, walked);
  // A folder gone meanwhile is the caller's to report, as it always was.
  if (err == 0 || err == ENOENT) return 1;
  if (err == platform::kFolderChanged || err == ELOOP || err == ENOTDIR || err == EXDEV) {
    addResult(msgMain(kMsgFolderChanged) + folder);
  } else {
    addResult(msgMain(kMsgFolderNotOpened) + folder + systemReason(err));
  }
  return 0;
}

int Pipeline::nextDirChecked(DirCursor& more, std::string& folder, DirCursor& position) {
  if (nextDir(more, folder, position) == 0) return 0;
  if (checkDirExists(folder) == 0) return 0;
  if (enterFolder(folder, more) == 0) return 0;
  host_.setProgressPath(folder);
  return 1;
}

int Pipeline::nextDirProgress(DirCursor& more, std::string& folder, DirCursor& position) {
  if (nextDir(more, folder, position) == 0) return 0;
  if (enterFolder(folder, more) == 0) return 0;
  const UpdateFilesResult listed = host_.updateFiles(false, folder);
  if (listed == kListMissing) return 0;
  host_.setProgressPath(folder);
  if (listed == kListCancelled) {
    // The user cancelled while the folder was listed: the run ends here rather than listing
    // every remaining folder, and its report says it was cancelled.
    if (host_.isCancel() == CancelState::Running) host_.setCancel(CancelState::Cancelled);
    more = 0;
    return 0;
  }
  if (host_.listCount() == 0) updateProgress(0, 1);
  return 1;
}

void Pipeline::reverseDirList() {
  dirIds_.resize(dirList_.size());
  std::reverse(dirList_.begin(), dirList_.end());
  std::reverse(dirIds_.begin(), dirIds_.end());
}

void Pipeline::dropFirstDir() {
  if (dirList_.empty()) return;
  dirList_.erase(dirList_.begin());
  if (!dirIds_.empty()) dirIds_.erase(dirIds_.begin());
}

}  // namespace core
