// The keyword extractor's presets ("*.Pre", default "Extract.Pre"): form-state files of its
// window's options. A file is taken as a preset only when it is form-state text naming nothing
// but the extractor's controls; any other file (another tool's rule set, a damaged file) is
// refused whole, so a refused load never changes the user's settings. Values holding the format's
// markers are escaped by the form-state format and come back as typed.
//
//   const core::CappedRead text = core::readCapped(path, tools::text::kPresetMaxBytes);
//   if (auto preset = text.data ? tools::text::readExtractPreset(*text.data) : std::nullopt)
//     core::loadForm(window, mode = 3, core::buildFormState(0, *preset), "");
#pragma once

#include "core/form_state.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace tools::text {

// The controls of the extractor's window that a preset holds.
inline constexpr std::array<std::string_view, 18> kPresetControls = {
    "optFile",   "optFileName",    "optFold",    "txtAlphaKey", "comChar",   "chkMinKey",
    "txtMinKey", "chkMaxKey",      "txtMaxKey",  "chkExcKey",   "txtCommonWords", "chkPat",
    "txtPat",    "chkSens",        "chkStripKey", "chkSpace",   "chkCombine", "chkNull"};

// A preset larger than this is no preset (a form state holds a few kilobytes).
inline constexpr std::size_t kPresetMaxBytes = 1 << 20;

// The entries of the preset held in bytes, in the file's order; nullopt when bytes are not a preset
// of the extractor: no "qw9C" form-state header, no entry, a control the window does not have, or
// more than kPresetMaxBytes.
[[nodiscard]] std::optional<std::vector<core::FormStateEntry>> readExtractPreset(std::string_view bytes);

}  // namespace tools::text
