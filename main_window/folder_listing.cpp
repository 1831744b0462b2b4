#include "main_window/folder_listing.h"

#include "core/file_paths.h"
#include "main_window/name_order.h"
#include "platform/dir_listing.h"
#include "platform/hidden_list.h"
#include "platform/hidden_moves.h"
#include "platform/own_temporary.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <future>
#include <memory>
#include <optional>

#include <malloc.h>

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

// The names of a folder as read, back to back in blocks of fixed size, each after its kind's
// byte (one cache line brings both when the names are visited out of order), with arrays of
// pointers to them in chunks of NameOrder::kChunk that never move (a NameOrder reads them
// meanwhile). Nothing here grows by copying: a buffer doubled up to a million names leaves its
// earlier sizes behind as heap the listing never gets back.
class NameBuffer {
 public:
  static constexpr std::size_t kChunk = NameOrder::kChunk;
  // Adds a name; true when it filled its chunk.
  bool add(const char* name, DirEntryKind kind) {
    const std::size_t len = std::strlen(name) + 1;  // with its NUL: names never hold one
    if (blocks_.empty() || used_ + len + 1 > blockSize_) {
      // Small blocks first (most folders hold a few dozen names), growing to kBlock; never filled
      // before use, so that only the pages the names reach are ever touched.
      if (!blocks_.empty()) blockSize_ = std::min(blockSize_ * 4, kBlock);
      blockSize_ = std::max(blockSize_, len + 1);
      blocks_.push_back(std::make_unique_for_overwrite<char[]>(blockSize_));
      used_ = 0;
    }
    char* at = blocks_.back().get() + used_;
    at[0] = static_cast<char>(kind);
    std::memcpy(at + 1, name, len);
    used_ += len + 1;
    const std::size_t slot = size_ % kChunk;
    if (slot == 0) chunks_.push_back(std::make_unique_for_overwrite<const char*[]>(kChunk));
    chunks_.back()[slot] = at + 1;
    ++size_;
    return slot == kChunk - 1;
  }
  [[nodiscard]] std::size_t size() const { return size_; }
  [[nodiscard]] const char* name(std::size_t i) const { return chunks_[i / kChunk][i % kChunk]; }
  // The kind of a name this buffer holds.
  [[nodiscard]] static DirEntryKind kindOf(const char* name) { return static_cast<DirEntryKind>(name[-1]); }
  // The names of the last chunk (there must be one) and how many it holds (0 when none).
  [[nodiscard]] const char* const* lastChunk() const { return chunks_.back().get(); }
  [[nodiscard]] std::size_t lastChunkSize() const { return size_ == 0 ? 0 : (size_ - 1) % kChunk + 1; }

 private:
  static constexpr std::size_t kBlock = std::size_t{1} << 20;
  std::size_t blockSize_ = std::size_t{1} << 14;
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t used_ = 0;
  std::vector<std::unique_ptr<const char*[]>> chunks_;
  std::size_t size_ = 0;
};

}  // namespace

std::string normalizeFolder(std::string_view folder) {
  std::string f(folder);
  while (f.size() > 1 && f.back() == '/') f.pop_back();
  if (f != "/") f += '/';
  return f;
}

