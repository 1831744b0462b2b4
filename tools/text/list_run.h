// The file lister's run: a text list of the files (or the folders) that the main window's filters
// select, with optional columns, written into the results text and shown by the results viewer.
//
//   const tools::text::ListOptions options{
//       .withSubfolders = true,
//       .pattern = main->myPattern(),
//       .layout = {.delimited = true, .columns = {.modified = true, .size = true}, .unit = SizeUnit::KB},
//   };
//   if (tools::text::listFiles(pipe, form, options, msg) == ListStart::NoDateKind) untickDates();
//
// ---- contract ----
// The list goes only into the results text (spilling to the temporary folder past its limit);
// nothing is written beside the listed files. Cancel ends the walk and what was collected is shown.
// Sizes, totals and counts are 64-bit; a file whose times cannot be read gets empty time fields.
// Messages of the lister's table (msg): 1, 2 progress captions; 3, 4, 5 labels of the accessed,
// created and modified dates; 6, 7 before and after the folder of a folder heading; 8..11 the
// summary line; 12 heading of a folder list; 13 no date kind ticked; 14 size label; 15 attributes
// label; 16 name heading; 17 total size label.
#pragma once

#include "core/message_table.h"
#include "core/pipeline.h"
#include "tools/text/list_format.h"

#include <string>

namespace tools::text {

// What is listed.
enum class ListWhat { Files, Folders };
// Which entries: all, or only those with the read-only (R) or the archive (A) attribute.
enum class ListFilter { All, ReadOnly, Archive };

struct ListOptions {
  ListWhat what = ListWhat::Files;
  ListFilter filter = ListFilter::All;
  bool withSubfolders = false;  // the main window's include-subfolders box
  bool withHidden = false;      // the main window's include-hidden box
  std::string pattern = "*";    // the main window's pattern in effect (myPattern), for the summary
  bool withPath = false;        // each entry starts with its folder
  bool emptyFolders = false;    // a heading for folders without listed files (only without withPath)
  // The date columns were asked for (chkDate); then at least one of created, accessed, modified.
  bool dates = false;
  ListLayout layout{};
};

enum class ListStart {
  Listed,      // the run happened (finished or cancelled)
  NoDateKind,  // dates asked for without a kind: message 13 was shown, nothing ran
};

// Runs the lister over the main window's folder. Checks first that dates come with a kind.
ListStart listFiles(core::Pipeline& pipe, core::ToolForm* form, const ListOptions& options,
                    const core::MessageTable& msg);

// The locale's decimal separator, for ListLayout::decimalPoint.
[[nodiscard]] std::string localeDecimalPoint();

}  // namespace tools::text
