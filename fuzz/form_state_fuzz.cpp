// Form-state text (form-state files and the tools' own files): any text parses, and what it
// parses to is written back and read again unchanged; any value survives its escaping.
#include <array>
#include <string>

#include "core/form_state.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::Input in(data, size);
  const bool checkHeader = in.flag();
  const std::string value(in.piece());
  const std::string_view text = in.rest();

  const std::string escaped = core::escapeFormValue(value);
  fuzzing::check(core::unescapeFormValue(escaped) == value, "a value does not survive its escaping");
  for (std::string_view marker : {"A_Sep", "A_Run", "A_EndData", "A_EndNum"})
    fuzzing::check(escaped.find(marker) == std::string::npos, "an escaped value holds a marker");

  const core::ParsedFormState parsed = core::parseFormState(text, checkHeader);
  if (!parsed.valid) {
    fuzzing::check(parsed.entries.empty(), "an invalid text gave entries");
    return 0;
  }
  fuzzing::check(parsed.winState == 0 || parsed.winState == 2, "winState is neither 0 nor 2");
  const core::ParsedFormState again =
      core::parseFormState(core::buildFormState(parsed.winState, parsed.entries));
  fuzzing::check(again.valid && again.winState == parsed.winState, "the rebuilt header differs");
  fuzzing::check(again.entries.size() == parsed.entries.size(), "the rebuilt text has another entry count");
  for (std::size_t i = 0; i < parsed.entries.size(); ++i)
    fuzzing::check(
        again.entries[i].name == parsed.entries[i].name && again.entries[i].value == parsed.entries[i].value,
        "an entry changed on the way through the text");
  return 0;
}
