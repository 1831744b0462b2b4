#include "platform/hidden_moves.h"

#include "platform/entry_at.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

struct Split {
  std::string folder;  // with its trailing "/" ("" for a bare name)
  std::string name;
};

Split split(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {{}, std::string(path)};
  return {std::string(path.substr(0, slash + 1)), std::string(path.substr(slash + 1))};
}

bool hiddenByName(const std::string& name) { return !name.empty() && name.front() == '.'; }

// Only a name that can be a line of ".hidden" needs one to stay hidden; a dot-name is hidden by
// itself.
bool needsLine(const std::string& name) {
  return !name.empty() && !hiddenByName(name) && name.find_first_of("\r\n") == std::string::npos;
}

std::string folderPath(const std::string& key) { return key.empty() ? std::string(".") : key; }

}  // namespace

HiddenEntryMoves::Folder::~Folder() {
  if (fd >= 0) ::close(fd);
}

HiddenEntryMoves::~HiddenEntryMoves() { (void)flush(); }

HiddenEntryMoves::Folder& HiddenEntryMoves::folder(const std::string& key) {
  const auto found = folders_.find(key);
  if (found != folders_.end()) return found->second;
  Folder& f = folders_[key];
  // Read access to sync the folder after a write; a folder we may only enter is still read.
  f.fd = openFolderFd(folderPath(key), O_RDONLY);
  if (f.fd < 0 && errno == EACCES) f.fd = openFolderFd(folderPath(key), O_PATH);
  if (f.fd >= 0) f.listed = hiddenNamesAt(f.fd, f.stamp);
  return f;
}

HiddenEntryMoves::Folder& HiddenEntryMoves::fresh(const std::string& key) {
  Folder& f = folder(key);
  if (f.fd < 0 || hiddenFileStampAt(f.fd).sameAs(f.stamp)) return f;
  f.listed = hiddenNamesAt(f.fd, f.stamp);
  std::erase_if(f.changes, [&](const auto& c) { return f.listed.contains(c.first) == c.second; });
  return f;
}

bool HiddenEntryMoves::listedNow(const Folder& f, const std::string& name) {
  const auto c = f.changes.find(name);
  return c != f.changes.end() ? c->second : f.listed.contains(name);
}

void HiddenEntryMoves::set(Folder& f, const std::string& name, bool listed) {
  if (f.listed.contains(name) == listed) {
    f.changes.erase(name);
  } else {
    f.changes[name] = listed;
  }
}

int HiddenEntryMoves::write(const std::string& key, Folder& f, HiddenSync sync) {
  if (f.fd < 0) return EBADF;
  const HiddenUpdate u = updateHiddenFileAt(
      f.fd, folderPath(key),
      [&](std::vector<std::string>& names) {
        // Only this record's names change: the other lines are as the fresh read has them.
        bool changed = std::erase_if(names, [&](const std::string& n) {
                         const auto c = f.changes.find(n);
                         return c != f.changes.end() && !c->second;
                       }) > 0;
        const std::unordered_set<std::string> present(names.begin(), names.end());
        for (const auto& [name, listed] : f.changes) {
          if (listed && !present.contains(name)) {
            names.push_back(name);
            changed = true;
          }
        }
        return changed;
      },
      sync);
  if (u.error != 0) return u.error;
  f.listed = std::unordered_set<std::string>(u.names.begin(), u.names.end());
  f.stamp = u.stamp;
  f.changes.clear();
  return 0;
}

void HiddenEntryMoves::rekeyInside(const std::string& from, const std::string& to) {
  const std::string oldBase = from + "/", newBase = to + "/";
  for (auto it = folders_.lower_bound(oldBase); it != folders_.end() && it->first.starts_with(oldBase);) {
    auto node = folders_.extract(it++);
    node.key() = newBase + node.key().substr(oldBase.size());
    folders_.insert(std::move(node));
  }
}

void HiddenEntryMoves::moving(std::string_view from, std::string_view to) {
  prepared_.reset();
  const Split a = split(from), b = split(to);
  if (a.name.empty() || b.name.empty() || from == to) return;
  Prepared p{.from = std::string(from), .to = std::string(to)};
  Folder& source = fresh(a.folder);
  p.fromListed = listedNow(source, a.name);
  const bool want = p.fromListed && needsLine(b.name);
  Folder& target = b.folder == a.folder ? source : fresh(b.folder);
  // The line is written first only where the name is free: a rename onto a name in use fails, and
  // that entry's flag is not this one's to change.
  struct stat st {};
  if (target.fd >= 0 && target.listed.contains(b.name) != want &&
      ::fstatat(target.fd, b.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT) {
    const std::map<std::string, bool> before = target.changes;
    set(target, b.name, want);
    p.toWasListed = !want;
    p.wrote = write(b.folder, target, HiddenSync::Unsynced) == 0;
    if (!p.wrote) target.changes = before;
  }
  prepared_ = std::move(p);
}

void HiddenEntryMoves::moved(std::string_view from, std::string_view to, bool done) {
  std::optional<Prepared> p = std::move(prepared_);
  prepared_.reset();
  if (p && (p->from != from || p->to != to)) p.reset();
  const Split a = split(from), b = split(to);
  if (a.name.empty() || b.name.empty() || from == to) return;
  if (!done) {
    // What was written for a rename that did not happen goes back, in the next write.
    if (p && p->wrote) set(folder(b.folder), b.name, p->toWasListed);
    return;
  }
  rekeyInside(a.folder + a.name, b.folder + b.name);
  Folder& source = p ? folder(a.folder) : fresh(a.folder);
  const bool wasListed = p ? p->fromListed : listedNow(source, a.name);
  set(source, a.name, false);
  if (!p || !p->wrote) set(folder(b.folder), b.name, wasListed && needsLine(b.name));
  if (wasListed && !hiddenByName(b.name) && !needsLine(b.name)) flagsLost_.emplace_back(to);
}

void HiddenEntryMoves::removed(std::string_view path) {
  const Split p = split(path);
  if (p.name.empty()) return;
  set(fresh(p.folder), p.name, false);
}

bool HiddenEntryMoves::pending() const {
  if (!flagsLost_.empty()) return true;
  return std::any_of(folders_.begin(), folders_.end(), [](const auto& f) { return !f.second.changes.empty(); });
}

std::vector<std::string> HiddenEntryMoves::flush() {
  std::vector<std::string> failed;
  for (auto& [key, f] : folders_) {
    if (f.changes.empty()) continue;
    if (write(key, f, HiddenSync::Synced) != 0) failed.push_back(key + std::string(kHiddenFileName));
  }
  folders_.clear();
  prepared_.reset();
  return failed;
}

std::vector<std::string> HiddenEntryMoves::takeFlagsLost() { return std::exchange(flagsLost_, {}); }

bool carryHiddenEntry(std::string_view from, std::string_view to) {
  HiddenEntryMoves moves;
  moves.moved(from, to);
  return moves.flush().empty();
}

}  // namespace platform
