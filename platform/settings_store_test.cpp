#include "platform/settings_store.h"
#include "platform/own_temporary_test_support.h"
#include "platform/test_home.h"
#include "platform/test_temp_dir.h"

#include <QByteArray>
#include <QProcess>

#include <gtest/gtest.h>

#include <cstdlib>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Points every per-user folder at a fresh temporary folder, so nothing touches the real home.
class SettingsEnv : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tmp_.isValid());
    root_ = tmp_.path().toStdString() + "/";
    home_.emplace(root_, std::array<std::string, 5>{"home", "config", "data", "run", "tmp"});
    platform::resetSettingsFailure();
    platform::setSettingsFailureHandler(nullptr);
  }

  void TearDown() override { home_.reset(); }

  static std::string helper() {
    const char* bin = std::getenv("CORVANE_TEST_BIN");
    return std::string(bin ? bin : ".") + "/platform_test_helper";
  }

  // Runs the helper as another program; returns its exit code and standard output.
  static int runHelper(const QStringList& args, QByteArray* out = nullptr) {
    QProcess p;
    p.start(QString::fromStdString(helper()), args);
    if (!p.waitForFinished(20000)) return -1;
    if (out) *out = p.readAllStandardOutput().trimmed();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
  }

  static std::string fileText(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
  }

  platform::testing::TempDir tmp_;
  std::string root_;
  std::optional<platform::testing::IsolatedHome> home_;
};

// --- any text round-trips, also between programs -------------------------------------------
struct TrickyValue {
  const char* label;
  std::string value;
};

class SettingsValues : public SettingsEnv, public ::testing::WithParamInterface<TrickyValue> {};

TEST_P(SettingsValues, RoundTripsInThisAndAnotherProgram) {
  const std::string& v = GetParam().value;
  ASSERT_TRUE(platform::writeSetting("vardulek", "key", v));
  EXPECT_EQ(platform::readSetting("vardulek", "key"), v);

  // The other program reads what we wrote ...
  QByteArray out;
  ASSERT_EQ(runHelper({"read", "vardulek", "key"}, &out), 0);
  EXPECT_EQ(QByteArray::fromHex(out).toStdString(), v);

  // ... and we read what it writes, with the value before and after it left intact.
  ASSERT_TRUE(platform::writeSetting("vardulek", "before", "b"));
  ASSERT_TRUE(platform::writeSetting("vardulek", "after", "a"));
  ASSERT_EQ(runHelper({"write", "vardulek", "key2", QString::fromLatin1(QByteArray::fromStdString(v).toHex())}), 0);
  EXPECT_EQ(platform::readSetting("vardulek", "key2"), v);
  EXPECT_EQ(platform::readSetting("vardulek", "key"), v);
  EXPECT_EQ(platform::readSetting("vardulek", "before"), "b");
  EXPECT_EQ(platform::readSetting("vardulek", "after"), "a");
}

INSTANTIATE_TEST_SUITE_P(
    Tricky, SettingsValues,
    ::testing::Values(TrickyValue{"empty", ""}, TrickyValue{"comma", "a,b,c"},
                      TrickyValue{"slashes", "/home/x/y/ and C:\\dir\\"},
                      TrickyValue{"quotes", "\"quoted\" 'single'"}, TrickyValue{"equals", "a=b==c"},
                      TrickyValue{"leadingBlanks", "  \tlead"}, TrickyValue{"trailingBlanks", "trail \t "},
                      TrickyValue{"onlyBlank", " "}, TrickyValue{"nonAscii", "Ünïcödé 日本 €"},
                      TrickyValue{"lineBreaks", "one\ntwo\r\nthree\r"},
                      TrickyValue{"nul", std::string("a\0b", 3)},
                      TrickyValue{"groupLike", "[vardulek]"}, TrickyValue{"commentLike", ";x"},
                      TrickyValue{"hashLike", "#x"}, TrickyValue{"escapeLike", "\\x41\\\\n\\"},
                      TrickyValue{"invalidUtf8", std::string("\xff\xfe\x80", 3)}),
    [](const ::testing::TestParamInfo<TrickyValue>& info) { return std::string(info.param.label); });

