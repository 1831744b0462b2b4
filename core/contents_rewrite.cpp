// One file through the contents rewrite, in this order: refuse links; open the original; write the
// transformed pieces to a temporary file beside it (yield, cancel and progress after each piece);
// give the temporary file the original's metadata, and sync it unless the original goes to the
// trash; check that the original did not change meanwhile; put a copy of the original into the
// trash (synced) when the settings say so; take a write lease on the original and check it once
// more; swap the temporary file and the original (undone when a writer opened the original
// meanwhile) and drop the original's name, or rename the temporary file over it where no lease or
// swap is to be had; restore what the rename cannot carry. In a session that commits in batches,
// the file waits after the check, complete in its temporary file, and the batch takes the steps
// from the sync on for all its files together.
//
// What is synced follows from what a power loss could take. The rename over the original is the
// step that can end the old contents' last name: where the original goes nowhere, the new
// contents are synced before it, so that the path never holds a file the disk never got. Where
// the original goes to the trash, its entry there keeps the old contents past the rename: the
// new contents need no sync (a power loss soon after may find them lost, the old ones still in
// the trash, as after a `sed -i`), but the entry does, its info file and both names, before
// the rename. Nothing forces the order of an unsynced link and a rename to the disk, and the
// trash entry is then the only copy, useless to the user without its info file.
#include "core/contents_rewrite.h"

#include "core/file_errors.h"

#include "core/file_paths.h"
#include "core/file_times.h"
#include "core/state.h"
#include "platform/fs.h"
#include "platform/replacement_file.h"
#include "platform/trash_copy.h"
#include "platform/trash_link_record.h"
#include "platform/write_lease.h"

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <utility>
#include <vector>

#include <time.h>

namespace core {

namespace {

const std::string kCrLf = "\r\n";

std::string withBlank(const std::string& text) { return text.empty() ? text : " " + text; }

class FileRewrite;

}  // namespace

struct RewriteSession::Shared {
  std::string in, produced;
  platform::TrashCopies trash;
  platform::FolderSyncs folders;
  // Batched commits (with an outcome callback only).
  Pipeline* pipe = nullptr;
  OutcomeFn onOutcome;
  std::vector<std::unique_ptr<FileRewrite>> batch;
  std::uint64_t batchBytes = 0;
  bool committing = false;
  std::function<void()> previousHook;

  [[nodiscard]] bool batched() const { return pipe != nullptr; }
  void commitBatch();
};

namespace {

class FileRewrite {
 public:
  FileRewrite(Pipeline& pipe, const std::string& path, long long index, ContentTransform& transform,
              const RewriteOptions& options)
      : pipe_(pipe), path_(path), index_(index), transform_(transform), options_(options),
        m_(options_.messages), session_(options.session ? &options.session->shared() : nullptr) {}

  RewriteResult run() {
    if (!openOriginal() || !writeContents()) return result_;
    if (!transform_.changed()) return leave(RewriteOutcome::Unchanged);
    trashWanted_ = trashWanted();
    if (session_ && session_->batched()) return holdForBatch();
    if (!readyWithMetadata() || !checkUnchanged()) return result_;
    rememberDosAttributes();
    const bool replaced = keepOriginalInTrash() && stillUnchanged() && replace();
    // Replaced, or its copy taken out of the trash again: the link needs no record any more.
    if (session_) session_->trash.copiesSettled();
    if (replaced) restore();
    return result_;
  }

  // ---- the steps of a batch commit (RewriteSession::Shared::commitBatch), in this order

