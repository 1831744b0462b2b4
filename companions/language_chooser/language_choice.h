// The language chooser's decisions, apart from its window: what its command line asks for, the
// languages it offers, the code of a chosen language, and where the choice is stored (the
// "myLang" setting of the caller's settings word, which is where the main program reads it).
//
//   const dorvisk::ChooserRequest r = dorvisk::requestOf({"vardulek"});
//   // ... the user picks "Español" and presses Done ...
//   dorvisk::saveChoice(r, "Español");   // "myLang" = "3" under vardulek
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace dorvisk {

enum class ChooserMode {
  ChooseAndSave,     // a settings word: the choice is saved under it
  ChooseWithoutSave, // no command line: the choice is shown but not kept
  CodePageWarning,   // a command line holding "/": only the notice for other character sets
};

struct ChooserRequest {
  std::string commandLine;  // the words after the program name, joined by single blanks
  ChooserMode mode = ChooserMode::ChooseWithoutSave;
};

// Reads the command line (the arguments after the program name).
[[nodiscard]] ChooserRequest requestOf(const std::vector<std::string>& arguments);

// The languages offered, in list order: the first is selected at start. Every language the program
// ships is offered, each under its own name.
inline constexpr std::array<std::string_view, 5> kOfferedLanguages = {"English", "Français", "Deutsch",
                                                                      "Español", "Nederlands"};

// The language code of a list text: "English" (and any text not listed) 0, "Français" 1,
// "Deutsch" 2 (and "Deutsche", the word older lists held), "Español" 3, "Nederlands" 4 (exact
// comparison).
[[nodiscard]] int languageCode(std::string_view listText);

// Saves the code of listText as "myLang" under the request's settings word when its mode is
// ChooseAndSave; nothing otherwise. True when the setting now holds the code. Failures of the
// settings store are not reported (the main program then starts in English).
bool saveChoice(const ChooserRequest& request, std::string_view listText);

// The page the notice for other character sets points to, and the text shown when it cannot be
// opened (the address follows it).
inline constexpr std::string_view kHelpAddress = "https://wiki.debian.org/Locale";
inline constexpr std::string_view kLaunchError = "There was an error when attempting to launch: ";

}  // namespace dorvisk
