// Moving a file into the freedesktop trash on byte paths. A file goes to the home trash when it
// lives on the same file system, else to the trash at the top folder of its own mount; it is never
// copied across file systems, so a file with no usable trash stays where it is. The entry is added
// as trash_folders.h adds it (info file under a temporary name, the file renamed into files/
// through descriptors without replacing anything, then the info file named).
#include "platform/entry_at.h"
#include "platform/fd_io.h"
#include "platform/fs.h"
#include "platform/trash_folders.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>

namespace platform {
namespace {

// A selection of thousands of files is trashed one by one: their info files are not flushed
// each (a power loss leaves at most a file in files/ without its info file, nothing is lost).
constexpr trash::EntryStyle kMoveStyle{.numbering = trash::Numbering::BeforeExtension,
                                       .info = trash::InfoWrite::Written};

// Renames name (in the open folder parentFd) to target in files/, never replacing anything.
int renameInto(int parentFd, const std::string& name, int filesFd, const std::string& target) {
  if (::renameat2(parentFd, name.c_str(), filesFd, target.c_str(), RENAME_NOREPLACE) == 0) return 0;
  const int err = errno;
  if (err != EINVAL && err != ENOSYS && err != ENOTSUP) return err;
  // No RENAME_NOREPLACE here; files/ is the user's own folder, so a check first will do.
  struct stat st {};
  if (::fstatat(filesFd, target.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return EEXIST;
  return ::renameat(parentFd, name.c_str(), filesFd, target.c_str()) == 0 ? 0 : errno;
}

}  // namespace

int moveToTrash(std::string_view path) {
  const std::string abs = trash::absolutePath(path);
  if (abs.empty()) return errno ? errno : EINVAL;
  const std::string name = nameOf(abs);
  if (name.empty() || name == "." || name == "..") return EINVAL;
  const FileStatus file = fileStatus(abs, false);
  if (file.error != 0) return file.error;
  // The folder as the run's steps reach it (never through a link swapped in meanwhile), and its
  // real place, which the info file records and which tells the mount.
  const trash::Fd parentFd(openFolderFd(folderOf(abs), O_PATH));
  if (!parentFd.ok()) return errno;
  std::string parent = trash::realPathOf(parentFd.get());
  if (parent.empty()) parent = trash::canonicalFolder(folderOf(abs));
  // A folder deeper than the system names whole (past PATH_MAX) has no real path to ask for: it
  // is recorded as the run reached it.
  if (parent.empty() && errno == ENAMETOOLONG && abs.size() >= PATH_MAX) parent = folderOf(abs);
  if (parent.empty()) return errno ? errno : ENOENT;
  const std::string original = (parent == "/" ? parent : parent + "/") + name;
  const trash::PlaceData move = [&](int filesFd, const std::string& target) {
    const int err = renameInto(parentFd.get(), name, filesFd, target);
    if (err == 0) entryMoved(abs, {});
    return err;
  };
  // A name whose info file someone else took meanwhile: the file goes back where it was.
  const trash::PlaceData moveBack = [&](int filesFd, const std::string& placedName) {
    return ::renameat2(filesFd, placedName.c_str(), parentFd.get(), name.c_str(), RENAME_NOREPLACE) == 0 ? 0 : errno;
  };
  std::string placed;

  // The home trash, for a file on its file system (created on first use).
  int err = 0;
  const std::uint64_t homeDev = trash::homeDevice(err);
  if (err == 0 && homeDev == file.identity.device) {
    const auto home = trash::openHome(err);
    if (!home) return err;
    err = trash::addEntry(*home, name, original, kMoveStyle, move, placed, moveBack);
    if (err != EXDEV) return err;  // EXDEV: another mount of the same file system
  }

  // The trash at the top of the file's own mount.
  const FileStatus parentStatus = fileStatus(parent, true);
  if (parentStatus.error != 0) return parentStatus.error;
  if (parentStatus.identity.device != file.identity.device) return EBUSY;  // a mount point itself
  err = 0;
  const auto atTop = trash::openAtTop(trash::mountTop(parent, file.identity.device), err);
  if (!atTop) return err ? err : EACCES;
  return trash::addEntry(*atTop, name, original, kMoveStyle, move, placed, moveBack);
}

}  // namespace platform