  // The new contents, for the batch to sync where the original goes nowhere.
  [[nodiscard]] platform::ReplacementFile& temporary() { return out_; }
  // The new contents were synced (err 0) with the batch's others, or need no sync (their original
  // goes to the trash); false (the file given up, its line waiting) when they could not be.
  bool synced(int err) {
    if (err != 0) {
      if (hasTrashCopy()) (void)platform::withdrawFromTrash(trashCopy_);
      trashCopy_ = {};
      return holdFailure([this, err] { (void)writeFailed(err); });
    }
    step(RewriteStep::TemporaryReady);
    return true;
  }
  // Puts the original's trash copy in place, to be synced with the batch's others.
  bool trashHeld() {
    if (!trashWanted_) return true;
    if (session_->trash.copy(path_, trashCopy_, original_.fd(), platform::TrashCopies::Sync::Later) != 0)
      return holdFailure([this] { (void)trashFailed(); });
    return true;
  }
  [[nodiscard]] bool hasTrashCopy() const { return !trashCopy_.file.empty(); }
  [[nodiscard]] bool givenUp() const { return static_cast<bool>(heldFailure_); }
  // The batch's trash copies could not be synced: this one is taken out again and the file kept.
  void trashNotSynced() {
    (void)platform::withdrawFromTrash(trashCopy_);
    trashCopy_ = {};
    (void)holdFailure([this] { (void)trashFailed(); });
  }
  // The last look at the original, the rename and the restore; or the line of the step that gave
  // the file up. The result, as rewriteContents would have returned it.
  RewriteResult commitHeld() {
    if (heldFailure_) {
      heldFailure_();
      return result_;
    }
    if (hasTrashCopy()) step(RewriteStep::OriginalInTrash);
    if (!stillUnchanged() || !replace()) return result_;
    restore();
    return result_;
  }
  [[nodiscard]] const std::string& path() const { return path_; }
  [[nodiscard]] std::uint64_t newSize() const { return newSize_; }

 private:
  // Gives the metadata, starts the writeback of contents the batch will sync, and checks the
  // original; the batch does the rest.
  RewriteResult holdForBatch() {
    if (out_.keepMetadataOf(original_.fd()) != 0) result_.attributesRestored = false;
    // Contents that need no sync are left for the system to write when it will, as any program's.
    if (const int err = trashWanted_ ? 0 : out_.startWriteback(); err != 0) {
      (void)writeFailed(err);
      return result_;
    }
    if (!checkUnchanged()) return result_;
    rememberDosAttributes();
    result_.outcome = RewriteOutcome::Rewritten;
    result_.deferred = true;
    return result_;
  }

  // Gives the file up with outcome Failed; its line is added when the batch reports it, in order.
  bool holdFailure(std::function<void()> report) {
    heldFailure_ = std::move(report);
    return false;
  }

  // Elsewhere the extended attributes and permission bits carry every attribute over, and the
  // name its Hidden flag; a file system with attributes of its own may need them set again.
  void rememberDosAttributes() {
    dos_ = platform::keepsDosAttributes(original_.fd());
    attributes_ = dos_ ? GetAtt(path_) : 0;
  }

  bool openOriginal() {
    const int err = original_.open(path_);
    if (err == ELOOP || (err == 0 && original_.links() > 1)) {
      pipe_.addResult(msgMain(kMsgRewriteSkippedLink) + path_);
      return fail(RewriteOutcome::Skipped);
    }
    if (err != 0) return readFailed();
    return true;
  }

  bool writeContents() {
    if (const int err = out_.create(path_); err != 0) return writeFailed(err);
    if (original_.sparse()) out_.keepHoles();
    step(RewriteStep::TemporaryCreated);
    const std::uint64_t pieceSize = std::max<std::uint64_t>(options_.pieceSize, 1);
    const PiecePlan plan = planPieces(original_.size(), pieceSize);
    transform_.begin(original_.size());
    // The run's buffers when there is a session: a piece read into a buffer of its size already
    // neither allocates nor fills it first.
    std::string ownIn, ownProduced;
    std::string& in = session_ ? session_->in : ownIn;
    std::string& produced = session_ ? session_->produced : ownProduced;
    for (std::uint64_t j = 1; j <= plan.count; ++j) {
      const std::uint64_t offset = (j - 1) * pieceSize;
      const int err = original_.read(offset, j == plan.count ? plan.lastLength : pieceSize, in);
      if (err == ENODATA) return changedWhileRead();
      if (err != 0) return readFailed();
      produced.clear();
      transform_.piece(in, offset, produced);
      if (const int e = out_.write(produced); e != 0) return writeFailed(e);
      newSize_ += produced.size();
      step(RewriteStep::PieceWritten);
      // Reporting progress yields to pending events: the one yield of the piece, after which
      // Cancel or Skip ends the file.
      pipe_.updateProgress(static_cast<double>(index_ - 1) +
                           static_cast<double>(j) / static_cast<double>(plan.count));
      if (pipe_.host().isCancel() != CancelState::Running) return fail(RewriteOutcome::Cancelled);
    }
    produced.clear();
    transform_.finish(produced);
    newSize_ += produced.size();
    const int err = out_.write(produced);
    return err == 0 || writeFailed(err);
  }

