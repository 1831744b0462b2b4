#include "tools/renaming/rename_rules.h"

#include "core/date_tokens.h"
#include "core/file_paths.h"
#include "core/file_times.h"
#include "core/vb.h"
#include "platform/fs.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <random>
#include <utility>

namespace tools::ren {

namespace {

// The long forms other than the dates' (core::shortenDateTokens shortens those), in this order.
constexpr std::array<std::pair<std::string_view, std::string_view>, 8> kShortForms = {{
    {"<oldFileNameNoExt>", "<ofn>"},
    {"<oldFileExtension>", "<ofe>"},
    {"<oldFolderName>", "<ofon>"},
    {"<RandChar>", "<RC>"},
    {"<FileWord", "<FW"},
    {"<CustSub;", "<CS"},
    {"<TextBeforeDash>", "<TB4D>"},
    {"<TextAfterDash>", "<TAfD>"},
}};

char randomLetter() {
  thread_local std::mt19937 generator{std::random_device{}()};
  return static_cast<char>('a' + std::uniform_int_distribution<int>(0, 25)(generator));
}

bool isWordByte(char c) {
  const auto b = static_cast<unsigned char>(c);
  return (b >= '0' && b <= '9') || (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z');
}

// Up to ten words of the base: runs of ASCII letters and digits; everything else separates them.
std::array<std::string, 11> wordsOf(std::string_view base) {
  std::array<std::string, 11> words{};
  int place = 0;
  std::string word;
  for (std::size_t i = 0; i <= base.size() && place < 10; ++i) {
    if (i < base.size() && isWordByte(base[i])) {
      word += base[i];
    } else if (!word.empty()) {
      words[static_cast<std::size_t>(++place)] = std::move(word);
      word.clear();
    }
  }
  return words;
}

// Mid(s, start, length) on characters (valid UTF-8 sequences, else single bytes), the length cut
// at the end of s.
std::string midChars(std::string_view s, std::int64_t start, std::int64_t length) {
  std::size_t i = 0;
  for (std::int64_t c = 1; c < start && i < s.size(); ++c) i += vb::CharLen(s, i);
  std::size_t j = i;
  for (std::int64_t c = 0; c < length && j < s.size(); ++c) j += vb::CharLen(s, j);
  return std::string(s.substr(i, j - i));
}

// The old name's parts that the tokens stand for, worked out when a token first asks.
class NameParts {
 public:
  NameParts(std::string_view folder, std::string_view name, RenameMode mode) : folder_(folder), name_(name), mode_(mode) {
    if (mode == RenameMode::Files) {
      ext_ = core::RetAftLast(".", name);
      base_ = ext_.empty() ? std::string(name) : std::string(name.substr(0, name.size() - ext_.size() - 1));
    } else {
      base_ = std::string(name);
    }
  }
  [[nodiscard]] const std::string& base() const { return base_; }
  [[nodiscard]] const std::string& ext() const { return ext_; }
  [[nodiscard]] std::string folderName() const {
    if (mode_ == RenameMode::Folders) return std::string(name_);
    if (folder_.empty()) return "foldername";
    std::string_view f = folder_;
    if (f.back() == '/') f.remove_suffix(1);
    return core::RetAftLast("/", f);
  }
  [[nodiscard]] const std::string& word(int n) {
    if (!words_) words_ = wordsOf(base_);
    return (*words_)[static_cast<std::size_t>(n)];
  }
  // The texts before and after the first "-" of the base, each without one blank next to the dash.
  [[nodiscard]] std::string beforeDash() const {
    const std::size_t d = base_.find('-');
    if (d == std::string::npos) return base_;
    std::string before = base_.substr(0, d);
    if (!before.empty() && before.back() == ' ') before.pop_back();
    return before;
  }
  [[nodiscard]] std::string afterDash() const {
    const std::size_t d = base_.find('-');
    if (d == std::string::npos) return {};
    std::string after = base_.substr(d + 1);
    if (!after.empty() && after.front() == ' ') after.erase(0, 1);
    return after;
  }

 private:
  std::string_view folder_, name_;
  RenameMode mode_;
  std::string base_, ext_;
  std::optional<std::array<std::string, 11>> words_;
};

// The stamps of the item's dates: the run's in folder mode, for Today and without a file; else
// the entry's own times, read once.
class DateStamps {
 public:
  DateStamps(std::string_view folder, std::string_view name, const RuleContext& ctx,
             const platform::FileStatus* known)
      : folder_(folder), name_(name), ctx_(ctx) {
    if (known) status_ = *known;
  }
  std::string operator()(core::DateSource source) {
    if (ctx_.mode == RenameMode::Folders || source == core::DateSource::Today || folder_.empty()) return ctx_.runStamp;
    if (!status_) status_ = platform::fileStatus(std::string(folder_) + std::string(name_), false);
    if (status_->type == platform::FileType::Missing) return {};
    const platform::FileTime& t = source == core::DateSource::Modified  ? status_->modified
                                  : source == core::DateSource::Created ? status_->created
                                                                        : status_->accessed;
    return t.known ? core::dateStamp(core::localRecord(t.sec, t.nsec)) : std::string();
  }

 private:
  std::string_view folder_, name_;
  const RuleContext& ctx_;
  std::optional<platform::FileStatus> status_;
};

bool startsWith(std::string_view text, std::size_t at, std::string_view prefix) {
  return text.compare(at, prefix.size(), prefix) == 0;
}

// The word number of "<FWn>" at `at` (1-10) and the token's length, or {0, 0}.
std::pair<int, std::size_t> wordToken(std::string_view text, std::size_t at) {
  if (!startsWith(text, at, "<FW")) return {0, 0};
  if (startsWith(text, at + 3, "10>")) return {10, 6};
  if (at + 4 < text.size() && text[at + 3] >= '1' && text[at + 3] <= '9' && text[at + 4] == '>')
    return {text[at + 3] - '0', 5};
  return {0, 0};
}

// The expansion; nullopt for a custom substring out of range.
std::optional<std::string> expand(std::string_view folder, std::string_view name, std::string_view shortRule,
                                  const RuleContext& ctx, const platform::FileStatus* status = nullptr) {
  // Dates first, on the rule's own text: what they insert is digits and month names.
  std::string text(shortRule);
  if (text.find("<D") != std::string::npos) {
    DateStamps stamps(folder, name, ctx, status);
    text = core::expandDateTokens(text, {.style = core::DateTokenStyle::Semicolon, .keepClosingBracket = true},
                                  std::ref(stamps));
  }
  NameParts parts(folder, name, ctx.mode);
  const bool files = ctx.mode == RenameMode::Files;
  std::string out;
  out.reserve(text.size() + name.size());
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '>') {  // the rule's own ">" outside a token
      ++i;
      continue;
    }
    if (c != '<') {
      const std::size_t next = std::min(text.find('<', i), text.find('>', i));
      const std::size_t end = next == std::string::npos ? text.size() : next;
      out.append(text, i, end - i);
      i = end;
      continue;
    }
    if (files && startsWith(text, i, "<ofn>")) {
      out += parts.base();
      i += 5;
    } else if (files && startsWith(text, i, "<ofe>")) {
      out += parts.ext();
      i += 5;
    } else if (startsWith(text, i, "<ofon>")) {
      out += parts.folderName();
      i += 6;
    } else if (startsWith(text, i, "<RC>")) {
      out += ctx.letters ? ctx.letters() : randomLetter();
      i += 4;
    } else if (const auto [n, length] = wordToken(text, i); n != 0) {
      out += parts.word(n);
      i += length;
    } else if (startsWith(text, i, "<TB4D>")) {
      out += parts.beforeDash();
      i += 6;
    } else if (startsWith(text, i, "<TAfD>")) {
      out += parts.afterDash();
      i += 6;
    } else if (const std::size_t semi = startsWith(text, i, "<CS") ? text.find(';', i + 3) : std::string::npos;
               semi != std::string::npos && text.find('>', semi + 1) != std::string::npos) {
      const std::size_t close = text.find('>', semi + 1);
      const std::int64_t start = vb::ValInt(std::string_view(text).substr(i + 3, semi - i - 3));
      const std::int64_t length = vb::ValInt(std::string_view(text).substr(semi + 1, close - semi - 1));
      if (start < 1 || length < 0) return std::nullopt;
      out += midChars(parts.base(), start, length);
      i = close + 1;
    } else {
      out += '<';  // starts no token: stays, and fails the sample check
      ++i;
    }
  }
  return out;
}

}  // namespace

