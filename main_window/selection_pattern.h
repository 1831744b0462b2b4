// Patterns built from file names: the Targets menu's selection, exclusion and extension
// commands, a double-click on an entry, and files dropped on the list. A pattern built from names
// never reaches other files: a name that cannot be written as a pattern entry matching exactly it
// (with the letter-case option as it is) is refused with a result the window turns into a
// message, and nothing is ever widened to "*" or rewritten (no "#" to ":" substitution).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mainwin {

enum class PatternRefusal {
  None,
  NothingSelected,  // selection command with no entry selected (common message 44)
  NothingToTarget,  // exclusion without a selection, extension without any extension (63)
  TooLong,          // the built text has 9000 characters or more (59)
  NotExact,         // `name` cannot be written as a pattern that matches exactly it
  SeveralFolders,   // dropped files come from more than one folder
};

// Why a name cannot stand in a pattern as itself.
enum class NameProblem {
  None,
  Separator,      // holds ";"
  Wildcard,       // holds "*", "?" or "\" (a "\d" would be the digit wildcard; the box drops "\")
  Stripped,       // holds a character the pattern box removes: > / | : "
  ExcludePrefix,  // begins with "<-": as an include entry it would exclude
  NotText,        // not valid UTF-8, or holds a control character: the box cannot hold it as is
  CaseTwin,       // letter case folds and another file of the folder differs only in case
};

struct PatternBuild {
  std::string text;                             // the box text to put in effect
  PatternRefusal refusal = PatternRefusal::None;
  NameProblem problem = NameProblem::None;      // with NotExact: why
  std::string name;                             // with NotExact: the name refused
  [[nodiscard]] bool ok() const { return refusal == PatternRefusal::None; }
};

// The problem of writing `name` as a literal entry (without case considerations).
// `asInclude` false checks it behind "<-" (where a leading "<-" is harmless).
[[nodiscard]] NameProblem literalEntryProblem(std::string_view name, bool asInclude);

// The names and the folder they share, for the checks below. `folderNames` are the names of
// every file of the folder (folderFileNames); with `foldCase` a selected name whose case twin is
// not selected is refused.
struct NameContext {
  bool foldCase = true;
  const std::vector<std::string>* folderNames = nullptr;
};

// Selection command: "name;" per selected name, in list order ("a.txt;b.doc;").
[[nodiscard]] PatternBuild buildSelectionPattern(const std::vector<std::string>& selected,
                                                 const NameContext& context);

// Exclusion command: "<-name;" per selected name, then `previousText` (the box's text when the
// extension filter is in effect and not "*"; "" otherwise), which stays in effect behind them.
[[nodiscard]] PatternBuild buildExclusionPattern(const std::vector<std::string>& selected,
                                                 std::string_view previousText,
                                                 const NameContext& context);

// Extension command: "*.ext;" once per extension (text after the last "."), in list order,
// exact and case-sensitive comparison of the pieces. Names without an extension add nothing.
[[nodiscard]] PatternBuild buildExtensionPattern(const std::vector<std::string>& selected);

// Double-click on `name` ("" when the list is empty, giving "*"). With the panel shown, the first
// double-click filters to the name and a second one (the box already holds the name, compared
// without regard to case) to "*.ext"; with the panel hidden, "*.ext" at once. A name without
// extension always filters to the name.
[[nodiscard]] PatternBuild buildDoubleClickPattern(std::string_view name, std::string_view boxText,
                                                   bool panelShown, const NameContext& context);

// Dropped file paths: the folder they share (with its trailing "/") and their names, in order.
// Refused (SeveralFolders) when they come from more than one folder.
struct DroppedFiles {
  std::string folder;
  std::vector<std::string> names;
  PatternRefusal refusal = PatternRefusal::None;
};
[[nodiscard]] DroppedFiles splitDroppedPaths(const std::vector<std::string>& paths);

}  // namespace mainwin
