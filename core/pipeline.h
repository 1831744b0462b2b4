// The operation pipeline every tool runs through: run set-up and the folder list, per-file checks
// and logged file steps, the results log, progress with cancel and skip, and the finish. It owns a
// run's state (folder list, run flags, logs, progress counters) and reaches the screen only
// through a RunHost. One Pipeline per program; tests make their own with a ScriptedRunHost.
//
// Implementation: pipeline_run_setup.cpp (set-up, folder list, walks), pipeline_file_steps.cpp
// (checks and logged steps), pipeline_progress.cpp (log, progress, finish).
#pragma once

#include "core/file_paths.h"
#include "core/folder_structure.h"
#include "core/results_log.h"
#include "core/run_host.h"
#include "core/step_record.h"
#include "platform/file_identity_type.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {
struct FileStatus;
struct TrashEntry;
class HeldFile;
class StepScope;
class HiddenEntryMoves;
}

namespace core {

// The folders of a run in walking order. A container, not a joined text: any byte may occur in a
// Linux name. Tools may rewrite entries behind their cursor (a folder rename writes the new path
// into the entries below it).
using DirList = std::vector<std::string>;

// The `more` and `position` of the folder loop: nextDir* and stepProgress* take the same type, so a
// tool keeps one variable for both. 0 in `more` ends the loop.
using DirCursor = std::size_t;

// Flags read from the settings (and the main window's drive) at the start of every run.
struct RunFlags {
  bool useRecycle = true;      // "sendDeleted" holds 0 or is absent: deleted files go to the trash
  bool recycleContent = true;  // "sendContent" holds 0 or is absent: replaced files go to the trash first
  bool protectOn = true;       // "smartProtect" is neither "0" nor "2": system and binary files protected
  bool fixedDrive = true;      // the main window's folder is on a local, non-removable mount
};

// What a run walks: the files of each folder, or the folders themselves.
enum class RunOver { Files, Folders };

// How the entries of the folder list end. ByRunOver: runs over files end every entry with "/",
// runs over folders none (but "/" itself); the word finder and the batch builder want "/" always.
enum class EntryEnds { ByRunOver, Slash, NoSlash };

// buildDirList's options, e.g. {.withSubfolders = true, .runOver = RunOver::Folders}.
struct DirListOptions {
  bool withSubfolders = false;  // the whole tree below the start folder, breadth-first
  bool withHidden = false;      // hidden folders too
  // Folders: without subfolders the list holds the start folder and its direct subfolders.
  RunOver runOver = RunOver::Files;
  EntryEnds ends = EntryEnds::ByRunOver;
  bool refreshFirst = false;    // refresh the main window's list first (a cancelled refresh ends the run)
  bool keepList = false;        // keep the previous run's list and lines (runs 2..n of a run list)
  // A run that changes nothing on disk (a search, a listing): the temporary files a killed run
  // left in the folders it walks stay where they are. Other runs remove those proven the
  // program's own (platform/own_temporary.h) as they list the folders.
  bool readsOnly = false;
};

// The refresh after a run: a run over folders re-reads the tree and the list (folder names
// changed), a run over files refreshes the list only. Runs that change no names pass
// RefreshMode::None to finishOperation themselves.
[[nodiscard]] RefreshMode subDirMode(RunOver runOver);

// The common message of the line that tells, once per run, that creation times were not set.
inline constexpr int kMsgCreationTimesNotSet = 111;
// The common message of the line that tells that a folder's ".hidden" could not be written after
// renames, so that the Hidden flag did not follow them.
inline constexpr int kMsgHiddenNotKept = 175;
// ... and of the line that tells that a hidden entry renamed to a name with a line break is no
// longer hidden (".hidden" holds one name a line).
inline constexpr int kMsgHiddenFlagLost = 176;

// How removeFile removes a file.
enum class RemoveKind {
  Delete = 0,    // deleted for good
  Deleted = 1,   // a file the tool deletes: to the trash while "sendDeleted" says so
  Replaced = 2,  // a file whose contents were replaced: to the trash while "sendContent" says so
  Recycle = 3,   // to the trash whatever the settings say (the delete tool's recycle mode)
};

// Whether renameLogged renames a file or a folder (its failure line says which).
enum class ItemKind { File, Folder };

// checkFileUsable's tests, e.g. {.binaryTest = true, .skipEmpty = true, .access = Access::Read}.
struct UsableChecks {
  bool binaryTest = false;  // with protection on, refuse a file whose first 35 bytes look binary
  bool skipEmpty = false;   // refuse an empty file
  bool log = true;          // log why a file is refused (a locked file is logged regardless)
  // What the step does with the file, which decides the access it asks for (every tool the same):
  //   None       renames and moves within a file system, deleting and trashing: the entry is
  //              never opened, and a regular file or a symbolic link (as itself, dangling or not)
  //              is usable whatever its permissions: the folder's permission decides, as for mv
  //              and rm. binaryTest does not apply; the size measured is the entry's own (a
  //              link's, never its target's).
  //   Read       readers (finders, listers, comparisons, copies): the file opens for reading; a
  //              symbolic link to a regular file is followed.
  //   Write      writers that never read (wipe): the file opens for writing.
  //   ReadWrite  the contents tools, which read and rewrite (replace, trim, case, append,
  //              encrypt).
  // Write and ReadWrite never follow a link, and a file without any write permission bit (R) is
  // locked for them even where this user could open it (root): R means read-only for everyone.
  Access access = Access::ReadWrite;
  // With Access::None: the path's status just taken, not following a link (the caller already
  // has it for other reasons), so the check looks nothing up again.
  const platform::FileStatus* status = nullptr;
  // Not with Access::None: when the file is usable it stays open here (that very file, for the
  // step that reads it next, without a second look-up); otherwise this holds nothing.
  platform::HeldFile* keep = nullptr;
  // Not with Access::None: the file's entry in the main window's listing, just read (a run step's
  // RunItem::entry()). A file listed as no system file is opened without a look at its type by
  // name first; the type of what opened is still checked.
  const ListEntry* listed = nullptr;
};

// How copyFileChunked writes its copy, e.g. {.replace = true, .durable = true}.
struct CopyOptions {
  // An existing destination is replaced, but only by a complete copy: the copy is written to a
  // temporary file beside it and synced; then the old destination goes where
  // removeFile(RemoveKind::Deleted) sends a file (a hard link or copy of it into the trash while
  // the settings say so; nowhere where they say delete), and the copy is renamed over it. A
  // destination that is not a regular file is never replaced. A missing one is simply created.
  bool replace = false;
  // The copy is synced to the disk and confirmed whole, and the source confirmed unchanged since
  // it was opened, before it counts as done: for a copy whose source is deleted next (a move).
  bool durable = false;
  // The copy gets the source's permission bits exactly (not less the umask), its owner where the
  // system lets the user set it, and its extended attributes, as mv keeps them across file
  // systems. Without it the copy is as cp without -p makes it.
  bool keepMetadata = false;
  // With keepMetadata: set to false when some of it could not be kept (the copy is made anyway).
  bool* metadataKept = nullptr;
  // The copy gets the source's modified and accessed times before it takes its name. Failures
  // are not reported here: a caller that keeps times sets them again afterwards and says so.
  bool keepTimes = false;
  // With keepTimes: set to whether the copy got them (a caller then need not set them again).
  bool* timesKept = nullptr;
  // The source as the caller's check just opened it (UsableChecks::keep): the copy reads that very
  // file and takes the descriptor over (left with the caller when the copy stops before it opens).
  // nullptr or empty: the source is opened by its path.
  platform::HeldFile* source = nullptr;
  // Not with replace: the caller has just found nothing under the destination's name, so it is
  // not looked at again (the copy still never takes the name of something that came meanwhile).
  bool destinationFree = false;
  // The destination's folder, open for reading and held by the caller for the step (-1: opened
  // by the copy).
  int destinationFolderFd = -1;
  // Set to the copy's permission bits (07777) just before it takes its name, or -1 when unknown.
  long* copyMode = nullptr;
  // With kCopyFailed: set to why, an errno value (EEXIST: something took the destination's name
  // during the copy), or kCopySourceChanged.
  int* failure = nullptr;
};

// What copyFileChunked did.
inline constexpr int kCopyDone = 0;
inline constexpr int kCopyFailed = 1;
inline constexpr int kCopyStopped = 2;  // Cancel or Skip during the copy: nothing was made
// CopyOptions::failure of a durable copy whose source was written to while it was copied.
inline constexpr int kCopySourceChanged = -1;

// Where a path lies, as removeFile and checkDriveForRecycle need it. Tests replace it.
struct MountProbe {
  std::function<bool(const std::string& path)> isFixedDrive{};
  std::function<std::string(const std::string& path)> mountPoint{};  // "" when unknown
};

class Pipeline {
 public:
  explicit Pipeline(RunHost& host);
  ~Pipeline();
  Pipeline(const Pipeline&) = delete;
  Pipeline& operator=(const Pipeline&) = delete;

