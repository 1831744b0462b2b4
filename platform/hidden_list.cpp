#include "platform/hidden_list.h"

#include <cerrno>
#include <cstdint>
#include <iterator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr std::size_t kHiddenFileLimit = 4 << 20;  // a larger .hidden is not a name list

}  // namespace

std::string readHiddenFileAt(int dirFd) { return dirFd < 0 ? std::string() : readHiddenEntry(dirFd, ".hidden"); }

std::string readHiddenEntry(int dirFd, const char* name) {
  const int fd = ::openat(dirFd, name, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return {};
  std::string text;
  struct stat sb {};
  if (::fstat(fd, &sb) == 0 && S_ISREG(sb.st_mode) &&
      static_cast<std::uint64_t>(sb.st_size) <= kHiddenFileLimit) {
    char buf[16384];
    for (;;) {
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        text.clear();
        break;
      }
      if (n == 0) break;
      text.append(buf, static_cast<std::size_t>(n));
      if (text.size() > kHiddenFileLimit) {  // grew while being read
        text.clear();
        break;
      }
    }
  }
  ::close(fd);
  return text;
}

std::vector<std::string> splitHiddenList(std::string_view text) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty()) names.emplace_back(line);
    start = end + 1;
  }
  return names;
}

std::unordered_set<std::string> hiddenNamesAt(int dirFd) {
  std::vector<std::string> names = splitHiddenList(readHiddenFileAt(dirFd));
  return {std::make_move_iterator(names.begin()), std::make_move_iterator(names.end())};
}

bool isHiddenEntry(const std::string& name, const std::unordered_set<std::string>& listed) {
  return (!name.empty() && name.front() == '.') || listed.count(name) != 0;
}

}  // namespace platform
