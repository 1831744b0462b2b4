// A folder's ".hidden" file: the names, one per line, that file managers leave out of a listing
// besides dot-names. Every reader of that file splits it here, so that the folder tree, the file
// list, folder walks and the H attribute agree on which entries are hidden.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

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

}  // namespace platform
