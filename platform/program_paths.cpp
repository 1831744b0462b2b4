#include "platform/program_paths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::string withSlash(std::string p) {
  if (!p.empty() && p.back() != '/') p += '/';
  return p;
}

std::string envFolder(const char* name) {
  const char* v = std::getenv(name);
  // A relative XDG folder value is meaningless (relative to what?), so it counts as unset.
  if (v && v[0] == '/') return withSlash(v);
  return {};
}

// True when path is a real folder (not a symlink to one) owned by the user with mode 0700.
// Checked on a descriptor opened without following a final link: the trailing "/" is dropped
// first, since "link/" is followed whatever the flags say. With fixMode, a folder we have just
// made gets 0700 whatever the umask took away.
bool isPrivateFolder(std::string path, bool fixMode = false) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid();
  if (ok && fixMode && (st.st_mode & 0777) != 0700) ok = fchmod(fd, 0700) == 0 && fstat(fd, &st) == 0;
  close(fd);
  return ok && (st.st_mode & 0777) == 0700;
}

}  // namespace

std::string homeDir() {
  if (const char* h = std::getenv("HOME"); h && h[0] == '/') return withSlash(h);
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return withSlash(pw->pw_dir);
  return "/";
}

bool makeFolders(const std::string& path, unsigned mode) {
  if (path.empty()) return false;
  std::string partial;
  std::size_t pos = 0;
  while (pos <= path.size()) {
    std::size_t next = path.find('/', pos);
    if (next == std::string::npos) next = path.size();
    partial = path.substr(0, next);
    if (!partial.empty()) {
      if (mkdir(partial.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST) return false;
    }
    pos = next + 1;
  }
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string exeDir() {
  char buf[PATH_MAX + 1];
  const ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
  if (n <= 0) return {};
  std::string p(buf, static_cast<std::size_t>(n));
  const auto slash = p.rfind('/');
  return slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
}

std::string dataDir() {
  const std::string e = exeDir();
  return e.empty() ? std::string() : e + "../share/vardulek/";
}

std::string configHome() {
  std::string c = envFolder("XDG_CONFIG_HOME");
  return c.empty() ? homeDir() + ".config/" : c;
}

std::string dataHome() {
  std::string d = envFolder("XDG_DATA_HOME");
  return d.empty() ? homeDir() + ".local/share/" : d;
}

std::string appDataDir() {
  const std::string dir = dataHome() + "vardulek/";
  makeFolders(dir, 0700);
  return dir;
}

std::string tempDir() {
  std::string base = envFolder("TMPDIR");
  if (base.empty()) base = "/tmp/";
  const std::string dir = base + "vardulek-" + std::to_string(getuid()) + "/";
  // mkdir fails on an existing name: then it must be a folder of ours that nobody else may enter,
  // otherwise another user could have planted it (or a link to a folder of theirs).
  const bool made = mkdir(dir.c_str(), 0700) == 0;
  if ((made || errno == EEXIST) && isPrivateFolder(dir, made)) return dir;
  return appDataDir();
}

std::string runtimeDir() {
  std::string r = envFolder("XDG_RUNTIME_DIR");
  if (!r.empty() && isPrivateFolder(r)) return r;
  return tempDir();
}

}  // namespace platform
