// What one run of the replace tool does: its options as the window's controls give them, how a
// stored run (the window's form-state text) maps onto them, and how they choose the matcher.
//
//   ReplaceOptions o{.search = "colour", .replacement = "color", .target = ReplaceTarget::Contents};
//   const MatchSetup m = matchSetup(o);   // Literal, ignoring case, lines kept apart
#pragma once

#include "core/form_state.h"
#include "tools/text/replace_scan.h"

#include <optional>
#include <string>
#include <string_view>

namespace tools::text {

enum class ReplaceTarget {
  Contents,     // optContent: the contents of the files
  FileNames,    // optFile: the names of the files
  FolderNames,  // optFold: the names of the folders below the current one
};

// Which wildcard acts: chkWildCards ticked with optWildAst ("*") or optWildQuest ("?").
enum class WildcardMode { None, Star, Question };

struct ReplaceOptions {
  std::string search{};     // txtSearch
  std::string replacement{};  // txtReplace
  ReplaceTarget target = ReplaceTarget::Contents;
  bool exactCase = false;   // chkCase
  WildcardMode wildcards = WildcardMode::None;
  bool spanLines = false;   // chkSpan: in contents a "*" may run over line breaks
  bool tags = false;        // chkTags: the texts may hold tags
  bool operator==(const ReplaceOptions&) const = default;
};

// The names of the window's controls that make up a run.
namespace controls {
inline constexpr std::string_view kSearch = "txtSearch", kReplace = "txtReplace", kContent = "optContent",
                                  kFile = "optFile", kFold = "optFold", kCase = "chkCase",
                                  kWildCards = "chkWildCards", kWildAst = "optWildAst",
                                  kWildQuest = "optWildQuest", kSpan = "chkSpan", kTags = "chkTags",
                                  kMulRun = "chkMulRun";
}  // namespace controls

// The run a form-state text of the window stands for (check boxes "0"/"1", option buttons
// "True"/"False"); nullopt when it names no target (a text that is not one of this window's).
[[nodiscard]] std::optional<ReplaceOptions> replaceOptionsFromState(std::string_view stateText);

// How a run's texts are matched.
struct MatchSetup {
  PatternKind kind = PatternKind::Literal;
  PatternOptions pattern{};
  bool matchedTag = false;  // "<search-text>" in the replacement stands for the matched text
};

// kind: AnyChar when "?" acts and the search text holds one, AnyRun likewise for "*", else Literal
// (a "*" or "?" that does not act is an ordinary character). Case is ignored unless exactCase;
// "*" keeps to one line in contents unless spanLines (names have no lines). matchedTag: tags on
// and the replacement holds "<search-text>" in any letter case.
[[nodiscard]] MatchSetup matchSetup(const ReplaceOptions& options);

}  // namespace tools::text
