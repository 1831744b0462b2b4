// New contents for a file, built beside it and put in its place in one step. A temporary file is
// created exclusively in the target's folder (O_EXCL, never through a link, mode 0600 by default),
// written in any number of pieces, given the old file's extended attributes, owner (where allowed)
// and permission bits, fsynced, and renamed over the target. Until the rename the target is never
// touched; a crash at any instant leaves at the target's path either its old or its complete new
// contents (at worst a temporary file ".<name>.vdk????????" stays behind in the folder, which
// removeStaleTemporaries takes away where it can prove it ours: while it is written, its writer
// holds a lock on it, and it carries the mark of own_temporary.h, which comes off at commit). A new
// file (createUnnamedIn) has no name at all until it is committed, where the file system allows.
// The folder is opened once, through the run's StepScope when one holds it: every step of one
// replacement acts in that same folder.
//
//   platform::ReplacementFile out;
//   if (out.create(path) != 0) ...;                   // nothing changed
//   while (...) if (out.write(piece) != 0) ...;       // out's destructor removes the temporary file
//   out.keepMetadataOf(originalFd);                   // non-zero: some metadata could not be kept
//   if (out.commit() != 0) ...;                       // the old file is still in place
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <sys/stat.h>

namespace platform {

// Whether a file is forced to the disk (fsync of its contents, then of its folder) before it takes
// its name. An fsync guards against a power loss, not a kill: a killed process loses nothing the
// kernel already holds, and a file that takes its name only when whole appears whole or not at all
// either way. So it is paid only where the only copy of the user's data is at stake, and every
// tool chooses it here:
//   OnlyCopyAtStake  the file replaces one, or something is removed once it stands: a contents
//                    rewrite before its rename over the original (unless the original went to the
//                    trash), a move across file systems before its source goes, a copy that
//                    replaces a file, a split that deletes its original, a join that deletes its
//                    pieces or replaces an output.
//   SourceStays      a new file whose source stays where it is: split pieces and rejoin scripts
//                    when the original stays, a joined output when the pieces stay, a plain copy.
//                    Nothing is synced, as split, cat, cp and rsync leave it to the system; only a
//                    power loss soon after may lose the new file, never anything else.
// commitNew takes the choice. A commit over a file (commit, commitFolderUnsynced, commitExchanging)
// replaces one and syncs the contents first, unless told by replacing(SourceStays) that the file
// it replaces stays elsewhere (its old contents kept in the trash, that entry synced).
enum class Durability { OnlyCopyAtStake, SourceStays };

// The file whose contents are being replaced, open for reading: read in pieces through one
// descriptor, and checked before it is replaced that nobody changed it meanwhile.
class OriginalFile {
 public:
  OriginalFile() = default;
  ~OriginalFile();
  OriginalFile(const OriginalFile&) = delete;
  OriginalFile& operator=(const OriginalFile&) = delete;

  // Opens the regular file at path for reading, never through a symlink and never waiting on a
  // FIFO (anything but a regular file is refused before it is opened). 0 or errno: ELOOP for a
  // symlink, EINVAL for another kind of file, ENOENT, EACCES ...
  int open(std::string_view path);
  // Exactly length bytes from the 0-based offset into out. 0, errno, or ENODATA when the file
  // ends before offset + length (it shrank since it was opened).
  int read(std::uint64_t offset, std::uint64_t length, std::string& out) const;
  // True when path still names the opened file and its size, modification time and change time
  // are those seen at open (a write, truncation, chmod or new link since then makes it false).
  [[nodiscard]] bool unchanged() const;
  // True when path still names the opened file with the size and modification time seen at open:
  // nothing was written to it. Unlike unchanged() it allows a new link (a copy into the trash).
  [[nodiscard]] bool contentsUnchanged() const;

  [[nodiscard]] std::uint64_t size() const { return static_cast<std::uint64_t>(seen_.st_size); }
  [[nodiscard]] std::uint64_t links() const { return static_cast<std::uint64_t>(seen_.st_nlink); }
  // True when the file takes less room than its size: it has holes.
  [[nodiscard]] bool sparse() const { return seen_.st_blocks * 512 < seen_.st_size; }
  [[nodiscard]] int fd() const { return fd_; }

