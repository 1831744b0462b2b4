#include "core/companion_start.h"

#include "core/appearance.h"
#include "core/file_paths.h"
#include "core/file_times.h"
#include "core/settings.h"
#include "core/state.h"
#include "platform/fs.h"
#include "platform/program_link.h"
#include "platform/program_paths.h"

#include <QByteArray>
#include <QString>

namespace core {

namespace {

constexpr std::string_view kDefaultFont = "MS Sans Serif";
// A colour file is one short line; more than this is not one of ours and is not read further.
constexpr std::uint64_t kColourFileReadLimit = 4096;

std::string folder(std::string_view path) { return path.empty() ? std::string() : AddSlash(path); }

void readColourFileOver(CoreState& st) {
  const platform::ReadResult r =
      platform::readRange(st.appPath + std::string(kColourFileName), 0, kColourFileReadLimit);
  if (r.error != 0) return;
  std::uint32_t back = st.backColor, fore = st.foreColor;
  // Both values or neither: half a scheme from a damaged file could give unreadable text.
  if (parseColourText(r.data, back, fore)) {
    st.backColor = back;
    st.foreColor = fore;
  }
}

// ASCII letters compared without regard to case, every other byte exactly.
bool sameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

QString text(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

CompanionFolders systemCompanionFolders() {
  return {.exeDir = platform::exeDir(),
          .dataDir = platform::dataDir(),
          .appDataDir = platform::appDataDir(),
          .tempDir = platform::tempDir()};
}

void startCompanion(const CompanionOptions& options, const CompanionFolders& folders) {
  setSettingsWord(options.settingsWord);
  CoreState& st = coreState();
  st.appPath = folder(folders.appDataDir);
  st.exeDir = folder(folders.exeDir);
  st.dataPath = folder(folders.dataDir);
  st.tempPath = folder(folders.tempDir);
  if (st.tempPath.empty() || !PathExist(st.tempPath)) st.tempPath = st.appPath;

  st.backColor = options.scheme.back;
  st.foreColor = options.scheme.fore;
  st.disabledColor = options.scheme.disabled;
  if (options.colours == CompanionColours::ColourFile) readColourFileOver(st);
  st.hiddenColor = shadeColour(st.backColor, 80, false);

  st.fontName = std::string(kDefaultFont);
  if (options.font != CompanionFont::Default) {
    const std::string saved = getSet("myFont");
    if (!saved.empty()) {
      st.fontName = saved;
    } else if (options.font == CompanionFont::FromSettingsSaveDefault) {
      saveSet("myFont", kDefaultFont);
    }
  }

  st.langIndex = 0;
  copyFileTimes();
}

std::string settingsWordOfCaller(std::string_view caller) {
  if (sameLetters(caller, "Quarrow")) return "vardulek";
  if (sameLetters(caller, "Gremvard")) return "gremvard";
  return {};
}

std::string callerLinkName(std::string_view caller) {
  if (sameLetters(caller, "Quarrow")) return "Quarrow";
  if (sameLetters(caller, "Gremvard")) return "Gremvard";
  return std::string(caller);
}

bool linkExecute(std::string_view application, std::string_view topic, std::string_view message,
                 int timeoutMs) {
  if (application.empty()) return false;
  return platform::executeOnce(text(application), text(topic),
                               QByteArray(message.data(), static_cast<qsizetype>(message.size())), timeoutMs);
}

}  // namespace core