std::string shortenTokens(std::string_view rule) {
  std::string text = core::shortenDateTokens(rule, core::DateTokenStyle::Semicolon);
  for (const auto& [longForm, shortForm] : kShortForms) text = vb::Replace(text, longForm, shortForm);
  return text;
}

std::string expandTokens(std::string_view folder, std::string_view name, std::string_view shortRule,
                         const RuleContext& ctx, const platform::FileStatus* status) {
  return expand(folder, name, shortRule, ctx, status).value_or(std::string());
}

void trimName(std::string& name) {
  while (!name.empty() && name.back() == ' ') name.pop_back();
}

std::string finishName(std::string name) {
  trimName(name);
  if (!name.empty() && name.back() == '.') {
    name.pop_back();
    trimName(name);
  }
  return name;
}

bool isUsableName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

bool checkRuleSample(std::string_view rule, RenameMode mode) {
  const RuleContext ctx{.mode = mode, .runStamp = "01/01/2000 00:00:00", .letters = [] { return 'a'; }};
  const std::string_view sample = mode == RenameMode::Folders ? "foldername" : "filename.extension";
  const std::optional<std::string> out = expand("", sample, shortenTokens(rule), ctx);
  return out && out->find_first_of("<>") == std::string::npos;
}

std::string sequenceText(std::int64_t number, int width) {
  std::string text = std::to_string(number);
  const auto w = static_cast<std::size_t>(std::clamp(width, 0, kMaxSequenceWidth));
  if (text.size() < w) text.insert(0, w - text.size(), '0');
  return text;
}

std::int64_t startNumberOf(std::string_view text) { return vb::ValInt(text); }

int widthOf(std::string_view text) {
  const double v = vb::Val(text);
  if (!(v > 0)) return 0;
  return v >= kMaxSequenceWidth ? kMaxSequenceWidth : static_cast<int>(std::lround(v));
}

std::int64_t nextNumber(std::int64_t n) { return n == std::numeric_limits<std::int64_t>::max() ? n : n + 1; }

}  // namespace tools::ren