// --- names ---------------------------------------------------------------------------------
TEST_F(SettingsEnv, NamesCompareWithoutCaseAndKeepTheirFirstSpelling) {
  ASSERT_TRUE(platform::writeSetting("vardulek", "MyLang", "1"));
  EXPECT_EQ(platform::readSetting("vardulek", "mylang"), "1");
  ASSERT_TRUE(platform::writeSetting("vardulek", "MYLANG", "2"));
  EXPECT_EQ(platform::readSetting("vardulek", "myLang"), "2");
  const std::string text = fileText(platform::settingsFilePath("vardulek"));
  EXPECT_EQ(text, "[vardulek]\nMyLang=2\n");
}

TEST_F(SettingsEnv, AbsentValuesAndFilesReadEmpty) {
  EXPECT_EQ(platform::readSetting("vardulek", "myFont"), "");
  ASSERT_TRUE(platform::writeSetting("vardulek", "x", "1"));
  EXPECT_EQ(platform::readSetting("vardulek", "myFont"), "");
  EXPECT_EQ(platform::readSetting("gremvard", "x"), "");  // another word, another file
  EXPECT_EQ(platform::readSetting("../x", "x"), "");
  EXPECT_FALSE(platform::writeSetting("../x", "x", "1"));
}

// --- several programs at once ----------------------------------------------------------------
TEST_F(SettingsEnv, ConcurrentWritersLoseNothing) {
  constexpr int kWriters = 4, kEach = 40;
  std::vector<std::unique_ptr<QProcess>> procs;
  for (int w = 0; w < kWriters; ++w) {
    auto p = std::make_unique<QProcess>();
    p->start(QString::fromStdString(helper()),
             {"writemany", "vardulek", QStringLiteral("w%1_").arg(w), QString::number(kEach)});
    procs.push_back(std::move(p));
  }
  for (int i = 0; i < kEach; ++i)
    ASSERT_TRUE(platform::writeSetting("vardulek", "self" + std::to_string(i), std::to_string(i)));
  for (auto& p : procs) {
    ASSERT_TRUE(p->waitForFinished(60000));
    EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
  }
  for (int w = 0; w < kWriters; ++w)
    for (int i = 0; i < kEach; ++i)
      EXPECT_EQ(platform::readSetting("vardulek", "w" + std::to_string(w) + "_" + std::to_string(i)),
                "v," + std::to_string(i) + "/=\"x\"");
  for (int i = 0; i < kEach; ++i)
    EXPECT_EQ(platform::readSetting("vardulek", "self" + std::to_string(i)), std::to_string(i));
}

// Values that belong together are read and written in one locked update: four programs counting
// in one value at once lose no count (separate reads and writes would).
TEST_F(SettingsEnv, UpdatesOfSeveralProgramsAtOnceSeeEachOther) {
  constexpr int kPrograms = 3, kEach = 30;
  std::vector<std::unique_ptr<QProcess>> procs;
  for (int w = 0; w < kPrograms; ++w) {
    auto p = std::make_unique<QProcess>();
    p->start(QString::fromStdString(helper()), {"increment", "vardulek", "count", QString::number(kEach)});
    procs.push_back(std::move(p));
  }
  for (int i = 0; i < kEach; ++i) {
    ASSERT_TRUE(platform::editSettings("vardulek", [](platform::SettingsEdit& values) {
      const std::string now = values.get("COUNT");  // names compare without case here too
      values.set("Count", std::to_string((now.empty() ? 0 : std::stoi(now)) + 1));
    }));
  }
  for (auto& p : procs) {
    ASSERT_TRUE(p->waitForFinished(60000));
    EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
  }
  EXPECT_EQ(platform::readSetting("vardulek", "count"), std::to_string((kPrograms + 1) * kEach));
}

TEST_F(SettingsEnv, ReadsSeeAnotherProgramsWriteOfTheSameSize) {
  ASSERT_TRUE(platform::writeSetting("vardulek", "myLang", "1"));
  ASSERT_EQ(platform::readSetting("vardulek", "myLang"), "1");
  ASSERT_EQ(runHelper({"write", "vardulek", "myLang", "32"}), 0);  // "2"
  EXPECT_EQ(platform::readSetting("vardulek", "myLang"), "2");
}

TEST_F(SettingsEnv, SymlinkedFileStaysALinkAndGetsTheValue) {
  // Dotfile managers keep the real file elsewhere and link it into the config folder.
  mkdir((root_ + "config/vardulek").c_str(), 0700);
  mkdir((root_ + "dotfiles").c_str(), 0700);
  const std::string real = root_ + "dotfiles/vardulek.ini";
  std::ofstream(real) << "[vardulek]\nmyLang=1\n";
  const std::string link = platform::settingsFilePath("vardulek");
  ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
  EXPECT_EQ(platform::readSetting("vardulek", "myLang"), "1");
  ASSERT_TRUE(platform::writeSetting("vardulek", "myFont", "Serif"));
  struct stat st {};
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(fileText(real), "[vardulek]\nmyLang=1\nmyFont=Serif\n");
}

