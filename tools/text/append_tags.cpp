#include "tools/text/append_tags.h"

#include "core/vb.h"

#include <array>
#include <utility>
#include <vector>

namespace tools::text {

namespace {

// A part of the text being filled in: the user's own text (tags may still be in it) or a value
// taken from the file, which is never looked at again.
struct Part {
  std::string text;
  bool fromUser = true;
};

// Every occurrence of tag in the user's parts becomes a value part.
std::vector<Part> fillTag(std::vector<Part> parts, std::string_view tag, const std::string& value) {
  std::vector<Part> out;
  for (Part& part : parts) {
    if (!part.fromUser) {
      out.push_back(std::move(part));
      continue;
    }
    std::size_t from = 0;
    for (std::size_t at = part.text.find(tag); at != std::string::npos; at = part.text.find(tag, from)) {
      out.push_back({part.text.substr(from, at - from), true});
      out.push_back({value, false});
      from = at + tag.size();
    }
    out.push_back({part.text.substr(from), true});
  }
  return out;
}

}  // namespace

std::string shortenAppendTags(std::string_view text) {
  std::string out = vb::Replace(text, kTagNameLong, "<FNNDE>");
  out = vb::Replace(out, kTagExtLong, "<FEND>");
  out = vb::Replace(out, kTagPathLong, "<FPNES>");
  return core::shortenDateTokens(out, core::DateTokenStyle::Semicolon);
}

std::string expandAppendTags(std::string_view shortText, const AppendFile& file,
                             const std::function<std::string(core::DateSource)>& stampOf) {
  const std::size_t dot = file.name.rfind('.');
  const std::string extension = dot == std::string::npos ? std::string() : file.name.substr(dot + 1);
  const std::string base = dot == std::string::npos ? file.name : file.name.substr(0, dot);
  const std::string folder = file.folder.empty() ? std::string() : file.folder.substr(0, file.folder.size() - 1);
  // The order of the replacements is the order the tags were always filled in.
  std::vector<Part> parts{{std::string(shortText), true}};
  parts = fillTag(std::move(parts), "<FEND>", extension);
  parts = fillTag(std::move(parts), "<FNNDE>", base);
  parts = fillTag(std::move(parts), "<FPNES>", folder);
  std::string out;
  for (const Part& part : parts) {
    out += part.fromUser ? core::expandDateTokens(part.text, {.style = core::DateTokenStyle::Semicolon}, stampOf)
                         : part.text;
  }
  return out;
}

}  // namespace tools::text
