// What the file list, its filter panel and the selection commands need of the main window that
// holds them: the folder tree's folder, the refresh entry point (Wendle), the panel layout, the
// Targets menu, the link to the properties editor, the Esc flag, the run in progress and the
// run's progress window. The main window implements it; tests implement it with a small fake.
//
// Calls in the other direction (the window calling the list) go to FileListController
// (file_list_controller.h): updateFiles, myPattern, listCount, the job entries, hasLoaded, the
// end of a run (runEnded) and the filter panel's commands.
#pragma once

#include <QPoint>

#include <string>

class QWidget;

namespace core {
class RunHost;
}

namespace mainwin {

class FileListHost {
 public:
  virtual ~FileListHost() = default;

  // The main window (the caller of message boxes and the parent of the progress window).
  [[nodiscard]] virtual QWidget* hostWindow() = 0;

  // The folder tree's current folder (dir1.Path), with one trailing "/"; "" when there is none.
  [[nodiscard]] virtual std::string currentFolder() const = 0;
  // Points the folder tree at folder (dir1.Path := folder). The tree's change handler refills
  // the list as usual (FileListController::updateFiles(true, "")) once hasLoaded is 1.
  virtual void setCurrentFolder(const std::string& folder) = 0;

  // Refreshes the main window: doDirTree non-zero re-reads the folder tree first (hasLoaded held
  // at 0 meanwhile), then the list is refilled. Returns what updateFiles returned (0, 1 or 2).
  virtual int Wendle(int doDirTree) = 0;

  // Lays the window out with the filter panel shown (show true) or hidden: framMisc, the arrow
  // labels arrEnFilts/arrDisFilts and the menu tick of menuFilter follow. Must not refill the
  // list; the caller has already recorded panelShown.
  virtual void layoutPanels(bool show) = 0;

  // Sends the full path of the selected (or just renamed) entry to the properties editor.
  // Failures are swallowed.
  virtual void sendToPropertiesEditor(const std::string& path) = 0;

  // Right click on the list: makes menuSep9, menuQuickRen and menuQuickDel visible and pops up
  // the Targets menu (menuList) at globalPos.
  virtual void popupTargetsMenu(const QPoint& globalPos) = 0;

  // Delete pressed while the list (not its editor) has the focus: the quick-delete command
  // (menuQuickDel).
  virtual void quickDelete() = 0;

  // escCloses: false while an in-place rename is open, so that Esc cancels the edit instead of
  // closing the window.
  virtual void setEscCloses(bool closes) = 0;

  // True while a tool's run is in progress. Commands that refill the list or change the filters
  // then wait; the main window calls FileListController::runEnded() when the run is over, and
  // the waiting refill happens then.
  [[nodiscard]] virtual bool runInProgress() const = 0;

  // The run's screen side (progress window, isCancel, doEvents) for a tool's job walk; nullptr
  // when there is none (the walk then shows no progress and cannot be cancelled).
  [[nodiscard]] virtual core::RunHost* runHost() = 0;

  // A results line of the run in progress (a job walk's file whose date cannot be read: common
  // message 39 with the path). The default drops it.
  virtual void addResult(const std::string& line) { (void)line; }
};

}  // namespace mainwin
