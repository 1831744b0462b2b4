// The program link's framing as a server receives it from any client: the bytes arrive in
// pieces of any size, and exactly the whole frames before the end (or before a frame that is too
// long, which drops the link) are executed and acknowledged, in order, byte for byte.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLocalSocket>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/program_link.h"

namespace {

const QString kApp = QStringLiteral("FuzzLink"), kTopic = QStringLiteral("frames");

struct Server {
  platform::LinkServer link;
  std::vector<QByteArray> executed;
  int closed = 0;
};
Server* g_server = nullptr;

void pump() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The frames a server must execute: 4-byte big-endian length, then that many bytes.
std::vector<QByteArray> framesOf(const QByteArray& stream, bool& dropped) {
  std::vector<QByteArray> out;
  dropped = false;
  for (qsizetype pos = 0; stream.size() - pos >= 4;) {
    const auto* p = reinterpret_cast<const unsigned char*>(stream.constData() + pos);
    const quint32 len = (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | p[3];
    if (len > static_cast<quint32>(platform::kMaxLinkMessage)) {
      dropped = true;
      break;
    }
    if (static_cast<quint64>(stream.size() - pos - 4) < len) break;
    out.push_back(stream.mid(pos + 4, static_cast<qsizetype>(len)));
    pos += 4 + static_cast<qsizetype>(len);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  fuzzing::isolateHome();
  new QCoreApplication(*argc, *argv);
  g_server = new Server;
  QObject::connect(&g_server->link, &platform::LinkServer::executed,
                   [](const QByteArray& m) { g_server->executed.push_back(m); });
  QObject::connect(&g_server->link, &platform::LinkServer::linkClosed, [] { ++g_server->closed; });
  if (!g_server->link.listen(kApp, kTopic)) fuzzing::fail("the link server does not listen");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::Input in(data, size);
  const int chunk = 1 + in.byte() % 64;  // the size of the pieces the client writes
  const std::string_view rest = in.rest();
  const QByteArray stream(rest.data(), static_cast<qsizetype>(rest.size()));
  bool dropped = false;
  const std::vector<QByteArray> want = framesOf(stream, dropped);

  g_server->executed.clear();
  const int closedBefore = g_server->closed;
  QLocalSocket client;
  client.connectToServer(platform::linkSocketPath(kApp, kTopic));
  if (!client.waitForConnected(2000)) fuzzing::fail("cannot connect to the link server");
  for (qsizetype pos = 0; pos < stream.size(); pos += chunk) {
    client.write(stream.mid(pos, chunk));
    client.flush();
    pump();
  }
  // Wait for every frame and its ack, or for the server to drop the link.
  qsizetype acks = 0;
  const QDeadlineTimer deadline(5000);
  while (!deadline.hasExpired()) {
    pump();
    acks += client.readAll().size();
    if (g_server->executed.size() > want.size()) break;
    if (dropped ? g_server->closed > closedBefore && g_server->executed.size() == want.size()
                : g_server->executed.size() == want.size() && acks >= static_cast<qsizetype>(want.size()))
      break;
  }
  fuzzing::check(g_server->executed == want, "the server executed other messages than were sent");
  if (!dropped) fuzzing::check(acks == static_cast<qsizetype>(want.size()), "not one ack per message");
  client.abort();
  while (g_server->closed == closedBefore && !dropped) {
    if (deadline.hasExpired()) fuzzing::fail("the server never saw the link close");
    pump();
  }
  return 0;
}
