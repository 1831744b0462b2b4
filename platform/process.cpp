#include "platform/process.h"

#include "platform/program_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <csignal>
#include <cstdlib>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {

namespace {

QString qstr(const std::string& s) { return QFile::decodeName(QByteArray::fromStdString(s)); }

QStringList qargs(const std::vector<std::string>& args) {
  QStringList out;
  for (const auto& a : args) out << QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size()));
  return out;
}

StartOutcome outcomeFromErrno(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return StartOutcome::NotFound;
    case EACCES:
    case EPERM:
      return StartOutcome::AccessDenied;
    case ENOEXEC:
      return StartOutcome::BadFormat;
    default:
      return StartOutcome::Failed;
  }
}

// Checks what exec would refuse before starting, since QProcess reports only "failed to start".
StartOutcome precheck(const std::string& program) {
  struct stat st {};
  if (stat(program.c_str(), &st) != 0) return outcomeFromErrno(errno);
  if (!S_ISREG(st.st_mode) || access(program.c_str(), X_OK) != 0) return StartOutcome::AccessDenied;
  return StartOutcome::Started;
}

// Starting programs goes through fork and exec rather than QProcess: QProcess takes its program,
// arguments and folder as text, so a file name that is not UTF-8 would reach the program changed,
// and a program handed such a name (Properties, an opener) would work on another file or none.
struct Spawned {
  StartOutcome outcome = StartOutcome::Failed;
  pid_t pid = -1;
};

// Writes all of len bytes (the child's report of a failed exec), ignoring what cannot be written.
void writeAll(int fd, const void* data, std::size_t len) {
  const char* p = static_cast<const char*>(data);
  while (len > 0) {
    const ssize_t n = ::write(fd, p, len);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    p += n;
    len -= static_cast<std::size_t>(n);
  }
}

// Starts program with args in dir, input from /dev/null; output and errors appended to logPath
// when given, else shared with ours. detach: the program is reparented (a double fork), so it
// never waits to be reaped by us. The outcome tells whether exec itself succeeded.
Spawned spawnBytes(const std::string& program, const std::vector<std::string>& args,
                   const std::string& dir, const std::string& logPath, bool detach) {
  // Everything the child needs is prepared here: between fork and exec only async-signal-safe
  // calls may run.
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int logFd = -1;
  if (!logPath.empty()) {
    logFd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (logFd < 0) return {outcomeFromErrno(errno), -1};
  }
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) {
    if (logFd >= 0) ::close(logFd);
    return {};
  }
  const pid_t first = ::fork();
  if (first == 0) {
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    if (detach) {
      ::setsid();
      const pid_t second = ::fork();
      if (second != 0) ::_exit(second < 0 ? 1 : 0);
    }
    int err = 0;
    if (::chdir(dir.c_str()) != 0) err = errno;
    if (err == 0) {
      const int in = ::open("/dev/null", O_RDONLY);
      if (in >= 0 && in != STDIN_FILENO) {
        ::dup2(in, STDIN_FILENO);
        ::close(in);
      }
      if (logFd >= 0) {
        ::dup2(logFd, STDOUT_FILENO);
        ::dup2(logFd, STDERR_FILENO);
      }
      ::execv(program.c_str(), argv.data());
      err = errno;
    }
    writeAll(report[1], &err, sizeof err);
    ::_exit(127);
  }
  const int forkErr = errno;
  ::close(report[1]);
  if (logFd >= 0) ::close(logFd);
  if (first < 0) {
    ::close(report[0]);
    return {outcomeFromErrno(forkErr), -1};
  }
  if (detach) {
    int status = 0;
    while (::waitpid(first, &status, 0) < 0 && errno == EINTR) {
    }
  }
  // The pipe closes on a successful exec; a failed one sends its errno first.
  int err = 0;
  ssize_t got;
  do {
    got = ::read(report[0], &err, sizeof err);
  } while (got < 0 && errno == EINTR);
  ::close(report[0]);
  if (got == static_cast<ssize_t>(sizeof err)) {
    if (!detach) {
      int status = 0;
      while (::waitpid(first, &status, 0) < 0 && errno == EINTR) {
      }
    }
    return {outcomeFromErrno(err), -1};
  }
  return {StartOutcome::Started, detach ? -1 : first};
}

