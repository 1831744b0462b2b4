#include "tools/text/replace_run_list.h"

#include "core/vb.h"
#include "tools/text/replace_options.h"

#include <algorithm>
#include <vector>

namespace tools::text {

namespace {

constexpr std::string_view kEndNum = "A_EndNum", kRunMark = "A_Run", kDataMark = "A_Data",
                           kEndData = "A_EndData", kEndMark = "_A";

std::string openMark(int k) { return std::string(kRunMark) + std::to_string(k) + std::string(kDataMark); }
std::string closeMark(int k) { return std::string(kEndData) + std::to_string(k) + std::string(kEndMark); }

}  // namespace

void RunList::setCurrent(int k) { current_ = std::clamp(k, 1, count()); }

std::optional<std::string> RunList::state(int k) const {
  if (k < 1 || k > count()) return std::nullopt;
  return runs_[static_cast<std::size_t>(k - 1)];
}

void RunList::store(int k, std::string state) {
  if (k < 1 || k > count()) return;
  runs_[static_cast<std::size_t>(k - 1)] = std::move(state);
}

void RunList::remove(int k) {
  if (count() == 1 || k < 1 || k > count()) return;
  runs_.erase(runs_.begin() + (k - 1));
  current_ = std::min(current_, count());
}

// GCC 12 with the sanitizers at -O2 takes the moved empty optional for an uninitialised string.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
void RunList::insertAfterCurrent() {
  if (count() >= kMaxRuns) return;
  runs_.insert(runs_.begin() + current_, std::nullopt);
  ++current_;
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

std::string RunList::fileText() const {
  std::string text = std::to_string(count()) + std::string(kEndNum);
  for (int k = 1; k <= count(); ++k) {
    const auto& s = runs_[static_cast<std::size_t>(k - 1)];
    if (s) text += openMark(k) + *s + closeMark(k);
  }
  return text;
}

struct RunListParser {
  static RunListLoad parse(std::string_view text) {
    RunListLoad out;
    const std::size_t end = text.find(kEndNum);
    const std::int64_t count = end == std::string_view::npos ? 0 : vb::ValInt(text.substr(0, end));
    if (count < 1 || count > kMaxRuns) {
      out.error = RunListError::NotRunList;
      return out;
    }
    const std::string_view blocks = text.substr(end + kEndNum.size());
    // The blocks are read one after another, in whatever order of runs they stand; the scan goes
    // on after each block's end, so a run's text holding another run's marks (a hand-edited or
    // damaged file) is never read as that run, and a list written back reads the same. The first
    // block of a run counts.
    std::vector<std::optional<std::string>> found(static_cast<std::size_t>(count));
    for (std::size_t pos = blocks.find(kRunMark); pos != std::string_view::npos; pos = blocks.find(kRunMark, pos)) {
      const std::size_t digits = pos + kRunMark.size();
      const std::size_t data = blocks.find(kDataMark, digits);
      const std::string_view number = blocks.substr(digits, data == std::string_view::npos ? 0 : data - digits);
      const bool isNumber = !number.empty() && number.size() <= 3 &&
                            std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
      const int k = isNumber ? static_cast<int>(vb::ValInt(number)) : 0;
      const std::size_t start = data + kDataMark.size();
      const std::size_t close = isNumber && openMark(k).size() == start - pos ? blocks.find(closeMark(k), start)
                                                                              : std::string_view::npos;
      if (close == std::string_view::npos) {
        pos = digits;  // not the start of a block
        continue;
      }
      if (k >= 1 && k <= count && !found[static_cast<std::size_t>(k - 1)])
        found[static_cast<std::size_t>(k - 1)] = std::string(blocks.substr(start, close - start));
      pos = close + closeMark(k).size();
    }
    RunList list;
    list.runs_.assign(static_cast<std::size_t>(count), std::nullopt);
    for (int k = 1; k <= count; ++k) {
      std::optional<std::string>& state = found[static_cast<std::size_t>(k - 1)];
      if (!state || !replaceOptionsFromState(*state)) {
        out.error = RunListError::MissingRun;
        out.run = k;
        return out;
      }
      list.runs_[static_cast<std::size_t>(k - 1)] = std::move(state);
    }
    out.multiRunOff = text.find("chkMulRunA_Sep0A_Sep") != std::string_view::npos;
    out.list = std::move(list);
    return out;
  }
};

RunListLoad parseRunList(std::string_view text) { return RunListParser::parse(text); }

}  // namespace tools::text
