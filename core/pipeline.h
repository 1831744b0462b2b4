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

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace core {

// The folders of a run in walking order. A container, not a joined text: any byte may occur in a
// Linux name. Tools may rewrite entries behind their cursor (a folder rename writes the new path
// into the entries below it).
using DirList = std::vector<std::string>;

// Flags read from the settings (and the main window's drive) at the start of every run.
struct RunFlags {
  bool useRecycle = true;      // "sendDeleted" holds 0 or is absent: deleted files go to the trash
  bool recycleContent = true;  // "sendContent" holds 0 or is absent: replaced files go to the trash first
  bool protectOn = true;       // "smartProtect" is neither "0" nor "2": system and binary files protected
  bool fixedDrive = true;      // the main window's folder is on a local, non-removable mount
};

// How the main window is refreshed after a run.
enum RefreshMode : int { kNoRefresh = 0, kRefreshListAndTree = 1, kRefreshListOnly = 2 };

// The refresh after a run: a run over folders re-reads the tree and the list, a run over files the
// list only, anything else none. Explicit, so that no tool depends on an argument order.
[[nodiscard]] int subDirMode(bool runOverFolders, bool runOverFiles);

// The common message of the line that tells, once per run, that creation times were not set.
inline constexpr int kMsgCreationTimesNotSet = 111;

// Kinds of removeFile.
enum RemoveKind : int { kRemoveDelete = 0, kRemoveDeleted = 1, kRemoveReplaced = 2, kRemoveRecycle = 3 };

class Pipeline {
 public:
  explicit Pipeline(RunHost& host) : host_(host) {}
  Pipeline(const Pipeline&) = delete;
  Pipeline& operator=(const Pipeline&) = delete;

  [[nodiscard]] RunHost& host() { return host_; }

  // ---------------------------------------------------------------- run set-up and folder list

  // Opens a run for form on startFolder. Records the form, reads the run flags, finds the first
  // free spill number, disables the form, shows the progress window, refreshes the main list first
  // when refreshFirst (a cancelled refresh sets isCancel 1 and leaves an empty folder list and empty
  // logs), and with buildList builds the folder list:
  //   - the start folder alone, or with withSubfolders the whole tree below it breadth-first
  //     (hidden folders only with withHidden);
  //   - with folderItems and no subfolders, the start folder and its direct subfolders;
  //   - slashEnds: every entry ends with "/"; else none does except "/" itself.
  // Symlinked folders are never followed; a folder that cannot be read is logged with addResult and
  // the walk goes on. Cancel or Skip during the walk leaves an empty list. A missing start folder
  // gives a one-entry list. An empty startFolder (runs that walk their own journal) gives one empty
  // entry. With buildList false the current list and logs are kept (runs 2..n of a run list).
  void buildDirList(ToolForm* form, const std::string& startFolder, bool withSubfolders,
                    bool withHidden, bool folderItems, bool slashEnds, bool refreshFirst,
                    bool buildList);

  [[nodiscard]] DirList& dirList() { return dirList_; }
  [[nodiscard]] const DirList& dirList() const { return dirList_; }
  [[nodiscard]] const RunFlags& flags() const { return flags_; }
  void setFlags(const RunFlags& flags) { flags_ = flags; }
  [[nodiscard]] ToolForm* opForm() const { return opForm_; }
  // Replaces how folder walks read a folder's subfolders (tests simulate unreadable folders);
  // an empty lister reads the file system.
  void setFolderLister(FolderLister lister) { lister_ = std::move(lister); }

  // Takes the entry at the 1-based position into folder and moves position past it. more becomes
  // the entry's 1-based index, or 0 when the list is exhausted (which ends the caller's loop).
  // Returns 1 when an entry was taken, 0 at the end.
  int nextDir(std::size_t& more, std::string& folder, std::size_t& position);
  // As nextDir, but 1 only for a folder that exists (a missing one is logged once); the folder is
  // then shown on the progress window.
  int nextDirChecked(std::size_t& more, std::string& folder, std::size_t& position);
  // As nextDir, then has the main window list the folder with its filters. 1 when the folder's
  // files were listed (a folder without files counts one progress step at once), else 0: a missing
  // folder (the caller asks for the next one), or a listing the user cancelled, which also sets
  // isCancel (when still 0) and more to 0 so that the folder loop ends.
  int nextDirProgress(std::size_t& more, std::string& folder, std::size_t& position);
  // Deepest folders first.
  void reverseDirList();
  // Removes the first entry (the run's own folder).
  void dropFirstDir();

  // ---------------------------------------------------------------- per-file checks and steps

  // 1 when the tool may touch the file, 0 to pass it over. Measures the file into
  // coreState().fileSize / fileIsBig. Refused, in this order:
  //   - anything that is not a regular file (FIFO, device, socket, symlink): a system file, logged
  //     with message 23 when log, whether protection is on or off; it is never opened;
  //   - a file that cannot be opened with access: message 102, logged whatever log says;
  //   - an empty file when skipEmpty (message 115 when log);
  //   - with protection on, a binary file when binaryTest (one of its first 35 bytes is below 9 or
  //     from 14 to 31; message 23 when log).
  // Opens the file once and reads at most 35 bytes. access defaults to read and write, what tools
  // that change contents need; readers pass Access::Read.
  int checkFileUsable(const std::string& path, bool binaryTest, bool skipEmpty, bool systemTest,
                      bool log, Access access = Access::ReadWrite);

  // Removes a file as the run's settings say (kind: RemoveKind). Label "_t" marks the tool's own
  // temporary file, which is always deleted. A file meant for the trash whose trash does not work
  // is kept, never deleted for good. 0 removed; 1 failed, logged (message 79 label 80 path note).
  int removeFile(const std::string& path, std::string label, std::string note, int kind);
  // Moves path to the trash: 0 done, else an error number (the file is kept).
  int recycleFile(const std::string& path);
  // 58 (nothing done) when the names are equal; else Rename's result, a failure logged with
  // message 83 label ": " old 84 new (label gets message 81 for a file, 82 for a folder).
  int renameLogged(const std::string& oldPath, const std::string& newPath, std::string label,
                   bool isFile);
  // The bytes read (1-based start, length 0 the rest), or "A_Err" logged with message 85 & path.
  std::string readFileLogged(const std::string& path, std::uint64_t start, std::uint64_t length);
  // Copies source to a new destination in pieces of 1,000,000 bytes, yielding and polling isCancel
  // after each piece. Never replaces an existing destination. 0 copied; 1 not copied (a partly
  // written destination is deleted).
  int copyFileChunked(const std::string& source, const std::string& destination);
  // 1 go on, 0 the user declined being told that path's file system has no working trash while
  // recycling is configured.
  int checkDriveForRecycle(const std::string& path);
  // 0 when a file can be created and deleted in folder; 7 after a notice otherwise.
  int checkFolderWritable(const std::string& folder);
  // Writes text to path, asking Overwrite/Append/Cancel when path exists. The new contents go to a
  // temporary file that replaces path only when complete: Cancel or a failure leaves the old file.
  // 0 saved, 1 not saved; an outcome notice is shown either way.
  int saveTextFile(ToolForm* caller, const std::string& path, std::string_view text);
  // The first free numbered variant of path (folder, base, n, "." extension) for n from counter
  // upwards; counter receives that n. Counter 0 gives "".
  [[nodiscard]] static std::string splitFileName(const std::string& path, long long& counter);

  // ---------------------------------------------------------------- results log

  // Stages line + CR LF; 5,001 staged characters or more move into resultsLog.
  void addResult(std::string_view line);
  // Appends piece to log, spilling past 500,000 characters into this run's spill files.
  void addToLog(ResultsLog& log, std::string_view piece);
  [[nodiscard]] ResultsLog& resultsLog() { return resultsLog_; }
  [[nodiscard]] ResultsLog& resultsText() { return resultsText_; }
  [[nodiscard]] const std::string& resultLines() const { return resultLines_; }
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
  // One item done; more becomes 0 when isCancel is non-zero (Cancel or Skip).
  void stepProgress(int& more);
  // One folder done when it held files; more as in stepProgress.
  void stepProgressDir(int& more);
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
  void finishOperation(ToolForm* form, int refreshMode);
  // After a run-time error in a tool: the error's description (message 103 when empty) in the
  // message box, the progress window hidden, the results so far (resultsLog too) shown. Leaves the
  // logs empty.
  void showRunError(ToolForm* form, const std::string& description);
  // An information notice of a count: (message 101 when isFolder, else 40) message 98 count.
  void showFindMessage(const std::string& count, bool isFolder);

 private:
  void readRunFlags();
  void walkTree(bool withHidden, std::size_t cadence);
  void appendSubfolders(const std::string& folder, bool withHidden);
  void logUnreadable(const std::string& folder);
  void dropVolumeInfoFolders();
  void clearLogs();
  // The creation time cannot be set here: a run that asked for it gets one line saying so.
  void logCreationTimeNotice();

  RunHost& host_;
  FolderLister lister_;
  ToolForm* opForm_ = nullptr;
  DirList dirList_;
  RunFlags flags_;
  SpillFiles spills_;
  ResultsLog resultsLog_;
  ResultsLog resultsText_;
  std::string resultLines_;
  std::set<std::string> missingLogged_;
  long long progressTotal_ = 0;
  double progressDone_ = 0;
  int barWidth_ = 0;
  std::string percentText_;
};

}  // namespace core
