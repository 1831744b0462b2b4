// Keeps the Hidden flag with the entries a run renames or moves. The flag of a name without a
// leading dot is a line of its folder's ".hidden" file, and a rename knows nothing of that file:
// the entry would show under its new name while the old line stayed behind to hide a later file
// of the old name. A run tells this record of each rename and removal it made; the record reads a
// folder's ".hidden" at most once between two writes (most folders have none, which costs one
// failed open) and writes each changed ".hidden" once, when the run writes the batch (flush).
//
//   platform::HiddenEntryMoves moves;
//   if (renameNoReplace(from, to) == 0) moves.moved(from, to);   // "to" listed exactly when "from" was
//   ...
//   for (const std::string& file : moves.flush()) ...            // the ".hidden" files not written
//
// Paths are reached as every step of this layer reaches them (step_scope.h): write the batch
// while the run's scope is still open.
#pragma once

#include <map>
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

  // After the entry from was renamed to to (in its folder or into another one): to is listed
  // exactly when from was, unless its name starts with "." (hidden by its name, no line needed) or
  // cannot be a line (a line break in it); from's line goes. A line the target's name had before
  // (left by an entry gone meanwhile) goes too: the flag follows the entry, not the name. When
  // from is a folder, what is pending inside it is known under its new path.
  void moved(std::string_view from, std::string_view to);
  // After the entry at path was deleted or moved to the trash: its line goes.
  void removed(std::string_view path);
  // Writes every changed ".hidden", one write each, and forgets what it read (the next change
  // reads the file again). Returns the ".hidden" paths that could not be written.
  std::vector<std::string> flush();
  [[nodiscard]] bool pending() const;

 private:
  struct Folder {
    std::unordered_set<std::string> listed;  // the names listed as the batch leaves them
    std::map<std::string, bool> changes;     // name -> listed after the batch
  };
  Folder& folder(const std::string& key);
  void set(Folder& f, const std::string& name, bool listed);
  void rekeyInside(const std::string& from, const std::string& to);

  std::map<std::string, Folder> folders_;  // key: the folder with one trailing "/"
};

// One rename outside a run (the main window's own rename): moved and written at once. False when
// the ".hidden" file could not be written.
bool carryHiddenEntry(std::string_view from, std::string_view to);

}  // namespace platform
