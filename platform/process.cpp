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

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
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
  const QString dir = qstr(workDir.empty() ? homeDir() : workDir);
  if (!wait) {
    return QProcess::startDetached(qstr(program), qargs(args), dir) ? StartOutcome::Started
                                                                     : StartOutcome::Failed;
  }
  QProcess proc;
  proc.setProgram(qstr(program));
  proc.setArguments(qargs(args));
  proc.setWorkingDirectory(dir);
  proc.setProcessChannelMode(QProcess::ForwardedChannels);
  proc.setStandardInputFile(QProcess::nullDevice());
  proc.start();
  if (!proc.waitForStarted(-1)) return StartOutcome::Failed;
  if (QCoreApplication::instance()) {
    // The windows stay responsive while the program runs; callers disable what must not be used.
    QEventLoop loop;
    QObject::connect(&proc, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&proc, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    if (proc.state() != QProcess::NotRunning) loop.exec();
    if (proc.state() != QProcess::NotRunning) proc.waitForFinished(-1);
  } else {
    proc.waitForFinished(-1);
  }
  return StartOutcome::Finished;
}

StartOutcome startDetachedLogged(const std::string& program, const std::vector<std::string>& args,
                                 const std::string& workDir, const std::string& logPath) {
  if (const StartOutcome pre = precheck(program); pre != StartOutcome::Started) return pre;
  QProcess proc;
  proc.setProgram(qstr(program));
  proc.setArguments(qargs(args));
  proc.setWorkingDirectory(qstr(workDir.empty() ? homeDir() : workDir));
  proc.setStandardInputFile(QProcess::nullDevice());
  proc.setStandardOutputFile(qstr(logPath), QIODevice::Append);
  proc.setStandardErrorFile(qstr(logPath), QIODevice::Append);
  return proc.startDetached() ? StartOutcome::Started : StartOutcome::Failed;
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
