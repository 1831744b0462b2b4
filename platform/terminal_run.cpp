#include "platform/terminal_run.h"

#include <cstdlib>
#include <sys/stat.h>

namespace platform {

namespace {

bool hasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* v = std::getenv(name);
    if (v && *v) return true;
  }
  return false;
}

std::string shellProgram() {
  const std::string binSh = "/bin/sh";
  return isExecutableFile(binSh) ? binSh : resolveProgram("sh");
}

}  // namespace

const std::vector<TerminalCommand>& knownTerminals() {
  // Only terminals that take the command as separate arguments: those whose -e wants one command
  // string would need the path quoted for yet another parser.
  static const std::vector<TerminalCommand> kTerminals = {
      {"x-terminal-emulator", {"-e"}}, {"gnome-terminal", {"--"}}, {"konsole", {"-e"}},
      {"xfce4-terminal", {"-x"}},      {"mate-terminal", {"-x"}},  {"kgx", {"--"}},
      {"terminator", {"-x"}},          {"alacritty", {"-e"}},      {"kitty", {}},
      {"foot", {}},                    {"wezterm", {"start", "--"}}, {"urxvt", {"-e"}},
      {"xterm", {"-e"}},               {"st", {"-e"}}};
  return kTerminals;
}

ScriptRun runScriptInTerminal(const std::string& scriptPath, const ScriptRunOptions& options) {
  struct stat st {};
  if (::stat(scriptPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {StartOutcome::NotFound, {}};
  const std::string sh = shellProgram();
  if (sh.empty()) return {StartOutcome::NotFound, {}};
  if (hasDisplay()) {
    for (const TerminalCommand& t : knownTerminals()) {
      const std::string program = resolveProgram(std::string(t.program));
      if (program.empty()) continue;
      std::vector<std::string> args(t.runArgs.begin(), t.runArgs.end());
      args.push_back(sh);
      args.push_back(scriptPath);
      const StartOutcome r = startProgram(program, args, false, options.workDir);
      if (r == StartOutcome::Started) return {r, program};
    }
  }
  return {startDetachedLogged(sh, {scriptPath}, options.workDir, options.logPath), {}};
}

}  // namespace platform
