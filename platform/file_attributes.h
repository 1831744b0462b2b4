// The DOS-style attributes R, H, A and S mapped onto Linux:
//   R  read-only: no write permission bit. Setting clears every write bit, clearing sets the owner's.
//   H  hidden: the name starts with "." or is listed in the folder's ".hidden" file (one name per
//      line, the convention file managers honour). Setting H adds the name there; nothing is ever
//      renamed, so a dot-name cannot be un-hidden.
//   A  archive: the user extended attribute kArchiveXattr (dir_listing.h; present with a value other
//      than "0" means set); on vfat the real DOS archive bit. Where neither works A reads clear and setting it reports ENOTSUP.
//   S  system: anything that is not a regular file, folder or symlink; it cannot be set or cleared.
// Reading never opens a file; functions return errno values (0 = done).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>

namespace platform {

struct Attributes {
  int error = 0;  // errno of the query; the flags are all false when error != 0
  bool readOnly = false;
  bool hidden = false;
  bool hiddenByName = false;  // the name starts with "."
  bool system = false;
  bool directory = false;
  bool archive = false;
  bool archiveSupported = false;
};

// Attributes of path (a symlink is described itself, not its target). listed: the names of the
// folder's ".hidden" file when the caller holds them already (a run over a folder reads the file
// once, not once per entry); nullptr reads the file.
[[nodiscard]] Attributes readAttributes(std::string_view path,
                                        const std::unordered_set<std::string>* listed = nullptr);

// What the attributes of a folder's entries depend on besides each entry: the folder's ".hidden"
// names and whether it lies on vfat (DOS attributes). A run that reads or gives attributes to many
// files of one folder looks these up once for the folder, not for each file.
class FolderAttributes {
 public:
  // Looks at folder (with or without a trailing "/"): its ".hidden" file and its file system.
  explicit FolderAttributes(std::string_view folder);

  // The folder as given.
  [[nodiscard]] const std::string& folder() const { return folder_; }
  [[nodiscard]] bool vfat() const { return vfat_; }
  // The attributes of the regular file open as fd (its own descriptor, not O_PATH) whose name in
  // this folder is name and whose permission bits are mode: as readAttributes reads them by path,
  // with one read of the archive flag from the descriptor and nothing looked up by name.
  [[nodiscard]] Attributes ofOpenFile(int fd, std::string_view name, std::uint32_t mode) const;
  // The attributes a file newly created here as name with permission bits mode and no extended
  // attributes has. Only where !vfat() (vfat gives a new file the archive flag of its own).
  [[nodiscard]] Attributes ofNewFile(std::string_view name, std::uint32_t mode) const;

 private:
  std::string folder_;
  std::unordered_set<std::string> listed_;
  bool vfat_ = false;
};

// ENOTSUP for a symlink (Linux has no permission bits of its own for one).
int setReadOnly(std::string_view path, bool on);
// Every change of a ".hidden" below is made under the lock every instance takes on that file, on
// a fresh read (hidden_list.h): two programs changing one folder's list keep each other's lines.
// Adds the name to, or removes it from, the folder's ".hidden" file (written atomically).
// ENOTSUP when clearing it on a dot-name; EINVAL for a name holding a line break.
int setHidden(std::string_view path, bool on);
// Adds the names to, or removes them from, the ".hidden" file of folder in one write (none when
// nothing changes): a run over many entries rewrites the file once, not once per name. EINVAL,
// with nothing written, when a name is empty, starts with "." or holds a line break.
int setHiddenNames(std::string_view folder, std::span<const std::string> names, bool on);
// Adds the names of add to, and removes those of remove from, the ".hidden" file of folder in one
// write (none when nothing changes; the file goes when no name is left). EINVAL, with nothing
// written, when a name to add is empty, starts with "." or holds a line break or "/"; any name
// may be removed. A ".hidden" that is not a regular file is never written (EINVAL).
int changeHiddenNames(std::string_view folder, std::span<const std::string> add,
                      std::span<const std::string> remove);
// ENOTSUP where neither extended attributes nor DOS attributes work. On a read-only file of the
// user's own, the owner's write bit is lifted for the change and put back (the system refuses
// attribute changes without write permission).
int setArchive(std::string_view path, bool on);

// True when the folder's ".hidden" file lists the name of path.
[[nodiscard]] bool isListedHidden(std::string_view path);
// Removes the name of path from its folder's ".hidden" file, if listed (after a delete, so that a
// later file of the same name does not start out hidden). Failures are ignored.
void forgetHiddenEntry(std::string_view path);

}  // namespace platform
