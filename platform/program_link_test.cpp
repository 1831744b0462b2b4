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
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

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

  // Serves "Quarrow|frmMain", counting the links it opens and closes and keeping what arrives.
  struct CountingServer {
    platform::LinkServer server;
    int opened = 0, closed = 0;
    std::vector<QByteArray> got;
    CountingServer() {
      QObject::connect(&server, &platform::LinkServer::linkOpened, [this] { ++opened; });
      QObject::connect(&server, &platform::LinkServer::linkClosed, [this] { ++closed; });
      QObject::connect(&server, &platform::LinkServer::executed, [this](const QByteArray& m) { got.push_back(m); });
    }
    bool listen() { return server.listen(QStringLiteral("Quarrow"), QStringLiteral("frmMain")); }
  };

  QTemporaryDir tmp_;
  std::optional<std::string> saved_;
};

TEST_F(LinkTest, MessagesWithNulBytesArriveFromAnotherProgram) {
  CountingServer served;
  ASSERT_TRUE(served.listen());

  // What the properties editor sends after a rename: "3", the name, then NUL padding.
  QByteArray msg = QByteArray("3new name.txt") + QByteArray(243, '\0');
  EXPECT_EQ(runHelperServing({"send", "Quarrow", "frmMain", QString::fromLatin1(msg.toHex()), "3"}), 0);
  ASSERT_EQ(served.got.size(), 3u);
  for (const auto& m : served.got) EXPECT_EQ(m, msg);
  EXPECT_EQ(served.opened, 1);  // one link served all three executes
  EXPECT_EQ(served.closed, 1);
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
  ASSERT_TRUE(QFile::setPermissions(deep, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
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

// --- framing, failed accepts, the connection cap --------------------------------------------
QByteArray frame(const QByteArray& message) {
  QByteArray out(4, '\0');
  const auto n = static_cast<quint32>(message.size());
  out[0] = static_cast<char>(n >> 24);
  out[1] = static_cast<char>(n >> 16);
  out[2] = static_cast<char>(n >> 8);
  out[3] = static_cast<char>(n);
  return out + message;
}

TEST(LinkFrames, SplitAnywhereAndHoldAtMostOneFrame) {
  const QByteArray big(platform::kMaxLinkMessage, 'b');
  const std::vector<QByteArray> sent = {QByteArray("3a\0b", 4), QByteArray(), QByteArray("4"), big};
  QByteArray stream;
  for (const QByteArray& m : sent) stream += frame(m);
  for (const int chunk : {1, 3, 4096, static_cast<int>(stream.size())}) {
    platform::LinkFrameDecoder decoder;
    std::vector<QByteArray> got;
    std::size_t most = 0;
    for (qsizetype pos = 0; pos < stream.size(); pos += chunk) {
      const qsizetype n = std::min<qsizetype>(chunk, stream.size() - pos);
      ASSERT_TRUE(decoder.feed(stream.constData() + pos, static_cast<std::size_t>(n), got)) << chunk;
      most = std::max(most, decoder.buffered());
    }
    EXPECT_EQ(got, sent) << "chunks of " << chunk;
    EXPECT_EQ(decoder.buffered(), 0u);
    EXPECT_LE(most, static_cast<std::size_t>(4 + platform::kMaxLinkMessage)) << chunk;
  }
  // A frame announcing more than the limit breaks the stream: what came before it still counts.
  platform::LinkFrameDecoder decoder;
  std::vector<QByteArray> got;
  const QByteArray tooLong = frame("ok") + frame(QByteArray(platform::kMaxLinkMessage + 1, 'x')).left(4);
  EXPECT_FALSE(decoder.feed(tooLong.constData(), static_cast<std::size_t>(tooLong.size()), got));
  EXPECT_EQ(got, std::vector<QByteArray>{"ok"});
  EXPECT_EQ(decoder.buffered(), 0u);
  const QByteArray more = frame("late");
  EXPECT_FALSE(decoder.feed(more.constData(), static_cast<std::size_t>(more.size()), got));
  EXPECT_EQ(got.size(), 1u);
}

// A plain socket connected to the link of "Quarrow|frmMain"; -1 when it cannot be made. Never
// waits: a connection the server has not accepted yet waits in its backlog.
int rawConnect() {
  const QByteArray path = QFile::encodeName(platform::linkSocketPath(QStringLiteral("Quarrow"), QStringLiteral("frmMain")));
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void serveFor(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// True once the server closed its end of fd (reads give end of file).
bool closedByServer(int fd) {
  char c;
  return ::recv(fd, &c, 1, MSG_DONTWAIT) == 0;
}

// Out of descriptors, the server cannot accept a waiting client: it must go on listening under
// its name, and serve clients once descriptors are free again.
TEST_F(LinkTest, AFailedAcceptLeavesTheServerListening) {
  CountingServer served;
  ASSERT_TRUE(served.listen());
  int highest = 0;
  for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd"))
    highest = std::max(highest, std::atoi(e.path().filename().c_str()));
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit low = saved;
  low.rlim_cur = static_cast<rlim_t>(highest + 4);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
  // A client waits to be accepted, and every descriptor the server could take is in use.
  const int client = rawConnect();
  std::vector<int> fillers;
  for (int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC); fd >= 0; fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC))
    fillers.push_back(fd);
  serveFor(300);  // the accepts fail
  const bool listening = served.server.isListening();
  for (const int fd : fillers) ::close(fd);
  if (client >= 0) ::close(client);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
  EXPECT_GE(client, 0);
  EXPECT_TRUE(listening);
  serveFor(300);
  EXPECT_EQ(runHelperServing({"send", "Quarrow", "frmMain", "34"}), 0);
  EXPECT_EQ(served.got, std::vector<QByteArray>{"4"});
}

// Past the cap the least recently active idle link goes; when every link is in the middle of a
// message, a new one is refused and the half-sent messages still arrive.
TEST_F(LinkTest, LinksAreCappedOldestIdleFirst) {
  CountingServer served;
  ASSERT_TRUE(served.listen());
  const platform::LinkServer& server = served.server;
  const std::size_t extra = 5, cap = platform::kMaxLinkConnections;
  std::vector<int> clients;
  for (std::size_t i = 0; i < cap + extra; ++i) {
    clients.push_back(rawConnect());
    ASSERT_GE(clients.back(), 0);
    serveFor(5);  // accepted in this order
  }
  serveFor(200);
  EXPECT_EQ(served.opened, static_cast<int>(cap + extra));
  EXPECT_EQ(served.closed, static_cast<int>(extra));
  EXPECT_EQ(server.linkCount(), cap);
  for (std::size_t i = 0; i < clients.size(); ++i) EXPECT_EQ(closedByServer(clients[i]), i < extra) << i;

  // Every held link starts a message and stops halfway.
  const QByteArray message = frame("3half");
  for (std::size_t i = extra; i < clients.size(); ++i)
    ASSERT_EQ(::write(clients[i], message.constData(), 6), 6);
  serveFor(200);
  const int late = rawConnect();
  serveFor(200);
  EXPECT_TRUE(closedByServer(late)) << "refused";
  EXPECT_EQ(server.linkCount(), cap);
  ASSERT_EQ(::write(clients.back(), message.constData() + 6, static_cast<std::size_t>(message.size() - 6)),
            message.size() - 6);
  serveFor(200);
  EXPECT_EQ(served.got, std::vector<QByteArray>{"3half"});
  ::close(late);
  for (const int fd : clients) ::close(fd);
}

}  // namespace
