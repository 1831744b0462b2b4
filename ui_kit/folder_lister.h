// Reading the subfolders of one folder for the folder tree: names sorted for display, hidden
// folders marked (a leading dot, or listed in the folder's ".hidden" file), and a time limit for
// folders on network file systems so a dead server cannot freeze the window.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

namespace uikit {

struct SubFolder {
  QString name;     // for display
  QByteArray path;  // full path with a trailing "/"
  bool hidden = false;
};

struct FolderListing {
  bool ok = false;  // false: the folder could not be opened (or did not answer in time)
  std::vector<SubFolder> folders;
};

// Whether the folder at path (trailing "/" optional) is hidden: its name starts with "." or is
// listed in its parent's ".hidden".
[[nodiscard]] bool isHiddenFolder(const QByteArray& path);

// The subfolders of folder (trailing "/"), "." and ".." and "System Volume Information" left
// out, hidden ones only with showHidden; sorted case-insensitively for display.
[[nodiscard]] FolderListing listSubFolders(const QByteArray& folder, bool showHidden);

// True when folder exists as a folder that this process can open and list.
[[nodiscard]] bool folderOpens(const QByteArray& folder);

// Runs job off the calling thread and waits at most limitMs for it. False when it did not finish
// in time (the job then finishes, or hangs, on its own thread; its result is dropped).
bool runWithin(const std::function<void()>& job, int limitMs);

}  // namespace uikit
