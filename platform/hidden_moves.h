// Keeps the Hidden flag with the entries a run renames or moves. The flag of a name without a
// leading dot is a line of its folder's ".hidden" file, and a rename knows nothing of that file:
// the entry would show under its new name while the old line stayed behind to hide a later file
// of the old name. A run tells this record of each rename before and after it, and of each
// removal after it.
//
// The record keeps up with the renames, so that a kill at any moment leaves every entry on disk
// exactly as hidden as before: before an entry is renamed, its new name's line is written when it
// needs one (or a stale line of the new name goes); after, the old name's line goes, in the next
// write of that folder (the one before a later rename there, or the batch's). Only a line of a
// name that nothing holds can be left over by a kill. An undo, being renames too, so puts back
// exactly the lines the run took away. Each write is made under the folder's ".hidden" lock on a
// fresh read and changes only the lines of this record's names (hidden_list.h), so two runs in one
// folder keep each other's lines. Most renames need no write at all (a folder without ".hidden",
// an entry without a line); the record reads a folder's ".hidden" again only when it changed.
//
//   platform::HiddenEntryMoves moves;
//   moves.moving(from, to);                         // the new name hidden first, where it must be
//   const bool done = renameNoReplace(from, to) == 0;
//   moves.moved(from, to, done);                    // "to" listed exactly when "from" was
//   ...
//   for (const std::string& file : moves.flush()) ...   // the ".hidden" files not written
//   for (const std::string& path : moves.takeFlagsLost()) ...  // names no line can hold
//
// Paths are reached as every step of this layer reaches them (step_scope.h): write the batch
// while the run's scope is still open.
#pragma once

#include "platform/hidden_list.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace platform {

class HiddenEntryMoves {
 public:
  HiddenEntryMoves() = default;
  // Writes what is still pending (failures ignored: call flush to see them).
  ~HiddenEntryMoves();
  HiddenEntryMoves(const HiddenEntryMoves&) = delete;
  HiddenEntryMoves& operator=(const HiddenEntryMoves&) = delete;

  // Before the entry from is renamed to to: when to's line must change (to be listed exactly when
  // from is) and nothing holds the name to, that folder's ".hidden" is written now, with what is
  // pending there. A failed write is left to moved and reported by flush.
  void moving(std::string_view from, std::string_view to);
  // After the rename of from to to (in its folder or into another one), done telling whether it
  // happened. Done: to is listed exactly when from was, unless its name starts with "." (hidden by
  // its name, no line needed) or cannot be a line (a line break in it: see takeFlagsLost); from's
  // line goes. A line the target's name had before (left by an entry gone meanwhile) goes too: the
  // flag follows the entry, not the name. When from is a folder, what is pending inside it is
  // known under its new path. Not done: what moving wrote for to is put back. Without a moving
  // before, both lines change in the next write.
  void moved(std::string_view from, std::string_view to, bool done = true);
  // After the entry at path was deleted or moved to the trash: its line goes.
  void removed(std::string_view path);
  // Writes every changed ".hidden", one write each, and forgets what it read (the next change
  // reads the file again). Returns the ".hidden" paths that could not be written.
  std::vector<std::string> flush();
  // The new paths of hidden entries renamed to a name that no line of ".hidden" can hold (one with
  // a line break), which therefore are no longer hidden; forgotten once taken.
  [[nodiscard]] std::vector<std::string> takeFlagsLost();
  // True when a write or a lost flag waits for flush or takeFlagsLost.
  [[nodiscard]] bool pending() const;

  // ---- implementation details past this point ----

 private:
  struct Folder {
    Folder() = default;
    ~Folder();
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    int fd = -1;                             // the folder, open for reading (-1: could not be opened)
    HiddenFileStamp stamp;                   // the ".hidden" listed was read from
    std::unordered_set<std::string> listed;  // the names that file lists
    std::map<std::string, bool> changes;     // name -> listed, where that differs from listed
  };
  // What moving found and wrote, for the moved that follows it.
  struct Prepared {
    std::string from, to;
    bool fromListed = false;
    bool wrote = false;       // to's line was written before the rename
    bool toWasListed = false;  // ... and this is what it was
  };
  Folder& folder(const std::string& key);
  // The folder with its ".hidden" read again when someone changed it since.
  Folder& fresh(const std::string& key);
  [[nodiscard]] static bool listedNow(const Folder& f, const std::string& name);
  static void set(Folder& f, const std::string& name, bool listed);
  // Writes f's changes under the lock of its ".hidden", on a fresh read: 0 or errno.
  int write(const std::string& key, Folder& f, HiddenSync sync);
  void rekeyInside(const std::string& from, const std::string& to);

  std::map<std::string, Folder> folders_;  // key: the folder with one trailing "/" ("" for ".")
  std::optional<Prepared> prepared_;
  std::vector<std::string> flagsLost_;
};

// One rename outside a run (the main window's own rename): moved and written at once. False when
// the ".hidden" file could not be written.
bool carryHiddenEntry(std::string_view from, std::string_view to);

}  // namespace platform
