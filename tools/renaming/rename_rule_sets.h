// Rule-set files ("*.Ren") of the rename window: form-state texts (core/form_state.h) of the
// window's boxes, ticks and options. This is the check a file must pass before it is applied;
// saving and applying are the window's (core::saveFormState, core::loadForm).
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace tools::ren {

// The largest rule-set file read (the window's state is a few hundred bytes).
inline constexpr std::size_t kMaxRuleSetBytes = std::size_t{1} << 20;

// The file's text when it can be a rule set: it starts with "qw9C", holds the form-state header
// and is no larger than kMaxRuleSetBytes. Any other file (another format, a missing, unreadable or
// huge file) gives nullopt. Another tool's form-state file passes: what it does not name keeps
// its value when it is applied. tooLarge (optional) tells a file refused for its size, unread.
[[nodiscard]] std::optional<std::string> readRuleSet(const std::string& path, bool* tooLarge = nullptr);

}  // namespace tools::ren
