// Keyword extractor presets: any bytes are refused or read as entries of the extractor's own
// controls that survive being written again; the options a preset sets (pattern, valid
// characters, lengths, common words, whatever they hold) prepare a run that is refused before it
// starts or cuts a text into words of the bounded lengths.
#include <algorithm>
#include <string>

#include "fuzz/fuzz_support.h"
#include "tools/text/extract_chars.h"
#include "tools/text/extract_preset.h"
#include "tools/text/extract_scanner.h"

namespace {

bool ticked(const core::ParsedFormState& state, std::string_view name) {
  return state.value(name).value_or("0") != "0";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::Input in(data, size);
  const std::string text(in.piece());
  const std::string_view bytes = in.rest();

  const auto preset = tools::text::readExtractPreset(bytes);
  if (!preset) return 0;
  for (const core::FormStateEntry& e : *preset) {
    const auto& names = tools::text::kPresetControls;
    fuzzing::check(std::find(names.begin(), names.end(), e.name) != names.end(), "a preset names a foreign control");
  }
  const auto again = tools::text::readExtractPreset(core::buildFormState(0, *preset));
  fuzzing::check(again && again->size() == preset->size(), "a preset does not survive being written again");
  for (std::size_t i = 0; again && i < preset->size(); ++i)
    fuzzing::check((*again)[i].name == (*preset)[i].name && (*again)[i].value == (*preset)[i].value,
                   "a preset entry changed on the way through the text");

  const core::ParsedFormState state{.valid = true, .entries = *preset};
  const tools::text::ExtractOptions options{
      .validChars = state.value("txtAlphaKey").value_or(""),
      .minLength = {ticked(state, "chkMinKey"), state.value("txtMinKey").value_or("")},
      .maxLength = {ticked(state, "chkMaxKey"), state.value("txtMaxKey").value_or("")},
      .excludeCommon = ticked(state, "chkExcKey"),
      .commonWords = state.value("txtCommonWords").value_or(""),
      .usePattern = ticked(state, "chkPat"),
      .pattern = state.value("txtPat").value_or(""),
      .caseSensitive = ticked(state, "chkSens"),
      .spaceValid = ticked(state, "chkSpace")};
  const tools::text::ExtractPlan plan = tools::text::prepareExtract(options, {});
  if (plan.refusal) return 0;
  const tools::text::ExtractSetup& setup = plan.setup;
  tools::text::WordScanner scanner(setup, [&](std::string_view spelled, std::string_view compared) {
    const long long chars = static_cast<long long>(tools::text::codePoints(spelled).size());
    fuzzing::check(chars > setup.lowerBound && chars < setup.upperBound && chars <= tools::text::kMaxWordChars,
                   "a kept word is outside the length bounds");
    fuzzing::check(tools::text::comparable(spelled, setup.lowerCase) == compared,
                   "a kept word's compared form is not its spelling's");
  });
  for (std::size_t at = 0; at < text.size(); at += 7) scanner.feed(std::string_view(text).substr(at, 7));
  scanner.endWord();
  return 0;
}
