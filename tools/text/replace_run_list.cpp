#include "tools/text/replace_run_list.h"

#include "core/vb.h"
#include "tools/text/replace_options.h"

#include <algorithm>

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
    RunList list;
    list.runs_.assign(static_cast<std::size_t>(count), std::nullopt);
    // Runs are read in order, each after the previous one's end: a run's text that holds another
    // run's marks (a hand-edited or damaged file) is then never read as that run, and a list
    // written back reads the same.
    std::size_t from = 0;
    for (int k = 1; k <= count; ++k) {
      const std::string open = openMark(k);
      const std::string close = closeMark(k);
      const std::size_t a = blocks.find(open, from);
      const std::size_t b = a == std::string_view::npos ? a : blocks.find(close, a + open.size());
      std::optional<std::string> state;
      if (b != std::string_view::npos) state = std::string(blocks.substr(a + open.size(), b - a - open.size()));
      if (!state || !replaceOptionsFromState(*state)) {
        out.error = RunListError::MissingRun;
        out.run = k;
        return out;
      }
      list.runs_[static_cast<std::size_t>(k - 1)] = std::move(state);
      from = b + close.size();
    }
    out.multiRunOff = text.find("chkMulRunA_Sep0A_Sep") != std::string_view::npos;
    out.list = std::move(list);
    return out;
  }
};

RunListLoad parseRunList(std::string_view text) { return RunListParser::parse(text); }

}  // namespace tools::text
