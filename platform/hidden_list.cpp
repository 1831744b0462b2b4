#include "platform/hidden_list.h"

#include "platform/replacement_file.h"

#include <cerrno>
#include <cstdint>
#include <iterator>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr std::size_t kHiddenFileLimit = 4 << 20;  // a larger .hidden is not a name list

// Another instance's update puts a new file in place while this one waits for the lock on the old:
// it starts again on the new one. Bounded, so that a folder churned without end cannot hold a run.
constexpr int kLockTries = 1000;

HiddenFileStamp stampOf(const struct stat& st) {
  HiddenFileStamp s;
  s.known = s.exists = true;
  s.dev = st.st_dev;
  s.ino = st.st_ino;
  s.size = st.st_size;
  s.mtime = st.st_mtim;
  s.ctime = st.st_ctim;
  return s;
}

HiddenUpdate failure(int error) {
  HiddenUpdate out;
  out.error = error;
  return out;
}

HiddenFileStamp missingStamp() {
  HiddenFileStamp s;
  s.known = true;
  return s;
}

// The whole of the open regular file fd: 0, EFBIG past the cap, or errno.
int readAllOf(int fd, std::string& text) {
  text.clear();
  char buf[16384];
  for (;;) {
    const ssize_t n = ::pread(fd, buf, sizeof buf, static_cast<off_t>(text.size()));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return 0;
    text.append(buf, static_cast<std::size_t>(n));
    if (text.size() > kHiddenFileLimit) return EFBIG;
  }
}

std::string textOf(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& n : names) text += n + "\n";
  return text;
}

std::string hiddenPathIn(std::string_view folder) {
  std::string path(folder.empty() ? "." : folder);
  if (path.back() != '/') path += '/';
  return path + std::string(kHiddenFileName);
}

// After a write: the stamp of the file in place when it is the one written (inode ino), else
// unknown (another update came in between: the next look reads it).
HiddenFileStamp stampIfOurs(int dirFd, ino_t ino) {
  struct stat st {};
  if (::fstatat(dirFd, ".hidden", &st, AT_SYMLINK_NOFOLLOW) != 0 || st.st_ino != ino) return {};
  return stampOf(st);
}

// Creates the file holding names where none is: EEXIST when another update made one meanwhile.
HiddenUpdate createHidden(int dirFd, std::string_view folder, std::vector<std::string> names, HiddenSync sync) {
  HiddenUpdate out;
  ReplacementFile file;
  struct stat st {};
  out.error = file.createIn(dirFd, hiddenPathIn(folder), 0666);
  if (out.error == 0) out.error = file.write(textOf(names));
  if (out.error == 0 && ::fstat(file.fd(), &st) != 0) out.error = errno;
  file.writesHiddenRecord();
  if (out.error == 0)
    out.error = file.commitNew(sync == HiddenSync::Synced ? Durability::OnlyCopyAtStake : Durability::SourceStays);
  if (out.error != 0) return out;
  out.names = std::move(names);
  out.stamp = stampIfOurs(dirFd, st.st_ino);
  return out;
}

// Puts names in place of the locked file held (open as fd, status st); removes it when empty.
HiddenUpdate replaceHidden(int dirFd, std::string_view folder, int fd, std::vector<std::string> names,
                           HiddenSync sync) {
  HiddenUpdate out;
  if (names.empty()) {
    if (::unlinkat(dirFd, ".hidden", 0) != 0 && errno != ENOENT) out.error = errno;
    if (out.error == 0) out.stamp = missingStamp();
    return out;
  }
  ReplacementFile file;
  struct stat st {};
  out.error = file.createIn(dirFd, hiddenPathIn(folder), 0600);
  if (out.error == 0) out.error = file.write(textOf(names));
  // The user's permission bits and attributes stay with the list.
  if (out.error == 0) out.error = file.keepMetadataOf(fd);
  if (out.error == 0 && ::fstat(file.fd(), &st) != 0) out.error = errno;
  if (out.error == 0) out.error = sync == HiddenSync::Synced ? file.commit() : file.commitUnsynced();
  if (out.error != 0) return out;
  out.names = std::move(names);
  out.stamp = stampIfOurs(dirFd, st.st_ino);
  return out;
}

}  // namespace

