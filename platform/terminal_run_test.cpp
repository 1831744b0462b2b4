#include "platform/terminal_run.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

// Puts PATH (and the display variables) under the test's control, restoring them afterwards.
class TerminalRun : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    for (const char* v : {"PATH", "DISPLAY", "WAYLAND_DISPLAY"}) {
      const char* old = std::getenv(v);
      saved_.emplace_back(v, old ? std::optional<std::string>(old) : std::nullopt);
    }
    bin_ = dir_.path().toStdString() + "/bin";
    QDir().mkpath(QString::fromStdString(bin_));
    ::setenv("PATH", bin_.c_str(), 1);
    ::setenv("DISPLAY", ":97", 1);
    ::unsetenv("WAYLAND_DISPLAY");
    script_ = dir_.path().toStdString() + "/job with 'quote'.sh";
    write(script_, "printf 'ran in %s\\n' \"$(pwd)\"\n", false);
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) {
      if (value) ::setenv(name.c_str(), value->c_str(), 1);
      else ::unsetenv(name.c_str());
    }
  }
  static void write(const std::string& path, const std::string& text, bool executable) {
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.data(), static_cast<qint64>(text.size()));
    f.close();
    if (executable) f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
  }
  // A stand-in terminal that records the arguments it was given, one per line.
  std::string fakeTerminal(const std::string& name) {
    const std::string record = dir_.path().toStdString() + "/" + name + ".args";
    write(bin_ + "/" + name, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + record + "'\n", true);
    return record;
  }
  static std::string waitForFile(const std::string& path) {
    QFile f(QString::fromStdString(path));
    for (int i = 0; i < 200; ++i) {
      if (f.open(QIODevice::ReadOnly)) {
        const QByteArray data = f.readAll();
        f.close();
        if (data.endsWith('\n')) return data.toStdString();
      }
      QThread::msleep(25);
    }
    return {};
  }

  QTemporaryDir dir_;
  std::string bin_, script_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(TerminalRun, PrefersXTerminalEmulatorThenTheCommonTerminals) {
  const std::string xterm = fakeTerminal("xterm");
  const std::string x = fakeTerminal("x-terminal-emulator");
  const platform::ScriptRunOptions options{.workDir = dir_.path().toStdString(), .logPath = {}};
  platform::ScriptRun run = platform::runScriptInTerminal(script_, options);
  EXPECT_EQ(run.outcome, platform::StartOutcome::Started);
  EXPECT_EQ(run.terminal, bin_ + "/x-terminal-emulator");
  // The path travels as one argument, never through a command line.
  EXPECT_EQ(waitForFile(x), "-e\n/bin/sh\n" + script_ + "\n");
  QFile::remove(QString::fromStdString(bin_ + "/x-terminal-emulator"));
  run = platform::runScriptInTerminal(script_, options);
  EXPECT_EQ(run.terminal, bin_ + "/xterm");
  EXPECT_EQ(waitForFile(xterm), "-e\n/bin/sh\n" + script_ + "\n");
}

TEST_F(TerminalRun, WithoutTerminalOrDisplayTheScriptRunsDetachedIntoItsLog) {
  fakeTerminal("xterm");
  ::unsetenv("DISPLAY");  // a terminal could not be shown
  const std::string log = dir_.path().toStdString() + "/job.log";
  const platform::ScriptRun run = platform::runScriptInTerminal(script_, {.workDir = dir_.path().toStdString(), .logPath = log});
  EXPECT_EQ(run.outcome, platform::StartOutcome::Started);
  EXPECT_EQ(run.terminal, "");
  EXPECT_EQ(waitForFile(log), "ran in " + QDir(dir_.path()).canonicalPath().toStdString() + "\n");
  EXPECT_EQ(platform::runScriptInTerminal(dir_.path().toStdString() + "/missing.sh", {.workDir = {}, .logPath = log}).outcome,
            platform::StartOutcome::NotFound);
}

}  // namespace
