#include "main_window/file_list_engine.h"

#include "platform/hidden_list.h"

namespace mainwin {

void FileListEngine::setColumnWidth(int column, int twips) {
  if (column >= 1 && column <= 5) widths_[static_cast<std::size_t>(column)] = twips;
}

FileListEngine::VisibleFill FileListEngine::fillVisible(std::string_view folder,
                                                        ListingObserver* observer) {
  const ResolvedFilter filter = resolveFilters(filters_);
  myPattern_ = filter.myPattern;
  const ColumnPlan plan = planVisibleColumns(widths_, sort_);
  sort_ = plan.sort;
  VisibleFill fill;
  fill.sortFellBack = plan.fellBack;
  const DeferredDetails deferred{.bits = static_cast<std::uint8_t>(plan.compute & ~detailOfColumn(sort_.column))};
  fill.listing = listFolder(folder, filter, plan.compute, sort_, observer, deferred);
  if (fill.listing.result == kListCancelled) std::vector<FileEntry>().swap(fill.listing.entries);
  fill.computed = fill.listing.computed;
  fill.deferred = static_cast<std::uint8_t>(plan.compute & ~fill.computed);
  listCount_ = static_cast<long>(fill.listing.entries.size());
  return fill;
}

int FileListEngine::fillJobWalk(std::string& folder, ListingObserver* observer) {
  const ResolvedFilter filter = resolveFilters(filters_);
  myPattern_ = filter.myPattern;
  std::vector<FileEntry>().swap(job_);  // the last walk's entries are stale now: free them first
  Listing l = listFolder(folder, filter, jobWalkDetails(sort_), sort_, observer);
  folder = l.folder;
  if (l.result != kListCancelled) job_ = std::move(l.entries);
  // The folder's record of the Hidden flag is no file of the user's: no tool gets it.
  std::erase_if(job_, [](const FileEntry& e) { return platform::isHiddenFileName(e.name); });
  listCount_ = static_cast<long>(job_.size());
  return l.result;
}

}  // namespace mainwin