// --- clearing ------------------------------------------------------------------------------
TEST_F(SettingsEnv, ClearRemovesOnlyTheGroup) {
  ASSERT_TRUE(platform::writeSetting("vardulek", "a", "1"));
  const std::string path = platform::settingsFilePath("vardulek");
  {
    std::ofstream f(path, std::ios::app);
    f << "\n[other]\nkeep=yes\n";
  }
  ASSERT_TRUE(platform::writeSetting("vardulek", "b", "2"));
  EXPECT_TRUE(platform::clearSettingsGroup("vardulek"));
  EXPECT_EQ(platform::readSetting("vardulek", "a"), "");
  EXPECT_EQ(platform::readSetting("vardulek", "b"), "");
  EXPECT_EQ(fileText(path), "[other]\nkeep=yes\n");
  EXPECT_TRUE(platform::clearSettingsGroup("nothing_here"));
}

// --- unwritable store ----------------------------------------------------------------------
TEST_F(SettingsEnv, UnwritableFolderGivesOneNoticeAndReadsStillWork) {
  // A file where the config folder should be: nothing can be created beneath it.
  const std::string blocker = root_ + "blocker";
  std::ofstream(blocker) << "x";
  setenv("XDG_CONFIG_HOME", blocker.c_str(), 1);
  int notices = 0;
  std::string where;
  platform::setSettingsFailureHandler([&](const std::string& p, platform::SettingsFault) {
    ++notices;
    where = p;
  });
  EXPECT_FALSE(platform::writeSetting("vardulek", "a", "1"));
  EXPECT_FALSE(platform::writeSetting("vardulek", "b", "2"));
  EXPECT_EQ(notices, 1);
  EXPECT_TRUE(platform::settingsWriteFailed());
  EXPECT_NE(where.find("blocker"), std::string::npos) << where;
  EXPECT_EQ(platform::readSetting("vardulek", "a"), "");
  platform::setSettingsFailureHandler(nullptr);
}

// A settings file of 3 GB (sparse: it takes no room) is neither read nor written: its values read
// as empty, one notice names it, and the file stays as it is. Read whole it would end the program.
TEST_F(SettingsEnv, AHugeSettingsFileIsNeitherReadNorWrittenAndGivesOneNotice) {
  ::mkdir((root_ + "config/vardulek").c_str(), 0700);
  const std::string path = platform::settingsFilePath("vardulek");
  std::ofstream(path) << "[vardulek]\nmyLang=1\n";
  constexpr off_t kHuge = off_t{3} << 30;
  ASSERT_EQ(::truncate(path.c_str(), kHuge), 0);
  std::vector<std::pair<std::string, platform::SettingsFault>> notices;
  platform::setSettingsFailureHandler(
      [&](const std::string& p, platform::SettingsFault fault) { notices.emplace_back(p, fault); });
  EXPECT_EQ(platform::readSetting("vardulek", "myLang"), "");
  EXPECT_EQ(platform::readSetting("vardulek", "myFont"), "");
  EXPECT_FALSE(platform::writeSetting("vardulek", "myLang", "2"));
  EXPECT_FALSE(platform::editSettings("vardulek", [](platform::SettingsEdit& values) { values.set("a", "1"); }));
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].first, path);
  EXPECT_EQ(notices[0].second, platform::SettingsFault::TooLarge);
  EXPECT_TRUE(platform::settingsWriteFailed());
  EXPECT_EQ(std::filesystem::file_size(path), static_cast<std::uintmax_t>(kHuge));
  platform::setSettingsFailureHandler(nullptr);
}

