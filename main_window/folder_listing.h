// Listing one folder into file-list entries: the engine of `updateFiles`. The folder is read to
// the end of its enumeration, folders (and symlinks to folders) are dropped, the hidden, pattern,
// size and date filters are applied, the requested detail columns are computed, and the result is
// sorted as the visible list sorts. Only what the filters, the computed columns or the sort need
// is stat'ed; readdir's type covers the rest, and an entry of unknown type is stat'ed. FIFOs and
// devices are listed but never opened. Names are kept exactly as the file system gives them. The
// program's own temporary files (platform/own_temporary.h) are left out, and only those.
#pragma once

#include "main_window/file_entry.h"
#include "main_window/file_sort.h"
#include "main_window/filter_settings.h"
#include "platform/dir_listing.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mainwin {

// Results of updateFiles and of a fill.
enum ListingResult : int { kListFailed = 0, kListDone = 1, kListCancelled = 2 };

// Progress is shown from this many entries, counting "." and ".." as the folder holds them.
inline constexpr std::size_t kProgressEntries = 501;
// Yield cadence while progress is shown: every 99 visited entries, or 30 when a filter tests them.
inline constexpr std::size_t kStepPlain = 99;
inline constexpr std::size_t kStepFiltered = 30;
// While a folder is read, the observer hears of it every this many names.
inline constexpr std::size_t kReadPollNames = 2048;
// A column fill shows progress for more than this many entries, and yields every kStepFiltered.
inline constexpr std::size_t kFillProgressEntries = 50;

// From this many entries a listing may leave the deferrable details for later (see DeferredDetails).
inline constexpr std::size_t kLazyDetailsFrom = 50000;

// Details a listing of a large folder leaves unknown: status calls for a million files would keep
// the window from showing anything for seconds. The visible list fills them for the rows a view
// shows, then through fillDetails.
struct DeferredDetails {
  std::uint8_t bits = 0;                        // DetailBits that may be left for later
  std::size_t fromEntries = kLazyDetailsFrom;   // ... when the folder holds at least this many names
};

// The window (progress window, results log) as a listing sees it. Every hook has a do-nothing
// default, so a caller overrides only what it shows.
class ListingObserver {
 public:
  virtual ~ListingObserver() = default;
  // Progress is due: `entries` names will be visited (called once, before the first step).
  virtual void started(std::size_t entries) { (void)entries; }
  // The folder is being read (`namesRead` names so far, called every kReadPollNames names), or
  // its names are being put in order after reading (called about every 25 ms). Yield to events
  // here. Return true to stop: the listing then returns kListCancelled with no entries.
  virtual bool reading(std::size_t namesRead) {
    (void)namesRead;
    return false;
  }
  // Entry `index` (0-based) of `entries` was just visited; yield to events here. Return true to
  // stop after this entry (the listing then returns kListCancelled with what it kept so far).
  virtual bool step(std::size_t index, std::size_t entries) {
    (void)index, (void)entries;
    return false;
  }
  // The date filter could not read the tested time of `name` (e.g. no birth time): the entry is
  // left out. A job walk adds a results line (message 39 with the folder and the name).
  virtual void dateUnreadable(const std::string& folder, const std::string& name) {
    (void)folder, (void)name;
  }
};

struct Listing {
  int result = kListFailed;         // ListingResult
  int error = 0;                    // errno when the folder could not be opened (result kListFailed)
  std::string folder;               // the folder with exactly one trailing "/"
  std::vector<FileEntry> entries;   // kept entries, sorted
  std::uint8_t computed = 0;        // DetailBits computed for every kept entry
};

// The folder text as updateFiles hands it back: exactly one trailing "/" ("/" stays "/").
[[nodiscard]] std::string normalizeFolder(std::string_view folder);

// Lists `folder` with `filter`, computing the DetailBits in `compute` (less those of `deferred`
// for a large folder: Listing::computed tells), sorted by `sort`, which must not depend on a
// deferred detail. Result kListFailed with no entries for a missing or unreadable folder; kListFailed with the
// entries kept so far when the enumeration itself fails midway; kListCancelled when the observer
// asked to stop (with the entries kept so far, in order; none when it stopped while the names
// were read or ordered); else kListDone. Entries that vanish between reading and stat are
// skipped. A listing by name orders the names on a worker thread while they are read, then
// visits them in that order; other sorts follow the visit.
[[nodiscard]] Listing listFolder(std::string_view folder, const ResolvedFilter& filter,
                                 std::uint8_t compute, SortState sort,
                                 ListingObserver* observer = nullptr, DeferredDetails deferred = {});

// Computes the DetailBits `what` of every entry of `entries` (files of `folder`) that lacks them
// (a lazy column being widened, or a sort on a partly filled column). Entries that vanished keep
// the detail unknown. With more than kFillProgressEntries entries the observer gets started() and
// a step() every kStepFiltered entries. Returns kListDone, kListCancelled (the entries filled so
// far keep their values) or kListFailed (the folder cannot be opened).
int fillDetails(std::string_view folder, std::vector<FileEntry>& entries, std::uint8_t what,
                ListingObserver* observer = nullptr);

// Fills the details of single entries of one folder as they are needed (the rows a view shows
// first). The folder is opened on the first fill and held until the filler goes.
class DetailFiller {
 public:
  DetailFiller() = default;
  // `folder` with a trailing "/".
  explicit DetailFiller(std::string folder) : folder_(std::move(folder)) {}
  // Computes the DetailBits `what` that `entry` lacks; a vanished entry keeps them unknown.
  void fill(FileEntry& entry, std::uint8_t what);

 private:
  std::string folder_;
  platform::FolderReader reader_;
  bool tried_ = false;
};

// Renames the listed file `entry` of `folder` (with a trailing "/") to newName in place: refuses
// "", ".", "..", and names holding "/" or NUL, and never replaces an existing file. On success
// the entry's hidden flag follows a leading dot of the new name (a name hidden only by the
// folder's ".hidden" file stays hidden: its line there moves to the new name); its name is left
// for the caller to set. True when renamed.
[[nodiscard]] bool renameListedFile(const std::string& folder, FileEntry& entry, const std::string& newName);

// Names of the files of `folder` (folders and symlinks to folders left out), with no filter:
// what a pattern built from names must not reach by accident. Empty when unreadable.
[[nodiscard]] std::vector<std::string> folderFileNames(std::string_view folder);

}  // namespace mainwin
