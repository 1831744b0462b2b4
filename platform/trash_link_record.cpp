#include "platform/trash_link_record.h"

#include "platform/entry_at.h"
#include "platform/fd_io.h"
#include "platform/program_paths.h"
#include "platform/replacement_file.h"

#include <cerrno>
#include <charconv>
#include <optional>
#include <string_view>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr std::string_view kPrefix = "links-";
constexpr std::size_t kRecordLimit = 16 << 20;  // a larger record is not one of ours
// Past this size, clear() empties the record rather than marking its links settled.
constexpr std::uint64_t kEmptiedPast = 1 << 20;
// The line that settles every link written before it (clear()).
constexpr std::string_view kSettledLine = "S\n";
constexpr int kOpenTries = 8;

// A record line: "L dev ino" then each path as " length:bytes", and a line break (any byte of a
// path round-trips).
std::string lineOf(const TrashLink& l) {
  std::string out = "L " + std::to_string(l.dev) + " " + std::to_string(l.ino);
  for (const std::string* p : {&l.file, &l.info, &l.original}) out += " " + std::to_string(p->size()) + ":" + *p;
  return out + "\n";
}

// Reads one line of lineOf from text at pos; nullopt at a malformed or cut line (a kill in the
// middle of a write), which ends the record.
class RecordReader {
 public:
  explicit RecordReader(std::string_view text) : text_(text) {}
  // Passes over a settling line; true when there was one.
  bool settledLine() { return literal(kSettledLine); }
  std::optional<TrashLink> next() {
    TrashLink l;
    for (std::uint64_t* v : {&l.dev, &l.ino})
      if (!literal(v == &l.dev ? "L " : " ") || !number(*v)) return std::nullopt;
    for (std::string* p : {&l.file, &l.info, &l.original}) {
      std::uint64_t n = 0;
      if (!literal(" ") || !number(n) || !literal(":") || n > text_.size() - pos_) return std::nullopt;
      *p = std::string(text_.substr(pos_, n));
      pos_ += n;
    }
    if (!literal("\n")) return std::nullopt;
    return l;
  }

 private:
  bool literal(std::string_view s) {
    if (text_.substr(pos_, s.size()) != s) return false;
    pos_ += s.size();
    return true;
  }
  bool number(std::uint64_t& v) {
    const char* begin = text_.data() + pos_;
    const auto [end, ec] = std::from_chars(begin, text_.data() + text_.size(), v);
    if (ec != std::errc() || end == begin) return false;
    pos_ += static_cast<std::size_t>(end - begin);
    return true;
  }
  std::string_view text_;
  std::size_t pos_ = 0;
};

// True when the open file fd is still what name holds in the open folder dirFd.
bool stillNamed(int dirFd, const char* name, int fd) {
  struct stat a {}, b {};
  return ::fstat(fd, &a) == 0 && ::fstatat(dirFd, name, &b, AT_SYMLINK_NOFOLLOW) == 0 && a.st_dev == b.st_dev &&
         a.st_ino == b.st_ino;
}

bool isFile(const EntryAt& at, std::uint64_t dev, std::uint64_t ino) {
  struct stat st {};
  return at.error() == 0 && ::fstatat(at.dir(), at.name(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
         static_cast<std::uint64_t>(st.st_dev) == dev && static_cast<std::uint64_t>(st.st_ino) == ino;
}

bool absolute(const std::string& path) { return !path.empty() && path.front() == '/'; }

// Removes the trash entry of l where it is only a second name of the original still in place.
bool settle(const TrashLink& l) {
  if (!absolute(l.file) || !absolute(l.info) || !absolute(l.original)) return false;
  // The data's name in files/ was taken by a link that fails where a name is taken: while it stays,
  // no other entry has it.
  const EntryAt entry(l.file), info(l.info), original(l.original);
  if (!isFile(entry, l.dev, l.ino) || !isFile(original, l.dev, l.ino)) return false;
  if (::unlinkat(entry.dir(), entry.name(), 0) != 0) return false;
  (void)::unlinkat(info.dir(), info.name(), 0);
  return true;
}

std::string readAll(int fd) {
  std::string text;
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(buf, static_cast<std::size_t>(n));
    if (text.size() > kRecordLimit) return {};
  }
  return text;
}

}  // namespace

std::string trashLinkRecordFolder() {
  const std::string dir = appDataDir() + "trash-links/";
  makeFolders(dir, 0700);
  return dir;
}

TrashLinkRecord::~TrashLinkRecord() {
  if (fd_ < 0) return;
  // Removed while still locked, so that nobody settles it in between.
  (void)::unlink(path_.c_str());
  ::close(fd_);
}

int TrashLinkRecord::open() {
  const std::string folder = trashLinkRecordFolder();
  int err = EEXIST;
  for (int tries = 0; tries < kOpenTries; ++tries) {
    const std::string name = std::string(kPrefix) + std::to_string(::getpid()) + "-" + temporaryNameSuffix();
    const std::string path = folder + name;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
      err = errno;
      if (err != EEXIST) return err;
      continue;
    }
    // Another run settling the empty record in the moment before the lock took it away: try anew.
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool ours = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && dirFd >= 0 && stillNamed(dirFd, name.c_str(), fd);
    if (dirFd >= 0) ::close(dirFd);
    if (ours) {
      fd_ = fd;
      path_ = path;
      return 0;
    }
    ::close(fd);
    err = EAGAIN;
  }
  return err;
}

int TrashLinkRecord::clear() {
  if (fd_ < 0 || size_ == 0) return 0;
  // A line appended costs less than a truncation, which the file system journals: the record is
  // emptied only once it has grown large, or where the line could not be written whole (a cut
  // line would end the record for its reader before the links written after it).
  if (size_ <= kEmptiedPast && writeFully(fd_, kSettledLine) == 0) {
    size_ += kSettledLine.size();
    return 0;
  }
  if (::ftruncate(fd_, 0) != 0) return errno;
  size_ = 0;
  return 0;
}

int TrashLinkRecord::add(const TrashLink& link) {
  if (fd_ < 0) {
    if (const int err = open(); err != 0) return err;
  }
  const std::string line = lineOf(link);
  const int err = writeFully(fd_, line);
  if (err == 0) size_ += line.size();
  return err;
}

int settleInterruptedTrashLinks() {
  const std::string folder = trashLinkRecordFolder();
  const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (dirFd < 0) return 0;
  const int listFd = ::fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
  DIR* dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
  if (dir == nullptr && listFd >= 0) ::close(listFd);
  int removed = 0;
  while (dir != nullptr) {
    const dirent* e = ::readdir(dir);
    if (e == nullptr) break;
    const std::string_view name(e->d_name);
    if (!name.starts_with(kPrefix)) continue;
    const int fd = ::openat(dirFd, e->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    // A record still locked belongs to a run that is alive.
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0 && stillNamed(dirFd, e->d_name, fd)) {
      const std::string text = readAll(fd);
      RecordReader reader(text);
      std::vector<TrashLink> links;
      for (;;) {
        if (reader.settledLine()) {
          links.clear();
          continue;
        }
        std::optional<TrashLink> link = reader.next();
        if (!link) break;
        links.push_back(std::move(*link));
      }
      for (const TrashLink& link : links) removed += settle(link) ? 1 : 0;
      (void)::unlinkat(dirFd, e->d_name, 0);
    }
    ::close(fd);
  }
  if (dir != nullptr) ::closedir(dir);
  ::close(dirFd);
  return removed;
}

}  // namespace platform
