// The start of a companion program (Properties, Dorvisk, Brannock, Skerrow, Wendle and the
// stand-ins for the outside programs): fills the shared state with what a companion takes from the
// core, and nothing more. A companion never loads a language file into the shared message tables
// (a window companion reads its own texts, in language langIndex, 0), never writes the colour file
// and never asks anything at start; it links QtCore at most here, so windowless companions start
// without a display.
//
// Example, a windowless companion:
//
//   int main(int argc, char** argv) {
//     QCoreApplication app(argc, argv);
//     core::startCompanion({.settingsWord = "vardulek"});
//     (void)core::linkExecute("Quarrow", "frmCmd", "4");  // nobody listening: end quietly
//     return 0;
//   }
//
// Example, a window companion reading the shared colours read-only and the caller's font:
//
//   int main(int argc, char** argv) {
//     QApplication app(argc, argv);
//     const std::string caller = argc > 1 ? argv[1] : "";
//     core::startCompanion({.settingsWord = core::settingsWordOfCaller(caller),
//                           .font = core::CompanionFont::FromSettings,
//                           .colours = core::CompanionColours::ColourFile});
//     ... build the window from core::coreState() (fontName, backColor, foreColor) ...
//     return app.exec();
//   }
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace core {

// A colour scheme: back and fore colour of text boxes, back colour of disabled ones (&HBBGGRR).
struct ColourScheme {
  std::uint32_t back = 0xFFFFFF;
  std::uint32_t fore = 0;
  std::uint32_t disabled = 0xE0E0E0;
};

// The main program's default scheme (what the colour file holds until a user picks colours).
inline constexpr ColourScheme kMainScheme{.back = 0xFFFFFF, .fore = 0, .disabled = 0xE0E0E0};
// The companions' scheme: the fixed colours of Properties, and the defaults Dorvisk and Brannock
// use when the colour file is missing or unreadable.
inline constexpr ColourScheme kCompanionScheme{.back = 0x404040, .fore = 0xFFFF, .disabled = 0xC0C0C0};

enum class CompanionColours {
  Fixed,       // the scheme as given
  ColourFile,  // the colour file's back and fore over the given scheme; the file is never written
};

enum class CompanionFont {
  Default,                  // "MS Sans Serif", the settings are not read
  FromSettings,             // "myFont" of the settings word; "MS Sans Serif" when empty
  FromSettingsSaveDefault,  // as FromSettings, and an empty value is saved back as the default
};

struct CompanionOptions {
  // Settings word (application and section) for getSet/saveSet. An empty word makes every read
  // "" and every write fail: a companion whose caller is unknown keeps no settings, and never
  // writes the main program's.
  std::string settingsWord;
  CompanionFont font = CompanionFont::Default;
  CompanionColours colours = CompanionColours::Fixed;
  ColourScheme scheme = kCompanionScheme;
};

// The folders a companion uses; the system's by default, a test's own otherwise.
struct CompanionFolders {
  std::string exeDir;      // folder of the running executable (where other programs are started from)
  std::string dataDir;     // shipped read-only data (tip files, templates)
  std::string appDataDir;  // per-user data folder: becomes appPath (colour file)
  std::string tempDir;     // private scratch folder; appPath when empty or missing
};
[[nodiscard]] CompanionFolders systemCompanionFolders();

// Fills coreState() and the settings word: appPath, tempPath, exeDir and dataPath (each with a
// trailing "/"), the colour scheme (hiddenColor derived from the back colour), fontName,
// langIndex 0 and the file-time records preset to 01/01/1981 01:01:01.001. Settings failures are
// ignored (no notice). Touches no window and no file other than reading the colour file and the
// settings (and, with FromSettingsSaveDefault, writing "myFont").
void startCompanion(const CompanionOptions& options, const CompanionFolders& folders = systemCompanionFolders());

// The settings word of a caller named on a companion's command line, in any letter case:
// "Quarrow" (the main program) gives "vardulek", "Gremvard" gives "gremvard"; anything else
// (a blank too many included) gives "" (no settings).
[[nodiscard]] std::string settingsWordOfCaller(std::string_view caller);
// The application name of the caller's link: a known caller's own spelling ("quarrow" gives
// "Quarrow", whose link the main program serves), anything else as given.
[[nodiscard]] std::string callerLinkName(std::string_view caller);

// The program link: opens "application|topic", executes message (bytes, NULs allowed) and closes
// it. False when nobody serves the link or it fails; bounded by timeoutMs, never blocks longer.
bool linkExecute(std::string_view application, std::string_view topic, std::string_view message,
                 int timeoutMs = 1000);

}  // namespace core
