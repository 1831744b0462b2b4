// The main window's list engine as the window and the tools' runs see it: updateFiles for the
// visible list (into the table model, swapped in one reset) and for a tool's job walk (kept apart
// in its own entries), myPattern, listCount, hasLoaded, the lazy detail columns and their timer,
// sorting by header clicks and the sort menu, in-place rename, and the refills that commands ask
// for. A refill asked for while a tool's run is going, or inside a listing's own yield to events,
// waits: it happens once, after the run (runEnded) or the listing ends.
//
// The main window creates one controller with its FileListHost, places createPane() and
// createPanel() among its controls and forwards its core::RunHost listing calls here.
#pragma once

#include "core/run_host.h"
#include "main_window/file_list_engine.h"
#include "main_window/widgets/file_list_host.h"
#include "main_window/widgets/file_list_pane.h"
#include "main_window/widgets/filter_panel.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mainwin {

class FileListModel;

class FileListController : public QObject {
  Q_OBJECT

 public:
  explicit FileListController(FileListHost& host, QObject* parent = nullptr);
  ~FileListController() override;

  // The visible list ("ListViewFiles") and the filter panel ("framMisc"), created once.
  FileListPane* createPane(QWidget* parent);
  FilterPanel* createPanel(QWidget* parent);
  [[nodiscard]] FileListPane* pane() const { return pane_; }
  [[nodiscard]] FilterPanel* panel() const { return panel_; }
  [[nodiscard]] FileListModel* model() const { return model_; }
  [[nodiscard]] FileListHost& host() const { return host_; }
  [[nodiscard]] FileListEngine& engine() { return engine_; }

  // hasLoaded: while 0, updateFiles does nothing and returns 1.
  [[nodiscard]] int hasLoaded() const { return hasLoaded_; }
  void setHasLoaded(int value) { hasLoaded_ = value; }
  // panelShown: while false no filter of the panel applies. Recording it lays nothing out.
  [[nodiscard]] bool panelShown() const { return engine_.filters().panelShown; }
  void setPanelShown(bool shown);

  // updateFiles: visible true refills the visible list from folder ("" = the folder tree's);
  // false is a tool's job walk of folder into jobEntries, apart from the visible list.
  // Returns 0 (missing folder or failure: empty list, listCount 0), 1 (listed; also while
  // hasLoaded is 0, when nothing is done) or 2 (the user cancelled). A visible refill asked for
  // during a listing's own yield is deferred until that listing ends (the result is then 1).
  int updateFiles(bool visible, const std::string& folder = {});
  // The pattern in effect now ("*" when the pattern filter is off): what the panel shows.
  [[nodiscard]] std::string myPattern();
  // Entries of the last fill (visible or job walk).
  [[nodiscard]] long listCount() const { return engine_.listCount(); }
  // The last job walk's entries, sorted as the visible list (the pipeline's listViewRoot).
  [[nodiscard]] const std::vector<core::ListEntry>& jobEntries() const { return jobEntries_; }
  // The first n names of the visible list (tools' previews), in list order.
  [[nodiscard]] std::vector<std::string> firstVisibleNames(int n = 5) const;

  // Refill the visible list now, or as soon as no run and no listing is in progress.
  void requestRefill();
  // Runs action now, or once no run and no listing is in progress (commands that change the
  // filters or the list: F4, F5, the Targets and sort menus).
  void whenIdle(std::function<void()> action);
  [[nodiscard]] bool busy() const;
  // The main window calls this when a tool's run has ended: deferred work runs now.
  void runEnded();

  // The delayed refill after typing: every call restarts the pause (1.5 s); any refill cancels
  // it, and so does hiding the panel.
  void scheduleRefill();
  void cancelDelayedRefill();
  [[nodiscard]] bool delayedRefillPending() const { return delayTimer_.isActive(); }
  [[nodiscard]] QTimer& delayTimer() { return delayTimer_; }

  // Sorting: a header click (first click ascending, then flipping); the sort menu (widens a
  // hidden column first). A partly filled column is filled before it is sorted on; when that
  // fill is cancelled the order stays.
  void headerClick(int column);
  void sortMenu(int column);
  [[nodiscard]] SortState sort() const { return engine_.sort(); }
  // The sort restored from the settings (no re-sort; the next fill applies it).
  void setSort(SortState sort);
  // The column menu: shown columns narrower than 310 twips get 2200; hidden ones width 0.
  void setColumnShown(int column, bool shown);

  // The lazy columns: the timer (1 s) fills one widened, unfilled column per tick; a list of
  // kLazyDetailsFrom entries or more fills it in slices between the window's events, with no
  // progress window (the window stays usable meanwhile).
  [[nodiscard]] QTimer& columnTimer() { return colTimer_; }
  void columnTimerTick();
  // Fills column 2, 5 or both time columns (3/4) of the visible list. Returns 1 filled,
  // 2 cancelled (the column is then left to the timer until widened again or refilled),
  // 0 nothing to fill.
  int fillDetailColumns(int column);
  // DetailBits filled for the current visible list.
  [[nodiscard]] std::uint8_t columnsFilled() const { return filled_; }

  // View menus: 3 details, 0 large icons, 2 list.
  void setView(int view);

  // Says above the list why folder cannot be listed (error: the errno of opening it); error 0
  // clears the note. A refill sets or clears it by its own outcome.
  void noteFolderProblem(const std::string& folder, int error);

  // In-place rename of a visible row to newName (bytes): refuses "", ".", "..", names holding
  // "/" or NUL, and never replaces an existing file. True when renamed.
  bool renameEntry(int row, const std::string& newName);

 Q_SIGNALS:
  // The visible list was refilled (after the model reset).
  void listRefilled();

 private:
  class VisibleProgress;
  class JobProgress;
  void syncFilters();
  int fillVisibleNow(const std::string& folder);
  void afterListing();
  void runDeferred();
  void fillSlice();
  void stopSlices();
  void onColumnResized(int column, int oldTwips, int newTwips);
  void onDoubleClick(int row);
  void onDrop(const QStringList& paths);

  FileListHost& host_;
  FileListEngine engine_;
  FileListModel* model_;
  QPointer<FileListPane> pane_;
  QPointer<FilterPanel> panel_;
  std::vector<core::ListEntry> jobEntries_;
  QTimer delayTimer_;
  QTimer colTimer_;
  std::vector<std::function<void()>> deferred_;
  int hasLoaded_ = 0;
  int listingDepth_ = 0;       // > 0 while a listing or a column fill yields to events
  bool refillWanted_ = false;  // a refill came while busy
  std::uint8_t filled_ = 0;    // DetailBits present in the visible list
  std::uint8_t cancelled_ = 0; // DetailBits whose fill was cancelled: the timer leaves them
  QTimer sliceTimer_;          // fills a large list's column a slice at a time
  std::uint8_t sliceBits_ = 0; // DetailBits being filled in slices
  std::size_t sliceAt_ = 0;    // the next entry of the slices
  DetailFiller sliceFiller_;
};

}  // namespace mainwin