std::string readHiddenFileAt(int dirFd) { return dirFd < 0 ? std::string() : readHiddenEntry(dirFd, ".hidden"); }

namespace {

// readHiddenEntry; *seen (optional) gets the status of the file read (st_nlink 0: none was).
std::string readHiddenEntryAt(int dirFd, const char* name, struct stat* seen) {
  if (seen) *seen = {};
  const int fd = ::openat(dirFd, name, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return {};
  std::string text;
  struct stat sb {};
  if (::fstat(fd, &sb) == 0 && seen) *seen = sb;
  if (S_ISREG(sb.st_mode) &&
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

}  // namespace

std::string readHiddenEntry(int dirFd, const char* name) { return readHiddenEntryAt(dirFd, name, nullptr); }

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

bool HiddenFileStamp::sameAs(const HiddenFileStamp& o) const {
  if (!known || !o.known || exists != o.exists) return false;
  return !exists || (dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
                     mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec &&
                     ctime.tv_nsec == o.ctime.tv_nsec);
}

HiddenFileStamp hiddenFileStampAt(int dirFd) {
  struct stat st {};
  if (::fstatat(dirFd, ".hidden", &st, AT_SYMLINK_NOFOLLOW) == 0) return stampOf(st);
  return errno == ENOENT ? missingStamp() : HiddenFileStamp{};
}

std::unordered_set<std::string> hiddenNamesAt(int dirFd, HiddenFileStamp& stamp) {
  struct stat seen {};
  std::vector<std::string> names = splitHiddenList(readHiddenEntryAt(dirFd, ".hidden", &seen));
  // A file opened is stamped as it was read; none opened: as the folder has it now (missing, or
  // unknown, so that the next look reads again).
  stamp = seen.st_nlink != 0 ? stampOf(seen) : hiddenFileStampAt(dirFd);
  if (stamp.exists && seen.st_nlink == 0) stamp = {};
  return {std::make_move_iterator(names.begin()), std::make_move_iterator(names.end())};
}

HiddenUpdate updateHiddenFileAt(int dirFd, std::string_view folder,
                                const std::function<bool(std::vector<std::string>&)>& change, HiddenSync sync) {
  for (int attempt = 0; attempt < kLockTries; ++attempt) {
    const int fd = ::openat(dirFd, ".hidden", O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
      if (errno == ELOOP) return failure(EINVAL);
      if (errno != ENOENT) return failure(errno);
      std::vector<std::string> names;
      if (!change(names) || names.empty()) {
        HiddenUpdate none;
        none.stamp = missingStamp();
        return none;
      }
      HiddenUpdate made = createHidden(dirFd, folder, std::move(names), sync);
      if (made.error == EEXIST) continue;  // another update made one: changed under its lock
      return made;
    }
    struct stat held {}, now {};
    HiddenUpdate out;
    if (::fstat(fd, &held) != 0) {
      out.error = errno;
    } else if (!S_ISREG(held.st_mode)) {
      out.error = EINVAL;
    } else {
      while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
      }
      // The file locked must still be the one in place: an update that held the lock before put
      // another there, or took it away.
      if (::fstatat(dirFd, ".hidden", &now, AT_SYMLINK_NOFOLLOW) != 0 || now.st_ino != held.st_ino ||
          now.st_dev != held.st_dev) {
        ::close(fd);
        continue;
      }
      std::string text;
      out.error = readAllOf(fd, text);
      std::vector<std::string> names = splitHiddenList(text);
      if (out.error == 0) {
        if (change(names)) {
          out = replaceHidden(dirFd, folder, fd, std::move(names), sync);
        } else {
          out.names = std::move(names);
          out.stamp = stampOf(now);
        }
      }
    }
    ::close(fd);  // the lock goes with it
    return out;
  }
  return failure(EAGAIN);
}

}  // namespace platform
