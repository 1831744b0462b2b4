// Running a shell script where the user can watch it: in a terminal window (x-terminal-emulator,
// then the common terminals), or, with no terminal or no display, detached with its output in a
// log file. The script is always run by /bin/sh with its path as one argument: nothing is ever
// passed through a shell command line.
//
// Example:
//   const platform::ScriptRun run = platform::runScriptInTerminal(
//       core.tempPath + "QWBatchJob.bat", {.logPath = core.tempPath + "QWBatchJob.log"});
//   if (run.outcome != platform::StartOutcome::Started) report failure;
//   else if (run.terminal.empty()) tell the user the output goes to the log file;
#pragma once

#include "platform/process.h"

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A terminal program and the arguments that make it run a command given as separate arguments.
struct TerminalCommand {
  std::string_view program;
  std::vector<std::string_view> runArgs;  // put before the command
};

// The terminals tried, in order: x-terminal-emulator first (the desktop's choice on Debian and its
// derivatives), then the terminals of the common desktops, then the classic ones.
[[nodiscard]] const std::vector<TerminalCommand>& knownTerminals();

struct ScriptRunOptions {
  std::string workDir;  // the script's working folder; home when empty
  std::string logPath;  // where a detached run writes its output and errors
};

struct ScriptRun {
  StartOutcome outcome = StartOutcome::Failed;
  std::string terminal;  // the terminal program used; "" when the script runs detached
};

// Starts `/bin/sh scriptPath` in the first terminal found on PATH (not waiting), or, when there is
// none or no display ($DISPLAY / $WAYLAND_DISPLAY) to show one, detached with its output appended
// to options.logPath. NotFound when the script does not exist.
ScriptRun runScriptInTerminal(const std::string& scriptPath, const ScriptRunOptions& options);

}  // namespace platform
