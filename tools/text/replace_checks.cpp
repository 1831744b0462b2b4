#include "tools/text/replace_checks.h"

#include "core/state.h"
#include "core/vb.h"
#include "tools/text/replace_tags.h"

#include <algorithm>

namespace tools::text {

namespace {

const std::string kCrLf = "\r\n";

bool holds(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// The text as the checks see it: tags filled with the check values when tags are on.
std::string checkCopy(const std::string& text, bool tags) {
  return tags ? joined(substituteTags(text, checkTagValues())) : text;
}

// "<search-text>" in any letter case read as "f".
std::string withMatchedAsF(std::string text) {
  const std::string lower = vb::LCase(text);  // same byte positions
  std::string out;
  std::size_t from = 0;
  for (std::size_t p; (p = lower.find(kTagMatched, from)) != std::string::npos; from = p + kTagMatched.size())
    out += text.substr(from, p - from) + "f";
  return out + text.substr(from);
}

}  // namespace

int namePartProblem(std::string_view text) {
  if (text.size() > 255) return 2;
  return text.find_first_of(std::string_view("/\n\r\0", 4)) != std::string_view::npos ? 1 : 0;
}

std::optional<InputProblem> checkReplaceInput(const ReplaceOptions& o) {
  if (o.tags && o.replacement == kTagMatched)
    return InputProblem{.message = kMsgOnlyMatchedTag, .focus = InputField::Replacement};
  std::string s = checkCopy(o.search, o.tags);
  // "<search-text>" is read before the folder check: it never lands in a name as it stands.
  std::string r = o.tags ? withMatchedAsF(checkCopy(o.replacement, true)) : o.replacement;
  if (o.target == ReplaceTarget::FolderNames) {
    const auto angled = [](const std::string& t) { return holds(t, "<") || holds(t, ">"); };
    if (angled(s))
      return InputProblem{.message = kMsgAngleInFolder, .detail = kMsgTheSearch, .focus = InputField::Search};
    if (angled(r))
      return InputProblem{.message = kMsgAngleInFolder, .detail = kMsgTheReplacement, .focus = InputField::Replacement};
  } else if (o.target == ReplaceTarget::FileNames) {
    if (holds(o.search, kTagFolderPath))
      return InputProblem{.message = kMsgPathInName, .detail = kMsgTheSearch, .focus = InputField::Search};
    if (holds(o.replacement, kTagFolderPath))
      return InputProblem{.message = kMsgPathInName, .detail = kMsgTheReplacement, .focus = InputField::Replacement};
  }
  if (s.empty()) return InputProblem{.message = kMsgSearchEmpty, .focus = InputField::Search, .runPrefix = true};
  std::string bare = s;
  if (o.wildcards == WildcardMode::Question) std::erase(bare, '?');
  if (o.wildcards == WildcardMode::Star) std::erase(bare, '*');
  if (o.exactCase && s == r)
    return InputProblem{.message = kMsgSearchIsReplacement, .focus = InputField::Replacement, .runPrefix = true};
  if (o.target != ReplaceTarget::Contents) {
    if (namePartProblem(r) != 0)
      return InputProblem{.message = kMsgTheReplacement, .focus = InputField::Replacement, .nameNotice = true};
    if (namePartProblem(bare) != 0)
      return InputProblem{.message = kMsgTheSearch, .focus = InputField::Search, .nameNotice = true};
  }
  if (o.wildcards != WildcardMode::None && bare.empty())
    return InputProblem{.message = kMsgOnlyWildcards, .focus = InputField::Search, .runPrefix = true};
  return std::nullopt;
}

std::string problemText(const InputProblem& p, const core::MessageTable& msg, const RunPlace& place) {
  std::string text = msg(p.message) + (p.detail ? msg(p.detail) : std::string());
  if (p.runPrefix && place.multiRun) text = msg(kMsgRun) + std::to_string(place.runNumber) + ":" + kCrLf + text;
  return text;
}

std::string confirmationText(const std::vector<ReplaceOptions>& runs, bool withSubfolders,
                             const core::MessageTable& msg) {
  const auto any = [&](auto pred) { return std::any_of(runs.begin(), runs.end(), pred); };
  std::string text;
  if (any([](const ReplaceOptions& o) { return o.wildcards == WildcardMode::Star; }))
    text = msg(kMsgStarWarning) + kCrLf + kCrLf;
  text += core::msgMain(any([](const ReplaceOptions& o) { return o.target == ReplaceTarget::Contents; }) ? 104 : 24);
  if (withSubfolders) text += msg(kMsgWithSubfolders);
  return text;
}

}  // namespace tools::text
