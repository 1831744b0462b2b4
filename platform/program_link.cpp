#include "platform/program_link.h"

#include "platform/program_paths.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QVariant>
#include <QtEndian>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr char kAck = '\x06';

QByteArray frame(const QByteArray& message) {
  QByteArray out(4, '\0');
  qToBigEndian<quint32>(static_cast<quint32>(message.size()), out.data());
  return out + message;
}

}  // namespace

QString linkSocketPath(const QString& application, const QString& topic) {
  // Both words may hold blanks or "|": keep the file name to safe characters.
  const QByteArray word = (application + u'|' + topic).toUtf8();
  const QByteArray dir = QByteArray::fromStdString(runtimeDir());
  QByteArray name = "vardulek-link-" + word.toPercentEncoding("", "|");
  // A socket path must fit the kernel's 108-byte address: long names get a digest instead.
  if (dir.size() + name.size() >= 100)
    name = "vdl-" + QCryptographicHash::hash(word, QCryptographicHash::Sha1).toHex().left(16);
  return QFile::decodeName(dir + name);
}

// ---------------------------------------------------------------------------------------------
LinkServer::LinkServer(QObject* parent) : QObject(parent) {}

LinkServer::~LinkServer() { close(); }

bool LinkServer::listen(const QString& application, const QString& topic) {
  close();
  const QString path = linkSocketPath(application, topic);
  // The lock lives as long as the server: a second live server cannot take it, and the kernel
  // drops it when a server crashes, so its leftover socket file may safely be removed.
  lockPath_ = path + QStringLiteral(".lock");
  const QByteArray lockName = QFile::encodeName(lockPath_);
  lockFd_ = ::open(lockName.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (lockFd_ < 0) return false;
  if (flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
    ::close(lockFd_);
    lockFd_ = -1;
    return false;
  }
  QLocalServer::removeServer(path);
  server_ = new QLocalServer(this);
  connect(server_, &QLocalServer::newConnection, this, &LinkServer::onNewConnection);
  if (!server_->listen(path)) {
    close();
    return false;
  }
  return true;
}

void LinkServer::close() {
  if (server_) {
    server_->close();
    delete server_;
    server_ = nullptr;
  }
  if (lockFd_ >= 0) {
    flock(lockFd_, LOCK_UN);
    ::close(lockFd_);
    lockFd_ = -1;
  }
}

bool LinkServer::isListening() const { return server_ && server_->isListening(); }

void LinkServer::onNewConnection() {
  while (server_ && server_->hasPendingConnections()) {
    QLocalSocket* socket = server_->nextPendingConnection();
    if (!socket) break;
    socket->setParent(this);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
      socket->deleteLater();
      Q_EMIT linkClosed();
    });
    Q_EMIT linkOpened();
    // Data may have arrived together with the connection.
    if (socket->bytesAvailable() > 0) onReadyRead(socket);
  }
}

void LinkServer::onReadyRead(QLocalSocket* rawSocket) {
  QPointer<QLocalSocket> socket(rawSocket);
  QPointer<LinkServer> self(this);
  QByteArray buffer = socket->property("linkBuffer").toByteArray() + socket->readAll();
  while (buffer.size() >= 4) {
    const quint32 len = qFromBigEndian<quint32>(buffer.constData());
    if (len > static_cast<quint32>(kMaxLinkMessage)) {
      socket->abort();  // not one of ours, or broken: drop the link
      return;
    }
    if (static_cast<quint32>(buffer.size()) < 4 + len) break;
    const QByteArray message = buffer.mid(4, static_cast<qsizetype>(len));
    buffer.remove(0, static_cast<qsizetype>(4 + len));
    socket->setProperty("linkBuffer", buffer);
    socket->write(&kAck, 1);
    socket->flush();
    Q_EMIT executed(message);
    // The handler may have closed the server or the link.
    if (!self || !socket) return;
    buffer = socket->property("linkBuffer").toByteArray() + socket->readAll();
  }
  socket->setProperty("linkBuffer", buffer);
}

// ---------------------------------------------------------------------------------------------
LinkClient::LinkClient(QObject* parent) : QObject(parent) {}

LinkClient::~LinkClient() { close(); }

bool LinkClient::open(const QString& application, const QString& topic, int timeoutMs) {
  close();
  socket_ = new QLocalSocket(this);
  socket_->connectToServer(linkSocketPath(application, topic));
  if (socket_->state() != QLocalSocket::ConnectedState && !socket_->waitForConnected(timeoutMs)) {
    close();
    return false;
  }
  return true;
}

bool LinkClient::execute(const QByteArray& message, int timeoutMs) {
  if (!isOpen() || message.size() > kMaxLinkMessage) return false;
  const QDeadlineTimer deadline(timeoutMs);
  socket_->write(frame(message));
  while (socket_->bytesToWrite() > 0) {
    if (!socket_->waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
      close();
      return false;
    }
  }
  while (socket_->bytesAvailable() < 1) {
    if (deadline.hasExpired() || !socket_->waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
      close();
      return false;
    }
  }
  char ack = 0;
  socket_->read(&ack, 1);
  return ack == kAck;
}

void LinkClient::close() {
  if (!socket_) return;
  socket_->abort();
  delete socket_;
  socket_ = nullptr;
}

bool LinkClient::isOpen() const { return socket_ && socket_->state() == QLocalSocket::ConnectedState; }

bool executeOnce(const QString& application, const QString& topic, const QByteArray& message,
                 int timeoutMs) {
  LinkClient client;
  const QDeadlineTimer deadline(timeoutMs);
  if (!client.open(application, topic, timeoutMs)) return false;
  const int left = static_cast<int>(deadline.remainingTime());
  const bool ok = left > 0 && client.execute(message, left);
  // Let the last bytes leave before the link closes.
  client.close();
  return ok;
}

}  // namespace platform
