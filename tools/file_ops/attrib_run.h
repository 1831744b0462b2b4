// The attribute tool's run: sets or clears read-only (R), hidden (H) and archive (A) on every file
// the main window's filters select, or on every folder below the main window's folder. On Linux R
// is the write permission bits, H a leading dot or an entry of the folder's ".hidden" file, A an
// extended attribute of our own (see platform/file_attributes.h).
//
//   const AttribOptions options{.target = AttribTarget::Files, .hidden = AttribChange::Set,
//                               .pattern = main->myPattern()};
//   runAttributes(pipe, form, options, msg);
//
// ---- contract ----
// An item is written only when its attributes change; the system bit and anything else pass
// through. A name that starts with "." stays hidden, and A where the file system keeps no
// extended attributes cannot be set: each is reported and the item's other changes still made.
// Folders made read-only get them after the folders inside them, so that a child's ".hidden" entry
// is written before its parent refuses new entries. Each folder's ".hidden" file is read once and
// written at most once per run (hidden changes are batched per folder). Files mode logs one line per folder
// (folder and pattern) whatever changed; folders mode logs only the folders it changed.
// Messages of the tool's table (msg): 1 nothing ticked; 2 progress caption; 3 files heading; 4 file
// not changed; 5 folder not changed; 6 no folder changed; 7 folders heading; 8 a dot-name stays
// hidden; 9 archive not supported.
#pragma once

#include "core/message_table.h"
#include "core/pipeline.h"

#include <cstdint>
#include <string>

namespace tools::file_ops {

enum class AttribTarget { Files, Folders };

// What the run does with one attribute.
enum class AttribChange { Leave, Set, Clear };

struct AttribOptions {
  AttribTarget target = AttribTarget::Files;
  AttribChange archive = AttribChange::Leave;
  AttribChange hidden = AttribChange::Leave;
  AttribChange readOnly = AttribChange::Leave;
  bool withSubfolders = false;  // the main window's include-subfolders box
  bool withHidden = false;      // the main window's include-hidden box
  std::string pattern = "*";    // the main window's pattern in effect (myPattern), for the lines
};

enum class AttribStart {
  Ran,            // the run happened (finished or cancelled)
  NothingTicked,  // message 1 shown, nothing ran
  NotWritable,    // the main window's folder failed checkFolderWritable (it told the user)
};

// The attribute bits (core/file_paths.h kAttr*) an item with `current` gets; the folder bit is
// not among them.
[[nodiscard]] std::uint8_t newAttributes(std::uint8_t current, const AttribOptions& options);

AttribStart runAttributes(core::Pipeline& pipe, core::ToolForm* form, const AttribOptions& options,
                          const core::MessageTable& msg);

}  // namespace tools::file_ops
