#include "platform/trash_copy.h"

#include "platform/entry_at.h"
#include "platform/fd_io.h"
#include "platform/fs.h"
#include "platform/own_temporary.h"
#include "platform/replacement_file.h"
#include "platform/trash_folders.h"
#include "platform/trash_link_record.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <iterator>
#include <map>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr std::size_t kCopyPiece = 1 << 20;

// The copy stands for contents about to be replaced: the entry's name keeps the original's whole
// with the number after it. Its info file is not synced while it is written: until the original's
// contents are replaced, the original's own name keeps the data, and the whole entry (info file,
// its name and the data's) is synced once placed, before anyone relies on it (syncEntries).
constexpr trash::EntryStyle kCopyStyle{.numbering = trash::Numbering::AtEnd, .info = trash::InfoWrite::Written};

// Bytes per entry that a batch may have written unsynced for a syncfs to cost less than a sync of
// each of its entries (about what the disk writes in the time of one flush of its cache).
constexpr std::uint64_t kFewPendingBytes = 256 << 10;

std::atomic<std::uint64_t> entrySyncs{0};

int syncCounted(int fd) {
  entrySyncs.fetch_add(1, std::memory_order_relaxed);
  return ::fsync(fd) == 0 ? 0 : errno;
}

// Copies the bytes of src into the new file name of the open folder dirFd (never replacing one),
// with src's permission bits, synced. The copy is written under a temporary name and named when
// whole, so that a kill leaves no partial copy in the trash; holes of src stay holes. 0 or errno;
// a partial copy is removed. The temporary is locked and marked as the program's own while it is
// written (own_temporary.h): a kill leaves one the next trashing here can prove its own.
int copyBytes(int src, int dirFd, const std::string& name) {
  struct stat st {};
  if (::fstat(src, &st) != 0) return errno;
  std::string tmp;
  const int out = createOwnTemporary(dirFd, name, 0600, tmp);
  if (out < 0) return errno;
  int err = 0;
  std::string buf(kCopyPiece, '\0');
  for (off_t at = 0; err == 0 && at < st.st_size;) {
    off_t end = st.st_size;
    const off_t data = ::lseek(src, at, SEEK_DATA);
    if (data < 0 && errno == ENXIO) break;  // a hole to the end
    if (data >= 0) {
      at = data;
      const off_t hole = ::lseek(src, data, SEEK_HOLE);
      if (hole > data) end = hole;
    }
    while (err == 0 && at < end) {
      const ssize_t n = ::pread(src, buf.data(), static_cast<std::size_t>(std::min<off_t>(end - at, static_cast<off_t>(buf.size()))), at);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) err = errno;
      if (n <= 0) break;
      err = writeFully(out, std::string_view(buf.data(), static_cast<std::size_t>(n)), at);
      at += n;
    }
    if (at < end) break;  // the file ended early
  }
  if (err == 0 && ::ftruncate(out, st.st_size) != 0) err = errno;
  if (err == 0 && ::fchmod(out, st.st_mode & 07777) != 0) err = errno;
  if (err == 0 && ::fsync(out) != 0) err = errno;
  if (err == 0) err = renameNoReplaceAt(dirFd, tmp.c_str(), dirFd, name.c_str());
  if (err != 0) ::unlinkat(dirFd, tmp.c_str(), 0);
  if (err == 0) unmarkOwnTemporary(out);
  const int cerr = closeChecked(out);
  if (err == 0 && cerr != 0) {
    ::unlinkat(dirFd, name.c_str(), 0);
    err = cerr;
  }
  return err;
}

// Places the data of the open file src (at path, on device dev) at name in the open files/ folder
// of a trash on device trashDev: a hard link where both are on one file system, else a copy. 0,
// EEXIST when the name was taken meanwhile, or errno.
int placeData(const std::string& path, int src, std::uint64_t dev, std::uint64_t trashDev, int filesFd,
              const std::string& name) {
  if (trashDev == dev) {
    // Through the descriptor, so that the entry is the very file that was opened (and checked),
    // whatever the path names by now; by path where /proc is not mounted.
    const std::string self = "/proc/self/fd/" + std::to_string(src);
    int rc = ::linkat(AT_FDCWD, self.c_str(), filesFd, name.c_str(), AT_SYMLINK_FOLLOW);
    if (rc != 0 && errno == ENOENT && ::access("/proc/self/fd", F_OK) != 0)
      rc = ::linkat(AT_FDCWD, path.c_str(), filesFd, name.c_str(), 0);
    if (rc == 0) return 0;
    const int err = errno;
    // Links refused (a file system without them, protected links, too many): copy instead.
    if (err != EXDEV && err != EPERM && err != EMLINK && err != ENOTSUP && err != EOPNOTSUPP) return err;
  }
  return copyBytes(src, filesFd, name);
}

