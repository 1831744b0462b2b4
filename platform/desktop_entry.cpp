#include "platform/desktop_entry.h"

#include "platform/program_paths.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::string escapeDesktopString(std::string_view value) {
  std::string out;
  for (char c : value) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  return out;
}

std::string quoteExecArgument(std::string_view arg) {
  std::string quoted = "\"";
  for (char c : arg) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    if (c == '%') quoted += '%';
    quoted += c;
  }
  quoted += '"';
  // The string-value escapes are undone before the Exec quoting is parsed, so apply them last.
  return escapeDesktopString(quoted);
}

std::string userDesktopEntryPath(std::string_view fileName) {
  return dataHome() + "applications/" + std::string(fileName);
}

bool writeUserDesktopEntry(std::string_view fileName, const std::string& content) {
  if (fileName.empty() || fileName.find('/') != std::string_view::npos) return false;
  const std::string dir = dataHome() + "applications/";
  if (!makeFolders(dir, 0755)) return false;
  const std::string path = dir + std::string(fileName);
  std::string tmpl = path + ".XXXXXX";
  const int fd = mkostemp(tmpl.data(), O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = fchmod(fd, 0644) == 0;
  std::size_t done = 0;
  while (ok && done < content.size()) {
    const ssize_t n = write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ok = false;
    else done += static_cast<std::size_t>(n);
  }
  ok = ok && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && rename(tmpl.c_str(), path.c_str()) == 0;
  if (!ok) unlink(tmpl.c_str());
  return ok;
}

bool removeUserDesktopEntry(std::string_view fileName) {
  if (fileName.empty() || fileName.find('/') != std::string_view::npos) return false;
  const std::string path = userDesktopEntryPath(fileName);
  return unlink(path.c_str()) == 0 || errno == ENOENT;
}

}  // namespace platform
