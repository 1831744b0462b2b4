#include "core/file_paths.h"

#include "core/file_content.h"
#include "core/file_errors.h"
#include "core/vb.h"
#include "platform/file_attributes.h"
#include "platform/fs.h"

#include <cerrno>
#include <random>

namespace core {
namespace {

bool isAbsolute(std::string_view path) { return !path.empty() && path.front() == '/'; }

// "*" any run of bytes, "?" one byte; everything else literal and case-sensitive (names compare
// exactly on Linux). Iterative with back-tracking to the last "*", so no pattern blows up.
bool matchesPattern(std::string_view name, std::string_view pattern) {
  std::size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

std::string withoutTrailingSlashes(std::string_view path) {
  std::string s(path);
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

int FileExist(std::string_view path) {
  if (!isAbsolute(path)) return 0;
  return platform::fileStatus(path, false).error == 0 ? 1 : 0;
}

int PathExist(std::string_view path) {
  if (!isAbsolute(path)) return 0;
  return platform::fileStatus(path, true).type == platform::FileType::Directory ? 1 : 0;
}

std::string AddSlash(std::string_view path) {
  std::string s(path);
  if (s.empty() || s.back() != '/') s += '/';
  return s;
}

std::string RetAftLast(std::string_view sep, std::string_view text) {
  if (sep.empty()) return {};
  const std::size_t pos = text.rfind(sep);
  if (pos == std::string_view::npos) return {};
  return std::string(text.substr(pos + sep.size()));
}

std::string RetBefLast(std::string_view sep, std::string_view text) {
  if (sep.empty()) return std::string(text);
  const std::size_t pos = text.rfind(sep);
  if (pos == std::string_view::npos) return std::string(text) + std::string(sep);
  return std::string(text.substr(0, pos + 1));
}

std::size_t extensionDot(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || name.find_first_not_of('.') > dot) return std::string_view::npos;
  return dot;
}

int KillFile(std::string_view path) {
  const platform::FileStatus st = platform::fileStatus(path, false);
  if (st.error != 0) return errorNumberForPath(st.error, path);
  if (st.type == platform::FileType::Directory) return kErrPathFileAccess;
  // Attributes are left alone until the file is gone, so a failed delete changes nothing.
  const int err = platform::removeFile(path);
  if (err != 0) return errorNumberFromErrno(err);
  platform::forgetHiddenEntry(path);
  return 0;
}

int Rename(std::string_view oldPath, std::string_view newPath) {
  const int err = platform::renameNoReplace(withoutTrailingSlashes(oldPath),
                                            withoutTrailingSlashes(newPath));
  if (err == 0) return 0;
  return errorNumberForPath(err, err == ENOENT && FileExist(oldPath) ? newPath : oldPath);
}

std::string TmpFileName(std::string_view folder) {
  const std::string base = AddSlash(folder);
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static std::mt19937 rng{std::random_device{}()};
  // "_TmpFi" and two random characters give 3,844 names, and a folder may hold them all: after
  // that many misses the names grow by one character per round, so a free name is always found
  // (and a full folder of any size costs a few hundred tries at most).
  constexpr int kTriesPerLength = 100;
  constexpr int kLongestSuffix = 12;
  std::string name = "TempFile";
  for (int tries = 0;; ++tries) {
    const int err = platform::createExclusive(base + name);
    if (err == 0) return base + name;
    if (err != EEXIST) return {};
    const int suffix = 2 + tries / kTriesPerLength;
    if (suffix > kLongestSuffix) return {};
    name = "_TmpFi";
    for (int i = 0; i < suffix; ++i) name += kChars[rng() % (sizeof(kChars) - 1)];
  }
}

int MakeDir(std::string& path) {
  path = AddSlash(path);
  for (std::size_t pos = path.find('/', 1); pos != std::string::npos; pos = path.find('/', pos + 1)) {
    const std::string part = path.substr(0, pos);
    if (part.empty() || part.back() == '/') continue;  // "a//b": the empty step is no folder
    if (PathExist(part) != 0) continue;
    const int err = platform::makeDirectory(part);
    if (err == 0) continue;
    if (err == EEXIST) {
      if (PathExist(part) != 0) continue;  // made meanwhile by someone else
      return kErrPathFileAccess;           // a file stands where the folder should go
    }
    return errorNumberForPath(err, part);
  }
  return 0;
}

int GetNumFiles(std::string_view folder, int includeFolders, std::string_view pattern) {
  const std::string base = AddSlash(folder);
  const platform::DirListing list = platform::listDirectory(base);
  if (list.error != 0) return 0;
  int count = 0;
  if (includeFolders != 0) {
    count += matchesPattern(".", pattern) ? 1 : 0;
    count += matchesPattern("..", pattern) ? 1 : 0;
  }
  for (const std::string& name : list.names) {
    if (!matchesPattern(name, pattern)) continue;
    if (includeFolders == 0 &&
        platform::fileStatus(base + name, true).type == platform::FileType::Directory)
      continue;
    ++count;
  }
  return count;
}

int ChkFileName(std::string_view name) {
  if (name.size() > 255) return 2;
  if (RemInvalid(name).size() != name.size()) return 1;
  if (name.find('\n') != std::string_view::npos || name.find('\r') != std::string_view::npos ||
      name.find('\0') != std::string_view::npos)
    return 1;
  return 0;
}

std::string RemInvalid(std::string_view name, std::string_view set) {
  static constexpr std::string_view kDefault = "/\\|:*?<>\"";
  if (set.empty()) set = kDefault;
  std::string out;
  out.reserve(name.size());
  for (char c : name)
    if (set.find(c) == std::string_view::npos) out += c;
  return out;
}

std::string GetDesktop() {
  const std::string d = platform::desktopFolder();
  if (d.empty() || PathExist(d) == 0) return std::string(kErr);
  return AddSlash(d);
}

double FreeSpace(std::string_view path) {
  // A path that does not exist yet still tells the file system through its nearest parent.
  std::string p = withoutTrailingSlashes(path);
  if (!isAbsolute(p)) return -1;
  while (p.size() > 1 && PathExist(p) == 0) p = withoutTrailingSlashes(RetBefLast("/", p));
  const double bytes = platform::freeSpaceBytes(p);
  return bytes > 0 ? bytes : -1;
}

int IsLocked(std::string_view path, Access access) {
  if (access == Access::None) return FileExist(path) != 0 ? 0 : 1;
  platform::OpenAccess a = platform::OpenAccess::ReadWrite;
  if (access == Access::Read) a = platform::OpenAccess::Read;
  if (access == Access::Write) a = platform::OpenAccess::Write;
  return platform::checkOpenable(path, a) == 0 ? 0 : 1;
}

std::string RetDosAPI(std::string_view path) { return std::string(path); }

std::string RetDos(std::string_view path, int lastPart) {
  if (lastPart == 1) {
    const std::string p = withoutTrailingSlashes(path);
    const std::size_t pos = p.rfind('/');
    return pos == std::string::npos || p.size() == 1 ? p : p.substr(pos + 1);
  }
  return AddSlash(path);
}

std::string makeDosName(std::string_view path, int lastPart) { return RetDos(path, lastPart); }

}  // namespace core