  [[nodiscard]] RunHost& host() { return host_; }

  // ---------------------------------------------------------------- run set-up and folder list

  // Opens a run for form on startFolder. Records the form, reads the run flags, finds the first
  // free spill number, disables the form, shows the progress window, refreshes the main list first
  // when refreshFirst (a cancelled refresh sets isCancel Cancelled and leaves an empty folder list
  // and empty logs), and unless keepList builds the folder list:
  //   - the start folder alone, or withSubfolders the whole tree below it breadth-first (hidden
  //     folders only withHidden);
  //   - runOver Folders without subfolders: the start folder and its direct subfolders;
  //   - entries end as `ends` says.
  // Symlinked folders are never followed; a folder that cannot be read is logged with addResult and
  // the walk goes on. Cancel or Skip during the walk leaves an empty list. A missing start folder
  // gives a one-entry list. An empty startFolder (runs that walk their own journal) gives one empty
  // entry. With keepList the current list and logs are kept (runs 2..n of a run list).
  void buildDirList(ToolForm* form, const std::string& startFolder, const DirListOptions& options = {});

  [[nodiscard]] DirList& dirList() { return dirList_; }
  [[nodiscard]] const DirList& dirList() const { return dirList_; }
  [[nodiscard]] const RunFlags& flags() const { return flags_; }
  void setFlags(const RunFlags& flags) { flags_ = flags; }
  [[nodiscard]] ToolForm* opForm() const { return opForm_; }
  // Replaces how folder walks read a folder's subfolders (tests simulate unreadable folders);
  // an empty lister reads the file system.
  void setFolderLister(FolderLister lister) { lister_ = std::move(lister); }
  // Replaces how a path's mount is found (tests simulate removable drives); members left empty
  // read the mount table.
  void setMountProbe(MountProbe probe) { mounts_ = std::move(probe); }

