#include "core/shell.h"

#include "platform/process.h"
#include "platform/program_paths.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

void ensureApp() {
  static int argc = 1;
  static char name[] = "core_tests";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

std::string readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

// Every folder the desktop looks in for applications points into a temporary folder, so no
// document type is associated unless a test says so.
class ShellEnv : public ::testing::Test {
 protected:
  static constexpr const char* kVars[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS",
                                          "XDG_CONFIG_DIRS", "LC_ALL", "LC_MESSAGES", "LANG"};
  void SetUp() override {
    ensureApp();
    for (const char* v : kVars) {
      const char* old = std::getenv(v);
      saved_.emplace_back(old ? std::optional<std::string>(old) : std::nullopt);
    }
    ASSERT_TRUE(tmp_.isValid());
    root_ = tmp_.path().toStdString() + "/";
    for (const char* sub : {"home", "config", "data", "sysdata", "sysconfig"}) mkdir((root_ + sub).c_str(), 0700);
    setenv("HOME", (root_ + "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root_ + "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (root_ + "data").c_str(), 1);
    setenv("XDG_DATA_DIRS", (root_ + "sysdata").c_str(), 1);
    setenv("XDG_CONFIG_DIRS", (root_ + "sysconfig").c_str(), 1);
    // The system's MIME type database stays visible (types must still be recognised), its
    // applications do not.
    symlink("/usr/share/mime", (root_ + "sysdata/mime").c_str());
  }
  void TearDown() override {
    for (std::size_t i = 0; i < saved_.size(); ++i) {
      if (saved_[i]) setenv(kVars[i], saved_[i]->c_str(), 1);
      else unsetenv(kVars[i]);
    }
  }

  std::string writeFile(const std::string& name, const std::string& text, mode_t mode = 0644) {
    const std::string path = root_ + name;
    std::ofstream(path, std::ios::binary) << text;
    chmod(path.c_str(), mode);
    return path;
  }

  QTemporaryDir tmp_;
  std::string root_;
  std::vector<std::optional<std::string>> saved_;
};

TEST_F(ShellEnv, WaitingRunKeepsEventsFlowingAndPassesParametersAsOneArgument) {
  const std::string out = root_ + "args.txt";
  const std::string script =
      writeFile("prog.sh", "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > '" + out + "'\nsleep 0.3\n", 0755);
  bool timerFired = false;
  QTimer::singleShot(50, [&] { timerFired = true; });
  EXPECT_EQ(core::ShellRun(script, "two words; $HOME \"q\" *", 0, 1), 0);
  EXPECT_TRUE(timerFired) << "the event loop did not run while waiting";
  EXPECT_EQ(readFile(out), "1|two words; $HOME \"q\" *");

  // No parameters: no argument at all.
  EXPECT_EQ(core::ShellRun(script, "", 0, 1), 0);
  EXPECT_EQ(readFile(out), "0|");
}

TEST_F(ShellEnv, StartResults) {
  EXPECT_GT(core::ShellRun("/bin/true", "", 0, 0), 32);
  EXPECT_EQ(core::ShellRun("/bin/true", "x", 0, 1), 0);
  for (int wait : {0, 1}) {
    const int missing = core::ShellRun(root_ + "no/such/program", "", 0, wait);
    EXPECT_GT(missing, 0);
    EXPECT_LE(missing, 32);
    EXPECT_NE(missing, 31);
    EXPECT_LE(core::ShellRun("", "", 0, wait), 32);
  }
}

TEST_F(ShellEnv, UnassociatedDocumentGives31) {
  const std::string doc = writeFile("report.zzqx", "some text\n");
  EXPECT_EQ(core::ShellRun(doc, "", 0, 0), 31);
  EXPECT_EQ(core::ShellRun(doc, "", 0, 1), 31);
}

TEST_F(ShellEnv, AssociationsComeFromMimeappsListAndDesktopEntries) {
  const std::string doc = writeFile("notes.txt", "hello\n");
  EXPECT_EQ(platform::defaultApplicationFor(doc), "");
  mkdir((root_ + "sysdata/applications").c_str(), 0755);
  writeFile("sysdata/applications/viewer.desktop",
            "[Desktop Entry]\nType=Application\nName=V\nExec=/bin/true %f\nMimeType=text/plain;\n");
  EXPECT_EQ(platform::defaultApplicationFor(doc), "viewer.desktop");
  mkdir((root_ + "data/applications").c_str(), 0755);
  writeFile("data/applications/editor.desktop", "[Desktop Entry]\nType=Application\nName=E\nExec=/bin/true\n");
  writeFile("config/mimeapps.list", "[Default Applications]\ntext/plain=gone.desktop;editor.desktop\n");
  EXPECT_EQ(platform::defaultApplicationFor(doc), "editor.desktop");  // the user's choice first
}

TEST_F(ShellEnv, BareProgramNameResolvesBesideTheExecutable) {
  const std::string self = platform::exeDir() + "core_tests";
  ASSERT_TRUE(platform::isExecutableFile(self));
  EXPECT_EQ(platform::resolveProgram("core_tests"), self);
  EXPECT_EQ(platform::resolveProgram("/bin/true"), "/bin/true");
  EXPECT_EQ(platform::resolveProgram("no-such-companion-xyz"), "");
}

TEST_F(ShellEnv, PropertiesEntryIsWrittenQuotedAndRemoved) {
  const std::string program = "/opt/my apps/Pro\"per`$ties\\100%/Properties";
  ASSERT_TRUE(core::registerPropertiesEntry(program));
  const std::string path = root_ + "data/applications/" + core::propertiesEntryFileName();
  const std::string text = readFile(path);
  EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
  // Exec quoting first ('"', '`', '$', '\' escaped, '%' doubled), then the string escape of '\'.
  EXPECT_NE(text.find("\nExec=\"/opt/my apps/Pro\\\\\"per\\\\`\\\\$ties\\\\\\\\100%%/Properties\" %f\n"),
            std::string::npos)
      << text;
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  EXPECT_TRUE(core::unregisterPropertiesEntry());
  EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
  EXPECT_TRUE(core::unregisterPropertiesEntry());  // already gone is fine
}

TEST_F(ShellEnv, LanguageAndCodePageFollowTheLocale) {
  unsetenv("LC_ALL");
  unsetenv("LC_MESSAGES");
  setenv("LANG", "C", 1);
  EXPECT_EQ(core::IsEnglish(), 10);
  EXPECT_EQ(core::RetCodePage(), 1252);
  setenv("LC_ALL", "fr_FR.UTF-8", 1);
  EXPECT_EQ(core::IsEnglish(), 11);
  setenv("LC_ALL", "ja_JP.UTF-8", 1);
  EXPECT_EQ(core::IsEnglish(), 0);
  setenv("LC_ALL", "ru_RU.KOI8-R", 1);
  EXPECT_NE(core::RetCodePage(), 1252);
}

}  // namespace
