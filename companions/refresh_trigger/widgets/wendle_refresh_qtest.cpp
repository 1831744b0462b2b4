// Wendle, the program itself, against a running main window, which serves the batch builder's
// topic "Quarrow|frmCmd" and refreshes when a link opens there. Wendle ends by itself with or
// without anyone listening, and even when the main window is too busy to answer. How quickly it
// ends is bench material; here only a hang (seconds) fails.
#include "main_window/widgets/file_list_controller.h"
#include "main_window/widgets/file_list_model.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/main_test_support.h"
#include "platform/program_link.h"

#include "core/settings.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace mainwin;

namespace {

// Longer than Wendle could ever take unless it waits for an answer that never comes.
constexpr int kHangMs = 5000;

bool listShows(MainForm& f, const std::string& name) {
  for (const auto& e : f.list().model()->entries()) {
    if (e.name == name) return true;
  }
  return false;
}

void touch(const std::string& path) {
  QFile f(QString::fromStdString(path));
  (void)f.open(QIODevice::WriteOnly);
}

}  // namespace

class WendleRefreshTest : public QObject {
  Q_OBJECT

  QString root_;

  static QString wendle() { return QString::fromStdString(test::testBinDir() + "Wendle"); }

  // Runs Wendle; true when it ended by itself with exit code 0. With events false this process
  // does not look at its links meanwhile (a main window busy with something else).
  static bool runWendle(bool events) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(wendle(), {});
    if (!p.waitForStarted(kHangMs)) return false;
    if (events) {
      QEventLoop loop;
      connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
      QTimer::singleShot(kHangMs, &loop, &QEventLoop::quit);
      if (p.state() != QProcess::NotRunning) loop.exec();
    } else {
      (void)p.waitForFinished(kHangMs);
    }
    const bool ended = p.state() == QProcess::NotRunning;
    if (!ended) {
      p.kill();
      (void)p.waitForFinished(kHangMs);
    }
    return ended && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
  }

  std::unique_ptr<MainForm> mainWindowOn(const std::string& folder) {
    core::saveSet("vardfilt", "1");
    core::saveSet("doTips", "0");
    QDir().mkpath(QString::fromStdString(folder));
    touch(folder + "old.txt");
    auto form = std::make_unique<MainForm>(folder);
    form->show();
    return form;
  }

 private Q_SLOTS:
  void refreshesARunningMainWindow() {
    const std::string folder = root_.toStdString() + "/work/";
    std::unique_ptr<MainForm> form = mainWindowOn(folder);
    QTRY_VERIFY(listShows(*form, "old.txt"));
    QVERIFY(form->builderLinkServing());
    int refills = 0;
    connect(&form->list(), &FileListController::listRefilled, this, [&] { ++refills; });

    touch(folder + "made by the job.txt");
    QVERIFY(!listShows(*form, "made by the job.txt"));
    QVERIFY(runWendle(true));
    QTRY_VERIFY(listShows(*form, "made by the job.txt"));
    QTest::qWait(100);
    QCOMPARE(refills, 1);  // one refresh per run: the "4" sent over the link adds none
  }

  void busyMainWindowStillRefreshesAndWendleDoesNotWait() {
    const std::string folder = root_.toStdString() + "/busy/";
    std::unique_ptr<MainForm> form = mainWindowOn(folder);
    QTRY_VERIFY(listShows(*form, "old.txt"));
    touch(folder + "late.txt");
    // Nobody here answers while Wendle runs: it gives up by its own time-out.
    QVERIFY(runWendle(false));
    // The link did open, so the main window refreshes once it gets to it.
    QTRY_VERIFY(listShows(*form, "late.txt"));
  }

  void endsQuicklyWithoutAMainWindow() {
    QVERIFY(!QFile::exists(platform::linkSocketPath(QStringLiteral("Quarrow"), QStringLiteral("frmCmd"))));
    QVERIFY(runWendle(true));
  }

 public:
  explicit WendleRefreshTest(QString root) : root_(std::move(root)) {}
};

int main(int argc, char** argv) {
  const QString root = mainwin::test::isolateHome();
  QApplication app(argc, argv);
  mainwin::test::setUpCoreState(root);
  WendleRefreshTest t(root);
  return QTest::qExec(&t, argc, argv);
}
#include "wendle_refresh_qtest.moc"
