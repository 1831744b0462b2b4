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

// A parsed file kept while the file keeps its identity. Its descriptor stays open meanwhile, so
// that the inode cannot be freed and its number given to a later write of another program (which
// could then pass for the cached file when its size and times happen to match).
struct CachedFile {
  int fd = -1;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = -1;
  timespec mtime{};
  timespec ctime{};
  IniFile ini;
};

// Few files are read (the program's word, perhaps a companion's): a few descriptors at most.
constexpr std::size_t kCachedFiles = 4;

std::mutex g_mutex;
std::map<std::string, CachedFile> g_cache;
std::function<void(const std::string&, SettingsFault)> g_failureHandler;
bool g_writeFailed = false;
bool g_reported[2] = {false, false};  // by SettingsFault

bool validWord(std::string_view word) {
  return !word.empty() && word != "." && word != ".." && word.find('/') == std::string_view::npos &&
         word.find('\0') == std::string_view::npos;
}

std::string foldName(std::string_view name) {
  return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).toCaseFolded().toStdString();
}

// Reports the fault once per process; write tells a failed write (settingsWriteFailed).
void reportFailure(const std::string& path, SettingsFault fault = SettingsFault::Unwritable, bool write = true) {
  std::function<void(const std::string&, SettingsFault)> handler;
  {
    std::lock_guard lock(g_mutex);
    if (write) g_writeFailed = true;
    bool& reported = g_reported[static_cast<int>(fault)];
    if (reported) return;
    reported = true;
    handler = g_failureHandler;
  }
  if (handler) handler(path, fault);
}

enum class ReadOutcome { Read, Failed, TooLarge };

// The whole file into out, refused past kSettingsFileCap (a file growing while it is read too):
// never more than the cap and one piece is held.
ReadOutcome readWhole(int fd, std::string& out) {
  out.clear();
  char buf[8192];
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      return ReadOutcome::Failed;
    }
    if (n == 0) return ReadOutcome::Read;
    out.append(buf, static_cast<std::size_t>(n));
    if (out.size() > kSettingsFileCap) {
      out.clear();
      out.shrink_to_fit();
      return ReadOutcome::TooLarge;
    }
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
// file is an empty one. nullopt when it exists but cannot be read, or is larger than the cap
// (reported once; *tooLarge set). keepFd (optional) gets the open descriptor instead of its being
// closed (-1 for a missing file).
std::optional<IniFile> readIni(const std::string& path, struct stat* st, int* keepFd = nullptr,
                               bool* tooLarge = nullptr) {
  if (keepFd) *keepFd = -1;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT ? std::optional<IniFile>(IniFile{}) : std::nullopt;
  std::string text;
  ReadOutcome outcome = ReadOutcome::Failed;
  if (fstat(fd, st) == 0 && S_ISREG(st->st_mode)) {
    outcome = static_cast<std::uint64_t>(st->st_size) > kSettingsFileCap ? ReadOutcome::TooLarge : readWhole(fd, text);
  }
  if (outcome == ReadOutcome::Read && keepFd) {
    *keepFd = fd;
  } else {
    close(fd);
  }
  if (outcome == ReadOutcome::TooLarge) {
    if (tooLarge) *tooLarge = true;
    reportFailure(path, SettingsFault::TooLarge, false);
  }
  if (outcome != ReadOutcome::Read) return std::nullopt;
  return parse(text);
}

bool sameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

bool sameFile(const CachedFile& c, const struct stat& st) {
  return c.dev == st.st_dev && c.ino == st.st_ino && c.size == st.st_size && sameTime(c.mtime, st.st_mtim) &&
         sameTime(c.ctime, st.st_ctim);
}

void forgetCached(std::map<std::string, CachedFile>::iterator it) {
  if (it->second.fd >= 0) close(it->second.fd);
  g_cache.erase(it);
}

// Cached read: the parsed file is reused while the file keeps its identity, size and times
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
  int fd = -1;
  std::optional<IniFile> ini = readIni(path, &fst, &fd);
  if (!ini || fd < 0) return ini;
  std::lock_guard lock(g_mutex);
  if (const auto old = g_cache.find(path); old != g_cache.end()) forgetCached(old);
  if (g_cache.size() >= kCachedFiles) forgetCached(g_cache.begin());
  CachedFile& c = g_cache[path];
  c.fd = fd;
  c.dev = fst.st_dev;
  c.ino = fst.st_ino;
  c.size = fst.st_size;
  c.mtime = fst.st_mtim;
  c.ctime = fst.st_ctim;
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
  bool tooLarge = false;
  struct stat readSt {};
  // Never replaced by a write either: what it holds is not ours to drop.
  if (!readOnly) ini = readIni(target, &readSt, nullptr, &tooLarge);
  if (ini) {
    if (change(*ini)) ok = replaceFile(targetDir, target, serialize(*ini), exists ? st.st_mode & 0777 : 0600);
    else ok = true;  // nothing to change
  }
  flock(lockFd, LOCK_UN);
  close(lockFd);
  if (!ok) reportFailure(path, tooLarge ? SettingsFault::TooLarge : SettingsFault::Unwritable);
  return ok;
}

// The value under name in word's group of ini, or "" when absent.
std::string getValue(const IniFile& ini, std::string_view word, std::string_view name) {
  const GroupRange g = findGroup(ini, word);
  const auto idx = findEntry(ini, g, name);
  if (!idx) return {};
  std::string n, v;
  splitEntry(ini.lines[*idx], n, v);
  return unescapeSettingText(v);
}

// Stores value under name in word's group of ini; false when the file stays as it was.
bool setValue(IniFile& ini, std::string_view word, std::string_view name, std::string_view value) {
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
}

class IniEdit final : public SettingsEdit {
 public:
  IniEdit(IniFile& ini, std::string_view word) : ini_(ini), word_(word) {}
  [[nodiscard]] std::string get(std::string_view name) const override { return getValue(ini_, word_, name); }
  void set(std::string_view name, std::string_view value) override {
    if (!name.empty() && setValue(ini_, word_, name, value)) changed_ = true;
  }
  [[nodiscard]] bool changed() const { return changed_; }

 private:
  IniFile& ini_;
  std::string_view word_;
  bool changed_ = false;
};

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
  return ini ? getValue(*ini, word, name) : std::string();
}

bool writeSetting(std::string_view word, std::string_view name, std::string_view value) {
  if (name.empty()) return false;
  return modify(word, [&](IniFile& ini) { return setValue(ini, word, name, value); });
}

bool editSettings(std::string_view word, const std::function<void(SettingsEdit&)>& edit) {
  return modify(word, [&](IniFile& ini) {
    IniEdit view(ini, word);
    edit(view);
    return view.changed();
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

void setSettingsFailureHandler(std::function<void(const std::string&, SettingsFault)> handler) {
  std::lock_guard lock(g_mutex);
  g_failureHandler = std::move(handler);
}

bool settingsWriteFailed() {
  std::lock_guard lock(g_mutex);
  return g_writeFailed;
}

void resetSettingsFailure() {
  std::lock_guard lock(g_mutex);
  g_writeFailed = false;
  g_reported[0] = g_reported[1] = false;
}

}  // namespace platform