// Waits for a child to end: with an application object the event loop keeps running meanwhile,
// so the windows stay responsive (callers disable what must not be used).
void waitForChild(pid_t pid) {
  int status = 0;
  if (QCoreApplication::instance()) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
      const pid_t r = ::waitpid(pid, &status, WNOHANG);
      if (r == pid || (r < 0 && errno != EINTR)) loop.quit();
    });
    poll.start(20);
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == 0 || (r < 0 && errno == EINTR)) loop.exec();
    return;
  }
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

std::vector<std::string> splitList(const char* env, const char* fallback) {
  const char* v = std::getenv(env);
  std::string s = (v && *v) ? v : fallback;
  std::vector<std::string> out;
  std::size_t pos = 0;
  while (pos <= s.size()) {
    std::size_t end = s.find(':', pos);
    if (end == std::string::npos) end = s.size();
    std::string part = s.substr(pos, end - pos);
    if (!part.empty() && part.front() == '/') out.push_back(part.back() == '/' ? part : part + "/");
    pos = end + 1;
  }
  return out;
}

// Folders that hold desktop entries, most important first.
std::vector<std::string> applicationDirs() {
  std::vector<std::string> dirs{dataHome() + "applications/"};
  for (const auto& d : splitList("XDG_DATA_DIRS", "/usr/local/share:/usr/share"))
    dirs.push_back(d + "applications/");
  return dirs;
}

// Folders that may hold mimeapps.list, most important first.
std::vector<std::string> mimeappsDirs() {
  std::vector<std::string> dirs{configHome()};
  for (const auto& d : splitList("XDG_CONFIG_DIRS", "/etc/xdg")) dirs.push_back(d);
  for (const auto& d : applicationDirs()) dirs.push_back(d);
  return dirs;
}

bool desktopEntryExists(const std::string& id) {
  if (id.empty()) return false;
  std::string sub = id;  // "kde-foo.desktop" may live at kde/foo.desktop
  for (const auto& dir : applicationDirs()) {
    if (QFile::exists(qstr(dir + id))) return true;
    for (char& c : sub)
      if (c == '-') {
        c = '/';
        if (QFile::exists(qstr(dir + sub))) return true;
      }
    sub = id;
  }
  return false;
}

// Desktop ids listed for one of the mime types under the given groups of an INI-like file.
std::string lookupList(const QString& file, const QStringList& types, const QStringList& groups) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  QString group;
  while (!f.atEnd()) {
    const QString line = QString::fromUtf8(f.readLine()).trimmed();
    if (line.startsWith(u'[')) {
      group = line;
      continue;
    }
    if (!groups.contains(group)) continue;
    const auto eq = line.indexOf(u'=');
    if (eq <= 0 || !types.contains(line.left(eq).trimmed())) continue;
    for (const QString& id : line.mid(eq + 1).split(u';', Qt::SkipEmptyParts)) {
      const std::string s = id.trimmed().toStdString();
      if (desktopEntryExists(s)) return s;
    }
  }
  return {};
}

// A desktop entry whose MimeType= line names one of the types.
std::string scanDesktopEntries(const QStringList& types) {
  for (const auto& dir : applicationDirs()) {
    const QDir d(qstr(dir));
    for (const QString& name : d.entryList({QStringLiteral("*.desktop")}, QDir::Files)) {
      QFile f(d.filePath(name));
      if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) continue;
      while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        if (!line.startsWith(QStringLiteral("MimeType="))) continue;
        for (const QString& t : line.mid(9).split(u';', Qt::SkipEmptyParts))
          if (types.contains(t.trimmed())) return name.toStdString();
      }
    }
  }
  return {};
}

bool isUrl(const std::string& s) {
  const auto colon = s.find("://");
  if (colon != std::string::npos && colon > 0 && s.find('/') > colon) return true;
  return s.rfind("mailto:", 0) == 0;
}

std::string findOpener(std::vector<std::string>& args) {
  const QString xdg = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (!xdg.isEmpty()) return QFile::encodeName(xdg).toStdString();
  const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
  if (!gio.isEmpty()) {
    args.insert(args.begin(), "open");
    return QFile::encodeName(gio).toStdString();
  }
  return {};
}

}  // namespace

bool isExecutableFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string resolveProgram(const std::string& name) {
  if (name.empty()) return {};
  if (name.find('/') != std::string::npos) return name;
  const std::string beside = exeDir() + name;
  if (isExecutableFile(beside)) return beside;
  const QString onPath = QStandardPaths::findExecutable(qstr(name));
  return onPath.isEmpty() ? std::string() : QFile::encodeName(onPath).toStdString();
}

