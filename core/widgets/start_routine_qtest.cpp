// The start routine with a scripted machine: system language, code page and the language chooser
// come from the test, the settings and folders live in a temporary home.
#include "core/file_content.h"
#include "core/settings.h"
#include "core/state.h"
#include "core/widgets/fake_host.h"
#include "core/widgets/start_routine.h"
#include "platform/own_temporary_test_support.h"
#include "platform/replacement_file.h"

#include <QApplication>
#include <QFileInfo>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

#include <unistd.h>

using namespace core;

namespace {

// A common-message table for languages 0 and 1 with the messages the start routine shows.
std::string mainLanguageFile() {
  std::string text;
  for (int lang = 0; lang < 2; ++lang) {
    text += "LangA_Dat" + std::to_string(lang) + "\r\nfrmMainA_DatCorvaneA_Sep";
    for (int n = 1; n <= 161; ++n) {
      std::string m = "m" + std::to_string(n);
      if (n == 96) m = "Cannot write to: ";
      if (n == 97) m = " (check it)";
      if (n == 161) m = "Too large: ";
      if (n == kMsgCodePageWarning) m = lang == 0 ? "Character set warning" : "Avertissement";
      text += "msg" + std::to_string(n) + "A_Dat" + m + "A_Sep";
    }
    text += "LangA_Sep\r\n";
  }
  return text;
}

struct Script {
  int language = 10;
  int codePage = 1252;
  std::vector<std::string> runs;   // "program argument"
  std::string chooserSaves;        // what Dorvisk saves as "myLang" when started with "vardulek"
};

}  // namespace

class StartRoutineTest : public QObject {
  Q_OBJECT
  QTemporaryDir root_;
  std::unique_ptr<ScopedCoreState> state_;
  std::unique_ptr<FakeHost> fake_;
  std::unique_ptr<ScopedHost> scoped_;
  Script script_;

  std::string path(const char* sub) const { return root_.path().toStdString() + "/" + sub; }

  StartEnvironment env() {
    StartEnvironment e;
    e.exeDir = path("bin");
    e.dataDir = path("share");
    e.appDataDir = path("data");
    e.tempDir = path("tmp");
    e.systemLanguage = [this] { return script_.language; };
    e.codePage = [this] { return script_.codePage; };
    e.runAndWait = [this](std::string_view program, std::string_view argument) {
      script_.runs.push_back(std::string(program) + " " + std::string(argument));
      if (argument == "vardulek" && !script_.chooserSaves.empty()) saveSet("myLang", script_.chooserSaves);
      return 0;
    };
    return e;
  }

 private Q_SLOTS:
  void init() {
    QDir(root_.path()).removeRecursively();
    QDir().mkpath(root_.path() + QStringLiteral("/share"));
    QDir().mkpath(root_.path() + QStringLiteral("/tmp"));
    QCOMPARE(OutputFile(path("share/LfrmMain.bin"), mainLanguageFile()), 0);
    clearSettings();
    script_ = Script{};
    state_ = std::make_unique<ScopedCoreState>();
    fake_ = std::make_unique<FakeHost>();
    scoped_ = std::make_unique<ScopedHost>(*fake_);
  }
  void cleanup() {
    scoped_.reset();
    fake_.reset();
    state_.reset();
  }

