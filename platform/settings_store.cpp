#include "platform/settings_store.h"

#include "platform/fs.h"
#include "platform/own_temporary.h"
#include "platform/program_paths.h"

#include <QString>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

// One line of the file: its text without the line break, and the break as the file has it. Every
// CR before the LF belongs to the break (a hand-edited "\r\r\n" too), so that a key or header
// reads the same whatever the editor did; the break itself is written back unchanged.
struct IniLine {
  std::string text;
  std::string ending;  // "\n", "\r\n", "\r\r\n" ...; "" (or only CRs) at the end of the file
};

// A file held as lines so that a write changes only our group's lines and keeps anything else
// (other groups, comments, line breaks) byte for byte.
struct IniFile {
  std::vector<IniLine> lines;
};

struct CachedFile {
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = -1;
  timespec mtime{};
  IniFile ini;
};

std::mutex g_mutex;
std::map<std::string, CachedFile> g_cache;
std::function<void(const std::string&)> g_failureHandler;
bool g_failed = false;

bool validWord(std::string_view word) {
  return !word.empty() && word != "." && word != ".." && word.find('/') == std::string_view::npos &&
         word.find('\0') == std::string_view::npos;
}

std::string foldName(std::string_view name) {
  return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).toCaseFolded().toStdString();
}

void reportFailure(const std::string& path) {
  std::function<void(const std::string&)> handler;
  {
    std::lock_guard lock(g_mutex);
    if (g_failed) return;
    g_failed = true;
    handler = g_failureHandler;
  }
  if (handler) handler(path);
}

bool readWhole(int fd, std::string& out) {
  out.clear();
  char buf[8192];
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return true;
    out.append(buf, static_cast<std::size_t>(n));
  }
}

IniFile parse(const std::string& text) {
  IniFile ini;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    const bool hasBreak = end != std::string::npos;
    if (!hasBreak) end = text.size();
    std::size_t cut = end;
    while (cut > pos && text[cut - 1] == '\r') --cut;
    IniLine line;
    line.text = text.substr(pos, cut - pos);
    line.ending = text.substr(cut, end - cut) + (hasBreak ? "\n" : "");
    ini.lines.push_back(std::move(line));
    pos = end + 1;
  }
  return ini;
}

std::string serialize(const IniFile& ini) {
  std::string out;
  for (std::size_t i = 0; i < ini.lines.size(); ++i) {
    const IniLine& l = ini.lines[i];
    out += l.text;
    out += l.ending;
    // A last line without a break that now has lines after it gets one.
    if (i + 1 < ini.lines.size() && (l.ending.empty() || l.ending.back() != '\n')) out += '\n';
  }
  return out;
}

IniLine newLine(std::string text) { return IniLine{std::move(text), "\n"}; }

bool isGroupHeader(const IniLine& line) { return !line.text.empty() && line.text.front() == '['; }

bool isGroup(const IniLine& line, std::string_view word) {
  const std::string& t = line.text;
  return t.size() == word.size() + 2 && t.front() == '[' && t.back() == ']' &&
         std::string_view(t).substr(1, word.size()) == word;
}

// [first, last) line range of the group's body; header index in *header (npos when absent).
struct GroupRange {
  std::size_t header = std::string::npos, first = 0, last = 0;
};

GroupRange findGroup(const IniFile& ini, std::string_view word) {
  GroupRange r;
  for (std::size_t i = 0; i < ini.lines.size(); ++i) {
    if (isGroup(ini.lines[i], word)) {
      r.header = i;
      r.first = i + 1;
      r.last = r.first;
      while (r.last < ini.lines.size() && !isGroupHeader(ini.lines[r.last])) ++r.last;
      return r;
    }
  }
  return r;
}

// Splits "name=value" at the first "=" (escaped names never hold one).
bool splitEntry(const IniLine& iniLine, std::string& name, std::string& value) {
  const std::string& line = iniLine.text;
  if (line.empty() || line.front() == ';' || line.front() == '#') return false;
  const auto eq = line.find('=');
  if (eq == std::string::npos) return false;
  name = unescapeSettingText(std::string_view(line).substr(0, eq));
  value = line.substr(eq + 1);
  return true;
}

std::optional<std::size_t> findEntry(const IniFile& ini, const GroupRange& g, std::string_view name) {
  if (g.header == std::string::npos) return std::nullopt;
  const std::string folded = foldName(name);
  std::string n, v;
  for (std::size_t i = g.first; i < g.last; ++i) {
    if (splitEntry(ini.lines[i], n, v) && foldName(n) == folded) return i;
  }
  return std::nullopt;
}

