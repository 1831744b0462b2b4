// A folder's ".hidden" file: the names, one per line, that file managers leave out of a listing
// besides dot-names. Every reader of that file splits it here, so that the folder tree, the file
// list, folder walks and the H attribute agree on which entries are hidden; every change of it is
// made here, under a lock on the file itself that every instance of the program takes, on a fresh
// read (two runs in one folder keep each other's lines).
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include <sys/types.h>

namespace platform {

// The name of that file. It is the folder's own record of the Hidden flag, never a file of the
// user's: the tools leave it out of their lists and no tool renames, rewrites or removes it.
inline constexpr std::string_view kHiddenFileName = ".hidden";
[[nodiscard]] inline bool isHiddenFileName(std::string_view name) { return name == kHiddenFileName; }

// The contents of the ".hidden" file in the open folder dirFd (which stays open). Never follows a
// symlink, never waits on a FIFO; "" when the file is missing, not a regular file, larger than
// 4 MiB or unreadable (hiding is a display preference, not a reason to fail a listing).
[[nodiscard]] std::string readHiddenFileAt(int dirFd);
// The same for the entry name of the open folder dirFd (AT_FDCWD with a path: a ".hidden" file
// reached as a step reaches it).
[[nodiscard]] std::string readHiddenEntry(int dirFd, const char* name);

// The names in a ".hidden" text, in file order: lines end at LF, a CR before the LF is dropped,
// empty lines are skipped.
[[nodiscard]] std::vector<std::string> splitHiddenList(std::string_view text);

// The names of the ".hidden" file in the open folder dirFd, for lookups while listing it.
[[nodiscard]] std::unordered_set<std::string> hiddenNamesAt(int dirFd);

// True when the entry `name` is hidden in a folder whose ".hidden" file lists `listed`: its name
// starts with "." or is listed.
[[nodiscard]] bool isHiddenEntry(const std::string& name,
                                 const std::unordered_set<std::string>& listed);

// What a ".hidden" was when it was read or written: a later look tells whether anyone replaced it
// since (every writer replaces it whole).
struct HiddenFileStamp {
  bool known = false;   // false: nothing seen yet, or what was written could not be looked at
  bool exists = false;  // false: the folder had no ".hidden"
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  timespec mtime{};
  timespec ctime{};
  [[nodiscard]] bool sameAs(const HiddenFileStamp& other) const;
};
// The stamp of the ".hidden" in the open folder dirFd now (known unless it cannot be looked at).
[[nodiscard]] HiddenFileStamp hiddenFileStampAt(int dirFd);
// hiddenNamesAt, with the stamp of the very file the names were read from.
[[nodiscard]] std::unordered_set<std::string> hiddenNamesAt(int dirFd, HiddenFileStamp& stamp);

// What updateHiddenFileAt did.
struct HiddenUpdate {
  int error = 0;                   // errno; 0 when written or nothing needed writing
  std::vector<std::string> names;  // the names the file holds now (when error == 0)
  HiddenFileStamp stamp;           // the file as this update left it (when error == 0)
};
// How an update reaches the disk: synced (the end of a batch), or not (a step of a run kept in
// step with its renames: a kill still finds the old or the new file whole).
enum class HiddenSync { Synced, Unsynced };
// Changes the ".hidden" of the folder open as dirFd (for reading; folder is its path, for the
// temporary file's name): takes an exclusive lock on the file itself (waiting for another
// instance's update, and starting again on the file that update put in place), reads it afresh,
// gives its names in file order to change and, when change returns true, puts the names it left
// in place of the file before the lock goes (the file goes when none is left; it is created,
// exclusively, when it was missing). Never follows a link, never waits on a FIFO: a ".hidden" that
// is not a regular file is never written (EINVAL), nor one larger than a name list can be (EFBIG,
// rather than dropping its lines). Lines are names with one trailing CR dropped, as read.
HiddenUpdate updateHiddenFileAt(int dirFd, std::string_view folder,
                                const std::function<bool(std::vector<std::string>&)>& change,
                                HiddenSync sync = HiddenSync::Synced);

}  // namespace platform
