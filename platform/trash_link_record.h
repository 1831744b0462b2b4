// The hard links into the trash that a run has made and not yet settled. Before contents are
// replaced, the original gets a second name in the trash (platform/trash_copy.h); until the new
// contents take its path, the original is one file with two links. A run killed in between would
// leave the user's file with a link in the trash, and a later run would refuse it as "a file with
// several hard links". So each link is written down first, in a record file of the run's own in
// the program's data folder (appDataDir()/trash-links/), which the run holds locked while it
// lives and removes at its end; the next run settles what a killed run left.
//
//   platform::TrashLinkRecord record;                // one per run (or per set of trash copies)
//   record.add({dev, ino, entryFile, entryInfo, originalPath});  // before each linkat
//   ...                                              // renames; the destructor removes the record
//
//   (void)platform::settleInterruptedTrashLinks();   // at the start of a run that rewrites
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// One link into the trash: the file (device, inode), its entry's data and info paths, and the
// path of the original that still holds the file until the new contents replace it.
struct TrashLink {
  std::uint64_t dev = 0, ino = 0;
  std::string file, info, original;
};

class TrashLinkRecord {
 public:
  TrashLinkRecord() = default;
  // Removes the record: the run settled each of its links (renamed over, or taken out again).
  ~TrashLinkRecord();
  TrashLinkRecord(const TrashLinkRecord&) = delete;
  TrashLinkRecord& operator=(const TrashLinkRecord&) = delete;

  // Writes link down before the caller makes it (one write; the record file is made and locked at
  // the first). 0 or errno: then nothing proves the link to be the program's, and a kill leaves it
  // as it would have without the record.
  int add(const TrashLink& link);
  // Forgets the links written so far: each was settled (its original replaced, or the link taken
  // out again). One line that settles every link before it, so that a kill after it finds none
  // to settle; a record grown past 1 MiB is emptied instead, so that a long run's stays small.
  // 0 or errno.
  int clear();

  // ---- implementation details past this point ----
 private:
  int open();
  int fd_ = -1;
  std::string path_;
  std::uint64_t size_ = 0;  // bytes in the record since it was last emptied
};

// Settles the records of runs that ended without removing theirs (killed) and that nobody holds
// locked: a trash entry is removed, its data then its info file, only where it is still the very
// file recorded (device and inode) and the original path still names that same file, so that
// nothing but a second name of a file still in place goes. Where the original was replaced (the
// rename happened) or moved, the entry stays: it is the trash copy of the old contents. Each
// record settled is removed. The number of entries removed; never fails (what cannot be looked
// at is left as it is).
int settleInterruptedTrashLinks();

// The folder of the records (appDataDir()/trash-links/), made when missing.
[[nodiscard]] std::string trashLinkRecordFolder();

}  // namespace platform