// Makes the entries of one trash folder durable: the contents of their info files (named
// infoNames in the open info/ folder), then the names in files/ and info/. Once an original's
// contents are replaced, its entry holds the only copy of the old contents, and one without its
// info file cannot be restored from the trash: both must be on the disk before that rename.
// (A data copy made of the bytes was synced when written; a hard link is the original's own
// data, on the disk already.) The writeback of every info file starts first, so that the journal
// commit of the first fsync carries them all and the others find their work done. 0 or the first
// errno (a file system that cannot sync a folder, EINVAL, has nothing more to make durable).
int syncEntries(int filesFd, int infoFd, const std::vector<std::string>& infoNames) {
  int first = 0;
  const auto note = [&](int err) {
    if (first == 0 && err != 0 && err != EINVAL) first = err;
  };
  std::vector<trash::Fd> infos;
  infos.reserve(infoNames.size());
  for (const std::string& name : infoNames) {
    trash::Fd fd(::openat(infoFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
    if (!fd.ok()) {
      note(errno);
      continue;
    }
    (void)::sync_file_range(fd.get(), 0, 0, SYNC_FILE_RANGE_WRITE);
    infos.push_back(std::move(fd));
  }
  for (const trash::Fd& fd : infos) note(syncCounted(fd.get()));
  note(syncCounted(filesFd));
  note(syncCounted(infoFd));
  return first;
}

// Adds an entry to trash with place; on success entry and name name it, and unless later the
// entry is synced (syncEntries). attempt: as trash::addEntry's.
int addTo(const trash::Folder& trash, const std::string& original, const trash::PlaceData& place,
          TrashEntry& entry, std::string& name, bool later, int* attempt = nullptr) {
  const int err = trash::addEntry(trash, nameOf(original), original, kCopyStyle, place, name, {}, attempt);
  if (err != 0) return err;
  entry = {trash.dir + "files/" + name, trash.dir + "info/" + name + std::string(trash::kInfoSuffix)};
  if (!later) {
    if (const int serr = syncEntries(trash.files.get(), trash.info.get(), {name + std::string(trash::kInfoSuffix)});
        serr != 0) {
      (void)withdrawFromTrash(entry);
      entry = {};
      return serr;
    }
  }
  return 0;
}

// The entries of one trash folder still to be synced, with its folders held open (the cache may
// let go of its own meanwhile).
struct UnsyncedEntries {
  std::string dir;
  trash::Fd files, info;
  std::vector<std::string> infoNames;
};

// Writes down the link about to be made of the file st (at original) as the entry name of trash.
// Not written, the link is made all the same: it only loses the proof that lets the next run take
// it away after a kill.
void recordLink(TrashLinkRecord& record, const trash::Folder& trash, const std::string& name, const struct stat& st,
                const std::string& original) {
  (void)record.add({.dev = static_cast<std::uint64_t>(st.st_dev), .ino = static_cast<std::uint64_t>(st.st_ino),
                    .file = trash.dir + "files/" + name,
                    .info = trash.dir + "info/" + name + std::string(trash::kInfoSuffix), .original = original});
}

// A trash folder that may have gone away under a run: its folders are looked up afresh.
bool folderGone(int err) { return err == ENOENT || err == ESTALE || err == ENOTDIR; }

}  // namespace

struct TrashCopies::Cache {
  bool homeKnown = false;
  int homeErr = 0;
  std::uint64_t homeDev = 0;
  std::optional<trash::Folder> home;
  int homeOpenErr = 0;
  bool homeTried = false;
  std::map<std::string, std::string> topOf;  // a file's folder -> the top of its mount
  std::map<std::string, std::optional<trash::Folder>> atTop;  // top -> its trash (nullopt: none)
  std::map<std::string, int> nextAttempt;  // trash folder + NUL + name -> the next numbered try
  std::vector<UnsyncedEntries> unsynced;    // Sync::Later entries, by trash folder
  std::unique_ptr<TrashLinkRecord> links;   // nullptr: links not recorded

  void remember(const trash::Folder& t, const std::string& name) {
    auto it = std::find_if(unsynced.begin(), unsynced.end(), [&](const UnsyncedEntries& u) { return u.dir == t.dir; });
    if (it == unsynced.end()) {
      unsynced.push_back({t.dir, trash::Fd(::fcntl(t.files.get(), F_DUPFD_CLOEXEC, 0)),
                          trash::Fd(::fcntl(t.info.get(), F_DUPFD_CLOEXEC, 0)), {}});
      it = std::prev(unsynced.end());
    }
    it->infoNames.push_back(name + std::string(trash::kInfoSuffix));
  }

  const trash::Folder* homeTrash() {
    if (!homeTried) {
      homeTried = true;
      home = trash::openHome(homeOpenErr);
    }
    return home ? &*home : nullptr;
  }
  const trash::Folder* topTrash(const std::string& parent, std::uint64_t dev) {
    auto top = topOf.find(parent);
    if (top == topOf.end()) top = topOf.emplace(parent, trash::mountTop(parent, dev)).first;
    auto it = atTop.find(top->second);
    if (it == atTop.end()) {
      int ignored = 0;
      it = atTop.emplace(top->second, trash::openAtTop(top->second, ignored)).first;
    }
    return it->second ? &*it->second : nullptr;
  }
  void forget(const trash::Folder* folder) {
    if (home && folder == &*home) {
      home.reset();
      homeTried = false;
      return;
    }
    for (auto it = atTop.begin(); it != atTop.end(); ++it) {
      if (it->second && folder == &*it->second) {
        atTop.erase(it);
        return;
      }
    }
  }
};

TrashCopies::TrashCopies(Links links) : cache_(std::make_unique<Cache>()) {
  if (links == Links::Recorded) cache_->links = std::make_unique<TrashLinkRecord>();
}
TrashCopies::~TrashCopies() = default;

int copyToTrash(std::string_view path, TrashEntry& entry, int openFile) {
  // Its record would end before the caller replaces the original.
  TrashCopies once(TrashCopies::Links::NotRecorded);
  return once.copy(path, entry, openFile);
}

int TrashCopies::copy(std::string_view path, TrashEntry& entry, int openFile, Sync sync) {
  entry = {};
  const std::string abs = trash::absolutePath(path);
  if (abs.empty()) return errno ? errno : EINVAL;
  int src = openFile;
  if (src < 0) {
    const EntryAt at(path);
    if (at.error() != 0) return at.error();
    src = ::openat(at.dir(), at.name(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  }
  if (src < 0) return errno == ELOOP ? EINVAL : errno;
  const trash::Fd owned(src == openFile ? -1 : src);
  struct stat st {};
  if (::fstat(src, &st) != 0 || !S_ISREG(st.st_mode)) return EINVAL;
  const std::uint64_t dev = trash::deviceId(st.st_dev);

  // The file's real place (of the very file opened): it is recorded, and it tells which mount's
  // trash serves it.
  std::string original = trash::realPathOf(src);
  if (original.empty()) {
    const std::string folder = trash::canonicalFolder(folderOf(abs));
    original = folder.empty() ? abs : (folder == "/" ? folder : folder + "/") + nameOf(abs);
  }
  const std::string parent = folderOf(original);

  // The home trash for a file on its file system; else the file system's own trash, and the home
  // trash when that one fails.
  Cache& c = *cache_;
  if (!c.homeKnown) {
    c.homeDev = trash::homeDevice(c.homeErr);
    c.homeKnown = true;
  }
  int err = EACCES;
  for (int round = 0; round < 2; ++round) {
    std::vector<const trash::Folder*> trashes;
    if ((c.homeErr != 0 || c.homeDev != dev) && !parent.empty()) {
      if (const trash::Folder* own = c.topTrash(parent, dev)) trashes.push_back(own);
    }
    if (const trash::Folder* home = c.homeTrash()) trashes.push_back(home);
    err = EACCES;
    const trash::Folder* gone = nullptr;
    for (const trash::Folder* t : trashes) {
      const auto place = [&](int filesFd, const std::string& name) {
        if (t->dev == dev && c.links) recordLink(*c.links, *t, name, st, original);
        return placeData(abs, src, dev, t->dev, filesFd, name);
      };
      int& attempt = c.nextAttempt[t->dir + std::string(1, '\0') + nameOf(original)];
      std::string name;
      err = addTo(*t, original, place, entry, name, sync == Sync::Later, &attempt);
      if (err == 0) {
        ++attempt;
        if (sync == Sync::Later) c.remember(*t, name);
        return 0;
      }
      if (folderGone(err) && !gone) gone = t;
    }
    if (!gone) break;
    c.forget(gone);
  }
  return err;
}

int TrashCopies::syncCopies(std::uint64_t pendingBytes) {
  int first = 0;
  // Each fsync costs a flush of the disk's cache; one syncfs of the trash's file system costs one
  // for every entry, but waits for every file written there meanwhile (the new contents these
  // entries make room for among them). So a syncfs where those are few, each entry on its own
  // where they are many; each entry on its own too where the syncfs fails (it may report another
  // file's failed writeback) or would not cover the files.
  std::size_t entries = 0;
  for (const UnsyncedEntries& u : cache_->unsynced) entries += u.infoNames.size();
  const bool whole = pendingBytes <= kFewPendingBytes * (entries + 2);
  for (const UnsyncedEntries& u : cache_->unsynced) {
    if (!u.files.ok() || !u.info.ok()) {
      if (first == 0) first = EBADF;
      continue;
    }
    if (whole && syncfsCoversFiles(u.info.get())) {
      entrySyncs.fetch_add(1, std::memory_order_relaxed);
      if (::syncfs(u.info.get()) == 0) continue;
    }
    const int err = syncEntries(u.files.get(), u.info.get(), u.infoNames);
    if (first == 0) first = err;
  }
  cache_->unsynced.clear();
  return first;
}

void TrashCopies::copiesSettled() {
  if (cache_->links) (void)cache_->links->clear();
}

std::uint64_t trashEntrySyncCount() { return entrySyncs.load(std::memory_order_relaxed); }

int withdrawFromTrash(const TrashEntry& entry) {
  int first = 0;
  for (const std::string* p : {&entry.file, &entry.info}) {
    if (p->empty()) continue;
    if (::unlink(p->c_str()) != 0 && errno != ENOENT && first == 0) first = errno;
  }
  return first;
}

}  // namespace platform
