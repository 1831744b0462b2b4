#include "main_window/selection_pattern.h"

#include "core/vb.h"
#include "main_window/filter_box.h"

#include <QString>

#include <unordered_map>
#include <unordered_set>

namespace mainwin {

namespace {

bool validUtf8(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())).toUtf8() ==
         QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

std::string extensionOf(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot + 1));
}

PatternBuild refuse(PatternRefusal r) {
  PatternBuild b;
  b.refusal = r;
  return b;
}

PatternBuild notExact(std::string_view name, NameProblem p) {
  PatternBuild b = refuse(PatternRefusal::NotExact);
  b.problem = p;
  b.name = std::string(name);
  return b;
}

// The first selected name whose case twin in the folder is not selected itself.
const std::string* caseTwinOf(const std::vector<std::string>& selected, const NameContext& ctx) {
  if (!ctx.foldCase || !ctx.folderNames) return nullptr;
  std::unordered_set<std::string> exact(selected.begin(), selected.end());
  std::unordered_map<std::string, const std::string*> folded;
  for (const std::string& s : selected) folded.emplace(vb::LCase(s), &s);
  for (const std::string& n : *ctx.folderNames) {
    if (exact.count(n)) continue;
    const auto it = folded.find(vb::LCase(n));
    if (it != folded.end()) return it->second;
  }
  return nullptr;
}

PatternBuild buildNamePattern(const std::vector<std::string>& selected, const char* prefix,
                              bool asInclude, std::string_view tail, PatternRefusal empty,
                              const NameContext& ctx) {
  if (selected.empty()) return refuse(empty);
  std::string text;
  for (const std::string& name : selected) {
    const NameProblem p = literalEntryProblem(name, asInclude);
    if (p != NameProblem::None) return notExact(name, p);
    text += prefix;
    text += name;
    text += ';';
    if (text.size() >= kPatternLimit) return refuse(PatternRefusal::TooLong);
  }
  if (const std::string* twin = caseTwinOf(selected, ctx))
    return notExact(*twin, NameProblem::CaseTwin);
  text += tail;
  if (text.size() >= kPatternLimit) return refuse(PatternRefusal::TooLong);
  PatternBuild b;
  b.text = std::move(text);
  return b;
}

}  // namespace

NameProblem literalEntryProblem(std::string_view name, bool asInclude) {
  if (name.empty() || !validUtf8(name)) return NameProblem::NotText;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) return NameProblem::NotText;
  }
  for (char c : name) {
    if (c == ';') return NameProblem::Separator;
    if (c == '*' || c == '?' || c == '\\') return NameProblem::Wildcard;
    if (c == '>' || c == '/' || c == '|' || c == ':' || c == '"') return NameProblem::Stripped;
  }
  if (asInclude && name.size() > 2 && name.substr(0, 2) == "<-") return NameProblem::ExcludePrefix;
  return NameProblem::None;
}

PatternBuild buildSelectionPattern(const std::vector<std::string>& selected,
                                   const NameContext& context) {
  return buildNamePattern(selected, "", true, "", PatternRefusal::NothingSelected, context);
}

PatternBuild buildExclusionPattern(const std::vector<std::string>& selected,
                                   std::string_view previousText, const NameContext& context) {
  return buildNamePattern(selected, "<-", false, previousText, PatternRefusal::NothingToTarget,
                          context);
}

PatternBuild buildExtensionPattern(const std::vector<std::string>& selected) {
  std::string text;
  std::unordered_set<std::string> seen;
  for (const std::string& name : selected) {
    const std::string ext = extensionOf(name);
    if (ext.empty()) continue;
    const NameProblem p = literalEntryProblem(ext, false);
    if (p != NameProblem::None) return notExact(name, p);
    if (!seen.insert(ext).second) continue;
    text += "*.";
    text += ext;
    text += ';';
    if (text.size() >= kPatternLimit) return refuse(PatternRefusal::TooLong);
  }
  if (text.empty()) return refuse(PatternRefusal::NothingToTarget);
  PatternBuild b;
  b.text = std::move(text);
  return b;
}

PatternBuild buildDoubleClickPattern(std::string_view name, std::string_view boxText,
                                     bool panelShown, const NameContext& context) {
  PatternBuild b;
  if (name.empty()) {
    b.text = "*";
    return b;
  }
  const std::string ext = extensionOf(name);
  bool byExtension = !ext.empty();
  if (panelShown && byExtension) byExtension = vb::LCase(boxText) == vb::LCase(name);
  if (byExtension) {
    const NameProblem p = literalEntryProblem(ext, false);
    if (p != NameProblem::None) return notExact(name, p);
    b.text = "*." + ext;
    return b;
  }
  PatternBuild one = buildSelectionPattern({std::string(name)}, context);
  if (one.ok()) one.text.pop_back();  // the name alone, without the separator
  return one;
}

DroppedFiles splitDroppedPaths(const std::vector<std::string>& paths) {
  DroppedFiles d;
  for (const std::string& p : paths) {
    std::string_view path(p);
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string_view::npos ? std::string()
                                                               : std::string(path.substr(0, slash + 1));
    if (d.names.empty()) d.folder = folder;
    else if (folder != d.folder) {
      d.refusal = PatternRefusal::SeveralFolders;
      d.names.clear();
      return d;
    }
    d.names.emplace_back(path.substr(slash == std::string_view::npos ? 0 : slash + 1));
  }
  return d;
}

}  // namespace mainwin
