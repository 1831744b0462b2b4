#include "platform/program_link.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLocalServer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <vector>

namespace {

QCoreApplication& app() {
  static int argc = 1;
  static char name[] = "platform_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* a = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
  return a ? *a : *QCoreApplication::instance();
}

// Puts the link sockets in a private temporary runtime folder.
class LinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app();
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    saved_ = old ? std::optional<std::string>(old) : std::nullopt;
    ASSERT_TRUE(tmp_.isValid());
    setenv("XDG_RUNTIME_DIR", tmp_.path().toLocal8Bit().constData(), 1);
  }
  void TearDown() override {
    if (saved_) setenv("XDG_RUNTIME_DIR", saved_->c_str(), 1);
    else unsetenv("XDG_RUNTIME_DIR");
  }

  static QString helper() {
    const char* bin = std::getenv("CORVANE_TEST_BIN");
    return QString::fromLocal8Bit(bin ? bin : ".") + QStringLiteral("/platform_test_helper");
  }

  // Runs the helper while this process's event loop serves the link; returns its exit code.
  static int runHelperServing(const QStringList& args) {
    QProcess p;
    QEventLoop loop;
    QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&p, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    p.start(helper(), args);
    loop.exec();
    // Let the disconnect reach the server.
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return p.state() == QProcess::NotRunning && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  }

  QTemporaryDir tmp_;
  std::optional<std::string> saved_;
};

TEST_F(LinkTest, MessagesWithNulBytesArriveFromAnotherProgram) {
  platform::LinkServer server;
  ASSERT_TRUE(server.listen(QStringLiteral("Quarrow"), QStringLiteral("frmMain")));
  int opened = 0, closed = 0;
  std::vector<QByteArray> got;
  QObject::connect(&server, &platform::LinkServer::linkOpened, [&] { ++opened; });
  QObject::connect(&server, &platform::LinkServer::linkClosed, [&] { ++closed; });
  QObject::connect(&server, &platform::LinkServer::executed, [&](const QByteArray& m) { got.push_back(m); });

  // What the properties editor sends after a rename: "3", the name, then NUL padding.
  QByteArray msg = QByteArray("3new name.txt") + QByteArray(243, '\0');
  EXPECT_EQ(runHelperServing({"send", "Quarrow", "frmMain", QString::fromLatin1(msg.toHex()), "3"}), 0);
  ASSERT_EQ(got.size(), 3u);
  for (const auto& m : got) EXPECT_EQ(m, msg);
  EXPECT_EQ(opened, 1);  // one link served all three executes
  EXPECT_EQ(closed, 1);
}

TEST_F(LinkTest, LinkNamesWithBlanksWork) {
  platform::LinkServer server;
  ASSERT_TRUE(server.listen(QStringLiteral("Properties Editor"), QStringLiteral("frmMainB")));
  QByteArray got;
  QObject::connect(&server, &platform::LinkServer::executed, [&](const QByteArray& m) { got = m; });
  EXPECT_EQ(runHelperServing({"send", "Properties Editor", "frmMainB", QString::fromLatin1(QByteArray("/tmp/a b").toHex())}), 0);
  EXPECT_EQ(got, "/tmp/a b");
  // Another topic is another link: nobody serves it.
  EXPECT_EQ(runHelperServing({"send", "Properties Editor", "frmMain", "41"}), 3);
}

TEST_F(LinkTest, LongRuntimeFolderStillGivesAUsableSocket) {
  const QString deep = tmp_.path() + QStringLiteral("/") + QString(50, u'r');
  ASSERT_TRUE(QDir().mkpath(deep));
  setenv("XDG_RUNTIME_DIR", deep.toLocal8Bit().constData(), 1);
  platform::LinkServer server;
  ASSERT_TRUE(server.listen(QStringLiteral("Properties Editor"), QStringLiteral("frmMainB")));
  int got = 0;
  QObject::connect(&server, &platform::LinkServer::executed, [&](const QByteArray&) { ++got; });
  EXPECT_EQ(runHelperServing({"send", "Properties Editor", "frmMainB", "41"}), 0);
  EXPECT_EQ(got, 1);
}

TEST_F(LinkTest, SecondLiveServerIsRefusedAndTheNameIsFreeAfterClose) {
  platform::LinkServer first, second;
  ASSERT_TRUE(first.listen(QStringLiteral("Quarrow"), QStringLiteral("frmCmd")));
  EXPECT_FALSE(second.listen(QStringLiteral("Quarrow"), QStringLiteral("frmCmd")));
  first.close();
  EXPECT_TRUE(second.listen(QStringLiteral("Quarrow"), QStringLiteral("frmCmd")));
}

TEST_F(LinkTest, StaleSocketFileOfACrashedServerIsReplaced) {
  // A crashed server leaves its socket file behind but no longer holds the name's lock.
  const QString path = platform::linkSocketPath(QStringLiteral("Quarrow"), QStringLiteral("frmMain"));
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  platform::LinkServer server;
  ASSERT_TRUE(server.listen(QStringLiteral("Quarrow"), QStringLiteral("frmMain")));
  EXPECT_EQ(runHelperServing({"send", "Quarrow", "frmMain", "34"}), 0);
}

TEST_F(LinkTest, ClientFailsFastWithoutAServerOrAnAck) {
  QElapsedTimer t;
  t.start();
  platform::LinkClient client;
  EXPECT_FALSE(client.open(QStringLiteral("Nobody"), QStringLiteral("here")));
  EXPECT_FALSE(client.execute("x"));
  EXPECT_FALSE(platform::executeOnce(QStringLiteral("Nobody"), QStringLiteral("here"), "x"));

  // A server that accepts but never answers: the execute gives up within its time-out.
  QLocalServer mute;
  ASSERT_TRUE(mute.listen(platform::linkSocketPath(QStringLiteral("Mute"), QStringLiteral("t"))));
  ASSERT_TRUE(client.open(QStringLiteral("Mute"), QStringLiteral("t")));
  EXPECT_FALSE(client.execute("x", 300));
  EXPECT_FALSE(client.isOpen());
  EXPECT_LT(t.elapsed(), 3000);
}

}  // namespace
