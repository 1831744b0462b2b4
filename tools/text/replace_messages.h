// The numbers of the replace window's own messages (its language file's message table), shared by
// the checks, the run, the run lists and the window.
#pragma once

namespace tools::text {

inline constexpr int kMsgOverwrite = 1;          // a run-list file exists: overwrite it?
inline constexpr int kMsgSaveFailed = 2;         // a run-list file could not be written
inline constexpr int kMsgSaved = 3;              // a run-list file was saved
inline constexpr int kMsgRun = 5;                // "Run " (before a run number)
inline constexpr int kMsgOf = 6;                 // " of " (between run number and count)
inline constexpr int kMsgRunMissing = 8;         // a run of the list cannot be found (number follows)
inline constexpr int kMsgSearchEmpty = 9;
inline constexpr int kMsgSearchIsReplacement = 10;
inline constexpr int kMsgTheReplacement = 11;    // which text a check means
inline constexpr int kMsgTheSearch = 12;
inline constexpr int kMsgOnlyWildcards = 13;
inline constexpr int kMsgWithSubfolders = 16;    // the question: subfolders are included
inline constexpr int kMsgCaptionOfRun = 17;      // progress caption of run n of a list
inline constexpr int kMsgCaption = 18;           // progress caption of a single run
inline constexpr int kMsgHeading = 19;           // the report's heading line
inline constexpr int kMsgFileWord = 20;          // "File " before a name or path
inline constexpr int kMsgRenamedTo = 21;         // between an old and a new file name
inline constexpr int kMsgNamesChanged = 22;      // after the count of renamed files
inline constexpr int kMsgWriteFailed = 23;       // before a file whose new contents could not be written
inline constexpr int kMsgRenameLabel = 24;       // label of a failed rename of new contents
inline constexpr int kMsgNotRestored = 25;       // after a path whose attributes were not restored
inline constexpr int kMsgFilesChanged = 26;      // after the count of files whose contents changed
inline constexpr int kMsgFolderWord = 27;        // "Folder " before a path
inline constexpr int kMsgFolderRenamedTo = 28;   // between an old and a new folder path
inline constexpr int kMsgFoldersChanged = 29;    // after the count of renamed folders
inline constexpr int kMsgAngleInFolder = 30;     // folder names: "<" or ">" left in a text
inline constexpr int kMsgOnlyMatchedTag = 31;    // the replacement is "<search-text>" alone
inline constexpr int kMsgStarWarning = 32;       // what "*" may take, before the question
inline constexpr int kMsgPathInName = 33;        // "<FilePathNoEndSlash>" in a file-name run
inline constexpr int kMsgBadNewName = 34;        // a new name that cannot be a name (path follows)
inline constexpr int kMsgNotRunList = 35;        // a file that is not a run list (path follows)
inline constexpr int kMsgRunDamaged = 36;        // a run of the list holds no usable settings
inline constexpr int kMsgHelp = 37;              // what the window does, shown by Help
inline constexpr int kMsgStarBound = 38;         // how far a "*" over line breaks may reach
inline constexpr int kMsgStarBoundReached = 39;  // before the files where a "*" match reached it

}  // namespace tools::text
