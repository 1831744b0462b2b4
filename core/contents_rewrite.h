// Rewriting one file's contents through a temporary file: the shared procedure of every tool that
// changes contents (case changer, trimmer, text appender, replace tool, encryption tool). The tool
// supplies its piece size, its transformation and the message numbers of its result lines; the
// rewrite reads the file in pieces, hands each to the transformation, writes the output to a
// temporary file beside the file, reports progress as (index - 1) + j / n of listCount after each
// piece (which yields to pending events) and then polls cancel, and puts the new contents in place
// in one step.
//
// What it guarantees, whatever happens (failure, cancel, kill -9):
//   - the file's path holds either the original or the complete new contents, never a mix and
//     never nothing; the original is never written into and never moved away first;
//   - after a power loss too, the old contents are kept: where the original goes nowhere, the
//     new contents are synced before they replace it; where it goes to the trash, its entry
//     there is synced first instead, and new contents lost to a power loss soon after the run
//     leave the old ones in the trash;
//   - the new file keeps the original's permission bits, owner (where allowed), extended
//     attributes (the archive flag among them), name and so its ".hidden" membership;
//   - with the settings' "replaced contents to the trash" (RunFlags::recycleContent), a hard link
//     or copy of the original goes to the trash before the new contents replace it; when that
//     fails the file is kept as it was;
//   - a file that changed while it was read (size, modification or change time, or another file
//     put at its path) is left alone with a line: bytes written meanwhile would be lost; so is one
//     that a writer opened between the last look and the rename, where Linux grants a write lease
//     on it (platform/write_lease.h), or that a writer holds open for writing at the last look;
//   - symbolic links and files with several hard links are skipped with a line (replacing one
//     would cut it off from its other names);
//   - memory stays bounded by the piece size (plus what the transformation holds back); sizes and
//     positions are 64-bit.
// The creation time cannot be kept on Linux: the rewrite raises the once-per-run notice that the
// pipeline's finishOperation reports, never a failure per file.
//
// Example (a case changer converting each file of a folder to upper case):
//
//   class Upper : public core::ContentTransform {
//    public:
//     void piece(std::string_view in, std::uint64_t, std::string& out) override {
//       for (char c : in) out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
//     }
//   };
//   Upper upper;
//   const core::RewriteOptions options{
//       .pieceSize = 10000,
//       .messages = {.readFailed = 8, .writeFailed = 9, .renameLabel = 10, .restoreAfter = 11}};
//   for (long long i = 1; i <= host.listCount(); ++i) {
//     const std::string path = folder + host.listViewRoot()[i - 1].name;
//     if (pipe.checkFileUsable(path, true, true, true, true) == 0) continue;
//     if (core::rewriteContents(pipe, path, i, upper, options).outcome ==
//         core::RewriteOutcome::Cancelled)
//       break;  // and end the folder loop after this folder
//   }
#pragma once

#include "core/pipeline.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace core {

// Common messages of the rewrite's own lines, each followed by the path.
inline constexpr int kMsgRewriteSkippedLink = 130;       // a symlink or a file with several hard links
inline constexpr int kMsgRewriteChangedWhileRead = 131;  // left alone: it changed while it was read

// A tool's transformation of a file's bytes. One object serves a whole run; begin() starts each
// file. It may hold bytes back between pieces (a UTF-8 sequence split by the piece boundary, the
// start of a possible match) and emit them with the next piece or in finish().
class ContentTransform {
 public:
  virtual ~ContentTransform() = default;
  // Before the first piece of a file of size bytes: forget the previous file.
  virtual void begin(std::uint64_t size) { (void)size; }
  // One piece of the file, starting at the 0-based offset: appends its output to out (which the
  // rewrite empties before each call).
  virtual void piece(std::string_view in, std::uint64_t offset, std::string& out) = 0;
  // After the last piece: appends what was held back and any tail to out.
  virtual void finish(std::string& out) { (void)out; }
  // After finish(): false when the output equals the input, so that the file is left as it is
  // (no temporary file kept, nothing to the trash, its times unchanged).
  [[nodiscard]] virtual bool changed() const { return true; }
};

// Numbers of the tool's own messages (its form's table) in the rewrite's result lines; 0 leaves
// that part out.
struct RewriteMessages {
  int readFailed = 0;     // before the path when a piece cannot be read (after the common line 85)
  int writeFailed = 0;    // before the path when the new contents cannot be written (full disk ...)
  int removeLabel = 0;    // label of the line of a failed trash copy (the file is kept)
  int renameLabel = 0;    // label of the line of a failed final rename (the file is kept)
  int restoreBefore = 0;  // before the path when the attributes could not all be restored
  int restoreAfter = 0;   // after the path in that line
};

// Where the original contents go when they are replaced.
enum class ReplacedContents {
  FollowSettings,  // to the trash when RunFlags::recycleContent, else nowhere
  NeverToTrash,    // nowhere, whatever the settings say (the encryption tool's plaintext)
};

