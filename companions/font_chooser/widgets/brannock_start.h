// Brannock's start: the companion start for the caller named on the command line (colours from the
// colour file, read only) and its window, shown. The program ends when the
// window closes.
#pragma once

#include "companions/font_chooser/widgets/font_form.h"

#include <memory>
#include <string>
#include <vector>

namespace brannock {

// arguments: the words after the program name.
[[nodiscard]] std::unique_ptr<FrmMain> startBrannock(const std::vector<std::string>& arguments);

}  // namespace brannock
