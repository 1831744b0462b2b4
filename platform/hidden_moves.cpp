#include "platform/hidden_moves.h"

#include "platform/entry_at.h"
#include "platform/file_attributes.h"
#include "platform/hidden_list.h"

#include <fcntl.h>
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

// Only a name that can be a line of ".hidden" needs one to stay hidden; a dot-name is hidden by
// itself.
bool needsLine(const std::string& name) {
  return !name.empty() && name.front() != '.' && name.find_first_of("\r\n") == std::string::npos;
}

}  // namespace

HiddenEntryMoves::~HiddenEntryMoves() { (void)flush(); }

HiddenEntryMoves::Folder& HiddenEntryMoves::folder(const std::string& key) {
  const auto found = folders_.find(key);
  if (found != folders_.end()) return found->second;
  Folder& f = folders_[key];
  const int fd = openFolderFd(key.empty() ? "." : key, O_PATH);
  if (fd >= 0) {
    f.listed = hiddenNamesAt(fd);
    ::close(fd);
  }
  return f;
}

void HiddenEntryMoves::set(Folder& f, const std::string& name, bool listed) {
  if (f.listed.contains(name) == listed) return;
  if (listed) {
    f.listed.insert(name);
  } else {
    f.listed.erase(name);
  }
  f.changes[name] = listed;
}

void HiddenEntryMoves::rekeyInside(const std::string& from, const std::string& to) {
  const std::string oldBase = from + "/", newBase = to + "/";
  for (auto it = folders_.lower_bound(oldBase); it != folders_.end() && it->first.starts_with(oldBase);) {
    auto node = folders_.extract(it++);
    node.key() = newBase + node.key().substr(oldBase.size());
    folders_.insert(std::move(node));
  }
}

void HiddenEntryMoves::moved(std::string_view from, std::string_view to) {
  const Split a = split(from), b = split(to);
  if (a.name.empty() || b.name.empty()) return;
  rekeyInside(a.folder + a.name, b.folder + b.name);
  Folder& source = folder(a.folder);
  const bool wasListed = source.listed.contains(a.name);
  set(source, a.name, false);
  set(folder(b.folder), b.name, wasListed && needsLine(b.name));
}

void HiddenEntryMoves::removed(std::string_view path) {
  const Split p = split(path);
  if (p.name.empty()) return;
  Folder& f = folder(p.folder);
  set(f, p.name, false);
}

bool HiddenEntryMoves::pending() const {
  for (const auto& [key, f] : folders_) {
    if (!f.changes.empty()) return true;
  }
  return false;
}

std::vector<std::string> HiddenEntryMoves::flush() {
  std::vector<std::string> failed;
  for (const auto& [key, f] : folders_) {
    if (f.changes.empty()) continue;
    std::vector<std::string> add, remove;
    for (const auto& [name, listed] : f.changes) (listed ? add : remove).push_back(name);
    if (changeHiddenNames(key.empty() ? "." : key, add, remove) != 0) {
      failed.push_back(key + std::string(kHiddenFileName));
    }
  }
  folders_.clear();
  return failed;
}

bool carryHiddenEntry(std::string_view from, std::string_view to) {
  HiddenEntryMoves moves;
  moves.moved(from, to);
  return moves.flush().empty();
}

}  // namespace platform
