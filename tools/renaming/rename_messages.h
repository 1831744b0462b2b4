// The numbers of the rename window's own messages (data/src/ren_messages.tsv), shared by its
// run, its undo and the window.
#pragma once

namespace tools::ren::msg {

enum : int {
  kUndoQuestion = 1,        // "Undo the renames of " caption "?"
  kUndoTitle = 2,
  kUndoHeading = 3,
  kUndoCaption = 4,         // progress caption of an undo
  kJournalMissing = 5,      // followed by the journal's path
  kColumnOld = 6,           // preview columns
  kColumnNew = 7,
  kAskFilesBefore = 8,      // 11 + 8 + pattern + 9: the subfolders question, files
  kAskFilesAfter = 9,
  kAskFolders = 10,         // 11 + 10: the subfolders question, folders
  kAskSubfolders = 11,
  kHeading = 12,            // 12 + 14 or 19: the results heading
  kCaptionFiles = 13,       // progress caption
  kFiles = 14,
  kNameTaken = 15,          // 15 old 17 new: a file name taken twice
  kNotRenamed = 16,         // 16 old 17 new
  kArrow = 17,
  kJournalFailed = 18,      // the question when the journal cannot be written
  kFolders = 19,
  kCaptionFolders = 20,
  kFolderNotRenamed = 21,   // 21 old 17 new
  kRenamed = 22,            // count " " 14/19 22: the summary
  kJournalEndBefore = 23,   // 23 journal 24: the journal could not be completed
  kJournalEndAfter = 24,
  kAddFolderName = 25,      // menuFold in file mode
  kAddOwnFolderName = 26,   // menuFold in folder mode
  kClearQuestion = 27,
  kJournalNotUpdated = 28,  // followed by the journal's path
  kSample = 29,             // the preview's sample when the main list is empty
  kRestartFiles = 30,       // the two numbering options, files
  kContinueFiles = 31,
  kDeepestFirst = 32,       // the two numbering options, folders
  kListOrder = 33,
  kBadName = 34,            // 34 old 17 new: a name no entry can take
  kNotUndone = 35,          // count 35: renames that stay in the journal
  kJournalUnreadable = 36,  // followed by the journal's path
  kRecordRefused = 37,      // 37 new 17 old: a record that names no two entries of one folder
};

}  // namespace tools::ren::msg
