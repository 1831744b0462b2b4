// The file date tool's run: every file the main window's filters select (in its folder, and the
// folders below it when subfolders are included) gets its modified and accessed times set from
// the boxes (Change) or shifted by an amount (Shift). Folders themselves are never changed.
//
//   const DateOptions options{
//       .mode = DateMode::Change,
//       .change = {.modifiedDate = {.ticked = true, .text = "12/31/2020"},
//                  .accessedDate = {.ticked = true, .text = "<DFM>"}},  // copy the modified date
//       .withSubfolders = false,
//   };
//   const DateStart r = runDates(pipe, form, options, msg);
//   if (r.refused == DateRefusal::BadBox) focusBox(r.box);
//
// ---- contract ----
// Every input is checked before any file is touched: a ticked box that holds neither a valid date
// or time nor a tag, a ticked creation-time box, shifting the creation time, or an amount below 1
// or not below its unit's bound stops the run with a message. The creation time cannot be set on
// Linux. Tags copy the file's times as they were before the run. A file whose new time is not a
// real date, falls before 01/01/1901, or cannot be written is reported and keeps its times; only
// the times that change are written, a symlink's own times and never its target's. Times need
// the file's ownership, not its write permission: a read-only file keeps its permissions.
// Messages of the tool's table (msg): 1 nothing ticked; 2, unit word, 3 and the bound: the amount
// is too large; 4..9 unit words (minutes, hours, days, months, years, seconds); 10 amount below 1;
// 11 subfolders question; 12 results heading; 13 progress caption; 14 path 15 times unreadable;
// 16 path 15 times not set; 28 bad date box; 29 bad time box; 30 creation time cannot be set.
#pragma once

#include "core/message_table.h"
#include "core/pipeline.h"
#include "tools/file_ops/date_values.h"

#include <string>

namespace tools::file_ops {

enum class DateMode {
  Change,  // set the ticked parts from the boxes
  Shift,   // add or subtract an amount of one unit to one of the times
};

// One box and its check box.
struct DateBoxText {
  bool ticked = false;
  std::string text{};
};

// The six boxes, in the window's order (index 0..5).
struct DateChangeOptions {
  DateBoxText createdDate{}, createdTime{}, modifiedDate{}, modifiedTime{}, accessedDate{}, accessedTime{};
};

enum class DateDirection { Add, Subtract };

struct DateShiftOptions {
  std::string amount{};  // the amount box's text: a whole number from 1 to below the unit's bound
  DateUnit unit = DateUnit::Seconds;
  DateKind which = DateKind::Modified;
  DateDirection direction = DateDirection::Add;
};

struct DateOptions {
  DateMode mode = DateMode::Change;
  DateChangeOptions change{};
  DateShiftOptions shift{};
  bool withSubfolders = false;  // the main window's include-subfolders box
  bool withHidden = false;      // the main window's include-hidden box
};

// Why a run did not start.
enum class DateRefusal {
  None,            // the run happened (finished or cancelled)
  NotWritable,     // the main window's folder failed checkFolderWritable (it told the user)
  NothingTicked,   // Change with no box ticked
  BadBox,          // DateStart::box holds neither a valid value nor a tag
  CreatedRefused,  // a creation-time box ticked, or the creation time chosen to shift
  BadAmount,       // the amount is below 1 or not below its unit's bound
  Declined,        // the user did not confirm a run over subfolders
};

struct DateStart {
  DateRefusal refused = DateRefusal::None;
  int box = -1;  // BadBox: the box's index (0 created date .. 5 accessed time)
};

// Checks the options, asks about subfolders and runs over the main window's folder.
DateStart runDates(core::Pipeline& pipe, core::ToolForm* form, const DateOptions& options,
                   const core::MessageTable& msg);

}  // namespace tools::file_ops
