// Links between programs (in place of DDE "application|topic" conversations): a local socket per
// link name in the per-user runtime folder. A message is framed as a 4-byte big-endian length and
// the bytes (NULs allowed); the server acknowledges each message with one byte on receipt.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>
#include <string>

class QLocalServer;
class QLocalSocket;

namespace platform {

// The socket file for "application|topic" in $XDG_RUNTIME_DIR (else the private temp folder).
[[nodiscard]] QString linkSocketPath(const QString& application, const QString& topic);

// Longest message a server accepts; a longer frame closes that link.
inline constexpr int kMaxLinkMessage = 1 << 20;

// Serves one link name. listen() refuses when another live server holds the name and clears a
// socket file left by a server that crashed.
class LinkServer : public QObject {
  Q_OBJECT
 public:
  explicit LinkServer(QObject* parent = nullptr);
  ~LinkServer() override;

  // True when this object now serves the name.
  bool listen(const QString& application, const QString& topic);
  void close();
  [[nodiscard]] bool isListening() const;

 Q_SIGNALS:
  // A client connected (the link opened).
  void linkOpened();
  // A client executed a message; the ack was already sent.
  void executed(const QByteArray& message);
  // A client disconnected (the link closed).
  void linkClosed();

 private:
  void onNewConnection();
  void onReadyRead(QLocalSocket* socket);

  QLocalServer* server_ = nullptr;
  int lockFd_ = -1;
  QString lockPath_;
};

// The client side. One client can stay open across many executes. Every call is bounded by the
// timeout (default 1 s) and reports failure by its result, never by blocking longer.
class LinkClient : public QObject {
  Q_OBJECT
 public:
  explicit LinkClient(QObject* parent = nullptr);
  ~LinkClient() override;

  // Connects to the server of "application|topic"; false when none answers in time.
  bool open(const QString& application, const QString& topic, int timeoutMs = 1000);
  // Sends message and waits for the ack; false on failure or time-out (the link is then closed).
  bool execute(const QByteArray& message, int timeoutMs = 1000);
  void close();
  [[nodiscard]] bool isOpen() const;

 private:
  QLocalSocket* socket_ = nullptr;
};

// Opens a link, executes one message and closes it; false on any failure.
bool executeOnce(const QString& application, const QString& topic, const QByteArray& message,
                 int timeoutMs = 1000);

}  // namespace platform
