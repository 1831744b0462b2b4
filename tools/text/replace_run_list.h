// The replace tool's run list: up to 70 runs, each a complete form-state text of the window, with
// the number of the run the window shows, and the "*.Run" file format that carries a list (the
// scratch list "tmpSch.run" in the temporary folder carries it from one opening of the window to
// the next). The format, with no line breaks and no other header:
//   count "A_EndNum" then per run k: "A_Run" k "A_Data" state "A_EndData" k "_A"
// Numbers are decimal without leading zeros; blocks may come in any order. State texts escape
// these markers in their values (core/form_state.h), so a user's text never breaks a block.
//
//   RunList list;                          // one run, shown, not stored yet
//   list.store(1, stateOfTheWindow);
//   list.insertAfterCurrent();             // run 2, shown, not stored yet
//   const std::string file = list.fileText();
//   RunListLoad again = parseRunList(file);  // again.list->count() == 2
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tools::text {

inline constexpr int kMaxRuns = 70;

class RunList {
 public:
  RunList() : runs_(1) {}

  [[nodiscard]] int count() const { return static_cast<int>(runs_.size()); }
  // The run the window shows (1..count).
  [[nodiscard]] int current() const { return current_; }
  // Clamped into 1..count.
  void setCurrent(int k);
  // Run k's state text; nullopt when it has none (the shown run right after an insertion) or k is
  // out of range.
  [[nodiscard]] std::optional<std::string> state(int k) const;
  // Keeps state as run k (1..count).
  void store(int k, std::string state);
  // Removes run k; the later runs move down one, the count drops by one; current stays on its
  // number, or the new last run when it was the last. Nothing happens to the only run.
  void remove(int k);
  // A new run after the current one, without a state, which becomes current; the later runs move
  // up one. Nothing happens at kMaxRuns.
  void insertAfterCurrent();
  // The list in the file format (runs without a state are left out).
  [[nodiscard]] std::string fileText() const;

 private:
  friend struct RunListParser;
  std::vector<std::optional<std::string>> runs_;
  int current_ = 1;
};

// Why a text is not a run list.
enum class RunListError {
  None,
  NotRunList,  // no "A_EndNum", or no count in 1..70 before it
  MissingRun,  // run `run` has no complete block, or its state is not one of a window
};

struct RunListLoad {
  std::optional<RunList> list;  // set when the text is a complete list (current run 1)
  RunListError error = RunListError::None;
  int run = 0;                  // MissingRun: the first run that is missing
  bool multiRunOff = false;     // the runs were saved with chkMulRun unticked
};

// Reads a run list into a new list; the caller's own list is never touched by a bad text. Input is
// untrusted: any bytes give a result, in time linear in the text for each of its runs.
[[nodiscard]] RunListLoad parseRunList(std::string_view text);

// Files bigger than this are not run lists (a list of 70 runs is far smaller).
inline constexpr std::size_t kRunListFileLimit = std::size_t{64} << 20;

}  // namespace tools::text
