// The program's own temporary files, made so that a leftover can be proven ours. A name of the
// temporary pattern (replacement_file.h's temporaryNameFor) proves nothing: the user may have a
// file named so. What proves it is a mark, a user extended attribute of the program's own whose
// value binds it to that very file (device, inode and birth time), set through the open
// descriptor while the writer holds its lock: before the file has any name where the file system
// makes unnamed files (O_TMPFILE), else right after its exclusive create. A copy of a leftover
// (cp -a carries the attribute to a new inode) is not ours; neither is any file without the mark.
// Where the file system keeps no user attributes (vfat, some network ones) nothing is marked, and
// a leftover stays where it is: it is whole or it is a temporary, never the user's file.
//
//   std::string name;
//   const int fd = platform::createOwnTemporary(dirFd, "report.txt", 0600, name);  // locked, marked
//   ... write, then rename name into place ...
//   platform::unmarkOwnTemporary(fd);   // it is the user's file now
//   ::close(fd);                        // the lock goes with it
//
// A sweep (removeOwnLeftoverAt) removes a file only when it has the temporary pattern, is a
// regular file of this user, carries the mark bound to itself, nobody holds its lock, and its
// name still names it.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The name of the mark.
inline constexpr const char* kTemporaryXattr = "user.vardulek.temporary";

// Creates a temporary file for a file named forName in the open folder dirFd, with mode (less the
// umask), open for writing, locked (flock, exclusive) and marked where the file system allows,
// under a fresh name of the temporary pattern (set in name, also when the create fails: the last
// tried). The descriptor, or -1 with errno set. Never follows a link; never replaces anything.
[[nodiscard]] int createOwnTemporary(int dirFd, std::string_view forName, unsigned mode, std::string& name);
// A file made without a name (O_TMPFILE) can take one here: /proc/self/fd is there (a link by
// the descriptor alone needs a privilege an ordinary user lacks). Without it none is made.
[[nodiscard]] bool canNameUnnamedFiles();
// Links the open file fd, which has no name, as name in dirFd: by the descriptor itself where the
// process may (CAP_DAC_READ_SEARCH: one lookup less), else through its link in /proc. 0, or -1
// with errno (EEXIST where the name is taken). Never replaces anything.
int linkUnnamed(int fd, int dirFd, const char* name);
// Gives the open file fd, made without a name (O_TMPFILE), a fresh temporary name for a file
// named forName in dirFd, after locking and marking it. 0 or errno (name: the last tried).
int nameOwnTemporary(int fd, int dirFd, std::string_view forName, std::string& name);
// Locks the open file fd (exclusive, without waiting) and, only once locked, marks it. True when
// it is marked: a file whose lock could not be had stays unmarked, and so is never swept.
bool lockAndMarkOwnTemporary(int fd);
// Takes the mark off fd: for a temporary that has its real name now. Quietly does nothing where
// there is none.
void unmarkOwnTemporary(int fd);

// True when the open file fd is a regular file of this user carrying a mark bound to itself.
[[nodiscard]] bool carriesOwnMark(int fd);
// True when name in the open folder dirFd has the temporary pattern and is a marked temporary of
// this program (a leftover or one being written): what a listing leaves out. Looks at nothing
// for any other name.
[[nodiscard]] bool isOwnTemporaryAt(int dirFd, const char* name);
// Opens name in dirFd when it is a leftover proven ours: the temporary pattern, a regular file of
// this user carrying the mark bound to itself, its lock taken here (nobody writes it), and name
// still naming it. The descriptor (holding the lock), or -1.
[[nodiscard]] int openOwnLeftoverAt(int dirFd, const char* name);
// Removes name from dirFd when openOwnLeftoverAt proves it a leftover. True when removed.
bool removeOwnLeftoverAt(int dirFd, const char* name);

}  // namespace platform