 private:
  std::string path_, name_;
  int fd_ = -1;
  int dirFd_ = -1;  // the folder holding it, for the check before it is replaced
  struct stat seen_ {};
};

class ReplacementFile {
 public:
  ReplacementFile() = default;
  // Removes the temporary file when it was not committed.
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Creates the temporary file in the folder of target with mode (less the umask). The target's
  // path is used as given: a caller that means to write through a symlink resolves it first.
  // 0 or errno; path() then names the last name tried.
  int create(std::string_view target, unsigned mode = 0600);
  // The same in the folder of target open as folderFd (for reading, to sync it), which the caller
  // holds open until this file is committed or discarded: a run that writes many files into one
  // folder opens it once. -1: as create.
  int createIn(int folderFd, std::string_view target, unsigned mode);
  // As createIn (folderFd may be -1), for a file that takes its name only by commitNew: where the
  // file system allows it the file has no name at all until then (O_TMPFILE), so that a kill
  // leaves nothing behind and nobody needs to be kept off it by a lock; elsewhere it has a
  // temporary name as by createIn.
  int createUnnamedIn(int folderFd, std::string_view target, unsigned mode);
  // Appends data. 0 or errno (ENOSPC on a full disk, EBADF when not created).
  // With keepHoles, whole blocks of zero bytes become holes, as in the sparse file being replaced.
  int write(std::string_view data);
  // Gives the temporary file the extended attributes, owner and permission bits of the open
  // regular file sourceFd (or of sourcePath, a symlink not followed). The owner is kept only where
  // the system allows it, and attributes of namespaces a user may not write (security labels) are
  // passed over silently: neither counts as a failure. 0, or the errno of the first user attribute,
  // ACL or permission bits that could not be kept (the temporary file is still usable).
  int keepMetadataOf(int sourceFd);
  // Makes write leave zero blocks as holes (for the new contents of a sparse file).
  void keepHoles() { keepHoles_ = true; }
  int keepMetadataOf(const std::string& sourcePath);
  // Flushes the contents to the disk (commit does it when not done yet). The file stays open, and
  // locked, until commit or discard. 0 or errno (a full disk may show here first).
  int sync();
  // Starts writing the contents to the disk without waiting (the holes settled first), so that a
  // later sync of several such files finds most of the work done. 0 or errno.
  int startWriteback();
  // Syncs several replacements at once, each before its commit: one syncfs of each file system
  // they are on (which writes their contents with everything else waiting there, in one journal
  // commit and one flush of the disk's cache), and an fsync of its own for each file on a file
  // system where that fails, so that an error counts only against the file it belongs to. The
  // errno of each file, in order (0: synced, as by sync()).
  // With covered, the folders it holds on a file system synced that way are forgotten unsynced:
  // the renames made in them before are on the disk now.
  static std::vector<int> syncTogether(const std::vector<ReplacementFile*>& files, class FolderSyncs* covered = nullptr);
  // Whether a commit over the target syncs the new contents first: OnlyCopyAtStake (the default)
  // where the target's old contents go with its name; SourceStays where they stay elsewhere,
  // durable already (a synced trash entry holding the very file), so that a power loss that
  // loses the new contents loses nothing else. Set before the commit.
  void replacing(Durability durability) { replacing_ = durability; }
  // Syncs when needed, renames the temporary file over the target (replacing it) and syncs the
  // folder. 0 or errno; on failure the target is unchanged and the temporary file still exists.
  int commit();
  // As commit, but the folder is left for the caller to sync (once after several renames in it,
  // through folderFd): the target holds its old or its new contents either way, and the sync
  // makes the new ones stay after a power loss.
  int commitFolderUnsynced();
  // As commit, syncing neither contents nor folder: for a record of the program's own kept in step
  // with many steps of a run (a kill still finds the old or the new contents; a power loss soon
  // after may find the old), where a sync each time would cost more than the steps themselves.
  int commitUnsynced();
  // As commit, but only where nothing holds the target's name: EEXIST (the temporary file still
  // there) when something does. For new files that must appear whole or not at all. Contents and
  // folder are synced as durability says (see Durability); a kill finds the name empty or holding
  // the whole file either way.
  int commitNew(Durability durability);
  // Lets commitNew give the file the name of the folder's record of hidden names, which every
  // other new file is refused: only the layer's own writer of that record calls it.
  void writesHiddenRecord() { hiddenRecord_ = true; }
  // As commit (syncFolder) or commitFolderUnsynced, but where the file system swaps two names in
  // one step (RENAME_EXCHANGE) the old file is kept: it takes the temporary file's name, and
  // exchanged() is true until keepExchanged (the old file goes) or undoExchange (the old file is
  // back at the target, the new one under the temporary name for discard). Elsewhere the target is
  // replaced as by commit. 0 or errno; on failure nothing changed.
  int commitExchanging(bool syncFolder);
  [[nodiscard]] bool exchanged() const { return exchanged_; }
  // After an exchange: removes the old file's name and closes the new file. 0 or errno.
  int keepExchanged(bool syncFolder);
  // After an exchange: swaps the two back. 0 or errno (then the new file stays at the target).
  int undoExchange();
  // Removes the temporary file (after a failure or a cancel). 0 or errno; 0 when there is none.
  int discard();

