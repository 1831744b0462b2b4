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

#include <QFile>

#include <cstdlib>
#include <linux/capability.h>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>

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

// The folder of the build's programs: what ctest sets in CORVANE_TEST_BIN, else the folder of this
// test program (they are built side by side), so a test started by hand finds the shipped data
// instead of stopping at a missing-language-file message no one can answer.
inline std::string testBinDir() {
  if (const char* bin = std::getenv("CORVANE_TEST_BIN")) return std::string(bin) + "/";
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return {};
  const std::string exe(self, static_cast<std::size_t>(n));
  return exe.substr(0, exe.rfind('/') + 1);
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

// Takes the read permission of a folder away for the life of the object (or until restore): mode
// 0. A test run as root meets the folder as any user would: meanwhile its real user is "nobody"
// (what access() checks) and the capabilities that let root open anything are dropped (what
// open() checks). Every folder above the one locked must then be open to others (0755).
class NoReadPermission {
 public:
  explicit NoReadPermission(const QString& folder) : folder_(folder) {
    QFile::setPermissions(folder_, QFile::Permissions());
    if (::geteuid() == 0) {
      setDacCapabilities(false);
      (void)::setreuid(65534, static_cast<uid_t>(-1));
    }
  }
  ~NoReadPermission() { restore(); }
  NoReadPermission(const NoReadPermission&) = delete;
  NoReadPermission& operator=(const NoReadPermission&) = delete;
  void restore() {
    if (restored_) return;
    restored_ = true;
    if (::geteuid() == 0) {
      (void)::setreuid(0, static_cast<uid_t>(-1));
      setDacCapabilities(true);
    }
    QFile::setPermissions(folder_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }

 private:
  static void setDacCapabilities(bool on) {
    __user_cap_header_struct head{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &head, data) != 0) return;
    const unsigned bits = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
    data[0].effective = on ? (data[0].effective | (data[0].permitted & bits)) : (data[0].effective & ~bits);
    (void)::syscall(SYS_capset, &head, data);
  }
  QString folder_;
  bool restored_ = false;
};

}  // namespace mainwin::test
