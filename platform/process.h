// Starting programs and opening documents: an argument list of bytes, never a shell string.
#pragma once

#include <string>
#include <vector>

namespace platform {

enum class StartOutcome {
  Started,        // not waiting: the program (or the document's application) was started
  Finished,       // waiting: the program ran and ended
  NotFound,       // no such file or folder
  AccessDenied,   // not executable, or permission denied
  BadFormat,      // the kernel refused to run it
  NoAssociation,  // a document no application is associated with (or no opener is installed)
  Failed,         // anything else
};

// Resolves a program name: a name without "/" is looked up in the folder of the running
// executable first, then on PATH; a name with "/" is used as given. "" when nothing is found.
[[nodiscard]] std::string resolveProgram(const std::string& name);

// True when path names a regular file that the user may execute.
[[nodiscard]] bool isExecutableFile(const std::string& path);

// Runs program with args in workDir (home when empty). wait: keeps the event loop running (when
// a QCoreApplication exists, else blocks) until the program ends, then returns Finished; not
// waiting: starts it detached and returns Started. The program's output goes to ours.
StartOutcome startProgram(const std::string& program, const std::vector<std::string>& args,
                          bool wait, const std::string& workDir = {});

// Starts program detached with args in workDir (home when empty), its input from /dev/null and its
// output and errors appended to logPath (created when missing). Started, or why it could not be.
StartOutcome startDetachedLogged(const std::string& program, const std::vector<std::string>& args,
                                 const std::string& workDir, const std::string& logPath);

// Starts program with args, not waiting, as a companion that lives only as long as this process:
// it is asked to end (SIGTERM) when this process ends, however it ends, and is ended when the
// application object goes. Needs a QCoreApplication. Same outcomes as startProgram.
StartOutcome startTiedProgram(const std::string& program, const std::vector<std::string>& args);
// The desktop id (e.g. "org.gnome.TextEditor.desktop") of the application associated with the
// file's type in the freedesktop MIME database (mimeapps.list, mimeinfo.cache, desktop entries of
// $XDG_DATA_HOME and $XDG_DATA_DIRS), or "" when there is none.
[[nodiscard]] std::string defaultApplicationFor(const std::string& path);

// Opens a document, a folder or a URL ("scheme://...", "mailto:") with the desktop's default
// application (xdg-open, else gio open). NoAssociation when a file's type has no application or no
// opener is installed; NotFound for a missing file.
StartOutcome openDocument(const std::string& pathOrUrl, bool wait);

}  // namespace platform