  // Takes the entry at the 1-based position into folder and moves position past it. more becomes
  // the entry's 1-based index, or 0 when the list is exhausted (which ends the caller's loop).
  // Returns 1 when an entry was taken, 0 at the end.
  int nextDir(DirCursor& more, std::string& folder, DirCursor& position);
  // As nextDir, but 1 only for a folder that exists (a missing one is logged once) and is still the
  // one the walk found (else a line says so); the folder is then shown on the progress window.
  int nextDirChecked(DirCursor& more, std::string& folder, DirCursor& position);
  // As nextDir, then has the main window list the folder with its filters. 1 when the folder's
  // files were listed (a folder without files counts one progress step at once), else 0: a missing
  // folder (the caller asks for the next one), a folder that is no longer the one the walk found
  // or cannot be opened (a line says so), or a listing the user cancelled, which also sets
  // isCancel (when still 0) and more to 0 so that the folder loop ends. The folder is entered
  // through the run's scope: every later step on its entries acts in that very folder.
  int nextDirProgress(DirCursor& more, std::string& folder, DirCursor& position);
  // Deepest folders first.
  void reverseDirList();
  // Removes the first entry (the run's own folder).
  void dropFirstDir();

  // ---------------------------------------------------------------- per-file checks and steps

  // 1 when the tool may touch the file, 0 to pass it over. Measures the file into
  // coreState().fileSize / fileIsBig. Refused, in this order:
  //   - anything that is not a regular file (FIFO, device, socket; a symbolic link unless access
  //     is Read and it leads to a regular file, or access is None), and a folder's ".hidden" (the
  //     record of the Hidden flag, never a file of the user's): a system file, logged with
  //     message 23 when log, whether protection is on or off; it is never opened;
  //   - a file that cannot be opened with access, or without write bits for Write and ReadWrite
  //     (UsableChecks::access): message 102, logged whatever log says;
  //   - an empty file when skipEmpty (message 115 when log);
  //   - with protection on, a binary file when binaryTest (one of its first 35 bytes is below 9 or
  //     from 14 to 31; message 23 when log).
  // Opens the file once and reads at most 35 bytes. There is no System attribute here: what it
  // stood for (devices, pipes) is refused always.
  int checkFileUsable(const std::string& path, const UsableChecks& checks = {});

