// Folder structure listing for a run's folder list: the direct subfolders of one folder
// (RetDirStruct, RetDirStructVisible) and the breadth-first expansion of a whole tree built on
// them. Entries are paths without a trailing "/" (the pipeline completes them), except "/" itself.
// Subfolders come in the file list's Name order (core/name_key.h), never in the file system's own
// (hash or creation order), so that numbers and reports follow the order the user sees.
// Unreadable folders are reported through a callback, never skipped silently; a symlink to a
// folder is never listed as a subfolder, so walks never leave the tree or loop.
#pragma once

#include "platform/file_identity_type.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace core {

// Called for each folder that could not be listed (completely): the folder as listed (with a
// trailing "/") and the errno value. The pipeline turns it into a results line.
using UnreadableFolderFn = std::function<void(const std::string& folder, int err)>;

// Reads the direct subfolder names of a folder, as platform::listSubfolders does (that is the
// default); tests inject their own to simulate failures. Returns 0 or an errno value. The names
// may come in any order: they are put in Name order after reading.
using FolderLister =
    std::function<int(const std::string& folder, bool includeHidden, std::vector<std::string>& names)>;

// Appends folder & name for each direct subfolder of `folder` (trailing "/" optional) to `list`,
// in Name order. A subfolder named exactly "WinSxS" is left out. Hidden subfolders
// (leading ".", or named in the folder's ".hidden" file) are included.
// Returns 0; or the errno value when the folder could not be opened (list unchanged) or read to
// the end (list holds what was read), after calling onUnreadable. Never throws.
int RetDirStruct(const std::string& folder, std::vector<std::string>& list,
                 const UnreadableFolderFn& onUnreadable = {}, const FolderLister& lister = {});

// As RetDirStruct, leaving hidden subfolders out.
int RetDirStructVisible(const std::string& folder, std::vector<std::string>& list,
                        const UnreadableFolderFn& onUnreadable = {}, const FolderLister& lister = {});

// The folder with exactly one trailing "/" ("" stays "", "/" stays "/").
[[nodiscard]] std::string withTrailingSlash(const std::string& folder);

struct ExpandOptions {
  bool includeHidden = false;
  // Every `tickEvery` entries (counted from the first), `tick` gets the entry being listed;
  // returning false cancels: the list is emptied and the expansion stops. 0 or no tick: never.
  std::size_t tickEvery = 0;
  std::function<bool(const std::string& entry)> tick;
  UnreadableFolderFn onUnreadable;
  FolderLister lister;  // empty: the real file system
  // When given: the identity of each entry of the list as the walk opened it, at the same place
  // (all zero where unknown: an injected lister, a folder that could not be opened).
  std::vector<platform::FileIdentity>* identities = nullptr;
  // Each folder listed loses the temporary files a killed run left in it (those the program can
  // prove its own, held by no process: platform/own_temporary.h), in the same pass over its
  // names. Only for a run that writes.
  bool removeStaleTemporaries = false;
};

struct ExpandResult {
  bool cancelled = false;
  std::size_t unreadable = 0;  // folders reported to onUnreadable
};

// Walks `list` from its first entry to its end while appending each entry's subfolders to it
// (RetDirStruct or RetDirStructVisible), so the result is breadth-first, each folder's subfolders
// in Name order: with a list holding only the start folder it becomes the whole tree below it.
// Unreadable folders are reported and passed over; the rest of the tree is still listed. Folders
// found by the walk are opened through their parent's descriptor, never by path: one swapped for
// a symlink after it was found is reported as unreadable (ELOOP or ENOTDIR) and not entered, and
// trees deeper than PATH_MAX are listed whole. Of the entries present at the start, only the
// first may be a symlink.
ExpandResult expandFolderTree(std::vector<std::string>& list, const ExpandOptions& options);

}  // namespace core
