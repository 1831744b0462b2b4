#include "companions/tips/tip_list.h"

#include "core/vb.h"

namespace tipsome {

std::vector<std::string> parseTips(std::string_view text) {
  std::vector<std::string> tips;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string line(text.substr(start, end - start));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!vb::Trim(line).empty()) tips.push_back(line);
    start = end + 1;
  }
  return tips;
}

std::size_t tipIndex(std::string_view stored, std::size_t count) {
  if (count == 0) return 0;
  const long long n = vb::ValInt(stored);
  return n < 0 ? 0 : static_cast<std::size_t>(n) % count;
}

}  // namespace tipsome