  // Removes a file as the run's settings say. Label "_t" marks the tool's own temporary file, which
  // is always deleted. A file meant for the trash is deleted for good only where the user agreed to
  // it in this run (checkDriveForRecycle for its form, on that very mount); anywhere else it goes
  // to the trash or, when the trash does not work, is kept. 0 removed; 1 failed, logged (message 79
  // label 80 path note). Recorded as Deleted or Trashed; the entry's line in its folder's
  // ".hidden" goes with it (a later file of that name starts out visible).
  int removeFile(const std::string& path, std::string label, std::string note, RemoveKind kind);
  // Moves path to the trash: 0 done, else an error number (the file is kept). Not recorded.
  int recycleFile(const std::string& path);
  // Rename (never replacing a target: 58 when it exists), announced to the step recorder before it
  // acts (with the file's identity) and recorded as Renamed when it worked. Not logged: the caller reports failures in its own words. The Hidden flag goes with the entry:
  // its line of the old folder's ".hidden" goes, and the new folder's ".hidden" gets the new name
  // (unless it starts with ".", or holds a line break: then a line of message 176 and the new
  // path). The new name's line is written before the rename where it must change, the old name's
  // after, at the latest when the run moves on to its next folder or ends (a line of message 175
  // and the ".hidden" path when that fails), so a kill leaves no renamed entry visible. The other
  // renames below do the same.
  int rename(const std::string& oldPath, const std::string& newPath);
  // 58 (nothing done) when the names are equal; else rename's result, a failure logged with
  // message 83 label ": " old 84 new (label gets message 81 for a file, 82 for a folder).
  int renameLogged(const std::string& oldPath, const std::string& newPath, std::string label,
                   ItemKind kind);
  // The bytes read (1-based start, length 0 the rest); nullopt when the file cannot be read, logged
  // with message 85 & path. A piece whose bytes are "A_Err" is data like any other.
  std::optional<std::string> readFileLogged(const std::string& path, std::uint64_t start,
                                            std::uint64_t length);
  // Copies source (a regular file, or a symlink to one) in pieces of 1,000,000 bytes, yielding and
  // polling isCancel after each piece; the kernel copies where the file system allows it. The copy
  // has the source's permission bits less the umask, as cp gives them. Without options.replace an
  // existing destination is never touched. kCopyDone (0) copied (recorded as Copied); kCopyFailed
  // (1) not copied, or kCopyStopped (2) when Cancel or Skip stopped it midway: a partly written
  // copy is deleted, and a destination it was to replace is as it was.
  int copyFileChunked(const std::string& source, const std::string& destination,
                      const CopyOptions& options = {});
  // Renames oldPath over the existing regular file newPath in one step, after newPath went where
  // removeFile(RemoveKind::Deleted) sends a file (see CopyOptions::replace). 0 renamed (recorded
  // as Renamed); else an error number, with both files as they were (a trash failure is logged as
  // removeFile logs it). 58 when newPath is not a regular file.
  int renameReplacing(const std::string& oldPath, const std::string& newPath);
  // When recycling is configured and path is not on a fixed drive, asks (message 112 and the mount)
  // whether to go on although files there cannot go to the trash: 0 the user declined; 1 go on. A
  // yes lets form's next run delete files on that mount for good where the settings send them to
  // the trash (removeFile); the agreement ends with that run, or with the next question.
  int checkDriveForRecycle(ToolForm* form, const std::string& path);
  // True when the user agreed in this run (checkDriveForRecycle) that files on path's mount that are
  // meant for the trash are deleted for good.
  [[nodiscard]] bool trashWaived(const std::string& path) const;
  // Whether path lies on a fixed drive (a local, non-removable mount where the trash works) and the
  // mount point that holds it ("" when unknown), through the mount probe (setMountProbe).
  [[nodiscard]] bool fixedDrive(const std::string& path) const;
  [[nodiscard]] std::string mountPointOf(const std::string& path) const;
  // 0 when a file can be created and deleted in folder; 7 after a notice otherwise.
  int checkFolderWritable(const std::string& folder);
  // Writes text to path, asking Overwrite/Append/Cancel when path exists. The new contents go to a
  // temporary file that replaces path only when complete: Cancel or a failure leaves the old file.
  // 0 saved, 1 not saved; an outcome notice is shown either way.
  int saveTextFile(ToolForm* caller, const std::string& path, std::string_view text);
  // The first free numbered variant of path (folder, base, n, "." extension) for n from counter
  // upwards; counter receives that n. Counter 0 gives "". The dots that begin a name belong to
  // its base (extensionDot): ".dotfile" gives ".dotfile1", ".config.json" ".config1.json".
  [[nodiscard]] static std::string splitFileName(const std::string& path, long long& counter);

