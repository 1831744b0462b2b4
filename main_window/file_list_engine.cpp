#include "main_window/file_list_engine.h"

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
  fill.computed = plan.compute;
  fill.sortFellBack = plan.fellBack;
  fill.listing = listFolder(folder, filter, plan.compute, sort_, observer);
  listCount_ = static_cast<long>(fill.listing.entries.size());
  return fill;
}

int FileListEngine::fillJobWalk(std::string& folder, ListingObserver* observer) {
  const ResolvedFilter filter = resolveFilters(filters_);
  myPattern_ = filter.myPattern;
  std::vector<FileEntry>().swap(job_);  // the last walk's entries are stale now: free them first
  Listing l = listFolder(folder, filter, jobWalkDetails(sort_), sort_, observer);
  folder = l.folder;
  job_ = std::move(l.entries);
  listCount_ = static_cast<long>(job_.size());
  return l.result;
}

}  // namespace mainwin
