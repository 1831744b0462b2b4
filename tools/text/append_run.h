// The text appender's run: a text, with its tags filled in per file, put before or after the
// contents of every file the main window's filters select. Each file is rewritten through the
// contents rewrite (core/contents_rewrite.h): the original is never written into.
//
//   const tools::text::AppendOptions options{.text = "<FileNameNoDotExt>\n", .tags = true,
//       .where = tools::text::AppendWhere::Start, .todayStamp = core::nowDateStamp()};
//   if (tools::text::appendText(pipe, form, options, msg) == AppendStart::EmptyText) focusTheText();
//
// ---- contract ----
// Before anything runs: the main window's folder must be writable and, where files cannot go to the
// trash there, the user must agree; the text must not be empty (message 1); the user confirms the
// change (common message 104, plus message 3 when subfolders are included). A file that cannot be
// rewritten is left as it was, with a line in the report. The main list is refreshed at the end, as
// the files' sizes and times changed.
// Messages of the appender's table (msg, and the form table the rewrite reads): 1 empty text;
// 3 the confirmation's subfolder note; 4 progress caption; 5 heading of the report; 6..10 the
// rewrite's lines (read failure, temporary-file failure, rename label, attributes not restored).
#pragma once

#include "core/message_table.h"
#include "core/pipeline.h"

#include <string>

namespace tools::text {

enum class AppendWhere { Start, End };

struct AppendOptions {
  std::string text{};            // as typed, with the long tags the menus insert
  bool tags = false;             // fill in the tags; off: the text is added as it stands
  AppendWhere where = AppendWhere::End;
  bool withSubfolders = false;   // the main window's boxes
  bool withHidden = false;
  std::string todayStamp{};      // "dd/mm/yyyy hh:mm:ss" of the "Today" date tokens
};

enum class AppendStart {
  Appended,   // the run happened (finished or cancelled)
  Refused,    // the folder is not writable, or the user declined the drive without trash
  EmptyText,  // nothing to append: message 1 was shown
  Declined,   // the user answered No to the confirmation
};

AppendStart appendText(core::Pipeline& pipe, core::ToolForm* form, const AppendOptions& options,
                       const core::MessageTable& msg);

// Bytes per piece of the rewrite.
inline constexpr std::uint64_t kAppendPieceSize = 1000000;

}  // namespace tools::text