// --- writes killed midway, hand-edited line breaks, a read-only file -------------------------
// Another program is killed while it writes (its temporary file is there): the next write, under
// the lock, removes what it left. A file of the user's beside the store is never touched, even one
// named as the store's temporaries are.
TEST_F(SettingsEnv, TemporariesOfKilledWritesGoOnTheNextWrite) {
  ASSERT_TRUE(platform::writeSetting("vardulek", "seed", std::string(200000, 's')));
  const std::string dir = root_ + "config/vardulek/";
  if (const std::string why = platform::testing::userXattrsMissing(dir); !why.empty()) GTEST_SKIP() << why;
  std::ofstream(dir + "vardulek.ini.backup") << "the user's copy";
  const std::string lookAlike = ".vardulek.ini.vdkabcd1234";
  std::ofstream(dir + lookAlike) << "the user's too";
  const auto leftovers = [&] {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
      const std::string n = e.path().filename().string();
      if (n != "vardulek.ini" && n != "vardulek.ini.lock" && n != "vardulek.ini.backup" && n != lookAlike)
        out.push_back(n);
    }
    return out;
  };
  for (int attempt = 0; attempt < 40 && leftovers().empty(); ++attempt) {
    QProcess p;
    p.start(QString::fromStdString(helper()), {"writemany", "vardulek", "k", "100000"});
    ASSERT_TRUE(p.waitForStarted(5000));
    for (int i = 0; i < 20000 && leftovers().empty(); ++i) usleep(250);
    ::kill(static_cast<pid_t>(p.processId()), SIGKILL);
    p.waitForFinished(5000);
  }
  ASSERT_FALSE(leftovers().empty()) << "no write was caught midway";
  ASSERT_TRUE(platform::writeSetting("vardulek", "after", "1"));
  EXPECT_EQ(leftovers(), std::vector<std::string>{});
  EXPECT_EQ(fileText(dir + "vardulek.ini.backup"), "the user's copy");
  EXPECT_EQ(fileText(dir + lookAlike), "the user's too");
  EXPECT_EQ(platform::readSetting("vardulek", "after"), "1");
}

// A hand-edited file with CR CR LF breaks and no break at its end: keys and headers read without
// the CRs, a new key lands in the existing group, and every untouched byte stays across writes.
TEST_F(SettingsEnv, LineBreaksReadWithoutCrsAndStayByteExact) {
  ::mkdir((root_ + "config/vardulek").c_str(), 0700);
  const std::string path = platform::settingsFilePath("vardulek");
  std::ofstream(path, std::ios::binary) << "[vardulek]\r\r\nkeep=one\r\r\n\r\n[other]\r\nk=v";
  EXPECT_EQ(platform::readSetting("vardulek", "keep"), "one");
  ASSERT_TRUE(platform::writeSetting("vardulek", "new", "1"));
  EXPECT_EQ(platform::readSetting("vardulek", "new"), "1");
  EXPECT_EQ(fileText(path), "[vardulek]\r\r\nkeep=one\r\r\nnew=1\n\r\n[other]\r\nk=v");
  for (const char* value : {"2", "3", "4"}) ASSERT_TRUE(platform::writeSetting("vardulek", "new", value));
  EXPECT_EQ(fileText(path), "[vardulek]\r\r\nkeep=one\r\r\nnew=4\n\r\n[other]\r\nk=v");
  ASSERT_TRUE(platform::writeSetting("vardulek", "keep", "two"));
  EXPECT_EQ(fileText(path), "[vardulek]\r\r\nkeep=two\r\r\nnew=4\n\r\n[other]\r\nk=v");
  ASSERT_TRUE(platform::writeSetting("other", "k2", "w"));
  EXPECT_EQ(platform::readSetting("vardulek", "keep"), "two");
}

TEST_F(SettingsEnv, AReadOnlyFileIsRefusedOnceAndOtherModesAreKept) {
  ASSERT_TRUE(platform::writeSetting("vardulek", "a", "1"));
  const std::string path = platform::settingsFilePath("vardulek");
  const auto modeOf = [&] {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0u;
  };
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(platform::writeSetting("vardulek", "b", "2"));
  EXPECT_EQ(modeOf(), 0640u);

  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  int notices = 0;
  platform::setSettingsFailureHandler([&](const std::string&, platform::SettingsFault) { ++notices; });
  const std::string before = fileText(path);
  EXPECT_FALSE(platform::writeSetting("vardulek", "c", "3"));
  EXPECT_FALSE(platform::writeSetting("vardulek", "d", "4"));
  EXPECT_EQ(notices, 1);
  EXPECT_EQ(modeOf(), 0444u);
  EXPECT_EQ(fileText(path), before);
  EXPECT_EQ(platform::readSetting("vardulek", "b"), "2");
  platform::setSettingsFailureHandler(nullptr);
}

}  // namespace