  void language_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("system");
    QTest::addColumn<QString>("chooserSaves");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("savedAfter");
    QTest::addColumn<bool>("chooserStarted");
    QTest::newRow("frenchSystem") << "" << 11 << "" << 1 << "1" << false;
    QTest::newRow("dutchSystem") << "" << 14 << "" << 4 << "4" << false;
    QTest::newRow("otherSystemChooserPicks") << "" << 0 << "3" << 3 << "3" << true;
    QTest::newRow("otherSystemNoChoice") << "" << 0 << "" << 0 << "" << true;
    QTest::newRow("storedWins") << "2" << 11 << "" << 2 << "2" << false;
    QTest::newRow("storedOutOfRange") << "9" << 11 << "" << 0 << "9" << false;
    QTest::newRow("storedNotANumber") << "fr" << 11 << "" << 0 << "fr" << false;
  }
  void language() {
    QFETCH(QString, stored);
    QFETCH(int, system);
    QFETCH(QString, chooserSaves);
    QFETCH(int, expected);
    QFETCH(QString, savedAfter);
    QFETCH(bool, chooserStarted);
    if (!stored.isEmpty()) saveSet("myLang", stored.toStdString());
    script_.language = system;
    script_.chooserSaves = chooserSaves.toStdString();
    QCOMPARE(startCore(env()), StartOutcome::ShowMain);
    QCOMPARE(coreState().langIndex, expected);
    QCOMPARE(QString::fromStdString(getSet("myLang")), savedAfter);
    QCOMPARE(script_.runs.size(), size_t(chooserStarted ? 1 : 0));
    if (chooserStarted) QCOMPARE(script_.runs.front(), std::string("Dorvisk vardulek"));
    QVERIFY(fake_->responds.empty());
  }

  // What a killed run of the program left in its own folders goes at the next start; a file there
  // that merely has the name of one stays.
  void leftoversOfAKilledRunGo() {
    QDir().mkpath(root_.path() + QStringLiteral("/data"));
    QDir().mkpath(root_.path() + QStringLiteral("/tmp"));
    if (const std::string why = platform::testing::userXattrsMissing(path("data/")); !why.empty())
      QSKIP(why.c_str());
    const std::string journal = platform::testing::abandonedTemporary(path("data/Copy1.qwj"), "half a journal");
    const std::string scratch = platform::testing::abandonedTemporary(path("tmp/spill"), "half");
    QVERIFY(!journal.empty() && !scratch.empty());
    const std::string lookAlike = path("data/") + platform::testing::kLookAlike;
    QCOMPARE(OutputFile(lookAlike, "mine"), 0);
    QCOMPARE(startCore(env()), StartOutcome::ShowMain);
    QVERIFY(!QFile::exists(QString::fromStdString(journal)));
    QVERIFY(!QFile::exists(QString::fromStdString(scratch)));
    QVERIFY(QFile::exists(QString::fromStdString(lookAlike)));
  }

  void sharedStateAndFirstRunFiles() {
    QCOMPARE(startCore(env()), StartOutcome::ShowMain);
    const CoreState& st = coreState();
    QCOMPARE(st.appPath, path("data/"));
    QCOMPARE(st.exeDir, path("bin/"));
    QCOMPARE(st.dataPath, path("share/"));
    QCOMPARE(st.tempPath, path("tmp/"));
    QCOMPARE(st.fontName, std::string("MS Sans Serif"));
    QCOMPARE(getSet("myFont"), std::string("MS Sans Serif"));
    QCOMPARE(InputBits(path("data/colfil.txt")), std::string("16777215,0"));
    QCOMPARE(st.hiddenColor, 0xAFAFAFu);
    QCOMPARE(int(st.fileTimes.modified.year), 1981);
    QCOMPARE(st.msgMain[1], std::string("m1"));  // the common messages are loaded
  }

  void keepsStoredFontAndFallsBackForTemp() {
    saveSet("myFont", "DejaVu Sans");
    StartEnvironment e = env();
    e.tempDir = path("no-such-folder");
    startCore(e);
    QCOMPARE(coreState().fontName, std::string("DejaVu Sans"));
    QCOMPARE(coreState().tempPath, path("data/"));
  }

  void codePage_data() {
    QTest::addColumn<int>("codePage");
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("quits");
    QTest::addColumn<QString>("text");
    QTest::newRow("1252NoWarning") << 1252 << 11 << 6 << false << "";
    QTest::newRow("1250Ok") << 1250 << 10 << 6 << false << "Character set warning";
    QTest::newRow("1250Cancel") << 1250 << 10 << 7 << true << "Character set warning";
    QTest::newRow("warningInUserLanguage") << 1251 << 11 << 6 << false << "Avertissement";
  }
  void codePage() {
    QFETCH(int, codePage);
    QFETCH(int, language);
    QFETCH(int, answer);
    QFETCH(bool, quits);
    QFETCH(QString, text);
    script_.codePage = codePage;
    script_.language = language;
    fake_->answers.push_back(answer);
    QCOMPARE(startCore(env()), quits ? StartOutcome::Quit : StartOutcome::ShowMain);
    if (text.isEmpty()) {
      QVERIFY(fake_->responds.empty());
      return;
    }
    QCOMPARE(fake_->responds.size(), size_t(1));
    const auto& r = fake_->responds.front();
    QCOMPARE(r.caller, nullptr);
    QCOMPARE(r.style, std::string());
    QCOMPARE(r.title, std::string("W"));
    QCOMPARE(r.dontAskKey, std::string());
    QCOMPARE(QString::fromStdString(r.text), text);
    QCOMPARE(script_.runs, quits ? std::vector<std::string>{"Dorvisk /u"} : std::vector<std::string>{});
  }

  void unwritableDataFolderIsReportedOnceAndStartGoesOn() {
    QCOMPARE(OutputFile(path("blocker"), "x"), 0);
    StartEnvironment e = env();
    e.appDataDir = path("blocker/data");  // a folder below a regular file cannot be made
    QCOMPARE(startCore(e), StartOutcome::ShowMain);
    QCOMPARE(fake_->responds.size(), size_t(1));
    QCOMPARE(fake_->responds.front().text, "Cannot write to: " + path("blocker/data/") + " (check it)");
    QCOMPARE(fake_->responds.front().title, std::string("N"));
    QCOMPARE(coreState().backColor, 0xFFFFFFu);
  }

  // A settings file far larger than any real one is not read (read whole, it would end the program
  // for want of memory): one notice names it, once the messages are there, and the start goes on.
  void aHugeSettingsFileIsReportedOnceAndStartGoesOn() {
    const std::string file = platform::settingsFilePath(settingsWord());
    QVERIFY(QDir().mkpath(QString::fromStdString(file.substr(0, file.rfind('/')))));
    QCOMPARE(OutputFile(file, "[vardulek]\nmyLang=1\n"), 0);
    QCOMPARE(::truncate(file.c_str(), off_t{3} << 30), 0);
    platform::resetSettingsFailure();
    QCOMPARE(startCore(env()), StartOutcome::ShowMain);
    QCOMPARE(fake_->responds.size(), size_t(1));
    QCOMPARE(fake_->responds.front().text, "Too large: " + file);
    QCOMPARE(coreState().langIndex, 0);
    QCOMPARE(QFileInfo(QString::fromStdString(file)).size(), qint64{3} << 30);
    QVERIFY(QFile::remove(QString::fromStdString(file)));
    platform::resetSettingsFailure();
  }

  void mainShowsTheMainWindowUnlessDeclined() {
    std::unique_ptr<QWidget> form;
    auto make = [&form]() -> QWidget* {
      form = std::make_unique<QWidget>();
      form->setObjectName(QStringLiteral("frmMain"));
      return form.get();
    };
    QVERIFY(Main(env(), make));
    QVERIFY(form && form->isVisible());
    QCOMPARE(defaultHost().mainForm(), form.get());
    QCOMPARE(defaultHost().getForm(), form.get());
    form.reset();

    script_.codePage = 1250;
    fake_->answers.push_back(7);
    QVERIFY(!Main(env(), make));
    QVERIFY(!form);
  }
};

int main(int argc, char** argv) {
  QTemporaryDir home;
  for (const char* var : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "TMPDIR"}) {
    qputenv(var, home.path().toLocal8Bit());
  }
  QApplication app(argc, argv);
  StartRoutineTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "start_routine_qtest.moc"
