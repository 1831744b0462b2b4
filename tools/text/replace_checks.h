// The replace tool's input checks (before a run, before a run is stored, when the window closes)
// and the question before a run. Pure: the window shows the problem and moves the focus.
//
//   if (auto problem = checkReplaceInput(options)) {
//     showProblem(problemText(*problem, msg, {.multiRun = true, .runNumber = 3}), problem->focus);
//   }
#pragma once

#include "core/message_table.h"
#include "tools/text/replace_messages.h"
#include "tools/text/replace_options.h"

#include <optional>
#include <string>
#include <vector>

namespace tools::text {

enum class InputField { None, Search, Replacement };

struct InputProblem {
  int message = 0;        // of the form's table
  int detail = 0;         // a second message after it (which text is meant), or 0
  InputField focus = InputField::None;
  bool runPrefix = false;   // in a multi-run the text starts with "Run n:"
  bool nameNotice = false;  // shown as the common notice on names (showFindMessage with message)
};

// The first problem of a run's texts, or nullopt when it can run:
//   - tags on and the replacement is exactly "<search-text>" (31);
//   - folder names: "<" or ">" left in either text once its tags are filled (30 + 12 or 11);
//     file names: "<FilePathNoEndSlash>" in either text (33 + 12 or 11);
//   - then, with the tags filled with checkTagValues() and "<search-text>" read as "f": an empty
//     search text (9); with exact case a search text equal to the replacement (10); in a names run
//     a replacement or a search text (without its wildcards) that cannot be part of a name (a "/",
//     a line break, a NUL, more than 255 bytes: the notice with 11 or 12); a search text of
//     wildcards alone (13).
[[nodiscard]] std::optional<InputProblem> checkReplaceInput(const ReplaceOptions& options);

struct RunPlace {
  bool multiRun = false;
  int runNumber = 1;
};
// The message box text of a problem (not of a name notice: that is showFindMessage's).
[[nodiscard]] std::string problemText(const InputProblem& problem, const core::MessageTable& msg,
                                      const RunPlace& place);

// The question before a run: the "*" warning (32) when a run uses "*", then the common message of
// what changes (104 contents when any run changes contents, else 24 names), then 16 when the
// subfolders are included.
[[nodiscard]] std::string confirmationText(const std::vector<ReplaceOptions>& runs, bool withSubfolders,
                                           const core::MessageTable& msg);

// Whether text can be part of a Linux name: 0 yes, 1 it holds a "/", a NUL or a line break, 2 it
// is longer than 255 bytes.
[[nodiscard]] int namePartProblem(std::string_view text);

}  // namespace tools::text
