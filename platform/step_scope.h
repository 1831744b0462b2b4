// Where the file steps of a run act. A run opens the folder it works on once (a StepScope) and
// from then on every step of this layer that takes a path (fs.h, file_attributes.h, the trash,
// copies, rewrites, wipes, folder listings) finds the folder that holds the entry through the
// scope and acts on the entry relative to that folder's descriptor. Folders below the start folder
// are reached one name at a time without following any symbolic link, and stay open once reached:
// a folder swapped for a link, or for another folder, after the walk saw it leads nowhere, and a
// check and the step it guards always see the same folder (the model is fts-based `rm`). No path
// length limit applies below the start folder.
//
//   platform::StepScope scope("/home/me/tree/");               // the start folder, links followed
//   if (scope.enter("/home/me/tree/sub/", &walkSaw) != 0) ...    // not the folder the walk saw
//   platform::removeFile("/home/me/tree/sub/a.txt");            // unlinkat(sub's descriptor, "a.txt")
//
// Outside every scope a path is resolved as the system resolves it (links in its folders
// followed); the last component is never followed by a step that changes or removes an entry.
// Scopes belong to the thread that made them (the window thread runs the tools); they nest, the
// innermost holding the path wins. A thread that works below the run's folder beside the run (a
// reader of files ahead of it) makes its own scope from a SharedRoot the run's thread took: the
// same start folder, never resolved by its path again.
#pragma once

#include "platform/file_identity_type.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// What enter gives for a folder that is no longer the one the walk saw.
inline constexpr int kFolderChanged = ESTALE;

class SharedRoot;

class StepScope {
 public:
  // Opens root (a trailing "/" optional) by its path, following links in it: it is the folder the
  // user chose. rootError() tells when that failed; paths below it then fail with that error
  // rather than being resolved without the scope.
  explicit StepScope(std::string_view root);
  // A scope of this thread on the folder shared holds (its own descriptor of it): rootError()
  // is shared's error when that holds none.
  explicit StepScope(const SharedRoot& shared);
  // Closes every folder; the enclosing scope (if any) applies again.
  ~StepScope();
  StepScope(const StepScope&) = delete;
  StepScope& operator=(const StepScope&) = delete;

  [[nodiscard]] int rootError() const { return rootError_; }
  // The start folder with exactly one trailing "/".
  [[nodiscard]] const std::string& root() const { return root_; }

  // Opens folder (the root, or a folder below it reached without following a link) and keeps it
  // open for the steps that follow. With expected (not all zero) the folder must be that one:
  // kFolderChanged when it is not, and the name is forgotten so that no later step acts in
  // whatever now holds it. 0 or errno: ELOOP or ENOTDIR for a link or a file in the way, ENOENT,
  // EACCES, EXDEV for a path outside the root or one that climbs out with "..".
  int enter(std::string_view folder, const FileIdentity* expected = nullptr);
  // The identity of folder as enter would open it; error set on failure.
  [[nodiscard]] FileIdentity identityOf(std::string_view folder, int& error);

  // ---- implementation details past this point ----

  // The descriptor of folder (with a trailing "/"; opened as enter does, not checked), owned by
  // the scope: >= 0, kNotInScope when folder does not lie below the root, or -errno.
  static constexpr int kNotInScope = -1000000;
  int folderFd(std::string_view folder);
  // After a step renamed or removed the entry at path: folders opened under its old name are
  // known under the new one (to empty: forgotten).
  void entryMoved(const std::string& from, const std::string& to);
  // The innermost scope of this thread that holds path (a folder or an entry), or nullptr.
  [[nodiscard]] static StepScope* holding(std::string_view path);
  // True when this thread has any scope at all.
  [[nodiscard]] static bool anyActive();
  // Every scope of this thread, innermost first, told of a rename or removal.
  static void notifyMoved(std::string_view from, std::string_view to);
  // While a step holds descriptors it had from folderFd, none of them is closed (closing waits
  // for the last release), so that resolving a second path cannot pull the first one's folder.
  void hold() { ++holds_; }
  void release();

 private:
  struct Slot {
    int fd = -1;
    std::uint64_t used = 0;
  };
  void makeInnermost();
  int open(const std::string& key, std::size_t from);
  void evict();
  void forget(const std::string& key);
  void closeFd(int fd);

  std::string root_;
  int rootFd_ = -1;
  int rootError_ = 0;
  std::map<std::string, Slot> open_;  // folder (trailing "/") -> descriptor, root excluded
  std::uint64_t clock_ = 0;
  int holds_ = 0;
  std::vector<int> closeLater_;  // descriptors dropped while held
  StepScope* outer_ = nullptr;
};

// The start folder of a run, held open for the scopes of other threads. Made on the run's thread:
// root is opened through this thread's scope that holds it (its very start folder), or else by
// its path with links followed, as StepScope does. Only read afterwards (any thread may make a
// StepScope from it while it lives).
class SharedRoot {
 public:
  explicit SharedRoot(std::string_view root);
  ~SharedRoot();
  SharedRoot(const SharedRoot&) = delete;
  SharedRoot& operator=(const SharedRoot&) = delete;

  // 0, or the errno of the open.
  [[nodiscard]] int error() const { return error_; }
  // The folder with exactly one trailing "/" (as StepScope::root() spells it).
  [[nodiscard]] const std::string& root() const { return root_; }

 private:
  friend class StepScope;
  std::string root_;
  int fd_ = -1;
  int error_ = 0;
};

}  // namespace platform
