// The main program's start routine on a system whose language is none of the five: it starts the
// language chooser as a program of its own with "vardulek", waits for it to end, and starts in the
// language chosen there (English when the chooser is closed without a choice).
#include "core/settings.h"
#include "core/state.h"
#include "core/widgets/fake_host.h"
#include "core/widgets/start_routine.h"
#include "platform/process.h"
#include "platform/settings_store.h"
#include "platform/test_home.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <memory>

class DorviskStartTest : public QObject {
  Q_OBJECT

  static std::string testBin() {
    const char* bin = std::getenv("CORVANE_TEST_BIN");
    return bin ? std::string(bin) + "/" : std::string();
  }

 private Q_SLOTS:
  void startRoutineWaitsForTheChooserAndUsesItsChoice_data() {
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<int>("langIndex");
    QTest::addColumn<QString>("saved");
    QTest::newRow("spanish") << QStringList{"--choose", "Español", "--done"} << 3 << "3";
    QTest::newRow("dutch") << QStringList{"--choose", "Nederlands", "--done"} << 4 << "4";
    QTest::newRow("closedWithoutChoice") << QStringList{"--choose", "Français"} << 0 << "";
  }
  void startRoutineWaitsForTheChooserAndUsesItsChoice() {
    QFETCH(QStringList, script);
    QFETCH(int, langIndex);
    QFETCH(QString, saved);
    (void)platform::clearSettingsGroup("vardulek");
    core::ScopedCoreState state;
    core::FakeHost host;
    core::ScopedHost scopedHost(host);

    core::StartEnvironment env = core::systemStartEnvironment();
    env.dataDir = testBin() + "../share/vardulek/";
    env.systemLanguage = [] { return 0; };
    env.codePage = [] { return 1252; };
    std::vector<std::string> runs;
    bool ended = false;
    env.runAndWait = [&](std::string_view program, std::string_view argument) {
      runs.push_back(std::string(program) + " " + std::string(argument));
      std::vector<std::string> args;
      for (const QString& s : script) args.push_back(s.toStdString());
      args.push_back("--");
      args.emplace_back(argument);
      const platform::StartOutcome o = platform::startProgram(testBin() + "dorvisk_test_remote", args, true);
      ended = o == platform::StartOutcome::Finished;
      return ended ? 0 : 2;
    };

    QCOMPARE(core::startCore(env), core::StartOutcome::ShowMain);
    QCOMPARE(runs, std::vector<std::string>{"Dorvisk vardulek"});
    QVERIFY(ended);  // the routine went on only after the chooser had ended
    QCOMPARE(core::coreState().langIndex, langIndex);
    QCOMPARE(QString::fromStdString(core::getSet("myLang")), saved);
    QVERIFY(host.responds.empty());
  }
};

int main(int argc, char** argv) {
  QTemporaryDir root;
  const platform::testing::IsolatedHome home(root.path().toStdString(),
                                             platform::testing::IsolatedHome::perVariable(""));
  QApplication app(argc, argv);
  DorviskStartTest t;
  return QTest::qExec(&t, argc, argv);
}
#include "dorvisk_start_qtest.moc"
