// A copy of a file put into the user's trash (the freedesktop trash: files/ and info/ with the
// percent-encoded original path) while the file itself stays where it is. Before a file's contents
// are replaced, its old contents go to the trash this way, so they can be restored from there; the
// file's path never stands empty. Paths are bytes end to end.
//
// The trash of a file: the home trash ($XDG_DATA_HOME/Trash) when the file lies on the same file
// system; else the file system's own trash ($topdir/.Trash/$uid when $topdir/.Trash is a sticky
// folder and not a link, else $topdir/.Trash-$uid, where the path is recorded relative to
// $topdir); else the home trash. The copy is a hard link where the trash shares the file's file
// system and links work, else a copy of the bytes. The folders are found and entries added as for
// moveToTrash (platform/trash_folders.h): through descriptors, never through a link.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

struct TrashEntry {
  std::string file;  // the entry's data, under files/
  std::string info;  // its description, under info/
};

// Reserves a new entry for originalPath in the trash folder trashDir (a real folder of the user's
// holding files/ and info/, made when missing): info/<name>.trashinfo is created exclusively with
// the original path and the deletion date, and synced; entry.file names a free place for the data
// under files/. The name is the original's (cut to fit, on a UTF-8 boundary), with ".2", ".3" ...
// added when taken. 0 or errno.
int reserveTrashEntry(std::string_view originalPath, const std::string& trashDir, TrashEntry& entry);

// Puts a copy of the regular file path into its trash (see above) and syncs it. With openFile (a
// descriptor of path opened for reading) the copy is of that very file, whatever path names by
// now. 0 with entry filled, or errno with nothing left in the trash: EINVAL for anything but a
// regular file (a symlink is not followed), ENOSPC when the bytes do not fit, EACCES/EPERM when no
// trash is usable.
int copyToTrash(std::string_view path, TrashEntry& entry, int openFile = -1);

// The trash folders of one run, found and opened once: every copy after the first goes straight
// to its trash's open folders, and the numbered names an earlier copy of the run took are not
// tried again. A trash folder that stops working meanwhile (removed) is looked up afresh once.
// The same guarantees as copyToTrash, which is a TrashCopies of one copy.
//
//   platform::TrashCopies trash;               // one per run
//   for (each file) if (trash.copy(path, entry, fd) != 0) ...;  // the file is kept, not replaced
class TrashCopies {
 public:
  // Whether the hard links made are written down first (platform/trash_link_record.h), so that a
  // run killed before it replaced an original does not leave it with a second name in the trash:
  // for copies whose originals are replaced while this object lives.
  enum class Links { Recorded, NotRecorded };
  explicit TrashCopies(Links links = Links::Recorded);
  ~TrashCopies();
  TrashCopies(const TrashCopies&) = delete;
  TrashCopies& operator=(const TrashCopies&) = delete;

  // When a copy's entry is made durable: at once (each copy synced with the trash's folders), or
  // with the other copies of a batch by syncCopies, which a caller must reach before it relies on
  // the copy (before the original's contents are replaced).
  enum class Sync { Now, Later };

  // As copyToTrash; with Sync::Later the entry is complete (a kill leaves it whole) but its info
  // file and the folders' new names wait for syncCopies. With Sync::Now only the entry is synced
  // (its info file, the two names, and the data where it is a copy of the bytes), never the file
  // system as a whole, which would wait for all that was written there.
  int copy(std::string_view path, TrashEntry& entry, int openFile = -1, Sync sync = Sync::Now);
  // Syncs the entries made with Sync::Later since the last call: each info file, then files/ and
  // info/ of every trash folder they went to, once each; or, where the file system allows it and
  // pendingBytes (what the caller wrote unsynced there meanwhile) is small, one syncfs of each
  // trash's file system, which then writes those bytes too. 0, or the first errno (then none of
  // those entries may be taken as kept).
  int syncCopies(std::uint64_t pendingBytes = 0);
  // Tells that every copy made so far is settled: its original was replaced, or the copy was
  // taken out of the trash again. Their links need no record any more.
  void copiesSettled();

  // ---- implementation details past this point ----
  struct Cache;

 private:
  std::unique_ptr<Cache> cache_;
};

// Removes an entry: its data, then its info file. 0 or the first errno (ENOENT counts as removed).
int withdrawFromTrash(const TrashEntry& entry);

// How many fsyncs this process has made to keep trash copies (info files and trash folders): for
// tests that tell where the old contents were made durable.
[[nodiscard]] std::uint64_t trashEntrySyncCount();

}  // namespace platform