  // The temporary file's path ("" before create; for a file without a name, its link in
  // /proc/self/fd, which reaches it while it is open here).
  [[nodiscard]] const std::string& path() const { return tmp_; }
  // Its descriptor, open for writing until commit or discard (-1 otherwise): for writers that
  // hand the bytes to the kernel themselves (copy_file_range).
  [[nodiscard]] int fd() const { return fd_; }
  [[nodiscard]] const std::string& target() const { return target_; }
  // The folder of target and the temporary file, open for reading (-1 before create).
  [[nodiscard]] int folderFd() const { return dirFd_; }

 private:
  int finish(bool replace, bool syncFolder = true, bool syncData = true);
  int start(int folderFd, std::string_view target, unsigned mode, bool unnamed = false);
  void nameTemporary(std::string name);
  int nameUnnamed();
  void dropFolder();

  std::string target_, tmp_;
  std::string name_, tmpName_;  // the last components of target_ and tmp_
  int fd_ = -1;
  int dirFd_ = -1;       // the folder both are in
  bool ownsDir_ = true;  // dirFd_ is closed here, not the caller's
  bool exists_ = false;  // the temporary file is on disk and ours to remove
  bool unnamed_ = false;  // ... without a name in the folder (O_TMPFILE): closing it removes it
  bool synced_ = false;  // nothing written since the last sync
  Durability replacing_ = Durability::OnlyCopyAtStake;
  bool hiddenRecord_ = false;  // writesHiddenRecord
  bool exchanged_ = false;  // commitExchanging swapped the names: the old file is under tmpName_
  bool keepHoles_ = false;
  bool holeAtEnd_ = false;    // the last bytes written were skipped as a hole: the size is set at sync
  std::uint64_t written_ = 0;  // bytes written (or skipped) by write, whole blocks until settled
  std::string pending_;        // the start of a block that write has not finished yet
  int writeBlocks(std::string_view blocks);
  int settleHoles();
};

// The folders of replacements committed without their folder's sync (commitFolderUnsynced),
// each kept open once until syncAll syncs it; the destructor syncs what is left.
class FolderSyncs {
 public:
  FolderSyncs() = default;
  ~FolderSyncs();
  FolderSyncs(const FolderSyncs&) = delete;
  FolderSyncs& operator=(const FolderSyncs&) = delete;

  // Remembers the folder of committed (by its target's folder; the first descriptor of a folder
  // is kept).
  void add(const ReplacementFile& committed);
  // Syncs every folder remembered and forgets them.
  void syncAll();
  // Forgets, without syncing them, the folders remembered on the file system dev (st_dev), which
  // the caller has just synced whole.
  void coveredBy(dev_t dev);

 private:
  struct Folder {
    std::string path;
    int fd;
    dev_t dev;
  };
  std::vector<Folder> folders_;  // few at a time: one per folder of a run
};

// True when a syncfs of the file system holding the open file fd makes its files' contents and
// names durable as an fsync of each would: local file systems known to do so (ext2/3/4, XFS,
// Btrfs, F2FS). Elsewhere (FUSE, network file systems) each file is synced on its own.
[[nodiscard]] bool syncfsCoversFiles(int fd);

// How many times this process has forced new contents to the disk here (an fsync of a
// replacement, a syncfs made for several): for tests that tell where the new contents were synced.
[[nodiscard]] std::uint64_t contentSyncCount();

// True when the file system of the open file fd keeps DOS attributes of its own (vfat), which a
// replacement does not carry over with the extended attributes and permission bits.
[[nodiscard]] bool keepsDosAttributes(int fd);

// Eight random letters and digits for a temporary name beside a file (an exclusive create or a
// rename that never replaces makes a clash harmless).
[[nodiscard]] std::string temporaryNameSuffix();
// The one pattern of the temporary files this layer writes beside a file named name:
// "." + name (at most 200 bytes, never cut inside a UTF-8 sequence) + ".vdk" + eight random
// letters and digits.
[[nodiscard]] std::string temporaryNameFor(std::string_view name);
// True when name has that pattern. The pattern alone proves nothing: a file of the user's may
// have it (own_temporary.h says what does).
[[nodiscard]] bool isTemporaryName(std::string_view name);
// Removes the temporary files of that pattern in folder that this program provably made and no
// process is writing (own_temporary.h's removeOwnLeftoverAt): what a killed run left. Never
// follows a link; never removes a file of a like name without the proof (the user's, or one on a
// file system without user attributes). The number removed. For runs that write: a run that only
// reads leaves even these where they are.
int removeStaleTemporaries(std::string_view folder);
// The same for names already listed from the open folder dirFd (those of the pattern among them),
// for a walk that reads each folder once anyway.
int removeStaleTemporariesAt(int dirFd, const std::vector<std::string>& names);

// Renames from over to, replacing whatever file to names, then syncs to's folder. For a file that
// is complete and synced: the rename is atomic, so to holds its old or its new file at every
// instant. 0 or errno. (Renames that must never replace use renameNoReplace of fs.h.)
int renameReplacing(std::string_view from, std::string_view to);

}  // namespace platform
