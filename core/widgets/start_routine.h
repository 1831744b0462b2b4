// The program's start routine Main: sets up the shared state (folders, colours, font, scratch
// folder, file-time records, language), asks the language chooser Dorvisk for a language when
// none is known, loads the common messages, warns once about an unwritable data folder and about
// a character set other than UTF-8/Latin-1, and shows the main window. What depends on the
// machine (folders, locale, starting Dorvisk) comes in through StartEnvironment so that tests can
// script it.
#pragma once

#include <QWidget>

#include <functional>
#include <string>
#include <string_view>

namespace core {

// Message number of the character-set warning in the common table.
inline constexpr int kMsgCodePageWarning = 122;

struct StartEnvironment {
  std::string exeDir;      // folder of the running executable
  std::string dataDir;     // shipped data (language and tip files)
  std::string appDataDir;  // per-user data folder, becomes appPath
  std::string tempDir;     // private scratch folder ("" or missing: appPath is used)
  // The system language: 10 English, 11 French, 12 German, 13 Spanish, 14 Dutch, 0 other.
  std::function<int()> systemLanguage;
  // The system's code page (1252 for UTF-8 and the Latin-1 family).
  std::function<int()> codePage;
  // Starts a companion program by name with one argument and waits for it to end; returns
  // ShellRun's result (0 after a run, <= 32 when it could not be started).
  std::function<int(std::string_view program, std::string_view argument)> runAndWait;
};

// The environment of this machine: the platform's folders, the locale, ShellRun.
[[nodiscard]] StartEnvironment systemStartEnvironment();

enum class StartOutcome { ShowMain, Quit };

// The steps before the main window: fills coreState() and the settings as described above.
// Returns Quit when the user declined the character-set warning (Dorvisk has then been started
// with "/u").
StartOutcome startCore(const StartEnvironment& env);

// startCore, then (unless it says Quit) makeMainForm() is shown and installed as the main window of
// the basic host. Returns true when the main window is shown, false when the program is to end.
bool Main(const StartEnvironment& env, const std::function<QWidget*()>& makeMainForm);

}  // namespace core
