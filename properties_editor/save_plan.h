// What a save of the editor writes, and writing it. planSave compares the window's boxes with the
// file as it was loaded and lists only what changed, in the order it must be written:
//   1. Rename      the real folder of the loaded file + the edited name; never replaces a file
//   2. ClearReadOnly   before the steps below, which a read-only file would refuse
//   3. WriteTimes  only the modified and accessed times whose boxes changed (creation time: never)
//   4. SetHidden   the folder's ".hidden" list; after a rename it follows the new name; never for a
//                  name that starts with "." (hidden by its name)
//   5. SetArchive  the archive flag (an extended attribute)
//   6. SetReadOnly last, so that the steps above could still write
// A plan that cannot be carried out as a whole (an impossible date, a name no file may have) is
// refused before anything is written. Status texts are fixed English.
//
// Example:
//   const SavePlan plan = planSave(loaded, edits);
//   if (!plan.refusal.empty()) return showStatus(plan.refusal);
//   const SaveOutcome done = applySave(loaded, plan);
#pragma once

#include "properties_editor/file_properties.h"

#include <optional>
#include <string>
#include <vector>

namespace propedit {

// The window's boxes at Save.
struct EditorEdits {
  // The edited name as bytes; nullopt when the name box still shows the loaded name (a name that
  // is not valid UTF-8 cannot round-trip through the box, so the window says "unchanged").
  std::optional<std::string> name;
  std::string modifiedDate, modifiedTime;  // "MM/DD/YYYY", "hh:mm:ss"
  std::string accessedDate, accessedTime;
  bool readOnly = false;
  bool hidden = false;
  bool archive = false;
};

enum class SaveStep { Rename, ClearReadOnly, WriteTimes, SetHidden, SetArchive, SetReadOnly };

struct SavePlan {
  std::string refusal;          // non-empty: nothing may be written; the text says why
  std::vector<SaveStep> steps;  // in the order they are written
  std::string newName;          // for Rename
  std::optional<core::SystemTime> modified, accessed;  // for WriteTimes; nullopt: left as it is
  bool hidden = false;                                 // the wanted flags
  bool archive = false;
};

[[nodiscard]] SavePlan planSave(const LoadedFile& loaded, const EditorEdits& edits);

struct SaveOutcome {
  bool ok = false;     // every step was done
  bool renamed = false;
  std::string path;    // the file's path afterwards (the new one after a rename)
  std::string name;    // its name afterwards
  std::string status;  // what the status line shows
};

// Carries out a plan that was not refused. Nothing is written when the loaded file is no longer
// a regular file, or when the rename fails (the old path is kept). After a rename the remaining
// steps are all tried and each failure is named in the status.
[[nodiscard]] SaveOutcome applySave(const LoadedFile& loaded, const SavePlan& plan);

}  // namespace propedit
