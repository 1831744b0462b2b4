#include "platform/step_scope.h"

#include "platform/entry_at.h"

#include <climits>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// Folders kept open besides the root: the current folder, its parents and the last few targets.
constexpr std::size_t kMaxOpen = 64;

thread_local StepScope* tInnermost = nullptr;

int openBelow(int parentFd, const std::string& name) {
  int fd;
  do {
    fd = ::openat(parentFd, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// folder with exactly one trailing "/" and no empty or "." components; false when a ".."
// component would climb (below the root nothing may lead out of it).
bool cleanFolder(std::string_view folder, std::string& out) {
  out.clear();
  out.reserve(folder.size() + 1);
  if (!folder.empty() && folder.front() == '/') out += '/';
  std::size_t i = 0;
  while (i < folder.size()) {
    std::size_t j = folder.find('/', i);
    if (j == std::string_view::npos) j = folder.size();
    const std::string_view part = folder.substr(i, j - i);
    if (part == "..") return false;
    if (!part.empty() && part != ".") {
      out.append(part);
      out += '/';
    }
    i = j + 1;
  }
  if (out.empty()) out = "./";
  return true;
}

FileIdentity identityOfFd(int fd, int& error) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    error = errno;
    return {};
  }
  error = 0;
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

// The start folder spelled with exactly one trailing "/"; one spelled with ".." is left as the
// system resolves it (below it nothing climbs).
std::string rootKey(std::string_view root) {
  std::string clean;
  if (!cleanFolder(root, clean)) {
    clean = std::string(root);
    if (clean.empty() || clean.back() != '/') clean += '/';
  }
  return clean;
}

}  // namespace

StepScope::StepScope(std::string_view root) : outer_(tInnermost) {
  root_ = rootKey(root);
  std::string path = root_;
  if (path.size() > 1) path.pop_back();
  rootFd_ = openFolderFd(path, O_PATH, true);
  if (rootFd_ < 0) rootError_ = errno ? errno : ENOENT;
  makeInnermost();
}

StepScope::StepScope(const SharedRoot& shared) : root_(shared.root_), outer_(tInnermost) {
  if (shared.fd_ < 0) {
    rootError_ = shared.error_ ? shared.error_ : ENOENT;
  } else {
    rootFd_ = ::fcntl(shared.fd_, F_DUPFD_CLOEXEC, 0);
    if (rootFd_ < 0) rootError_ = errno;
  }
  makeInnermost();
}

void StepScope::makeInnermost() { tInnermost = this; }

SharedRoot::SharedRoot(std::string_view root) : root_(rootKey(root)) {
  std::string path = root_;
  if (path.size() > 1) path.pop_back();
  fd_ = openFolderFd(path, O_PATH, true);
  if (fd_ < 0) error_ = errno ? errno : ENOENT;
}

SharedRoot::~SharedRoot() {
  if (fd_ >= 0) ::close(fd_);
}

StepScope::~StepScope() {
  for (auto& [key, slot] : open_) ::close(slot.fd);
  for (const int fd : closeLater_) ::close(fd);
  if (rootFd_ >= 0) ::close(rootFd_);
  // Scopes end in the reverse order of their start; one ended out of order is unlinked anyway.
  if (tInnermost == this) {
    tInnermost = outer_;
  } else {
    for (StepScope* s = tInnermost; s; s = s->outer_)
      if (s->outer_ == this) s->outer_ = outer_;
  }
}

int StepScope::folderFd(std::string_view folder) {
  std::string key;
  if (!cleanFolder(folder, key)) {
    // "..": inside the root it could climb out; outside it is not ours.
    return folder.substr(0, root_.size()) == root_ ? -EXDEV : kNotInScope;
  }
  if (key.compare(0, root_.size(), root_) != 0) return kNotInScope;
  if (rootFd_ < 0) return -rootError_;
  if (key.size() == root_.size()) return rootFd_;
  if (auto it = open_.find(key); it != open_.end()) {
    it->second.used = ++clock_;
    return it->second.fd;
  }
  // The nearest folder above that is open already, then one name at a time from there.
  std::size_t from = key.size() - 1;
  for (;;) {
    from = key.rfind('/', from - 1);
    if (from + 1 <= root_.size()) {
      from = root_.size();
      break;
    }
    if (open_.count(key.substr(0, from + 1))) {
      ++from;
      break;
    }
  }
  return open(key, from);
}

int StepScope::open(const std::string& key, std::size_t from) {
  int parent = from == root_.size() ? rootFd_ : open_.at(key.substr(0, from)).fd;
  while (from < key.size()) {
    const std::size_t end = key.find('/', from);
    const int fd = openBelow(parent, key.substr(from, end - from));
    if (fd < 0) return -errno;
    Slot& slot = open_[key.substr(0, end + 1)];
    if (slot.fd >= 0) closeFd(slot.fd);
    slot = {fd, ++clock_};
    parent = fd;
    from = end + 1;
  }
  evict();
  return parent;
}

void StepScope::closeFd(int fd) {
  if (holds_ > 0) closeLater_.push_back(fd);
  else ::close(fd);
}

void StepScope::release() {
  if (--holds_ > 0) return;
  for (const int fd : closeLater_) ::close(fd);
  closeLater_.clear();
  evict();
}

void StepScope::evict() {
  if (holds_ > 0) return;  // after the step, at release
  while (open_.size() > kMaxOpen) {
    auto oldest = open_.begin();
    for (auto it = open_.begin(); it != open_.end(); ++it)
      if (it->second.used < oldest->second.used) oldest = it;
    ::close(oldest->second.fd);
    open_.erase(oldest);
  }
}

void StepScope::forget(const std::string& key) {
  if (auto it = open_.find(key); it != open_.end()) {
    closeFd(it->second.fd);
    open_.erase(it);
  }
}

int StepScope::enter(std::string_view folder, const FileIdentity* expected) {
  int err = 0;
  const FileIdentity id = identityOf(folder, err);
  if (err != 0) return err;
  if (expected && expected->known() && id != *expected) {
    std::string key;
    if (cleanFolder(folder, key) && key.size() > root_.size()) forget(key);
    return kFolderChanged;
  }
  return 0;
}

FileIdentity StepScope::identityOf(std::string_view folder, int& error) {
  hold();
  struct Release {
    StepScope* s;
    ~Release() { s->release(); }
  } release{this};
  const int fd = folderFd(folder);
  if (fd < 0) {
    error = fd == kNotInScope ? EXDEV : -fd;
    return {};
  }
  return identityOfFd(fd, error);
}

void StepScope::entryMoved(const std::string& from, const std::string& to) {
  std::string base;
  if (!cleanFolder(from, base)) return;
  std::string target;
  const bool keep = !to.empty() && cleanFolder(to, target) && target.compare(0, root_.size(), root_) == 0 &&
                    target.size() > root_.size();
  std::vector<std::pair<std::string, Slot>> moved;
  for (auto it = open_.lower_bound(base); it != open_.end() && it->first.compare(0, base.size(), base) == 0;) {
    if (keep) moved.emplace_back(target + it->first.substr(base.size()), it->second);
    else closeFd(it->second.fd);
    it = open_.erase(it);
  }
  for (auto& [key, slot] : moved) {
    Slot& there = open_[key];
    if (there.fd >= 0) closeFd(there.fd);
    there = slot;
  }
}

bool StepScope::anyActive() { return tInnermost != nullptr; }

StepScope* StepScope::holding(std::string_view path) {
  for (StepScope* s = tInnermost; s; s = s->outer_) {
    if (path.size() >= s->root_.size() && path.compare(0, s->root_.size(), s->root_) == 0) return s;
    // The root itself, spelled without its trailing "/".
    if (path.size() + 1 == s->root_.size() && s->root_.compare(0, path.size(), path) == 0) return s;
  }
  return nullptr;
}

void StepScope::notifyMoved(std::string_view from, std::string_view to) {
  for (StepScope* s = tInnermost; s; s = s->outer_) s->entryMoved(std::string(from), std::string(to));
}

}  // namespace platform
