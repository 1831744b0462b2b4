#include "tools/renaming/trim_names.h"

#include "core/vb.h"

namespace tools {

namespace {

// The byte offset of character number index (from 0) of text, or text's size past its end.
std::size_t characterOffset(std::string_view text, std::uint64_t index) {
  std::size_t i = 0;
  for (std::uint64_t k = 0; k < index && i < text.size(); ++k) i += vb::CharLen(text, i);
  return i;
}

std::uint64_t characterCount(std::string_view text) {
  std::uint64_t n = 0;
  for (std::size_t i = 0; i < text.size(); i += vb::CharLen(text, i)) ++n;
  return n;
}

}  // namespace

TrimmedName trimName(std::string_view name, bool isFolder, const NameTrim& trim) {
  std::string_view base = name, extension;
  if (!isFolder && !trim.includeExtension) {
    const std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos) {
      base = name.substr(0, dot);
      extension = name.substr(dot);
    }
  }
  const std::uint64_t length = characterCount(base);
  if (length <= trim.count) return {NameTrimOutcome::TooShort, std::string(name)};
  const std::string_view kept = trim.where == TrimWhere::End
                                    ? base.substr(0, characterOffset(base, length - trim.count))
                                    : base.substr(characterOffset(base, trim.count));
  std::string result = std::string(kept) + std::string(extension);
  if (result == "." || result == "..") return {NameTrimOutcome::Refused, std::string(name)};
  return {NameTrimOutcome::Trimmed, std::move(result)};
}

std::vector<PreviewRow> trimPreview(const std::vector<std::string>& samples, bool folders, const NameTrim& trim) {
  std::vector<PreviewRow> rows;
  for (const std::string& sample : samples) {
    if (sample.empty()) break;
    rows.push_back({sample, trimName(sample, folders, trim).name});
  }
  return rows;
}

}  // namespace tools