  // Whether the original goes to the trash: the settings' of now, read once per file.
  [[nodiscard]] bool trashWanted() const {
    return options_.replaced == ReplacedContents::FollowSettings && pipe_.flags().recycleContent &&
           !pipe_.trashWaived(path_);
  }

  // Gives the new contents the original's metadata and syncs them, unless the original goes to the
  // trash (see the top of this file).
  bool readyWithMetadata() {
    // Metadata that cannot be kept is reported after the rename, as the attributes are.
    if (out_.keepMetadataOf(original_.fd()) != 0) result_.attributesRestored = false;
    if (!trashWanted_) {
      if (const int err = out_.sync(); err != 0) return writeFailed(err);
    }
    step(RewriteStep::TemporaryReady);
    return true;
  }

  bool checkUnchanged() { return original_.unchanged() || changedWhileRead(); }

  // Looked at again right before the rename: a writer that appended while the original went to
  // the trash would otherwise lose those bytes with the old file. (The trash's hard link changed
  // the change time: size and modification time tell a write.) A look cannot see a writer that
  // has the file open and writes a moment later, into the old file: the write lease taken first
  // can (a writer's open breaks it, and the rename checks it).
  bool stillUnchanged() {
    if (takeLease()) {
      step(RewriteStep::LastLook);
      if (original_.contentsUnchanged()) return true;
    }
    lease_.release();
    (void)platform::withdrawFromTrash(trashCopy_);
    return changedWhileRead();
  }

  // False while a writer keeps the file open for writing (after a few short waits, which a writer
  // that opens, appends and closes leaves room for). A file system or an owner that grants no
  // lease leaves the look alone to tell.
  bool takeLease() {
    constexpr int kTries = 20;
    constexpr timespec kPause{.tv_sec = 0, .tv_nsec = 2000000};
    for (int tries = 1;; ++tries) {
      const platform::LeaseState state = lease_.take(original_.fd());
      leased_ = state == platform::LeaseState::Taken;
      if (state != platform::LeaseState::Busy) return true;
      if (tries == kTries) return false;
      ::nanosleep(&kPause, nullptr);
    }
  }

  bool keepOriginalInTrash() {
    if (!trashWanted_) return true;
    // A file on its own keeps its trash folders, and the record of its link, until its rename.
    if (!session_) ownTrash_ = std::make_unique<platform::TrashCopies>();
    platform::TrashCopies& trash = session_ ? session_->trash : *ownTrash_;
    const int err = trash.copy(path_, trashCopy_, original_.fd());
    if (err != 0) return trashFailed();
    step(RewriteStep::OriginalInTrash);
    return true;
  }

  bool trashFailed() {
    pipe_.addResult(msgMain(79) + withBlank(msgForm(m_.removeLabel)) + msgMain(80) + path_);
    return fail(RewriteOutcome::Failed);
  }

  bool replace() {
    // Where the original's trash entry is on the disk, it keeps the old contents: the new ones
    // are not synced, nor is the rename (nothing but the new contents depends on it). Elsewhere,
    // in a session, the folder is synced once after its last file (RewriteSession::syncFolders):
    // the new contents were synced before their rename, which is atomic, so a crash before the
    // folder's sync can only leave a file with its old contents. Only the durability of the new
    // contents waits.
    // A writer that opened the file since the last look waits on the lease, to write into the
    // old file once it is let go: that file stays then, and the writer finds it in place.
    const bool kept = hasTrashCopy();
    out_.replacing(kept ? platform::Durability::SourceStays : platform::Durability::OnlyCopyAtStake);
    const bool syncFolder = !session_ && !kept;
    if (leased_ && !lease_.intact()) {
      lease_.release();
      (void)platform::withdrawFromTrash(trashCopy_);
      return changedWhileRead();
    }
    const int err = leased_ ? out_.commitExchanging(syncFolder)
                    : syncFolder ? out_.commit()
                                 : out_.commitFolderUnsynced();
    // A writer that looked the file up before the swap and opened it since waits on the lease too:
    // the swap is undone, and the writer goes on into the old file at its path.
    if (err == 0 && out_.exchanged()) {
      if (!lease_.intact() && out_.undoExchange() == 0) {
        lease_.release();
        (void)platform::withdrawFromTrash(trashCopy_);
        return changedWhileRead();
      }
      (void)out_.keepExchanged(syncFolder);
    }
    lease_.release();
    if (err == 0 && session_ && !kept) session_->folders.add(out_);
    if (err != 0) {
      // The original is still in place, so its copy leaves the trash again.
      (void)platform::withdrawFromTrash(trashCopy_);
      pipe_.addResult(msgMain(83) + withBlank(msgForm(m_.renameLabel)) + msgMain(81) + ": " + out_.path() +
                      msgMain(84) + path_);
      return fail(RewriteOutcome::Failed);
    }
    step(RewriteStep::Replaced);
    result_.outcome = RewriteOutcome::Rewritten;
    return true;
  }

