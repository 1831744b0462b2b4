#include "tools/text/replace_options.h"

#include "core/vb.h"

namespace tools::text {

namespace {

// A check box's saved value: ticked unless 0; an option button's: "True", or a number not 0.
bool isOn(const core::ParsedFormState& state, std::string_view name) {
  const std::optional<std::string> v = state.value(name);
  if (!v) return false;
  const std::string t = vb::LCase(vb::Trim(*v));
  if (t == "true") return true;
  return vb::Val(t) != 0;
}

}  // namespace

std::optional<ReplaceOptions> replaceOptionsFromState(std::string_view stateText) {
  const core::ParsedFormState state = core::parseFormState(stateText);
  if (!state.valid) return std::nullopt;
  ReplaceOptions o;
  if (isOn(state, controls::kFile)) {
    o.target = ReplaceTarget::FileNames;
  } else if (isOn(state, controls::kContent)) {
    o.target = ReplaceTarget::Contents;
  } else if (isOn(state, controls::kFold)) {
    o.target = ReplaceTarget::FolderNames;
  } else {
    return std::nullopt;
  }
  o.search = state.value(controls::kSearch).value_or("");
  o.replacement = state.value(controls::kReplace).value_or("");
  o.exactCase = isOn(state, controls::kCase);
  if (isOn(state, controls::kWildCards)) {
    if (isOn(state, controls::kWildAst)) o.wildcards = WildcardMode::Star;
    else if (isOn(state, controls::kWildQuest)) o.wildcards = WildcardMode::Question;
  }
  o.spanLines = isOn(state, controls::kSpan);
  o.tags = isOn(state, controls::kTags);
  return o;
}

MatchSetup matchSetup(const ReplaceOptions& o) {
  MatchSetup m;
  if (o.wildcards == WildcardMode::Question && o.search.find('?') != std::string::npos) {
    m.kind = PatternKind::AnyChar;
  } else if (o.wildcards == WildcardMode::Star && o.search.find('*') != std::string::npos) {
    m.kind = PatternKind::AnyRun;
  }
  m.pattern.ignoreCase = !o.exactCase;
  m.pattern.lineMode = o.target == ReplaceTarget::Contents && !o.spanLines;
  m.matchedTag = o.tags && vb::LCase(o.replacement).find("<search-text>") != std::string::npos;
  return m;
}

}  // namespace tools::text
