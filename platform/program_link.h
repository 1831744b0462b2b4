// Links between programs (in place of DDE "application|topic" conversations): a local socket per
// link name in the per-user runtime folder. A message is framed as a 4-byte big-endian length and
// the bytes (NULs allowed); the server acknowledges each message with one byte on receipt.
// A server keeps listening through failed accepts (out of descriptors), holds at most
// kMaxLinkConnections links and at most one frame of kMaxLinkMessage bytes per link.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

class QLocalSocket;
class QSocketNotifier;

namespace platform {

// The socket file for "application|topic" in $XDG_RUNTIME_DIR (else the private temp folder).
[[nodiscard]] QString linkSocketPath(const QString& application, const QString& topic);

// Longest message a server accepts; a longer frame closes that link. The programs' longest
// message is a file's path: this leaves room for paths far past PATH_MAX.
inline constexpr int kMaxLinkMessage = 64 * 1024;
// Links one server holds at once. A new link past it drops the least recently active link that
// is not in the middle of a message; when every link is, the new one is refused.
inline constexpr std::size_t kMaxLinkConnections = 32;

// Splits the bytes a link receives into messages (4-byte big-endian length, then the bytes).
// Holds at most one unfinished frame: a frame announcing more than kMaxLinkMessage bytes makes
// the stream broken, and nothing more is taken from it. Pure; the entry point for fuzzing.
class LinkFrameDecoder {
 public:
  // Takes the next received bytes and appends each message they complete to `messages`, in
  // order. False once the stream is broken (messages completed before the bad frame are still
  // appended); every later call is false too.
  bool feed(const char* data, std::size_t size, std::vector<QByteArray>& messages);
  // Bytes held for a message not complete yet (0 between messages).
  [[nodiscard]] std::size_t buffered() const { return buffer_.size(); }
  [[nodiscard]] bool broken() const { return broken_; }

 private:
  QByteArray buffer_;
  bool broken_ = false;
};

// Serves one link name. listen() refuses when another live server holds the name and clears a
// socket file left by a server that crashed.
class LinkServer : public QObject {
  Q_OBJECT
 public:
  explicit LinkServer(QObject* parent = nullptr);
  ~LinkServer() override;

  // True when this object now serves the name.
  bool listen(const QString& application, const QString& topic);
  // Stops listening and removes the socket file; links already open stay until they close.
  void close();
  [[nodiscard]] bool isListening() const;
  // Links held now.
  [[nodiscard]] std::size_t linkCount() const { return links_.size(); }

 Q_SIGNALS:
  // A client connected (the link opened).
  void linkOpened();
  // A client executed a message; the ack was already sent.
  void executed(const QByteArray& message);
  // A client disconnected, or the server dropped its link (the link closed).
  void linkClosed();

 private:
  struct Link {
    LinkFrameDecoder decoder;
    std::uint64_t lastActive = 0;
  };
  void acceptPending();
  void adopt(int fd);
  bool dropOldestIdleLink();
  void forget(QLocalSocket* socket);
  void onReadyRead(QLocalSocket* socket);

  int listenFd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
  QByteArray socketPath_;
  int lockFd_ = -1;
  QString lockPath_;
  std::map<QLocalSocket*, Link> links_;
  std::uint64_t activity_ = 0;  // counts reads, to order links by their last activity
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
