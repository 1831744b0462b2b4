#include "core/shell.h"

#include "platform/desktop_entry.h"
#include "platform/locale_info.h"
#include "platform/process.h"

#include <vector>

namespace core {

namespace {

// The shell's error numbers, so callers can keep testing "<= 32" and "31".
constexpr int kFileNotFound = 2;
constexpr int kAccessDenied = 5;
constexpr int kBadFormat = 11;
constexpr int kNoAssociation = 31;
constexpr int kStarted = 42;

int shellCode(platform::StartOutcome o, bool wait) {
  switch (o) {
    case platform::StartOutcome::Started: return wait ? 0 : kStarted;
    case platform::StartOutcome::Finished: return 0;
    case platform::StartOutcome::NotFound: return kFileNotFound;
    case platform::StartOutcome::AccessDenied: return kAccessDenied;
    case platform::StartOutcome::BadFormat: return kBadFormat;
    case platform::StartOutcome::NoAssociation: return kNoAssociation;
    case platform::StartOutcome::Failed: break;
  }
  return kAccessDenied;
}

}  // namespace

int ShellRun(std::string_view file, std::string_view parameters, std::uintptr_t /*owner*/, int wait) {
  const std::string name(file);
  if (name.empty()) return kFileNotFound;
  const bool waiting = wait != 0;
  std::string program = platform::resolveProgram(name);
  if (program.empty()) program = name;  // not a program: perhaps a document in the working folder
  if (platform::isExecutableFile(program)) {
    std::vector<std::string> args;
    if (!parameters.empty()) args.emplace_back(parameters);  // one argument, never split
    return shellCode(platform::startProgram(program, args, waiting), waiting);
  }
  return shellCode(platform::openDocument(program, waiting), waiting);
}

std::uint8_t IsEnglish() {
  return static_cast<std::uint8_t>(platform::languageCode(platform::localeInfo()));
}

int RetCodePage() { return platform::codePageNumber(platform::localeInfo()); }

const char* propertiesEntryFileName() { return "vardulek-properties.desktop"; }

bool registerPropertiesEntry(std::string_view programPath) {
  // "%f": one local file; the file manager passes the chosen file as a single argument.
  const std::string content =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=Properties\n"
      "Exec=" + platform::quoteExecArgument(programPath) + " %f\n"
      "MimeType=all/all;all/allfiles;\n"
      "Terminal=false\n";
  return platform::writeUserDesktopEntry(propertiesEntryFileName(), content);
}

bool unregisterPropertiesEntry() { return platform::removeUserDesktopEntry(propertiesEntryFileName()); }

}  // namespace core