// Reads the file (following a symbolic link: dotfile managers link config files); a missing
// file is an empty one. nullopt when it exists but cannot be read.
std::optional<IniFile> readIni(const std::string& path, struct stat* st) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? std::optional<IniFile>(IniFile{}) : std::nullopt;
  std::string text;
  const bool ok = fstat(fd, st) == 0 && S_ISREG(st->st_mode) && readWhole(fd, text);
  close(fd);
  if (!ok) return std::nullopt;
  return parse(text);
}

std::optional<IniFile> loadFresh(const std::string& path) {
  struct stat st {};
  return readIni(path, &st);
}

bool sameFile(const CachedFile& c, const struct stat& st) {
  return c.dev == st.st_dev && c.ino == st.st_ino && c.size == st.st_size &&
         c.mtime.tv_sec == st.st_mtim.tv_sec && c.mtime.tv_nsec == st.st_mtim.tv_nsec;
}

// Cached read: the parsed file is reused while the file keeps its identity, size and time
// (a write by any program replaces the file, so its identity changes).
std::optional<IniFile> loadCached(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return errno == ENOENT ? std::optional<IniFile>(IniFile{}) : std::nullopt;
  {
    std::lock_guard lock(g_mutex);
    const auto it = g_cache.find(path);
    if (it != g_cache.end() && sameFile(it->second, st)) return it->second.ini;
  }
  struct stat fst {};
  std::optional<IniFile> ini = readIni(path, &fst);
  if (!ini) return std::nullopt;
  std::lock_guard lock(g_mutex);
  CachedFile& c = g_cache[path];
  c.dev = fst.st_dev;
  c.ino = fst.st_ino;
  c.size = fst.st_size;
  c.mtime = fst.st_mtim;
  c.ini = *ini;
  return ini;
}

// The file a write replaces: the target of a symbolic link, so that the link survives.
std::string writeTarget(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = realpath(path.c_str(), nullptr)) {
      std::string r(real);
      free(real);
      return r;
    }
  }
  return path;
}

bool writeAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Removes what writes killed midway left in dir: temporary files named after the target that
// this program provably made (own_temporary.h). The folder may be the user's own, where the file
// is a link to one: a file there that merely looks like a leftover stays. Called under the
// store's lock, when no write of the store is under way.
void removeStaleTemporaries(const std::string& dir, const std::string& target) {
  const std::string prefix = "." + target.substr(target.rfind('/') + 1) + ".vdk";
  const int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) return;
  for (const std::string& name : listDirectory(dir).names)
    if (name.compare(0, prefix.size(), prefix) == 0) (void)removeOwnLeftoverAt(dfd, name.c_str());
  close(dfd);
}

// Writes data to a temporary file beside path, locked and marked as ours until it is renamed over
// path (a sweep in another program passes over it meanwhile), then syncs the folder.
bool replaceFile(const std::string& dir, const std::string& path, const std::string& data, mode_t mode) {
  const int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) return false;
  const std::string name = path.substr(path.rfind('/') + 1);
  std::string tmp;
  const int fd = createOwnTemporary(dfd, name, 0600, tmp);
  bool ok = fd >= 0 && fchmod(fd, mode) == 0 && writeAll(fd, data) && fsync(fd) == 0 &&
            renameat(dfd, tmp.c_str(), dfd, name.c_str()) == 0;
  if (ok) unmarkOwnTemporary(fd);
  if (!ok && fd >= 0) unlinkat(dfd, tmp.c_str(), 0);
  if (fd >= 0) close(fd);
  // Make the rename itself durable.
  if (ok) fsync(dfd);
  close(dfd);
  return ok;
}

// Runs change on the freshly read file under the store's lock and writes the result back.
bool modify(std::string_view word, const std::function<bool(IniFile&)>& change) {
  if (!validWord(word)) return false;
  const std::string dir = configHome() + std::string(word) + "/";
  const std::string path = dir + std::string(word) + ".ini";
  if (!makeFolders(dir, 0700)) {
    reportFailure(dir);
    return false;
  }
  const std::string lockPath = path + ".lock";
  const int lockFd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (lockFd < 0) {
    reportFailure(dir);
    return false;
  }
  while (flock(lockFd, LOCK_EX) != 0) {
    if (errno != EINTR) {
      close(lockFd);
      reportFailure(path);
      return false;
    }
  }
  bool ok = false;
  const std::string target = writeTarget(path);
  const std::string targetDir = target.substr(0, target.rfind('/') + 1);
  removeStaleTemporaries(targetDir, target);
  struct stat st {};
  const bool exists = stat(target.c_str(), &st) == 0;
  // A file the user made read-only stays as it is: the write is refused (with the one notice).
  const bool readOnly = exists && (st.st_mode & S_IWUSR) == 0;
  std::optional<IniFile> ini;
  if (!readOnly) ini = loadFresh(target);
  if (ini) {
    if (change(*ini)) ok = replaceFile(targetDir, target, serialize(*ini), exists ? st.st_mode & 0777 : 0600);
    else ok = true;  // nothing to change
  }
  flock(lockFd, LOCK_UN);
  close(lockFd);
  if (!ok) reportFailure(path);
  return ok;
}

}  // namespace

