#include "platform/program_link.h"

#include "platform/program_paths.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QFile>
#include <QLocalSocket>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QtEndian>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr char kAck = '\x06';
// Bytes read from a link at a time, and the most its socket buffers before they are read.
constexpr int kReadChunk = 16 * 1024;
// Pause after an accept failed for want of descriptors or memory.
constexpr int kAcceptRetryMs = 100;

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
bool LinkFrameDecoder::feed(const char* data, std::size_t size, std::vector<QByteArray>& messages) {
  if (broken_) return false;
  buffer_.append(data, static_cast<qsizetype>(size));
  qsizetype pos = 0;
  while (buffer_.size() - pos >= 4) {
    const quint32 len = qFromBigEndian<quint32>(buffer_.constData() + pos);
    if (len > static_cast<quint32>(kMaxLinkMessage)) {
      broken_ = true;  // not one of ours, or broken: nothing more is read from this link
      buffer_.clear();
      buffer_.squeeze();
      return false;
    }
    if (buffer_.size() - pos < 4 + static_cast<qsizetype>(len)) break;
    messages.push_back(buffer_.mid(pos + 4, static_cast<qsizetype>(len)));
    pos += 4 + static_cast<qsizetype>(len);
  }
  buffer_.remove(0, pos);
  return true;
}

// ---------------------------------------------------------------------------------------------
LinkServer::LinkServer(QObject* parent) : QObject(parent) {}

LinkServer::~LinkServer() {
  close();
  // The links' sockets are children of this object and go with it, without further signals.
  for (auto& [socket, link] : links_) socket->disconnect(this);
}

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
  // Our own listening socket rather than QLocalServer's: that one closes itself (and deletes the
  // socket file) after a single failed accept, leaving the program without its link.
  const QByteArray name = QFile::encodeName(path);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (name.size() >= static_cast<qsizetype>(sizeof addr.sun_path)) {
    close();
    return false;
  }
  std::memcpy(addr.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
  ::unlink(name.constData());
  listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
    close();
    return false;
  }
  socketPath_ = name;
  if (::listen(listenFd_, SOMAXCONN) != 0) {
    close();
    return false;
  }
  notifier_ = new QSocketNotifier(static_cast<qintptr>(listenFd_), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &LinkServer::acceptPending);
  return true;
}

void LinkServer::close() {
  delete notifier_;
  notifier_ = nullptr;
  if (listenFd_ >= 0) {
    ::close(listenFd_);
    listenFd_ = -1;
  }
  if (!socketPath_.isEmpty()) {
    ::unlink(socketPath_.constData());  // ours: we hold the name's lock
    socketPath_.clear();
  }
  if (lockFd_ >= 0) {
    flock(lockFd_, LOCK_UN);
    ::close(lockFd_);
    lockFd_ = -1;
  }
}

bool LinkServer::isListening() const { return listenFd_ >= 0; }

void LinkServer::acceptPending() {
  QPointer<LinkServer> self(this);
  for (;;) {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd >= 0) {
      adopt(fd);
      if (!self || listenFd_ < 0) return;  // a handler closed the server
      continue;
    }
    if (errno == EINTR || errno == ECONNABORTED || errno == EPROTO) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return;
    // Out of descriptors or memory: the client waits in the backlog. The notifier would fire at
    // once again, so it rests a moment; the server keeps its name and goes on listening.
    notifier_->setEnabled(false);
    QPointer<QSocketNotifier> notifier(notifier_);
    QTimer::singleShot(kAcceptRetryMs, this, [this, notifier] {
      if (!notifier || notifier != notifier_) return;
      notifier_->setEnabled(true);
      acceptPending();
    });
    return;
  }
}

void LinkServer::adopt(int fd) {
  if (links_.size() >= kMaxLinkConnections && !dropOldestIdleLink()) {
    ::close(fd);  // every link is in the middle of a message: refuse this one
    return;
  }
  auto* socket = new QLocalSocket(this);
  socket->setReadBufferSize(kReadChunk);
  if (!socket->setSocketDescriptor(fd, QLocalSocket::ConnectedState, QIODevice::ReadWrite)) {
    ::close(fd);
    delete socket;
    return;
  }
  links_[socket].lastActive = ++activity_;
  connect(socket, &QLocalSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
  connect(socket, &QLocalSocket::disconnected, this, [this, socket] { forget(socket); });
  QPointer<LinkServer> self(this);
  Q_EMIT linkOpened();
  if (self && links_.count(socket) != 0 && socket->bytesAvailable() > 0) onReadyRead(socket);
}

bool LinkServer::dropOldestIdleLink() {
  QLocalSocket* oldest = nullptr;
  std::uint64_t when = 0;
  for (const auto& [socket, link] : links_) {
    if (link.decoder.buffered() != 0) continue;
    if (!oldest || link.lastActive < when) {
      oldest = socket;
      when = link.lastActive;
    }
  }
  if (!oldest) return false;
  oldest->abort();
  forget(oldest);
  return true;
}

void LinkServer::forget(QLocalSocket* socket) {
  if (links_.erase(socket) == 0) return;
  socket->disconnect(this);
  socket->deleteLater();
  Q_EMIT linkClosed();
}

void LinkServer::onReadyRead(QLocalSocket* rawSocket) {
  QPointer<QLocalSocket> socket(rawSocket);
  QPointer<LinkServer> self(this);
  char chunk[kReadChunk];
  std::vector<QByteArray> messages;
  while (socket && socket->bytesAvailable() > 0) {
    const auto it = links_.find(rawSocket);
    if (it == links_.end()) return;
    const qint64 n = socket->read(chunk, sizeof chunk);
    if (n <= 0) return;
    it->second.lastActive = ++activity_;
    messages.clear();
    const bool intact = it->second.decoder.feed(chunk, static_cast<std::size_t>(n), messages);
    for (const QByteArray& message : messages) {
      socket->write(&kAck, 1);
      socket->flush();
      Q_EMIT executed(message);
      // The handler may have closed the server or the link.
      if (!self || !socket || links_.count(rawSocket) == 0) return;
    }
    if (!intact) {
      socket->abort();
      forget(rawSocket);
      return;
    }
  }
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