Listing listFolder(std::string_view folder, const ResolvedFilter& filter, std::uint8_t compute,
                   SortState sort, ListingObserver* observer, DeferredDetails deferred) {
  Listing out;
  out.computed = compute;
  out.folder = normalizeFolder(folder);
  platform::FolderReader reader;
  if (folder.empty()) return out;
  out.error = reader.open(out.folder);
  if (out.error != 0) return out;

  // The names are read into blocks first (the count must be known before progress starts): a
  // million names would otherwise cost a million small allocations, most of them dropped again.
  // A listing by name has them ordered meanwhile and then visits them in that order.
  const bool byName = sort.column == kColName;
  NameBuffer names;
  // After the names: it goes first, and its worker with it. Made once a chunk is full: a folder of
  // fewer names is ordered at once after reading, without a thread.
  std::optional<NameOrder> order;
  bool stopped = false;
  bool sawHiddenRecord = false;
  const int readError = platform::forEachEntryUntil(reader.fd(), [&](const char* name, DirEntryKind kind) {
    if (name[0] == '.' && platform::isHiddenFileName(name)) sawHiddenRecord = true;
    if (names.add(name, kind) && byName) {
      if (!order) order.emplace();
      order->add(names.lastChunk(), NameBuffer::kChunk);
    }
    if (observer && names.size() % kReadPollNames == 0 && observer->reading(names.size())) stopped = true;
    return stopped;
  });
  std::vector<const char*> sorted;
  if (order && !stopped) {
    const std::size_t tail = names.lastChunkSize();
    if (tail > 0 && tail < NameBuffer::kChunk) order->add(names.lastChunk(), tail);
    auto done = order->finish([&] { return observer && observer->reading(names.size()); });
    if (done) sorted = std::move(*done);
    else stopped = true;
  } else if (byName && !stopped && names.size() > 0) {
    sorted = NameOrder::inOrder(names.lastChunk(), names.lastChunkSize());
  }
  order.reset();
  if (stopped) {
    out.result = kListCancelled;
    return out;
  }
  // The record of hidden names is read only where the listing showed one: most folders have none,
  // and looking for it there would cost an open that fails.
  const auto hiddenSet = sawHiddenRecord ? reader.hiddenNames() : std::unordered_set<std::string>{};

  const std::size_t total = names.size();
  if (total >= deferred.fromEntries) compute &= static_cast<std::uint8_t>(~deferred.bits);
  out.computed = compute;
  const bool progress = observer && total + 2 >= kProgressEntries;
  const std::size_t cadence = filter.activeCount() ? kStepFiltered : kStepPlain;
  const unsigned want = statWant(compute, filter);
  const bool statAlways = want != 0 || (compute & kDetailAttrs);
  if (progress) observer->started(total);
  // Filters keep an unknown share: let the list grow then rather than hold room for every name.
  if (filter.activeCount() == 0) out.entries.reserve(total);

  std::string name;  // the entry being visited; reused, so that its buffer is allocated once
  const auto visit = [&](const char* bytes) {
    const DirEntryKind kind = NameBuffer::kindOf(bytes);
    if (kind == DirEntryKind::Folder) return;
    name.assign(bytes);
    const bool hidden = platform::isHiddenEntry(name, hiddenSet);
    if (hidden && !filter.hiddenAllowed) return;
    // The program's own temporary files (another instance's writes in progress, a killed run's
    // leftovers) are nobody's files to list or act on; a file of the user's that merely has their
    // shape is listed like any other. Only a name of that shape is looked at more closely.
    if (name[0] == '.' && (kind == DirEntryKind::File || kind == DirEntryKind::Unknown) &&
        platform::isOwnTemporaryAt(reader.fd(), name.c_str()))
      return;
    if (filter.pattern && !filter.pattern->matches(name)) return;
    if (filter.dateOn && !filter.dateValid) return;  // a box that is not a date keeps nothing
    platform::EntryStatus st;
    if (statAlways || kind == DirEntryKind::Unknown || kind == DirEntryKind::Symlink) {
      st = reader.status(name, want);
      if (!st.ok || st.isFolder) return;  // vanished, or a folder seen through a link
    } else {
      st.isRegular = kind == DirEntryKind::File;
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
        if (observer) observer->dateUnreadable(out.folder, name);
        return;
      }
      if (!filter.dateKeeps(*day)) return;
    }
    FileEntry& e = out.entries.emplace_back();
    e.name = std::string(name);  // a copy sized to the name: assign() would round the capacity up
    if (hidden) e.attrs |= kEntryHidden;
    const bool system = kind == DirEntryKind::Other || (st.ok && !st.isRegular && !st.isSymlink);
    if (system) e.attrs |= kEntrySystem;
    if (compute) setDetails(e, st, compute, reader);
  };

  bool cancelled = false;
  std::size_t counter = 0;
  for (std::size_t i = 0; i < total; ++i) {
    if (!byName) {
      visit(names.name(i));
    } else {
      // The names lie scattered in the buffer now: ask for those a few steps ahead early.
      const std::size_t ahead = i + 16;
      if (ahead < total) __builtin_prefetch(sorted[sort.descending ? total - 1 - ahead : ahead] - 1);
      visit(sorted[sort.descending ? total - 1 - i : i]);
    }
    if (progress && ++counter >= cadence) {
      counter = 0;
      if (observer->step(i, total)) {
        cancelled = true;
        break;
      }
    }
  }
  // Every kept name was copied out: give the buffer back to the system before sorting (freed
  // heap below the new names would otherwise stay with the process).
  const bool large = names.size() >= NameBuffer::kChunk;
  names = NameBuffer();
  std::vector<const char*>().swap(sorted);
  // Only a large folder's buffers leave heap worth giving back; trimming walks the whole heap.
  if (large) ::malloc_trim(0);
  if (!byName) {
    if (progress) {
      // A sort of a million entries takes a good part of a second: the window keeps answering
      // meanwhile (a Cancel then still waits for the sort, which cannot stop halfway).
      auto sorting = std::async(std::launch::async, [&] { sortEntries(out.entries, sort); });
      while (sorting.wait_for(std::chrono::milliseconds(25)) != std::future_status::ready) {
        if (observer->reading(total)) cancelled = true;
      }
      sorting.get();
    } else {
      sortEntries(out.entries, sort);
    }
  }
  out.result = cancelled ? kListCancelled : readError != 0 ? kListFailed : kListDone;
  return out;
}

namespace {

unsigned detailWant(std::uint8_t what) {
  unsigned want = 0;
  if (what & kDetailSize) want |= platform::kStatSize;
  if (what & kDetailTimes) want |= platform::kStatTimes | platform::kStatCreated;
  return want;
}

void fillMissing(FileEntry& e, std::uint8_t what, unsigned want, const platform::FolderReader& reader) {
  const std::uint8_t missing = what & static_cast<std::uint8_t>(~e.known);
  if (!missing) return;
  const platform::EntryStatus st = reader.status(e.name, want);
  if (st.ok) setDetails(e, st, missing, reader);
}

}  // namespace

void DetailFiller::fill(FileEntry& entry, std::uint8_t what) {
  if (!(what & ~entry.known)) return;
  if (!tried_) {
    tried_ = true;
    if (!folder_.empty()) (void)reader_.open(folder_);
  }
  if (reader_.isOpen()) fillMissing(entry, what, detailWant(what), reader_);
}

int fillDetails(std::string_view folder, std::vector<FileEntry>& entries, std::uint8_t what,
                ListingObserver* observer) {
  platform::FolderReader reader;
  if (folder.empty() || reader.open(normalizeFolder(folder)) != 0) return kListFailed;
  const unsigned want = detailWant(what);
  const std::size_t n = entries.size();
  const bool progress = observer && n > kFillProgressEntries;
  if (progress) observer->started(n);
  std::size_t counter = 0;
  for (std::size_t i = 0; i < n; ++i) {
    fillMissing(entries[i], what, want, reader);
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
  (void)platform::carryHiddenEntry(folder + entry.name, folder + newName);
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