  // ---------------------------------------------------------------- results log

  // Stages line + CR LF; 5,001 staged characters or more move into resultsLog.
  void addResult(std::string_view line);
  // Appends piece to log, spilling past 500,000 characters into this run's spill files.
  void addToLog(ResultsLog& log, std::string_view piece);
  [[nodiscard]] ResultsLog& resultsLog() { return resultsLog_; }
  [[nodiscard]] ResultsLog& resultsText() { return resultsText_; }
  [[nodiscard]] const std::string& resultLines() const { return resultLines_; }
  // Called before each line addResult stages, while set (a rewrite session holding files back
  // commits them first, so that the lines keep the order of the files). Returns the hook replaced.
  std::function<void()> setBeforeResult(std::function<void()> hook);
  [[nodiscard]] SpillFiles& spills() { return spills_; }

  // Logs "message 95 folder message 94" once per folder during a run.
  void logMissingDir(const std::string& folder);
  // 1 exists; 0 missing (logged once).
  int checkDirExists(const std::string& folder);

  // ---------------------------------------------------------------- progress

  // Total items of the run; the bar empty, "0%".
  void resetProgress(long long total);
  // Progress within the run: part of parts of the current item (folder) is done. part == parts
  // counts the item as done; part 0 counts parts items as done. Clamped to 100 %; a zero total or
  // zero parts never divides. The one-argument form takes parts = listCount.
  void updateProgress(double part, double parts);
  void updateProgress(double part);
  // The bar's width in twips (at most 6015); it only grows by steps of more than 100.
  void setProgressBar(double twips);
  // Shows part of parts of the current item as done without counting anything (nothing ever counts
  // twice); no yield.
  void showProgressWithin(double part, double parts);
  // One item done; more becomes 0 when isCancel is non-zero (Cancel or Skip).
  void stepProgress(DirCursor& more);
  // One folder done when it held files; more as in stepProgress.
  void stepProgressDir(DirCursor& more);
  // The file name in lblPath; lblFile "message 40 index message 28 listCount" for index >= 0.
  void showProgressFile(const std::string& name, long long index);
  void setProgressCaption(const std::string& text);
  [[nodiscard]] long long progressTotal() const { return progressTotal_; }
  [[nodiscard]] double progressDone() const { return progressDone_; }

  // ---------------------------------------------------------------- finish

  // Ends the run: builds the report into the results viewer, "100%" unless cancelled, hides the
  // progress window, refreshes the main window (RefreshMode), records the extension, beeps.
  // A run that asked to set creation times (which this system cannot) gets one line saying so.
  // Leaves the logs empty for the next run.
  void finishOperation(ToolForm* form, RefreshMode refreshMode);
  // After a run-time error in a tool: the error's description (message 103 when empty) in the
  // message box, the progress window hidden, the results so far (resultsLog too) shown. Leaves the
  // logs empty.
  void showRunError(ToolForm* form, const std::string& description);
  // An information notice of a count: (message 101 when isFolder, else 40) message 98 count.
  void showFindMessage(const std::string& count, bool isFolder);

