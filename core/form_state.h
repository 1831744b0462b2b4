// The form-state text: how a form's control values are kept in form-state files and in the tools'
// own files (rule sets, presets, run lists, batch codes). One line, separator "A_Sep":
//   "qw9Configs" A_Sep "winState" A_Sep <0|2> A_Sep  then per control  name A_Sep value A_Sep
// This file builds and parses that text; which controls are saved and how values map onto them
// is the window side's business.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

inline constexpr std::string_view kFormStateHeader = "qw9Configs";
inline constexpr std::string_view kFormStateSep = "A_Sep";

struct FormStateEntry {
  std::string name;
  std::string value;
};

// Encodes a value for the text. A value holding none of "A_Sep", "A_Run", "A_EndData",
// "A_EndNum" and not starting with the escape mark is returned byte for byte (other tools search
// the raw text for pairs such as "optContentA_SepTrue"). Any other value becomes the escape mark
// "A_Esc" followed by the value with "%" written "%25" and "_" written "%5F", so the escaped form
// holds no "_" after its mark and can never contain one of the markers.
[[nodiscard]] std::string escapeFormValue(std::string_view value);
// Reverses escapeFormValue; text without the escape mark is returned as it stands.
[[nodiscard]] std::string unescapeFormValue(std::string_view text);

// The whole text: header with winState ("2" for 2, else "0"), then each entry, its value escaped.
[[nodiscard]] std::string buildFormState(int winState, const std::vector<FormStateEntry>& entries);

struct ParsedFormState {
  bool valid = false;  // the text starts with "qw9Co" (or the header was not to be checked)
  int winState = 0;    // 2 when the digit after "winState" A_Sep is non-zero, else 0
  std::vector<FormStateEntry> entries;  // name/value pairs after the header, in order, unescaped
  // The value of the first entry named exactly name.
  [[nodiscard]] std::optional<std::string> value(std::string_view name) const;
};

// Parses form-state text. checkHeader false (text handed over by a tool) skips the "qw9Co" test.
// A text that fails the test gives valid false and no entries. A trailing name without a value
// (a truncated file) is dropped.
[[nodiscard]] ParsedFormState parseFormState(std::string_view text, bool checkHeader = true);

}  // namespace core
