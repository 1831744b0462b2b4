// The state behind the main window's `updateFiles`: the filter settings, the sort, the visible
// list's column widths, the pattern in effect (`myPattern`), `listCount`, and the job walk's own
// entries (`ListViewRoot`). The visible list's entries are returned to the window, which swaps
// them into its table model in one reset; a job walk never touches them.
//
// How the two users call it:
//   window   updateFiles(1, folder): read the controls into filters(), set the header widths,
//            then fillVisible(); swap result.listing.entries into the model (which fills the
//            result.deferred details of the rows it shows); mark the columns in result.computed
//            as filled (a column fill completes the others); redraw the sort arrows from sort() (it may have fallen
//            back to Name).
//   pipeline updateFiles(0, folder): fillJobWalk(folder) and walk jobEntries() (listCount()
//            of them), then read myPattern().
#pragma once

#include "main_window/file_entry.h"
#include "main_window/file_sort.h"
#include "main_window/filter_settings.h"
#include "main_window/folder_listing.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mainwin {

class FileListEngine {
 public:
  FilterSettings& filters() { return filters_; }
  [[nodiscard]] const FilterSettings& filters() const { return filters_; }
  SortState& sort() { return sort_; }
  [[nodiscard]] SortState sort() const { return sort_; }
  // Column c's width in twips (c = 1..5), as the visible list's header has it.
  void setColumnWidth(int column, int twips);
  [[nodiscard]] const std::array<int, 6>& columnWidths() const { return widths_; }

  struct VisibleFill {
    Listing listing;
    std::uint8_t computed = 0;  // DetailBits computed during the fill (columnFilled)
    std::uint8_t deferred = 0;  // DetailBits of shown columns a large folder left for later
    bool sortFellBack = false;  // the sort column was hidden: the sort is Name ascending now
  };
  // Lists `folder` for the visible list with the current filters. The width rule decides the
  // computed columns and may reset sort() to Name ascending; a folder of kLazyDetailsFrom names
  // or more computes only the sort column's detail and defers the other shown columns. Sets myPattern and listCount
  // (0 for a missing folder, whose listing is empty with result kListFailed). A cancelled
  // listing (result kListCancelled) holds no entries, wherever it stopped.
  [[nodiscard]] VisibleFill fillVisible(std::string_view folder, ListingObserver* observer = nullptr);

  // A tool's job walk of `folder`: replaces jobEntries() with the folder's kept entries, sorted
  // as the visible list, computing only what the sort needs; the folder's ".hidden" is never
  // among them. `folder` is handed back with exactly
  // one trailing "/". Returns kListFailed (missing folder: no entries, listCount 0), kListDone or
  // kListCancelled (no entries, listCount 0).
  int fillJobWalk(std::string& folder, ListingObserver* observer = nullptr);
  [[nodiscard]] const std::vector<FileEntry>& jobEntries() const { return job_; }
  // Hands the job walk's entries over (jobEntries() is empty afterwards; listCount() stays), so
  // that a run over a million files holds them once.
  [[nodiscard]] std::vector<FileEntry> takeJobEntries() { return std::exchange(job_, {}); }

  // Entries in the list that the last fill (visible or job walk) produced.
  [[nodiscard]] long listCount() const { return listCount_; }
  // The pattern in effect as of the last fill ("*" when the pattern filter is off).
  [[nodiscard]] const std::string& myPattern() const { return myPattern_; }
  // What the current settings mean, without listing (e.g. to show myPattern at once).
  [[nodiscard]] ResolvedFilter resolved() const { return resolveFilters(filters_); }

 private:
  FilterSettings filters_;
  SortState sort_;
  std::array<int, 6> widths_{0, 0, 0, 0, 0, 0};
  std::vector<FileEntry> job_;
  long listCount_ = 0;
  std::string myPattern_ = "*";
};

}  // namespace mainwin
