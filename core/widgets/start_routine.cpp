#include "core/widgets/start_routine.h"

#include "core/appearance.h"
#include "core/file_paths.h"
#include "core/file_times.h"
#include "core/language_file.h"
#include "core/settings.h"
#include "core/shell.h"
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/host.h"
#include "platform/program_paths.h"
#include "platform/replacement_file.h"

#include <memory>
#include <utility>
#include <vector>

namespace core {

namespace {

std::string folder(std::string_view path) { return path.empty() ? std::string() : AddSlash(path); }

void showUnwritable(const std::string& path) {
  host().respond(nullptr, "O", msgMain(96) + path + msgMain(97), "N", "");
}

// What the settings store could not do: write its folder or file, or read a file too large to be
// the program's.
void showSettingsFault(const std::string& path, platform::SettingsFault fault) {
  if (fault == platform::SettingsFault::TooLarge) {
    host().respond(nullptr, "O", msgMain(161) + path, "W", "");
  } else {
    showUnwritable(path);
  }
}

// Creates the folder when missing and tries to create and remove a file in it.
bool folderWritable(const std::string& path) {
  if (path.empty()) return false;
  std::string p = path;
  if (!PathExist(p) && MakeDir(p) != 0) return false;
  platform::ReplacementFile probe;
  return probe.create(path + "probe") == 0 && probe.discard() == 0;
}

// The temporary files of the program's own writes (journals, state, settings, scratch) that a
// killed program left behind.
void removeOwnLeftovers(const CoreState& st) {
  for (const std::string& f : {st.appPath, st.tempPath, platform::configHome() + "vardulek/"})
    if (!f.empty()) (void)platform::removeStaleTemporaries(f);
}

}  // namespace

StartEnvironment systemStartEnvironment() {
  StartEnvironment env;
  env.exeDir = platform::exeDir();
  env.dataDir = platform::dataDir();
  env.appDataDir = platform::appDataDir();
  env.tempDir = platform::tempDir();
  env.systemLanguage = [] { return static_cast<int>(IsEnglish()); };
  env.codePage = [] { return RetCodePage(); };
  env.runAndWait = [](std::string_view program, std::string_view argument) {
    return ShellRun(program, argument, 0, 1);
  };
  return env;
}

StartOutcome startCore(const StartEnvironment& env) {
  CoreState& st = coreState();
  // A settings store that cannot be written or read is reported once, after the messages are
  // loaded.
  auto pendingSettingsFaults = std::make_shared<std::vector<std::pair<std::string, platform::SettingsFault>>>();
  setSettingsFailureNotice([pendingSettingsFaults](const std::string& path, platform::SettingsFault fault) {
    pendingSettingsFaults->emplace_back(path.empty() ? " " : path, fault);
  });
  st.appPath = folder(env.appDataDir);
  st.exeDir = folder(env.exeDir);
  st.dataPath = folder(env.dataDir);
  const bool writable = folderWritable(st.appPath);

  st.foreColor = 0;
  st.backColor = 0xFFFFFF;
  st.disabledColor = 0xE0E0E0;

  st.fontName = getSet("myFont");
  if (st.fontName.empty()) {
    st.fontName = "MS Sans Serif";
    saveSet("myFont", st.fontName);
  }

  (void)loadColours();  // an unwritable folder is reported once below

  st.tempPath = folder(env.tempDir);
  if (st.tempPath.empty() || !PathExist(st.tempPath)) st.tempPath = st.appPath;

  removeOwnLeftovers(st);
  copyFileTimes();

  st.langIndex = 0;
  const std::string lang = getSet("myLang");
  if (!lang.empty()) {
    st.langIndex = langIndexFromText(lang);
  } else {
    const int r = env.systemLanguage ? env.systemLanguage() : 0;
    if (r >= 10 && r <= 14) {
      st.langIndex = r - 10;
      saveSet("myLang", vb::Str(st.langIndex));
    } else {
      // A chooser that cannot be started or ends without a choice leaves English.
      if (env.runAndWait) (void)env.runAndWait("Dorvisk", "vardulek");
      const std::string chosen = getSet("myLang");
      if (!chosen.empty()) st.langIndex = langIndexFromText(chosen);
    }
  }

  // The common messages are needed by the notices below; the main window loads them again with
  // its own texts.
  (void)loadLanguageFile("Main");

  if (!writable) showUnwritable(st.appPath);
  for (const auto& [path, fault] : *pendingSettingsFaults) showSettingsFault(path, fault);
  setSettingsFailureNotice(showSettingsFault);

  if (env.codePage && env.codePage() != 1252) {
    if (host().respond(nullptr, "", msgMain(kMsgCodePageWarning), "W", "") == kAnswerNo) {
      if (env.runAndWait) (void)env.runAndWait("Dorvisk", "/u");
      return StartOutcome::Quit;
    }
  }
  return StartOutcome::ShowMain;
}

bool Main(const StartEnvironment& env, const std::function<QWidget*()>& makeMainForm) {
  if (startCore(env) == StartOutcome::Quit) return false;
  QWidget* form = makeMainForm ? makeMainForm() : nullptr;
  if (!form) return false;
  defaultHost().setMainForm(form);
  form->show();
  return true;
}

}  // namespace core