std::string settingsFilePath(std::string_view word) {
  return configHome() + std::string(word) + "/" + std::string(word) + ".ini";
}

std::string escapeSettingText(std::string_view text, bool isName) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const bool atEdge = i == 0 || i + 1 == text.size();
    const bool escape = c < 0x20 || c == 0x7F || (atEdge && (c == ' ' || c == '\t')) ||
                        (i == 0 && (c == '[' || c == ';' || c == '#')) || (isName && c == '=');
    if (c == '\\') {
      out += "\\\\";
    } else if (escape) {
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 0xF];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string unescapeSettingText(std::string_view text) {
  auto hexVal = [](char h) -> int {
    if (h >= '0' && h <= '9') return h - '0';
    if (h >= 'A' && h <= 'F') return h - 'A' + 10;
    if (h >= 'a' && h <= 'f') return h - 'a' + 10;
    return -1;
  };
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      if (text[i + 1] == '\\') {
        out += '\\';
        ++i;
        continue;
      }
      if (text[i + 1] == 'x' && i + 3 < text.size() && hexVal(text[i + 2]) >= 0 && hexVal(text[i + 3]) >= 0) {
        out += static_cast<char>(hexVal(text[i + 2]) * 16 + hexVal(text[i + 3]));
        i += 3;
        continue;
      }
    }
    out += text[i];  // a stray backslash (hand-edited file) stands for itself
  }
  return out;
}

std::string readSetting(std::string_view word, std::string_view name) {
  if (!validWord(word)) return {};
  const std::optional<IniFile> ini = loadCached(settingsFilePath(word));
  if (!ini) return {};
  const GroupRange g = findGroup(*ini, word);
  const auto idx = findEntry(*ini, g, name);
  if (!idx) return {};
  std::string n, v;
  splitEntry(ini->lines[*idx], n, v);
  return unescapeSettingText(v);
}

bool writeSetting(std::string_view word, std::string_view name, std::string_view value) {
  if (name.empty()) return false;
  return modify(word, [&](IniFile& ini) {
    const std::string escapedValue = escapeSettingText(value, false);
    GroupRange g = findGroup(ini, word);
    if (g.header == std::string::npos) {
      if (!ini.lines.empty() && !ini.lines.back().text.empty()) ini.lines.push_back(newLine({}));
      ini.lines.push_back(newLine("[" + std::string(word) + "]"));
      ini.lines.push_back(newLine(escapeSettingText(name, true) + "=" + escapedValue));
      return true;
    }
    if (const auto idx = findEntry(ini, g, name)) {
      std::string& line = ini.lines[*idx].text;
      const std::string changed = line.substr(0, line.find('=') + 1) + escapedValue;
      if (changed == line) return false;
      line = changed;
      return true;
    }
    // Insert after the group's last entry, before blank lines that separate it from the next group.
    std::size_t at = g.last;
    while (at > g.first && ini.lines[at - 1].text.empty()) --at;
    ini.lines.insert(ini.lines.begin() + static_cast<std::ptrdiff_t>(at),
                     newLine(escapeSettingText(name, true) + "=" + escapedValue));
    return true;
  });
}

bool clearSettingsGroup(std::string_view word) {
  if (!validWord(word)) return false;
  // Nothing to clear in a file that does not exist; avoid creating folders for it.
  struct stat st {};
  if (stat(settingsFilePath(word).c_str(), &st) != 0 && errno == ENOENT) return true;
  return modify(word, [&](IniFile& ini) {
    const GroupRange g = findGroup(ini, word);
    if (g.header == std::string::npos) return false;
    std::size_t last = g.last;
    ini.lines.erase(ini.lines.begin() + static_cast<std::ptrdiff_t>(g.header),
                    ini.lines.begin() + static_cast<std::ptrdiff_t>(last));
    return true;
  });
}

void setSettingsFailureHandler(std::function<void(const std::string&)> handler) {
  std::lock_guard lock(g_mutex);
  g_failureHandler = std::move(handler);
}

bool settingsWriteFailed() {
  std::lock_guard lock(g_mutex);
  return g_failed;
}

void resetSettingsFailure() {
  std::lock_guard lock(g_mutex);
  g_failed = false;
}

}  // namespace platform