  // The rename carried mode, owner and attributes; the creation time it cannot (the notice), and a
  // file system with attributes of its own (vfat) may need them set again.
  void restore() {
    if (options_.logRewritten) pipe_.addToLog(pipe_.resultsText(), path_ + kCrLf);
    if (!platform::canSetCreationTime()) raiseCreationTimeNotice();
    if (dos_ && GetAtt(path_) != attributes_ && SetAtt(path_, attributes_) != 0) result_.attributesRestored = false;
    if (!result_.attributesRestored)
      pipe_.addResult(msgForm(m_.restoreBefore) + path_ + msgForm(m_.restoreAfter));
  }

  bool readFailed() {
    pipe_.addResult(msgMain(85) + path_);
    if (m_.readFailed != 0) pipe_.addResult(msgForm(m_.readFailed) + path_);
    return fail(RewriteOutcome::Failed);
  }

  // The file that kept its contents, and what the system said (a read-only folder is no full
  // disk): the temporary file is gone by the time anyone reads the line.
  bool writeFailed(int err) {
    pipe_.addResult(msgForm(m_.writeFailed) + path_ + systemReason(err));
    return fail(RewriteOutcome::Failed);
  }

  bool changedWhileRead() {
    pipe_.addResult(msgMain(kMsgRewriteChangedWhileRead) + path_);
    return fail(RewriteOutcome::Skipped);
  }

  // Ends the file with outcome, the original untouched and the temporary file removed.
  bool fail(RewriteOutcome outcome) {
    (void)leave(outcome);
    return false;
  }

  RewriteResult leave(RewriteOutcome outcome) {
    result_.outcome = outcome;
    result_.attributesRestored = true;
    result_.deferred = false;
    if (out_.discard() != 0) (void)pipe_.removeFile(out_.path(), "_t", "", RemoveKind::Delete);
    return result_;
  }

  void step(RewriteStep s) {
    if (options_.onStep) options_.onStep(s);
  }

