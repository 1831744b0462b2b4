// Dorvisk's start: the companion start (colours from the colour file, read only)
// and its window for the command line, shown. The program ends when the window closes.
#pragma once

#include "companions/language_chooser/widgets/form1.h"

#include <memory>
#include <string>
#include <vector>

namespace dorvisk {

// arguments: the words after the program name.
[[nodiscard]] std::unique_ptr<Form1> startDorvisk(const std::vector<std::string>& arguments);

}  // namespace dorvisk
