#include "platform/dir_walk.h"

#include "platform/dir_listing.h"
#include "platform/entry_at.h"
#include "platform/hidden_list.h"
#include "platform/replacement_file.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <deque>
#include <unordered_set>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

namespace platform {
namespace {

// More open descriptors than this in a reader's chain: the shallowest are closed (and opened
// again should a later folder need them), so a deep tree never runs the process out of them.
constexpr std::size_t kMaxOpenFolders = 48;
// Listed folders kept open for their subfolders: past this many, a folder's subfolders are opened
// from its parent's chain again (its name opened once more), as in a tree of very many wide levels.
constexpr std::size_t kMaxKeptFolders = 256;

// Lists the open folder `fd` (left open). Returns 0 or the errno of a failed read.
// With sweep, the temporary files a killed writer of ours left there are removed (those proven
// ours: own_temporary.h).
int listOpenFolder(int fd, bool includeHidden, std::vector<std::string>& names, bool sweep = false) {
  const std::size_t first = names.size();
  bool sawHiddenFile = false;
  std::vector<std::string> temporaries;
  const int err = forEachEntry(fd, [&](const char* n, DirEntryKind kind) {
    if (sweep && n[0] == '.' && (kind == DirEntryKind::File || kind == DirEntryKind::Unknown) && isTemporaryName(n))
      temporaries.emplace_back(n);
    if (n[0] == '.' && !includeHidden) {
      if (std::strcmp(n, ".hidden") == 0) sawHiddenFile = true;
      return;
    }
    bool isDir = kind == DirEntryKind::Folder;
    if (kind == DirEntryKind::Unknown) {
      struct stat st{};
      isDir = ::fstatat(fd, n, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
    }
    if (isDir) names.emplace_back(n);
  });
  // The ".hidden" file is read only where the listing showed one and it could hide something.
  if (sawHiddenFile && names.size() > first) {
    const std::unordered_set<std::string> listed = hiddenNamesAt(fd);
    if (!listed.empty())
      names.erase(std::remove_if(names.begin() + static_cast<std::ptrdiff_t>(first), names.end(),
                                 [&](const std::string& n) { return listed.count(n) != 0; }),
                  names.end());
  }
  if (!temporaries.empty()) (void)removeStaleTemporariesAt(fd, temporaries);
  return err;
}

// Opens a folder by path (through the run's scope when one holds it). Without followFinalLink a
// final symlink is refused: the trailing "/" is dropped first, since O_NOFOLLOW does not stop
// Linux from following "link/".
int openFolder(const std::string& folder, bool followFinalLink) {
  return openFolderFd(folder, O_RDONLY, followFinalLink);
}

int openSubfolder(int parentFd, const std::string& name) {
  int fd;
  do {
    fd = ::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

int listSubfolders(const std::string& folder, bool includeHidden, std::vector<std::string>& names,
                   bool followLink) {
  const int fd = openFolder(folder, followLink);
  if (fd < 0) return errno;
  const int err = listOpenFolder(fd, includeHidden, names);
  ::close(fd);
  return err;
}

FolderTreeReader::~FolderTreeReader() {
  closeFrom(0);
  for (const auto& [node, fd] : kept_) ::close(fd);
}

std::size_t FolderTreeReader::addRoot(const std::string& path, bool followLink) {
  nodes_.push_back(Node{nodes_.size(), path, followLink, {}});
  return nodes_.size() - 1;
}

std::size_t FolderTreeReader::addChild(std::size_t parent, std::string name) {
  nodes_.push_back(Node{parent, std::move(name), false, {}});
  return nodes_.size() - 1;
}

void FolderTreeReader::closeFrom(std::size_t depth) {
  for (std::size_t i = depth; i < chain_.size(); ++i)
    if (chain_[i].fd >= 0) ::close(chain_[i].fd);
  chain_.resize(std::min(depth, chain_.size()));
}

void FolderTreeReader::capOpen() {
  std::size_t open = 0;
  for (const Link& l : chain_) open += l.fd >= 0 ? 1 : 0;
  // The start folder and the deepest stay open: they are the ones reopening would cost most.
  for (std::size_t i = 1; open > kMaxOpenFolders && i + 1 < chain_.size(); ++i) {
    if (chain_[i].fd < 0) continue;
    ::close(chain_[i].fd);
    chain_[i].fd = -1;
    --open;
  }
}

// The descriptor of the chain's folder at depth, opening it again from the nearest open folder
// above it when it was closed. -1 (errno set) when that fails.
int FolderTreeReader::fdAt(std::size_t depth) {
  if (chain_[depth].fd >= 0) return chain_[depth].fd;
  std::size_t from = depth;
  while (from > 0 && chain_[from].fd < 0) --from;
  if (chain_[from].fd < 0) {
    errno = EBADF;
    return -1;
  }
  for (std::size_t i = from + 1; i <= depth; ++i) {
    chain_[i].fd = openSubfolder(chain_[i - 1].fd, nodes_[chain_[i].node].name);
    if (chain_[i].fd < 0) return -1;
  }
  return chain_[depth].fd;
}

int FolderTreeReader::openNode(std::size_t id) {
  std::vector<std::size_t> line;  // the start folder first, id last
  for (std::size_t n = id;; n = nodes_[n].parent) {
    line.push_back(n);
    if (nodes_[n].parent == n) break;
  }
  std::reverse(line.begin(), line.end());
  std::size_t same = 0;
  while (same < chain_.size() && same < line.size() && chain_[same].node == line[same]) ++same;
  if (same == line.size()) {
    closeFrom(same);
    return fdAt(same - 1);
  }
  closeFrom(same);
  // The parent was listed and kept for its subfolders: the chain goes on from that descriptor (the
  // folders between stay closed until needed).
  if (line.size() >= 2 && same < line.size() - 1) {
    if (const auto kept = kept_.find(line[line.size() - 2]); kept != kept_.end()) {
      for (; same < line.size() - 1; ++same) chain_.push_back(Link{line[same], -1});
      chain_.back().fd = kept->second;
      kept_.erase(kept);
      capOpen();
    }
  }
  for (std::size_t depth = same; depth < line.size(); ++depth) {
    const Node& node = nodes_[line[depth]];
    int fd;
    if (depth == 0) {
      fd = openFolder(node.name, node.followLink);
    } else {
      const int parentFd = fdAt(depth - 1);
      fd = parentFd < 0 ? -1 : openSubfolder(parentFd, node.name);
    }
    if (fd < 0) return -1;
    if (Node& n = nodes_[line[depth]]; !n.seen.known()) {
      struct stat st {};
      if (::fstat(fd, &st) == 0) {
        n.seen = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
        n.links = static_cast<std::uint64_t>(st.st_nlink);
      }
    }
    chain_.push_back(Link{line[depth], fd});
    capOpen();
  }
  return chain_.back().fd;
}

int FolderTreeReader::listSubfolders(std::size_t id, bool includeHidden, std::vector<std::string>& names) {
  if (id >= nodes_.size()) return EINVAL;
  int fd = openNode(id);
  if (fd < 0 && (errno == EMFILE || errno == ENFILE) && !kept_.empty()) {
    // The descriptors kept for later go before a folder is left unread for want of one.
    for (const auto& [node, keptFd] : kept_) ::close(keptFd);
    kept_.clear();
    fd = openNode(id);
  }
  if (fd < 0) return errno;
  // A leaf, as its link count shows: nothing to read (a breadth-first walk's folders are leaves
  // mostly, and reading a folder is the dearest step of the walk).
  if (!sweep_ && nodes_[id].links == 2 && linksCountSubfolders(nodes_[id].seen.device, fd)) return 0;
  const std::size_t before = names.size();
  const int err = listOpenFolder(fd, includeHidden, names, sweep_);
  // The walk comes back for the subfolders a level later, its chain elsewhere by then: the
  // descriptor stays for them (a start folder stays open in the chain anyway).
  if (names.size() > before && nodes_[id].parent != id && kept_.size() < kMaxKeptFolders &&
      !chain_.empty() && chain_.back().node == id && chain_.back().fd == fd) {
    kept_.emplace(id, fd);
    chain_.back().fd = -1;
  }
  return err;
}

bool FolderTreeReader::linksCountSubfolders(std::uint64_t device, int fd) {
  if (device != countsDevice_ || device == 0) {
    constexpr unsigned long kExt = 0xEF53, kXfs = 0x58465342, kTmpfs = 0x01021994;
    struct statfs fs {};
    const unsigned long type =
        ::fstatfs(fd, &fs) == 0 ? static_cast<unsigned long>(fs.f_type) & 0xFFFFFFFFUL : 0;
    countsSubfolders_ = type == kExt || type == kXfs || type == kTmpfs;
    countsDevice_ = device;
  }
  return countsSubfolders_;
}

WalkStats walkFolders(const std::string& root, bool includeHidden,
                      const std::function<bool(const std::string& folder)>& visit,
                      const UnreadableFolderFn& onUnreadable) {
  WalkStats stats;
  FolderTreeReader reader;
  std::deque<std::pair<std::size_t, std::string>> queue;
  queue.emplace_back(reader.addRoot(root, true), root.empty() || root.back() == '/' ? root : root + '/');
  std::vector<std::string> names;
  while (!queue.empty()) {
    auto [id, folder] = std::move(queue.front());
    queue.pop_front();
    ++stats.folders;
    if (visit && !visit(folder)) {
      stats.stopped = true;
      break;
    }
    names.clear();
    const int err = reader.listSubfolders(id, includeHidden, names);
    if (err != 0) {
      ++stats.unreadable;
      if (onUnreadable) onUnreadable(folder, err);
    }
    for (auto& n : names) {
      std::string child;
      child.reserve(folder.size() + n.size() + 1);
      child.append(folder).append(n).push_back('/');
      queue.emplace_back(reader.addChild(id, std::move(n)), std::move(child));
    }
  }
  return stats;
}

}  // namespace platform
