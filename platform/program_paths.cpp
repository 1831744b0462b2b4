#include "platform/program_paths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
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

bool isPrivateFolder(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == getuid() && (st.st_mode & 077) == 0;
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
  // otherwise another user could have planted it.
  if (mkdir(dir.c_str(), 0700) == 0 || (errno == EEXIST && isPrivateFolder(dir))) return dir;
  return appDataDir();
}

std::string runtimeDir() {
  std::string r = envFolder("XDG_RUNTIME_DIR");
  if (!r.empty() && access(r.c_str(), W_OK | X_OK) == 0) return r;
  return tempDir();
}

}  // namespace platform
