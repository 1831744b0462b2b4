// The font chooser's decisions, apart from its window: whose font it edits (the caller named on
// the command line, in any letter case: "Quarrow" is the main program, settings word "vardulek";
// "Gremvard" has the settings word "gremvard"; anyone else keeps no settings), and what Done does: save the font as
// "myFont" under that word and tell the caller over its link to apply it now.
//
//   const brannock::FontRequest r = brannock::requestOf({"Quarrow"});
//   switch (brannock::saveFontChoice(r, "DejaVu Serif")) { ... }
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brannock {

struct FontRequest {
  std::string commandLine;   // the words after the program name, joined by single blanks
  std::string settingsWord;  // "" when the caller is unknown: nothing is saved
};

// Reads the command line (the arguments after the program name).
[[nodiscard]] FontRequest requestOf(const std::vector<std::string>& arguments);

// The font saved for the caller ("" when none or the caller is unknown).
[[nodiscard]] std::string savedFont(const FontRequest& request);

enum class DoneOutcome {
  NothingSaved,  // no font chosen, an unknown caller, or the settings could not be written
  Applied,       // saved, and the caller took the appearance-changed message
  NextStart,     // saved, but the caller did not answer: it shows the font at its next start
};

// Saves font as "myFont" under the request's settings word and, once saved, sends the link
// command "2" (appearance changed) to "<caller>|frmMain" (the caller's own spelling, see
// core::callerLinkName), waiting at most timeoutMs.
// Nothing is sent when nothing was saved.
DoneOutcome saveFontChoice(const FontRequest& request, std::string_view font, int timeoutMs = 1000);

// The notice after NextStart, and its title.
inline constexpr std::string_view kNextStartText = "The changes will appear the next time you start the program.";
inline constexpr std::string_view kNextStartTitle = "Success";

}  // namespace brannock