// The steps of one rewrite, in order, as onStep sees them (LastLook comes between
// OriginalInTrash and Replaced: the write lease is held from there to the rename where granted).
// TemporaryReady: the new contents are whole with the original's metadata, and synced where the
// original goes nowhere (where it goes to the trash, its synced entry keeps the old contents
// instead).
enum class RewriteStep { TemporaryCreated, PieceWritten, TemporaryReady, OriginalInTrash, Replaced, LastLook };

class RewriteSession;

struct RewriteOptions {
  std::uint64_t pieceSize = 1000000;  // bytes per piece (0 counts as 1)
  RewriteMessages messages{};
  ReplacedContents replaced = ReplacedContents::FollowSettings;
  // Adds path + CR LF to the results text (resultsText, through addToLog) for a rewritten file.
  bool logRewritten = true;
  // Called after each step (tests stop the process there).
  std::function<void(RewriteStep)> onStep{};
  // What the rewrites of a run share (see RewriteSession); nullptr: each file on its own.
  RewriteSession* session = nullptr;
};

enum class RewriteOutcome {
  Rewritten,  // the new contents are in place
  Unchanged,  // the transformation changed nothing: the file was left as it is
  Skipped,    // a link, several hard links, or changed while read: left alone, with a line
  Failed,     // could not read, write, trash or replace: left alone, with a line
  Cancelled,  // Cancel or Skip during the file: left alone; the caller ends the run
};

struct RewriteResult {
  RewriteOutcome outcome = RewriteOutcome::Failed;
  bool attributesRestored = true;  // Rewritten: false when the restore line was added
  // In a session that commits in batches: the new contents wait in the batch (outcome reads
  // Rewritten until then); the session reports the file's real result when it commits.
  bool deferred = false;
};

// What the rewrites of one run share, so that no file repeats what the run did already: the piece
// buffers (kept, never allocated again per piece or per file), the trash folders (found once), and
// the syncs of the folders the rewritten files are in, made once per folder instead of once per
// file. A tool makes one per run, passes it in RewriteOptions::session and calls syncFolders at
// the end of each folder; the destructor syncs what is still waiting.
//
//   core::RewriteSession session;
//   hooks.onFolderEnd = [&](const core::FolderInfo&) { session.syncFolders(); };
//   ... rewriteContents(pipe, path, i, transform, {.pieceSize = n, .session = &session});
//
// Made with an outcome callback, the session also commits its files in batches (up to
// kBatchFiles files or kBatchBytes of new contents): a rewritten file waits, complete in its
// temporary file, until the batch is full, its folder ends (syncFolders), a result line is about
// to be added (so that the lines keep the order of the files), or the session ends. The batch then
// pays one round of syncs for all its trash copies and the new contents that need one (those whose
// originals go nowhere), and reports each file's
// outcome in order, as rewriteContents would have returned it. Every guarantee above holds as
// for a file on its own.
class RewriteSession {
 public:
  static constexpr std::size_t kBatchFiles = 64;
  static constexpr std::uint64_t kBatchBytes = std::uint64_t{32} << 20;
  using OutcomeFn = std::function<void(const std::string& path, const RewriteResult& result)>;

  RewriteSession();
  // Commits in batches on pipe, reporting each file's outcome to onOutcome once it is committed.
  RewriteSession(Pipeline& pipe, OutcomeFn onOutcome);
  ~RewriteSession();
  RewriteSession(const RewriteSession&) = delete;
  RewriteSession& operator=(const RewriteSession&) = delete;

  // Commits the files waiting in the batch (their outcomes reported), then makes the renames of
  // the rewrites so far durable: one sync of each folder they were in. (In batches, the sync that
  // the next batch makes of the whole file system does that, and the session's end for the last.)
  // The renames of files whose originals went to the trash are left to the system: the trash
  // keeps their old contents whatever a power loss takes.
  void syncFolders();
  // Commits the files waiting in the batch, reporting their outcomes.
  void commitBatch();

  // ---- implementation details past this point ----
  struct Shared;
  [[nodiscard]] Shared& shared() { return *shared_; }

 private:
  std::unique_ptr<Shared> shared_;
};

// How a file of size bytes is cut into pieces: count (at least 1; 1 for an empty file) and the
// length of the last one (every other piece is full).
struct PiecePlan {
  std::uint64_t count = 1;
  std::uint64_t lastLength = 0;
};
[[nodiscard]] PiecePlan planPieces(std::uint64_t size, std::uint64_t pieceSize);

// Rewrites the file at path (the index-th of the folder's listCount files, from 1) through
// transform. Lines go to the pipeline's results (addResult) as described above. Never throws; the
// progress window's isCancel is read, never reset.
RewriteResult rewriteContents(Pipeline& pipe, const std::string& path, long long index,
                              ContentTransform& transform, const RewriteOptions& options);

}  // namespace core
