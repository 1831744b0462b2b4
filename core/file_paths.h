// File and path routines of the core: test, name and change files and folders. Paths are byte
// strings with "/" as separator; "folder with a trailing slash" is the form used throughout.
// Every routine reports failure by its return value and never throws.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

namespace platform {
struct Attributes;
}

namespace core {

// 1 when the path names an existing entry (file or folder; a symlink counts as itself), else 0.
// Relative paths and patterns holding "*" or "?" that name no entry give 0.
[[nodiscard]] int FileExist(std::string_view path);
// 1 when the path names an existing folder ("/" included), else 0.
[[nodiscard]] int PathExist(std::string_view path);
// The path with "/" appended when its last character is not "/".
[[nodiscard]] std::string AddSlash(std::string_view path);
// The path without its trailing "/" characters; "/" itself (and "") stay as they are.
[[nodiscard]] std::string withoutTrailingSlashes(std::string_view path);
[[nodiscard]] std::string RetAftLast(std::string_view sep, std::string_view text);
[[nodiscard]] std::string RetBefLast(std::string_view sep, std::string_view text);

// Where the extension of a file name starts: its last ".", unless that dot is one of the dots
// that begin the name, which belong to the base name on Linux (".bashrc" and "..x" have no
// extension, ".config.json" has ".json"). npos when there is none.
[[nodiscard]] std::size_t extensionDot(std::string_view name);

// 0 deleted, else an error number. Never follows a symlink (removes the link itself).
[[nodiscard]] int KillFile(std::string_view path);
// 0 renamed, 58 when the target exists (never replaced), else an error number.
[[nodiscard]] int Rename(std::string_view oldPath, std::string_view newPath);
// Creates a new empty file in folder exclusively and returns its full path, or "" when it cannot
// (a folder that is missing or not writable). The name is "TempFile", else "_TmpFi" followed by
// random ASCII letters and digits: two, and more once the two-character names seem used up.
[[nodiscard]] std::string TmpFileName(std::string_view folder);
// Creates the folder and its missing parents; appends "/" to path. 0, or the error number.
int MakeDir(std::string& path);
// Number of entries of folder whose names match pattern ("*" any run, "?" one character, exact
// case); folders count only with includeFolders non-zero, and then "." and ".." count too.
// 0 when the folder cannot be listed.
[[nodiscard]] int GetNumFiles(std::string_view folder, int includeFolders, std::string_view pattern);
// 0 valid, 1 a character RemInvalid would remove or a line break, 2 longer than 255 bytes.
[[nodiscard]] int ChkFileName(std::string_view name);
// The name without any character of set; an empty set means the characters "/\|:*?<> and '"'.
[[nodiscard]] std::string RemInvalid(std::string_view name, std::string_view set = {});

// The user's desktop folder with a trailing "/", or "A_Err" when there is none.
[[nodiscard]] std::string GetDesktop();

// Free bytes of the file system holding path (what the tools compare against sizes), -1 on
// failure or when nothing is free.
[[nodiscard]] double FreeSpace(std::string_view path);

// The access a caller needs of a file. None: the tool never opens the file (a rename needs only the
// folder's access): what counts is that the entry is there, and a symbolic link is taken as itself.
enum class Access { Read, Write, ReadWrite, None };
// 0 free, 1 locked (cannot be opened for that access). Never opens a file that is not a regular file
// (those count as locked). With None: 0 when the entry exists (a link itself), else 1.
[[nodiscard]] int IsLocked(std::string_view path, Access access = Access::ReadWrite);

// Attribute bits: read-only 1, hidden 2, system 4, folder 16, archive 32.
enum : std::uint8_t { kAttrReadOnly = 1, kAttrHidden = 2, kAttrSystem = 4, kAttrFolder = 16,
                      kAttrArchive = 32 };
// listedHidden: the names of the folder's ".hidden" file when the caller holds them already (a run
// over a whole folder reads that file once); nullptr reads it.
[[nodiscard]] std::uint8_t GetAtt(std::string_view path,
                                  const std::unordered_set<std::string>* listedHidden = nullptr);  // 0 on error
[[nodiscard]] int SetAtt(std::string_view path, std::uint8_t attributes,
                         const std::unordered_set<std::string>* listedHidden = nullptr);  // 0 set, 1 failed
// The attribute bits of attributes as the platform read them (0 when they could not be read).
[[nodiscard]] std::uint8_t AttBits(const platform::Attributes& attributes);

// Short (8.3) names do not exist here: RetDosAPI returns the path as it is; RetDos and makeDosName
// return the last part of the path (lastPart 1) or the path with a trailing "/" (lastPart 0).
[[nodiscard]] std::string RetDosAPI(std::string_view path);
[[nodiscard]] std::string RetDos(std::string_view path, int lastPart);
[[nodiscard]] std::string makeDosName(std::string_view path, int lastPart);

}  // namespace core