  // ---------------------------------------------------------------- what was done

  // The recorder told about every step that succeeds (nullptr: none). Not owned; see
  // ScopedStepRecorder.
  void setStepRecorder(StepRecorder* recorder) { recorder_ = recorder; }
  [[nodiscard]] StepRecorder* stepRecorder() const { return recorder_; }

 private:
  // The mount on which the user agreed, for form's run, that files are deleted for good.
  struct TrashlessAgreement {
    ToolForm* form = nullptr;
    std::string mountPoint;
  };
  void record(StepKind kind, const std::string& from, const std::string& to);
  // Announces step to the recorder (stepStarting) before it acts, so that a kill right after the
  // step finds it recorded; settleStep then says whether it happened.
  void announce(const StepRecord& step);
  void settleStep(const StepRecord& step, bool done);
  // A rename of from to to as announce takes it: with from's identity, looked up only when a
  // recorder listens.
  [[nodiscard]] StepRecord renameStep(const std::string& from, const std::string& to) const;
  // Before a file is replaced: a hard link or copy of it into the trash where removeFile would
  // send it there (entry filled), nothing where it would delete it. 0, or 1 after the failure line.
  int keepReplacedInTrash(const std::string& path, platform::TrashEntry& entry);
  // checkFileUsable for Access::None.
  int entryUsable(const std::string& path, const UsableChecks& checks);
  void endRun();
  // Writes the ".hidden" changes of the renames and removals so far (see rename).
  void writeHiddenMoves();
  void readRunFlags();
  // With sweep, the proven leftovers of a killed run go from the folders walked (a writing run).
  void walkTree(bool withHidden, std::size_t cadence, bool sweep);
  void appendSubfolders(const std::string& folder, bool withHidden);
  void logUnreadable(const std::string& folder, int err);
  // Opens the folder list's entry at the 1-based index through the run's scope, checked to be the
  // folder the walk opened there: 1, or 0 after the line that says why it is left alone.
  int enterFolder(const std::string& folder, DirCursor index);
  void dropVolumeInfoFolders();
  void clearLogs();

  RunHost& host_;
  FolderLister lister_;
  MountProbe mounts_;
  StepRecorder* recorder_ = nullptr;
  std::optional<TrashlessAgreement> agreement_;
  ToolForm* opForm_ = nullptr;
  DirList dirList_;
  // The identity of each entry of dirList_ as the walk opened it (all zero where unknown).
  std::vector<platform::FileIdentity> dirIds_;
  RunFlags flags_;
  SpillFiles spills_;
  ResultsLog resultsLog_;
  ResultsLog resultsText_;
  std::string resultLines_;
  std::function<void()> beforeResult_;
  std::set<std::string> missingLogged_;
  long long progressTotal_ = 0;
  double progressDone_ = 0;
  int barWidth_ = 0;
  std::string percentText_;
  // The run's folders, opened once (see platform/step_scope.h): from buildDirList to the finish.
  std::unique_ptr<platform::StepScope> scope_;
  // The ".hidden" lines that renames and removals change; declared after scope_, so that what is
  // still pending is written while the run's folders are open.
  std::unique_ptr<platform::HiddenEntryMoves> hiddenMoves_;
};

// Installs recorder on pipe for its lifetime, putting back whatever was installed before.
class ScopedStepRecorder {
 public:
  ScopedStepRecorder(Pipeline& pipe, StepRecorder& recorder)
      : pipe_(pipe), previous_(pipe.stepRecorder()) {
    pipe.setStepRecorder(&recorder);
  }
  ~ScopedStepRecorder() { pipe_.setStepRecorder(previous_); }
  ScopedStepRecorder(const ScopedStepRecorder&) = delete;
  ScopedStepRecorder& operator=(const ScopedStepRecorder&) = delete;

 private:
  Pipeline& pipe_;
  StepRecorder* previous_;
};

}  // namespace core
