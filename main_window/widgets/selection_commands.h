// The commands that turn entries of the visible list into the pattern in effect: the Targets
// menu (target the selected files only, remove the selected files, target their extensions,
// target all files), a double-click on an entry, and files or a folder dropped on the list.
// A pattern built from names targets exactly those files: a name that cannot be written so is
// refused with a message naming it, and files from several folders are refused too.
// Each command returns true when it changed the filters.
#pragma once

#include <QStringList>

#include <string>

namespace mainwin {

class FileListController;

// menuSel: the list keeps only the selected entries (unselected) and the pattern names them.
bool targetSelected(FileListController& c);
// menuTargNot: the selected entries leave the list and are excluded ahead of the pattern in effect.
bool targetNotSelected(FileListController& c);
// menuTargExt: "*.ext;" for each extension of the selected entries; the list is refilled.
bool targetExtensions(FileListController& c);
// menuAll (F4): hides the filter panel (the filters keep their values) and lists every file.
void targetAll(FileListController& c);
// Double-click on the entry `name` ("" when the list is empty): the first narrows the pattern to
// the name, the second (panel shown) to its extension.
bool doubleClickName(FileListController& c, const std::string& name);
// Files dropped on the list: one folder goes to that folder with every filter off; files go to
// their folder with a pattern of their names.
bool dropPaths(FileListController& c, const QStringList& localPaths);

}  // namespace mainwin
