#include "core/text_routines.h"

#include "core/vb.h"

#include <cmath>
#include <limits>
#include <unordered_set>
#include <vector>

namespace core {

namespace {

std::vector<std::string_view> characters(std::string_view text) {
  std::vector<std::string_view> out;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = vb::CharLen(text, i);
    out.push_back(text.substr(i, n));
    i += n;
  }
  return out;
}

}  // namespace

std::string RemDup(std::string_view list, std::string_view sep, bool matchCase) {
  const std::string work = matchCase ? std::string(list) : vb::LCase(list);
  std::string result;
  if (sep.empty()) {
    const auto chars = characters(work);
    for (std::size_t i = 0; i < chars.size(); ++i) {
      bool later = false;
      for (std::size_t j = i + 1; j < chars.size() && !later; ++j) later = chars[j] == chars[i];
      if (!later) result += chars[i];
    }
    return result;
  }
  // Items compare exactly, whatever the separator: a repeated item is dropped even where it holds
  // blanks or the separator is not a blank.
  std::unordered_set<std::string> seen;
  for (const std::string& item : vb::Split(work, sep)) {
    if (item.empty() || !seen.insert(item).second) continue;
    if (!result.empty()) result += sep;
    result += item;
  }
  return result;
}

std::string Reverse(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const auto chars = characters(text);
  for (auto it = chars.rbegin(); it != chars.rend(); ++it) out += *it;
  return out;
}

std::string FilterTxt(std::string_view text, std::string& allowed) {
  if (allowed.empty()) allowed = "0123456789";
  return FilterTxt(text, std::string_view(allowed));
}

std::string FilterTxt(std::string_view text, std::string_view allowed) {
  if (allowed.empty()) allowed = "0123456789";
  std::unordered_set<std::string_view> set;
  for (auto c : characters(allowed)) set.insert(c);
  std::string out;
  for (auto c : characters(text)) {
    if (set.count(c)) out += c;
  }
  return out;
}

std::int32_t RoundUp(double number) {
  if (std::isnan(number)) return 0;
  const double r = number < 0 ? std::floor(number) : std::ceil(number);
  constexpr double lo = std::numeric_limits<std::int32_t>::min();
  constexpr double hi = std::numeric_limits<std::int32_t>::max();
  if (r <= lo) return std::numeric_limits<std::int32_t>::min();
  if (r >= hi) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(r);
}

}  // namespace core
