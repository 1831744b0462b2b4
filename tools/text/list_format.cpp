#include "tools/text/list_format.h"

#include "core/file_paths.h"
#include "core/vb.h"

namespace tools::text {

namespace {

const std::string kCrLf = "\r\n";

// size / divisor in tenths, rounded up, without a product that could overflow 64 bits.
std::uint64_t tenthsUp(std::uint64_t bytes, std::uint64_t divisor) {
  const std::uint64_t whole = bytes / divisor, rest = bytes % divisor;
  return whole * 10 + (rest * 10 + divisor - 1) / divisor;
}

std::string withoutFirst(std::string_view text) { return text.empty() ? std::string() : std::string(text.substr(1)); }

}  // namespace

std::string_view unitText(SizeUnit unit) {
  switch (unit) {
    case SizeUnit::KB: return " KB";
    case SizeUnit::MB: return " MB";
    case SizeUnit::Bytes: break;
  }
  return " Bytes";
}

std::string sizeText(std::uint64_t bytes, SizeUnit unit, std::string_view decimalPoint) {
  if (unit == SizeUnit::Bytes) return std::to_string(bytes);
  const std::uint64_t tenths = tenthsUp(bytes, unit == SizeUnit::KB ? 1024 : 1024000);
  std::string text = std::to_string(tenths / 10);
  if (tenths % 10 != 0) {
    text += decimalPoint;
    text += static_cast<char>('0' + tenths % 10);
  }
  return text;
}

std::string attributeLetters(std::uint8_t attributes) {
  std::string letters;
  if (attributes & core::kAttrReadOnly) letters += 'R';
  if (attributes & core::kAttrHidden) letters += 'H';
  if (attributes & core::kAttrArchive) letters += 'A';
  if (attributes & core::kAttrSystem) letters += 'S';
  return letters;
}

std::string listEntry(const ListLayout& layout, const ListLabels& labels, std::string_view name,
                      const ListFacts& facts) {
  std::string out;
  appendListEntry(out, layout, labels, name, facts);
  return out;
}

void appendListEntry(std::string& out, const ListLayout& layout, const ListLabels& labels, std::string_view name,
                     const ListFacts& facts) {
  const ListColumns& c = layout.columns;
  out += name;
  if (!c.any()) {
    out += kCrLf;
    return;
  }
  const std::string_view accessedDate = std::string_view(facts.accessed).substr(0, 10);
  if (layout.delimited) {
    const auto field = [&](std::string_view value) {
      out += '\t';
      out += value;
    };
    if (c.attributes) field(attributeLetters(facts.attributes));
    if (c.created) field(facts.created);
    if (c.accessed) field(accessedDate);
    if (c.modified) field(facts.modified);
    if (c.size) field(sizeText(facts.size, layout.unit, layout.decimalPoint));
    out += '\t';
    out += kCrLf;
    return;
  }
  out += kCrLf;
  const auto line = [&](std::string_view label, std::string_view value) {
    out += label;
    out += value;
    out += kCrLf;
  };
  if (c.attributes) line(labels.attributes, attributeLetters(facts.attributes));
  if (c.created) line(labels.created, facts.created);
  if (c.accessed) line(labels.accessed, accessedDate);
  if (c.modified) line(labels.modified, facts.modified);
  if (c.size) {
    line(" " + labels.size + ": ", sizeText(facts.size, layout.unit, layout.decimalPoint) +
                                       std::string(unitText(layout.unit)));
  }
  out += kCrLf;
}

std::string listHeading(const ListLayout& layout, const ListLabels& labels) {
  const ListColumns& c = layout.columns;
  std::string line = labels.name + "\t";
  if (c.attributes) line += withoutFirst(labels.attributes) + "\t";
  if (c.created) line += withoutFirst(labels.created) + "\t";
  if (c.accessed) line += withoutFirst(labels.accessed) + "\t";
  if (c.modified) line += withoutFirst(labels.modified) + "\t";
  if (c.size) line += labels.size + " (" + withoutFirst(unitText(layout.unit)) + ")";
  return vb::Replace(line, ": ", "");
}

}  // namespace tools::text