StartOutcome startProgram(const std::string& program, const std::vector<std::string>& args,
                          bool wait, const std::string& workDir) {
  if (const StartOutcome pre = precheck(program); pre != StartOutcome::Started) return pre;
  const std::string dir = workDir.empty() ? homeDir() : workDir;
  if (!wait) return spawnBytes(program, args, dir, {}, /*detach=*/true).outcome;
  const Spawned child = spawnBytes(program, args, dir, {}, /*detach=*/false);
  if (child.outcome != StartOutcome::Started) return child.outcome;
  waitForChild(child.pid);
  return StartOutcome::Finished;
}

StartOutcome startDetachedLogged(const std::string& program, const std::vector<std::string>& args,
                                 const std::string& workDir, const std::string& logPath) {
  if (const StartOutcome pre = precheck(program); pre != StartOutcome::Started) return pre;
  return spawnBytes(program, args, workDir.empty() ? homeDir() : workDir, logPath, /*detach=*/true).outcome;
}

StartOutcome startTiedProgram(const std::string& program, const std::vector<std::string>& args) {
  if (const StartOutcome pre = precheck(program); pre != StartOutcome::Started) return pre;
  if (!QCoreApplication::instance()) return StartOutcome::Failed;
  // Owned by the application: its end ends the companion; the parent-death signal covers the
  // ends that skip destructors (a crash, kill -9).
  auto* proc = new QProcess(QCoreApplication::instance());
  proc->setProgram(qstr(program));
  proc->setArguments(qargs(args));
  proc->setWorkingDirectory(qstr(homeDir()));
  proc->setProcessChannelMode(QProcess::ForwardedChannels);
  proc->setStandardInputFile(QProcess::nullDevice());
  const pid_t parent = getpid();
  proc->setChildProcessModifier([parent] {
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(0);  // the parent ended before the signal was armed
  });
  QObject::connect(proc, &QProcess::finished, proc, &QObject::deleteLater);
  QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, proc, [proc] {
    proc->terminate();  // asked to end like a closed window, before the object goes
    if (!proc->waitForFinished(1000)) proc->kill();
    proc->waitForFinished(1000);
  });
  proc->start();
  if (!proc->waitForStarted(5000)) {
    delete proc;
    return StartOutcome::Failed;
  }
  return StartOutcome::Started;
}

std::string defaultApplicationFor(const std::string& path) {
  const QMimeDatabase db;
  const QMimeType mime = db.mimeTypeForFile(qstr(path));
  if (!mime.isValid()) return {};
  QStringList types{mime.name()};
  types << mime.aliases();
  // Every type descends from application/octet-stream; an application for that generic type is
  // not an association of this document's type.
  for (const QString& a : mime.allAncestors())
    if (a != QLatin1String("application/octet-stream")) types << a;

  const QStringList userGroups{QStringLiteral("[Default Applications]"),
                               QStringLiteral("[Added Associations]")};
  for (const auto& dir : mimeappsDirs()) {
    const std::string id = lookupList(qstr(dir + "mimeapps.list"), types, userGroups);
    if (!id.empty()) return id;
  }
  for (const auto& dir : applicationDirs()) {
    std::string id = lookupList(qstr(dir + "defaults.list"), types, {QStringLiteral("[Default Applications]")});
    if (id.empty()) id = lookupList(qstr(dir + "mimeinfo.cache"), types, {QStringLiteral("[MIME Cache]")});
    if (!id.empty()) return id;
  }
  return scanDesktopEntries(types);
}

StartOutcome openDocument(const std::string& pathOrUrl, bool wait) {
  if (!isUrl(pathOrUrl)) {
    struct stat st {};
    if (stat(pathOrUrl.c_str(), &st) != 0) return outcomeFromErrno(errno);
    if (defaultApplicationFor(pathOrUrl).empty()) return StartOutcome::NoAssociation;
  }
  std::vector<std::string> args{pathOrUrl};
  const std::string opener = findOpener(args);
  if (opener.empty()) return StartOutcome::NoAssociation;
  const StartOutcome r = startProgram(opener, args, wait);
  return r == StartOutcome::Finished ? StartOutcome::Started : r;
}

}  // namespace platform
