#include "platform/process.h"
#include "platform/test_temp_dir.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace platform {
namespace {

// The application object a tied start needs (other tests of this program may have made one).
std::unique_ptr<QCoreApplication> ensureApp() {
  if (QCoreApplication::instance()) return nullptr;
  static int argc = 1;
  static char name[] = "process_test";
  static char* argv[] = {name, nullptr};
  return std::make_unique<QCoreApplication>(argc, argv);
}

// True once pid is gone or a zombie (an ended process its new parent has not reaped yet).
bool ended(pid_t pid) {
  if (::kill(pid, 0) != 0) return true;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), {});
  const std::size_t close = text.rfind(')');
  return close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'Z';
}

// A companion started tied ends with the program that started it, even when that program ends
// without running any destructor (as after a crash).
std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Arguments and the working folder reach the program byte for byte: a name that is not UTF-8
// handed to Properties or an opener must name the same file there, not its look-alike.
TEST(StartProgram, ArgumentsAndFolderArriveAsBytes) {
  platform::testing::TempDir tmp;
  const std::string root = tmp.path().toStdString() + "/";
  const std::string folder = root + "dir\xFF";
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  const std::string arg = "?" + root + "bad\xFF.txt";
  const std::string out = root + "out";
  for (const bool withApp : {false, true}) {
    const auto app = withApp ? ensureApp() : nullptr;
    ::unlink(out.c_str());
    ASSERT_EQ(startProgram("/bin/sh", {"-c", "printf '%s|' \"$1\" > \"$2\"; pwd >> \"$2\"", "sh", arg, out},
                           /*wait=*/true, folder),
              StartOutcome::Finished);
    EXPECT_EQ(readAll(out), arg + "|" + folder + "\n");
  }
}

TEST(StartProgram, DetachedStartsLogAndReportWhyNot) {
  platform::testing::TempDir tmp;
  const std::string root = tmp.path().toStdString() + "/";
  const std::string log = root + "log\xFE";
  ASSERT_EQ(startDetachedLogged("/bin/sh", {"-c", "echo out; echo err >&2", "sh"}, root, log), StartOutcome::Started);
  for (int i = 0; i < 500 && readAll(log).size() < 8; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(readAll(log), "out\nerr\n");
  EXPECT_EQ(startProgram("/no/such/program", {}, false), StartOutcome::NotFound);
  EXPECT_EQ(startProgram("/bin/sh", {"-c", "true"}, false, root + "missing"), StartOutcome::NotFound);
  EXPECT_EQ(startProgram("/bin/sh", {"-c", "true"}, true, root + "missing"), StartOutcome::NotFound);
}

TEST(TiedProgram, EndsWhenTheStartingProcessEnds) {
  platform::testing::TempDir tmp;
  const std::string pidFile = tmp.path().toStdString() + "/pid";
  const pid_t starter = ::fork();
  ASSERT_GE(starter, 0);
  if (starter == 0) {
    const auto app = ensureApp();
    const StartOutcome o = startTiedProgram("/bin/sh", {"-c", "echo $$ > '" + pidFile + "'; exec sleep 60"});
    for (int i = 0; i < 500 && ::access(pidFile.c_str(), R_OK) != 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the pid is written whole
    ::_exit(o == StartOutcome::Started ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(starter, &status, 0), starter);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  pid_t companion = 0;
  std::ifstream(pidFile) >> companion;
  ASSERT_GT(companion, 0);
  bool gone = false;
  for (int i = 0; i < 500 && !gone; ++i) {
    gone = ended(companion);
    if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (!gone) ::kill(companion, SIGKILL);
  EXPECT_TRUE(gone);
}

TEST(TiedProgram, MissingProgramIsNotFound) {
  const auto app = ensureApp();
  EXPECT_EQ(startTiedProgram("/no/such/program", {}), StartOutcome::NotFound);
}

}  // namespace
}  // namespace platform
