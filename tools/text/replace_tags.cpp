#include "tools/text/replace_tags.h"

#include "core/file_paths.h"
#include "core/vb.h"

#include <array>
#include <cstdint>

namespace tools::text {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// Mid over characters (a valid UTF-8 sequence, else one byte), so that a substring never cuts a
// character of a name in two.
std::string midChars(std::string_view s, std::int64_t start, std::int64_t length) {
  if (start < 1 || length <= 0) return {};
  std::size_t i = 0;
  for (std::int64_t k = 1; k < start; ++k) {
    if (i >= s.size()) return {};
    i += vb::CharLen(s, i);
  }
  if (i >= s.size()) return {};
  std::size_t j = i;
  for (std::int64_t k = 0; k < length && j < s.size(); ++k) j += vb::CharLen(s, j);
  return std::string(s.substr(i, j - i));
}

class TagFiller {
 public:
  TagFiller(std::string_view text, const TagValues& v) : text_(text), v_(v) {
    folderName_ = core::RetAftLast("/", v.folderPath);
  }

  PieceList run() {
    std::size_t i = 0;
    while (i < text_.size()) {
      const std::size_t lt = text_.find('<', i);
      if (lt == npos) break;
      typed(lt);
      i = fill(lt);
    }
    typed(text_.size());
    return std::move(out_);
  }

 private:
  // Fills the tag at p (if one starts there) and returns where the text goes on.
  std::size_t fill(std::size_t p) {
    const std::string_view rest = text_.substr(p);
    const std::array<std::pair<std::string_view, const std::string*>, 4> plain = {{
        {kTagBase, &v_.base}, {kTagExtension, &v_.extension}, {kTagFolderName, &folderName_},
        {kTagFolderPath, &v_.folderPath}}};
    for (const auto& [tag, value] : plain) {
      if (rest.substr(0, tag.size()) == tag) {
        value_(*value);
        return typedFrom_ = p + tag.size();
      }
    }
    if (rest.substr(0, kTagBaseSub.size()) == kTagBaseSub) return substring(p, kTagBaseSub.size(), v_.base);
    if (rest.substr(0, kTagFolderSub.size()) == kTagFolderSub) return substring(p, kTagFolderSub.size(), folderName_);
    typed(p + 1);  // a "<" of no tag
    return p + 1;
  }

  std::size_t substring(std::size_t p, std::size_t tagLen, const std::string& source) {
    const std::size_t numbers = p + tagLen;
    std::size_t end = numbers;  // without its ">" only the opening goes
    const std::size_t semi = text_.find(';', numbers);
    if (semi != npos) {
      start_ = vb::ValInt(text_.substr(numbers, semi - numbers));
      const std::size_t close = text_.find('>', semi + 1);
      if (close != npos) {
        length_ = vb::ValInt(text_.substr(semi + 1, close - semi - 1));
        end = close + 1;
      }
    }
    value_(midChars(source, start_, length_));
    return typedFrom_ = end;
  }

  // The typed text from typedFrom_ up to `to`.
  void typed(std::size_t to) {
    if (to <= typedFrom_) return;
    const std::string_view t = text_.substr(typedFrom_, to - typedFrom_);
    if (!out_.empty() && out_.back().typed) out_.back().text += t;
    else out_.push_back({std::string(t), true});
    typedFrom_ = to;
  }
  void value_(const std::string& v) {
    if (!v.empty()) out_.push_back({v, false});
  }

  std::string_view text_;
  const TagValues& v_;
  std::string folderName_;
  std::int64_t start_ = 0, length_ = 0;  // the last substring tag's numbers
  std::size_t typedFrom_ = 0;
  PieceList out_;
};

}  // namespace

TagValues fileTagValues(std::string_view folder, std::string_view name) {
  TagValues v;
  const std::size_t dot = name.rfind('.');
  if (dot == npos) {
    v.base = name;
  } else {
    v.base = name.substr(0, dot);
    v.extension = name.substr(dot + 1);
  }
  v.folderPath = core::withoutTrailingSlashes(std::string(folder));
  return v;
}

TagValues folderTagValues(std::string_view name) { return {{}, {}, "/" + std::string(name)}; }

TagValues checkTagValues() { return {"f", "f", "/f"}; }

PieceList substituteTags(std::string_view text, const TagValues& values) { return TagFiller(text, values).run(); }

std::string joined(const PieceList& pieces) {
  std::string s;
  for (const TextPiece& p : pieces) s += p.text;
  return s;
}

}  // namespace tools::text
