// Test support for the main window's Qt tests: a private home (HOME, XDG folders, TMPDIR) set
// before anything reads them, and a core state whose appPath is in that home and whose data
// folder is the build tree's shipped data (so the real language and tip files are used).
#pragma once

#include "core/language_file.h"
#include "core/settings.h"
#include "core/state.h"
#include "platform/test_home.h"

#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <cstdlib>
#include <string>

namespace mainwin::test {

// Points HOME, the XDG folders and TMPDIR at a fresh temporary folder (with a "bin" folder for
// the programs a test starts) for the rest of the program; call first thing in main().
inline QString isolateHome() {
  static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/mainwin-qtest-XXXXXX"));
  static const platform::testing::IsolatedHome home(dir.path().toStdString(),
                                                    {"home", "config", "data", "run", "tmp"});
  QDir().mkpath(dir.path() + QStringLiteral("/bin"));
  return dir.path();
}

// The folder of the build's programs (ctest sets CORVANE_TEST_BIN).
inline std::string testBinDir() {
  const char* bin = std::getenv("CORVANE_TEST_BIN");
  return bin ? std::string(bin) + "/" : std::string();
}

// Fills the core state for a test: appPath under root, the shipped data of the build, English.
inline void setUpCoreState(const QString& root, int langIndex = 0) {
  core::CoreState& st = core::coreState();
  st.appPath = root.toStdString() + "/data/vardulek/";
  QDir().mkpath(QString::fromStdString(st.appPath));
  st.tempPath = root.toStdString() + "/tmp/";
  st.exeDir = root.toStdString() + "/bin/";
  st.dataPath = testBinDir() + "../share/vardulek/";
  st.langIndex = langIndex;
  (void)core::loadLanguageFile("Main");
}

}  // namespace mainwin::test
