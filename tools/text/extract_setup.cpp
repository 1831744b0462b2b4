#include "tools/text/extract_setup.h"

#include "core/text_routines.h"
#include "core/vb.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace tools::text {

namespace {

constexpr std::string_view kPatternSigns = "*?#![]";

// A typed length as a count: digits beyond a 16-bit count are taken as its largest value.
int typedCount(const std::string& typed) {
  return static_cast<int>(std::clamp<std::int64_t>(vb::ValInt(typed), 0, kMaxWordChars));
}

// The box's characters without line breaks and blanks, each once, in code-point order.
std::vector<char32_t> cleanedValidChars(std::string_view typed) {
  std::vector<char32_t> chars;
  for (char32_t c : codePoints(typed)) {
    if (c != U'\r' && c != U'\n' && c != U' ') chars.push_back(c);
  }
  std::sort(chars.begin(), chars.end());
  chars.erase(std::unique(chars.begin(), chars.end()), chars.end());
  return chars;
}

// The pattern with every item that stands for characters ("?", "#", a bracket list) made "*",
// so that what is left between the stars is literal text.
std::string literalSkeleton(std::string_view pattern) {
  std::string out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '[') {
      const std::size_t close = pattern.find(']', i + 1);
      if (close != std::string_view::npos) {
        out += '*';
        i = close;
        continue;
      }
    }
    out += (c == '?' || c == '#') ? '*' : c;
  }
  return out;
}

// The text from the first character that is not "*" up to the next "*"; "" when no "*" follows.
std::string firstLiteralRun(std::string_view skeleton) {
  const std::size_t from = skeleton.find_first_not_of('*');
  if (from == std::string_view::npos) return {};
  const std::size_t to = skeleton.find('*', from);
  if (to == std::string_view::npos) return {};
  return std::string(skeleton.substr(from, to - from));
}

// The refusal of the first pattern character that may not stand in it, if any.
std::optional<ExtractRefusal> checkPatternChars(const std::string& pattern, const CharSet& valid, bool spaceValid,
                                                const core::MessageTable& msg) {
  if (!spaceValid && pattern.find(' ') != std::string::npos) return ExtractRefusal{msg(22), "E"};
  const std::string distinct = core::RemDup(pattern, "", true);
  for (std::size_t i = 0, len = 0; i < distinct.size(); i += len) {
    const char32_t c = decodeChar(distinct, i, len);
    if (kPatternSigns.find(distinct[i]) != std::string_view::npos && len == 1) continue;
    if (valid.has(c)) continue;
    return ExtractRefusal{msg(23) + ": \"" + distinct.substr(i, len) + "\"", "E"};
  }
  if (!likePatternWellFormed(pattern)) return ExtractRefusal{msg(27), "E"};
  return std::nullopt;
}

}  // namespace

std::string fillValidChars() {
  std::string set;
  for (char c = 33; c <= 126; ++c) set += c;
  return set;
}

LengthBounds lengthBounds(const LengthLimit& minLength, const LengthLimit& maxLength) {
  LengthBounds b;
  b.lower = minLength.on ? typedCount(minLength.typed) - 1 : -1;
  const int most = maxLength.on ? typedCount(maxLength.typed) : 0;
  b.upper = most == 0 ? 32000 : most + 1;
  if (b.lower > b.upper) b.lower = b.upper - 1;
  b.lower = std::max(b.lower, 0);
  return b;
}

bool likePatternWellFormed(std::string_view pattern) {
  for (std::size_t i = pattern.find('['); i != std::string_view::npos; i = pattern.find('[', i)) {
    const std::size_t close = pattern.find(']', i + 1);
    if (close == std::string_view::npos) return false;
    const std::string_view list = pattern.substr(0, close);
    std::size_t k = i + 1;
    if (k < close && pattern[k] == '!') ++k;
    while (k < close) {
      std::size_t len = 0;
      const char32_t from = decodeChar(list, k, len);
      k += len;
      if (k + 1 < close && pattern[k] == '-') {
        const char32_t to = decodeChar(list, k + 1, len);
        if (to < from) return false;
        k += 1 + len;
      }
    }
    i = close + 1;
  }
  return true;
}

ExtractPlan prepareExtract(const ExtractOptions& options, const core::MessageTable& msg) {
  ExtractPlan plan;
  ExtractSetup& s = plan.setup;
  s.source = options.source;
  s.lowerCase = !options.caseSensitive;
  s.perFile = !options.combine;
  s.noRepeats = options.noRepeats;
  s.listEmpty = options.listEmpty;
  s.separator = options.separator == KeywordSeparator::LineBreak ? "\r\n"
                : options.separator == KeywordSeparator::Tab   ? "\t"
                                                                : " ";
  const LengthBounds bounds = lengthBounds(options.minLength, options.maxLength);
  s.lowerBound = bounds.lower;
  s.upperBound = bounds.upper;

  // The valid characters: shown as typed (cleaned), compared in the run's case.
  const std::vector<char32_t> typed = cleanedValidChars(options.validChars);
  if (typed.empty()) {
    plan.validCharsShown = fillValidChars();
    s.heading = msg(1) + plan.validCharsShown + "\r\n\r\n";
  } else {
    for (char32_t c : typed) appendUtf8(plan.validCharsShown, c);
  }
  for (char32_t c : codePoints(plan.validCharsShown)) s.valid.add(s.lowerCase ? lowerChar(c) : c);
  if (options.spaceValid) s.valid.add(U' ');

  // Common words: compared in the run's case, holding only characters a word can hold.
  if (options.excludeCommon) {
    std::string words = options.commonWords;
    std::replace(words.begin(), words.end(), '\r', ' ');
    std::replace(words.begin(), words.end(), '\n', ' ');
    plan.commonWordsShown = core::RemDup(words, " ", true);
    std::string kept;
    const std::string compared = comparable(*plan.commonWordsShown, s.lowerCase);
    for (std::size_t i = 0, len = 0; i < compared.size(); i += len) {
      const char32_t c = decodeChar(compared, i, len);
      if (c == U' ' || s.valid.has(c)) kept.append(compared, i, len);
    }
    for (std::string& w : vb::Split(kept, " ")) {
      if (!w.empty()) s.commonWords.insert(std::move(w));
    }
  }

  const std::string pattern = options.usePattern ? options.pattern : std::string("*");
  if (pattern.empty()) {
    plan.refusal = ExtractRefusal{msg(11), "N"};
    return plan;
  }
  s.pattern = comparable(pattern, s.lowerCase);
  plan.refusal = checkPatternChars(s.pattern, s.valid, options.spaceValid, msg);
  const std::string skeleton = literalSkeleton(s.pattern);
  s.firstRun = firstLiteralRun(skeleton);
  s.lastRun = core::Reverse(firstLiteralRun(core::Reverse(skeleton)));
  return plan;
}

}  // namespace tools::text
