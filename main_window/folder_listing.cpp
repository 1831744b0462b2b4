#include "main_window/folder_listing.h"

#include "core/file_paths.h"
#include "platform/dir_listing.h"
#include "platform/hidden_list.h"

#include <optional>

namespace mainwin {

namespace {

using platform::DirEntryKind;

unsigned statWant(std::uint8_t compute, const ResolvedFilter& f) {
  unsigned want = 0;
  if ((compute & kDetailSize) || f.sizeOn) want |= platform::kStatSize;
  if (compute & kDetailTimes) want |= platform::kStatTimes | platform::kStatCreated;
  if (f.dateOn && f.dateValid)
    want |= f.dateType == kDateCreated ? platform::kStatCreated : platform::kStatTimes;
  return want;
}

// Some file systems (and files unpacked from images) report a birth time of exactly the epoch
// when none was recorded: that is no creation time to show, sort or filter by.
bool hasBirthTime(const platform::EntryStatus& st) { return st.hasCreated && st.created != 0; }

void setDetails(FileEntry& e, const platform::EntryStatus& st, std::uint8_t what,
                const platform::FolderReader& reader) {
  if (what & kDetailSize) {
    e.size = st.size;
    e.known |= kDetailSize;
  }
  if (what & kDetailTimes) {
    e.modified = st.modified;
    e.created = st.created;
    e.hasCreated = hasBirthTime(st);
    e.known |= kDetailTimes;
  }
  if (what & kDetailAttrs) {
    e.attrs &= static_cast<std::uint8_t>(~(kEntryReadOnly | kEntryArchive));
    if (st.readOnly) e.attrs |= kEntryReadOnly;
    if (st.isRegular && reader.archive(e.name)) e.attrs |= kEntryArchive;
    e.known |= kDetailAttrs;
  }
}

}  // namespace

std::string normalizeFolder(std::string_view folder) {
  std::string f(folder);
  while (f.size() > 1 && f.back() == '/') f.pop_back();
  if (f != "/") f += '/';
  return f;
}

Listing listFolder(std::string_view folder, const ResolvedFilter& filter, std::uint8_t compute,
                   SortState sort, ListingObserver* observer) {
  Listing out;
  out.folder = normalizeFolder(folder);
  platform::FolderReader reader;
  if (folder.empty()) return out;
  out.error = reader.open(out.folder);
  if (out.error != 0) return out;

  std::vector<platform::DirName> names;
  const int readError = reader.readNames(names);
  const auto hiddenSet = reader.hiddenNames();

  const std::size_t total = names.size();
  const bool progress = observer && total + 2 >= kProgressEntries;
  const std::size_t cadence = filter.activeCount() ? kStepFiltered : kStepPlain;
  const unsigned want = statWant(compute, filter);
  const bool statAlways = want != 0 || (compute & kDetailAttrs);
  if (progress) observer->started(total);
  out.entries.reserve(total);

  const auto visit = [&](platform::DirName& d) {
    if (d.kind == DirEntryKind::Folder) return;
    const bool hidden = platform::isHiddenEntry(d.name, hiddenSet);
    if (hidden && !filter.hiddenAllowed) return;
    if (filter.pattern && !filter.pattern->matches(d.name)) return;
    if (filter.dateOn && !filter.dateValid) return;  // a box that is not a date keeps nothing
    platform::EntryStatus st;
    if (statAlways || d.kind == DirEntryKind::Unknown || d.kind == DirEntryKind::Symlink) {
      st = reader.status(d.name, want);
      if (!st.ok || st.isFolder) return;  // vanished, or a folder seen through a link
    } else {
      st.isRegular = d.kind == DirEntryKind::File;
    }
    if (filter.sizeOn && !filter.sizeKeeps(st.size)) return;
    if (filter.dateOn) {
      std::optional<std::int64_t> day;
      if (filter.dateType == kDateCreated) {
        if (hasBirthTime(st)) day = localDayNumber(st.created);
      } else {
        day = localDayNumber(filter.dateType == kDateAccessed ? st.accessed : st.modified);
      }
      if (!day) {
        if (observer) observer->dateUnreadable(out.folder, d.name);
        return;
      }
      if (!filter.dateKeeps(*day)) return;
    }
    FileEntry& e = out.entries.emplace_back();
    e.name = std::move(d.name);  // last use: the entry owns the name now
    if (hidden) e.attrs |= kEntryHidden;
    const bool system = d.kind == DirEntryKind::Other || (st.ok && !st.isRegular && !st.isSymlink);
    if (system) e.attrs |= kEntrySystem;
    if (compute) setDetails(e, st, compute, reader);
  };

  bool cancelled = false;
  std::size_t counter = 0;
  for (std::size_t i = 0; i < total; ++i) {
    visit(names[i]);
    if (progress && ++counter >= cadence) {
      counter = 0;
      if (observer->step(i, total)) {
        cancelled = true;
        break;
      }
    }
  }
  std::vector<platform::DirName>().swap(names);  // every kept name moved out: free before sorting
  sortEntries(out.entries, sort);
  out.result = cancelled ? kListCancelled : readError != 0 ? kListFailed : kListDone;
  return out;
}

int fillDetails(std::string_view folder, std::vector<FileEntry>& entries, std::uint8_t what,
                ListingObserver* observer) {
  platform::FolderReader reader;
  if (folder.empty() || reader.open(normalizeFolder(folder)) != 0) return kListFailed;
  unsigned want = 0;
  if (what & kDetailSize) want |= platform::kStatSize;
  if (what & kDetailTimes) want |= platform::kStatTimes | platform::kStatCreated;
  const std::size_t n = entries.size();
  const bool progress = observer && n > kFillProgressEntries;
  if (progress) observer->started(n);
  std::size_t counter = 0;
  for (std::size_t i = 0; i < n; ++i) {
    FileEntry& e = entries[i];
    const std::uint8_t missing = what & static_cast<std::uint8_t>(~e.known);
    if (missing) {
      const platform::EntryStatus st = reader.status(e.name, want);
      if (st.ok) setDetails(e, st, missing, reader);
    }
    if (progress && ++counter >= kStepFiltered) {
      counter = 0;
      if (observer->step(i, n)) return kListCancelled;
    }
  }
  return kListDone;
}

bool renameListedFile(const std::string& folder, FileEntry& entry, const std::string& newName) {
  if (newName.empty() || newName == "." || newName == ".." || newName.find('/') != std::string::npos ||
      newName.find('\0') != std::string::npos) {
    return false;
  }
  if (core::Rename(folder + entry.name, folder + newName) != 0) return false;
  if (newName.front() == '.') entry.attrs |= kEntryHidden;
  else if (!entry.name.empty() && entry.name.front() == '.') entry.attrs &= static_cast<std::uint8_t>(~kEntryHidden);
  return true;
}

std::vector<std::string> folderFileNames(std::string_view folder) {
  const ResolvedFilter none;
  Listing l = listFolder(folder, none, 0, SortState{}, nullptr);
  std::vector<std::string> names;
  names.reserve(l.entries.size());
  for (FileEntry& e : l.entries) names.push_back(std::move(e.name));
  return names;
}

}  // namespace mainwin
