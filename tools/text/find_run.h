// The word finder's run: which of the files (or folders) that the main window's filters select
// hold the targets, in their contents, their names or the folders' names. Two lists go into the
// results text: the paths that match and those that do not.
//
//   const tools::text::FindOptions options{
//       .text = "\"annual report\" total", .phrases = true, .mode = tools::text::MatchMode::All,
//       .in = tools::text::FindIn::Contents, .withSubfolders = true};
//   tools::text::findWords(pipe, form, options, msg);
//
// ---- contract ----
// Contents are read in pieces of 400,000 bytes through the pipeline's logged read, for reading only
// (a read-only file is searched, not "locked"); an occurrence across two pieces is found. A file
// the user's Cancel cut short goes to neither list; one whose piece cannot be read ends its search
// (a miss unless an earlier piece matched), and one that shrank while it was read ends where its
// bytes do. A file is read up to the size it had when opened, and no further once it matches.
// Nothing is written but the results text. Once the run's reads wait on the disk, helper threads
// read and search the run's next files ahead of it (find_read_ahead.h); the run still checks and opens each file itself and uses a
// helper's finding only for the very file its check opened, unchanged since the helper read it,
// so the results never depend on them.
// Messages of the finder's table (msg): 1 no targets; 2 a target no name can hold; 3 progress
// caption; 4 heading of the targets; 5, 6, 7 titles of a contents, folder-names and file-names
// search; 8 any, 9 all; 10 an empty list; 11..16 the parts of the two summary lines.
#pragma once

#include "core/message_table.h"
#include "core/pipeline.h"
#include "tools/text/find_search.h"

#include <string>

namespace tools::text {

// Where the targets are looked for.
enum class FindIn { Contents, FileNames, FolderNames };

struct FindOptions {
  std::string text{};      // what the user typed
  bool phrases = false;    // split into words and "quoted phrases"; off: the text is one target (any-mode)
  bool matchCase = false;
  MatchMode mode = MatchMode::Any;
  FindIn in = FindIn::Contents;
  bool withSubfolders = false;  // the main window's boxes
  bool withHidden = false;
  // Helper threads that read and search the next files of a contents search ahead of the run
  // (find_read_ahead.h; the results are the same with any number); 0: none.
  int readAheadHelpers = 6;
  // They start once the run's reads show that they wait on the disk; with this, from the first file.
  bool readAheadAtOnce = false;
  // When given, set to how many files of a contents search the helpers' findings judged (tests
  // and benchmarks look; the results are the same whatever it says).
  long long* judgedAhead = nullptr;
};

enum class FindStart {
  Searched,       // the search ran (finished or cancelled)
  NoTargets,      // nothing to look for: message 1 was shown
  ImpossibleName, // a name search for a target no name can hold: the notice was shown
};

FindStart findWords(core::Pipeline& pipe, core::ToolForm* form, const FindOptions& options,
                    const core::MessageTable& msg);

// Bytes per piece of contents.
inline constexpr std::uint64_t kFindPieceSize = 400000;

}  // namespace tools::text