  // Copies: a file held for a batch outlives the caller's path and options. The transform is
  // used only before that.
  Pipeline& pipe_;
  const std::string path_;
  const long long index_;
  ContentTransform& transform_;
  const RewriteOptions options_;
  const RewriteMessages& m_;
  RewriteSession::Shared* session_;
  platform::OriginalFile original_;
  platform::ReplacementFile out_;
  platform::TrashEntry trashCopy_;
  std::unique_ptr<platform::TrashCopies> ownTrash_;
  platform::WriteLease lease_;  // on original_, from the last look to the rename
  bool leased_ = false;
  RewriteResult result_;
  bool dos_ = false;
  std::uint8_t attributes_ = 0;
  bool trashWanted_ = false;
  std::uint64_t newSize_ = 0;
  std::function<void()> heldFailure_;
};

}  // namespace

// Why every file of a batch is old or new after a kill, and keeps its old or new contents after a
// power loss, at every instant: until its rename a file's path holds the untouched original, and
// nothing is renamed before its trash copy (placed whole, then synced with the batch's others) or,
// where the original goes nowhere, its new contents are synced to the disk: the batch's copies
// first, then the new contents that need it. The last look at the original comes right before its
// own rename, as for a file on its own. A file whose sync or trash copy fails is given up whole:
// its temporary file removed, its trash copy withdrawn. Only the durability of the renames waits
// for the folder's sync.
void RewriteSession::Shared::commitBatch() {
  if (committing || batch.empty()) return;
  committing = true;
  std::vector<std::unique_ptr<FileRewrite>> files;
  files.swap(batch);
  batchBytes = 0;
  // The trash copies are placed and synced first (TrashCopies::syncCopies: one syncfs, or each
  // entry on its own where the new contents it would wait for are many); then the new contents
  // of files whose originals go nowhere, whose writeback started when each was held.
  std::vector<FileRewrite*> live;
  bool copies = false;
  std::uint64_t unsynced = 0;  // new contents of files whose originals go to the trash
  for (const auto& f : files) {
    if (!f->trashHeld()) continue;
    live.push_back(f.get());
    copies = copies || f->hasTrashCopy();
    if (f->hasTrashCopy()) unsynced += f->newSize();
  }
  if (copies && trash.syncCopies(unsynced) != 0) {
    for (FileRewrite* f : live)
      if (f->hasTrashCopy()) f->trashNotSynced();
  }
  std::vector<FileRewrite*> toSync;
  std::vector<platform::ReplacementFile*> temporaries;
  for (FileRewrite* f : live) {
    if (f->givenUp()) continue;
    // Its original stays in the trash: its new contents need no sync.
    if (f->hasTrashCopy()) {
      (void)f->synced(0);
      continue;
    }
    toSync.push_back(f);
    temporaries.push_back(&f->temporary());
  }
  // That sync also makes the renames of the batches before durable: their folders need no sync
  // of their own.
  if (!temporaries.empty()) {
    const std::vector<int> errs = platform::ReplacementFile::syncTogether(temporaries, &folders);
    for (std::size_t i = 0; i < toSync.size(); ++i) (void)toSync[i]->synced(errs[i]);
  }
  for (const auto& f : files) {
    const RewriteResult r = f->commitHeld();
    if (onOutcome) onOutcome(f->path(), r);
  }
  // Every original of the batch is replaced or its copy taken out again.
  trash.copiesSettled();
  committing = false;
}

RewriteSession::RewriteSession() : shared_(std::make_unique<Shared>()) {
  // A run killed between its trash links and its renames left originals with a second name in the
  // trash, which the check for several hard links would refuse: settled before any file is looked at.
  (void)platform::settleInterruptedTrashLinks();
}

RewriteSession::RewriteSession(Pipeline& pipe, OutcomeFn onOutcome) : RewriteSession() {
  shared_->pipe = &pipe;
  shared_->onOutcome = std::move(onOutcome);
  // A line about another file would otherwise come before the lines of files still held.
  shared_->previousHook = pipe.setBeforeResult([s = shared_.get()] { s->commitBatch(); });
}

RewriteSession::~RewriteSession() {
  if (!shared_->batched()) return;
  shared_->commitBatch();
  (void)shared_->pipe->setBeforeResult(std::move(shared_->previousHook));
  shared_->folders.syncAll();
}

void RewriteSession::commitBatch() { shared_->commitBatch(); }

void RewriteSession::syncFolders() {
  shared_->commitBatch();
  // In batches, the next batch's sync of the file system makes these renames durable with its own
  // new contents (the session's end syncs what the last batch left): a crash before only finds a
  // file's old contents, its trash copy beside it.
  if (!shared_->batched()) shared_->folders.syncAll();
}

PiecePlan planPieces(std::uint64_t size, std::uint64_t pieceSize) {
  pieceSize = std::max<std::uint64_t>(pieceSize, 1);
  if (size <= pieceSize) return {1, size};
  const std::uint64_t count = size / pieceSize + (size % pieceSize != 0 ? 1 : 0);
  return {count, size - (count - 1) * pieceSize};
}

RewriteResult rewriteContents(Pipeline& pipe, const std::string& path, long long index,
                              ContentTransform& transform, const RewriteOptions& options) {
  RewriteSession::Shared* session = options.session ? &options.session->shared() : nullptr;
  if (session == nullptr) {
    // As a session does when it starts; without one, once per process (a killed run ended its
    // process, so this is the first rewrite after it).
    static std::once_flag settled;
    std::call_once(settled, [] { (void)platform::settleInterruptedTrashLinks(); });
  }
  if (session == nullptr || !session->batched()) return FileRewrite(pipe, path, index, transform, options).run();
  auto file = std::make_unique<FileRewrite>(pipe, path, index, transform, options);
  const RewriteResult result = file->run();
  if (!result.deferred) return result;
  session->batchBytes += file->newSize();
  session->batch.push_back(std::move(file));
  if (session->batch.size() >= RewriteSession::kBatchFiles || session->batchBytes >= RewriteSession::kBatchBytes)
    session->commitBatch();
  return result;
}

}  // namespace core
