#include "core/folder_structure.h"

#include "core/name_key.h"
#include "platform/dir_walk.h"

namespace core {
namespace {

// The Windows component store: walking into it on a mounted Windows volume is never wanted.
constexpr const char* kSkippedName = "WinSxS";

int listInto(const std::string& folder, bool includeHidden, std::vector<std::string>& list,
             const UnreadableFolderFn& onUnreadable, const FolderLister& lister,
             std::vector<std::string>& names, bool followLink = true) {
  const std::string base = withTrailingSlash(folder);
  names.clear();
  const int err = lister ? lister(base, includeHidden, names)
                         : platform::listSubfolders(base, includeHidden, names, followLink);
  sortByName(names);
  for (const auto& n : names) {
    if (n.empty() || n == "." || n == ".." || n == kSkippedName) continue;
    list.push_back(base + n);
  }
  if (err != 0 && onUnreadable) onUnreadable(base, err);
  return err;
}

}  // namespace

std::string withTrailingSlash(const std::string& folder) {
  if (folder.empty() || folder.back() == '/') return folder;
  return folder + '/';
}

int RetDirStruct(const std::string& folder, std::vector<std::string>& list,
                 const UnreadableFolderFn& onUnreadable, const FolderLister& lister) {
  std::vector<std::string> names;
  return listInto(folder, true, list, onUnreadable, lister, names);
}

int RetDirStructVisible(const std::string& folder, std::vector<std::string>& list,
                        const UnreadableFolderFn& onUnreadable, const FolderLister& lister) {
  std::vector<std::string> names;
  return listInto(folder, false, list, onUnreadable, lister, names);
}

ExpandResult expandFolderTree(std::vector<std::string>& list, const ExpandOptions& options) {
  ExpandResult result;
  std::vector<std::string> names;
  // Folders are opened through their parent's descriptor (see FolderTreeReader): the entries
  // present at the start are opened by path, the first following a final link; folders found
  // below them never are, so one swapped for a link meanwhile leads nowhere. An injected lister
  // works on paths instead.
  platform::FolderTreeReader reader;
  reader.removeStaleTemporaries(options.removeStaleTemporaries);
  if (!options.lister)
    for (std::size_t i = 0; i < list.size(); ++i) (void)reader.addRoot(withTrailingSlash(list[i]), i == 0);
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (options.tick && options.tickEvery != 0 && (i + 1) % options.tickEvery == 0 &&
        !options.tick(list[i])) {
      list.clear();
      result.cancelled = true;
      return result;
    }
    if (options.lister) {
      // Copy: the entry's storage may move when the list grows.
      const std::string entry = list[i];
      if (listInto(entry, options.includeHidden, list, options.onUnreadable, options.lister, names,
                   i == 0) != 0)
        ++result.unreadable;
      continue;
    }
    const std::string base = withTrailingSlash(list[i]);
    names.clear();
    const int err = reader.listSubfolders(i, options.includeHidden, names);
    if (options.identities) {
      options.identities->resize(list.size());
      (*options.identities)[i] = reader.identity(i);
    }
    sortByName(names);
    for (std::string& n : names) {
      if (n == kSkippedName) continue;
      list.push_back(base + n);
      (void)reader.addChild(i, std::move(n));  // numbered as its place in the list
    }
    if (err != 0) {
      ++result.unreadable;
      if (options.onUnreadable) options.onUnreadable(base, err);
    }
  }
  if (options.identities) options.identities->resize(list.size());
  return result;
}

}  // namespace core
