// Per-file checks and logged file steps: checkFileUsable, removeFile, renameLogged, the chunked
// copy, saveTextFile and the folder and drive checks. Failures become lines of the results log.
#include "core/pipeline.h"

#include "core/file_content.h"
#include "core/file_errors.h"
#include "core/file_paths.h"
#include "core/file_times.h"
#include "core/settings.h"
#include "core/state.h"
#include "core/vb.h"
#include "platform/file_head.h"
#include "platform/fs.h"
#include "platform/hidden_list.h"
#include "platform/hidden_moves.h"
#include "platform/mounts.h"
#include "platform/replacement_file.h"
#include "platform/resolved_path.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>

namespace core {

using vb::Val;

namespace {

constexpr std::uint64_t kPiece = 1000000;          // characters per save piece
constexpr std::size_t kBinaryProbe = 35;           // bytes the binary test looks at

// Bytes 9 to 13 (tab, LF, VT, FF, CR) and 32 upward are text; the rest of the control range is not.
bool looksBinary(std::string_view head) {
  return std::any_of(head.begin(), head.end(), [](char c) {
    const auto b = static_cast<unsigned char>(c);
    return b < 9 || (b >= 14 && b <= 31);
  });
}

platform::OpenAccess openAccessFor(Access access) {
  switch (access) {
    case Access::Read: return platform::OpenAccess::Read;
    case Access::Write: return platform::OpenAccess::Write;
    case Access::ReadWrite:
    case Access::None: break;
  }
  return platform::OpenAccess::ReadWrite;
}

std::string withBlank(std::string text) { return text.empty() ? text : " " + text; }

constexpr std::uint32_t kWriteBits = 0222;

// A folder's ".hidden" is the record of the Hidden flag of its entries, not a file of the user's.
bool isHiddenRecord(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return platform::isHiddenFileName(slash == std::string::npos ? std::string_view(path)
                                                                : std::string_view(path).substr(slash + 1));
}

}  // namespace

int Pipeline::checkFileUsable(const std::string& path, const UsableChecks& checks) {
  recordFileSize(0);
  if (isHiddenRecord(path)) {
    if (checks.log) addResult(msgMain(23) + path);
    return 0;
  }
  if (checks.access == Access::None) return entryUsable(path, checks);
  // What was opened stays open for the step only when the file passes.
  struct DropUnlessUsable {
    platform::HeldFile* file;
    bool usable = false;
    ~DropUnlessUsable() {
      if (file && !usable) file->reset();
    }
  } held{checks.keep};
  // One open and at most 35 bytes read per file: runs call this for every file they touch.
  const bool wantHead = checks.binaryTest && flags_.protectOn;
  const std::size_t headBytes = wantHead ? kBinaryProbe : 0;
  const platform::OpenAccess access = openAccessFor(checks.access);
  platform::FileHead file;
  const bool listedFile = checks.listed && (checks.listed->attributes & kAttrSystem) == 0;
  int err = platform::openAndReadHead(path, access, headBytes, file, checks.keep,
                                      listedFile ? platform::TypeCheck::Listed : platform::TypeCheck::ByName);
  if (file.type == platform::FileType::Symlink && checks.access == Access::Read) {
    // A reader reads through a link to a regular file (the list shows it as a file); the target is
    // checked as the file itself would be. Tools that change things never follow a link.
    if (const std::optional<std::string> target = platform::resolvedPath(path)) {
      err = platform::openAndReadHead(*target, access, headBytes, file, checks.keep);
      if (checks.keep) checks.keep->setThroughLink();
    }
  }
  // FIFOs, devices, sockets and links count as system files: refused before anything opens them
  // (a FIFO would hang the run), protection or not. There is no System attribute otherwise.
  if (file.type != platform::FileType::Regular && file.type != platform::FileType::Missing) {
    if (checks.log) addResult(msgMain(23) + path);
    return 0;
  }
  // R is read-only for every user: root, who opens any file for writing, is refused too.
  const bool writes = checks.access == Access::Write || checks.access == Access::ReadWrite;
  if (err != 0 || (writes && (file.mode & kWriteBits) == 0)) {
    addResult(path + msgMain(102));
    return 0;
  }
  recordFileSize(file.size);
  if (file.size == 0 && checks.skipEmpty) {
    if (checks.log) addResult(msgMain(115) + path);
    return 0;
  }
  if (looksBinary(file.head)) {  // empty unless wantHead
    if (checks.log) addResult(msgMain(23) + path);
    return 0;
  }
  held.usable = true;
  return 1;
}

int Pipeline::entryUsable(const std::string& path, const UsableChecks& checks) {
  // Nothing is opened: the entry's own type and size (a symbolic link as itself).
  const platform::FileStatus st = checks.status ? *checks.status : platform::fileStatus(path, false);
  if (st.type == platform::FileType::Missing) {
    addResult(path + msgMain(102));
    return 0;
  }
  if (st.type != platform::FileType::Regular && st.type != platform::FileType::Symlink) {
    if (checks.log) addResult(msgMain(23) + path);
    return 0;
  }
  recordFileSize(st.size);
  if (st.size == 0 && checks.skipEmpty) {
    if (checks.log) addResult(msgMain(115) + path);
    return 0;
  }
  return 1;
}

int Pipeline::recycleFile(const std::string& path) { return platform::moveToTrash(path); }

void Pipeline::record(StepKind kind, const std::string& from, const std::string& to) {
  if (recorder_) recorder_->stepDone({.kind = kind, .from = from, .to = to, .when = std::chrono::system_clock::now()});
}

void Pipeline::announce(const StepRecord& step) {
  if (recorder_) recorder_->stepStarting(step);
}

void Pipeline::settleStep(const StepRecord& step, bool done) {
  if (!recorder_) return;
  if (!done) {
    recorder_->stepAbandoned(step);
    return;
  }
  StepRecord at = step;
  at.when = std::chrono::system_clock::now();
  recorder_->stepDone(at);
}

StepRecord Pipeline::renameStep(const std::string& from, const std::string& to) const {
  StepRecord step{.kind = StepKind::Renamed, .from = from, .to = to};
  // A rename keeps the inode: the file at to afterwards is the one at from now. One lstat per
  // rename, for runs that keep a journal only.
  if (recorder_) {
    const platform::FileStatus st = platform::fileStatus(from, false);
    if (st.error == 0) step.identity = st.identity;
  }
  return step;
}

bool Pipeline::fixedDrive(const std::string& path) const {
  return mounts_.isFixedDrive ? mounts_.isFixedDrive(path) : platform::isFixedDrive(path);
}

std::string Pipeline::mountPointOf(const std::string& path) const {
  if (mounts_.mountPoint) return mounts_.mountPoint(path);
  const std::optional<platform::MountEntry> mount = platform::mountOf(path);
  return mount ? mount->mountPoint : std::string();
}

bool Pipeline::trashWaived(const std::string& path) const {
  return agreement_ && agreement_->form == opForm_ && !agreement_->mountPoint.empty() &&
         mountPointOf(path) == agreement_->mountPoint;
}

int Pipeline::removeFile(const std::string& path, std::string label, std::string note, RemoveKind kind) {
  if (kind == RemoveKind::Deleted && !flags_.useRecycle) kind = RemoveKind::Delete;
  if (kind == RemoveKind::Replaced) kind = flags_.recycleContent ? RemoveKind::Deleted : RemoveKind::Delete;
  if (label == "_t") {
    kind = RemoveKind::Delete;
    label = msgMain(78);
  }
  label = withBlank(std::move(label));
  note = withBlank(std::move(note));
  // Deleted for good instead of trashed only on the mount the user agreed to for this run (one walk
  // may cross onto other mounts); anywhere else the trash, and where it does not work the file is
  // kept and logged.
  if (kind != RemoveKind::Delete && kind != RemoveKind::Recycle && trashWaived(path)) kind = RemoveKind::Delete;
  const bool toTrash = kind != RemoveKind::Delete;
  const int failed = toTrash ? recycleFile(path) : KillFile(path);
  if (failed != 0) {
    // "Could not delete: path (reason)", the label (when there is one) before the colon.
    std::string head = msgMain(79);
    while (!head.empty() && head.back() == ' ') head.pop_back();
    addResult(head + label + msgMain(80) + path + note + (toTrash ? systemReason(failed) : errorReason(failed)));
    return 1;
  }
  hiddenMoves_->removed(path);
  record(toTrash ? StepKind::Trashed : StepKind::Deleted, path, {});
  return 0;
}

int Pipeline::rename(const std::string& oldPath, const std::string& newPath) {
  const StepRecord step = renameStep(oldPath, newPath);
  hiddenMoves_->moving(oldPath, newPath);  // a kill after the rename finds the entry as hidden as before
  announce(step);
  const int result = Rename(oldPath, newPath);
  hiddenMoves_->moved(oldPath, newPath, result == 0);
  settleStep(step, result == 0);
  return result;
}

void Pipeline::writeHiddenMoves() {
  if (!hiddenMoves_->pending()) return;
  for (const std::string& file : hiddenMoves_->flush()) addResult(msgMain(kMsgHiddenNotKept) + file);
  for (const std::string& path : hiddenMoves_->takeFlagsLost()) addResult(msgMain(kMsgHiddenFlagLost) + path);
}

int Pipeline::renameLogged(const std::string& oldPath, const std::string& newPath, std::string label,
                           ItemKind kind) {
  if (oldPath == newPath) return 58;
  label = withBlank(std::move(label)) + msgMain(kind == ItemKind::File ? 81 : 82);
  const int result = rename(oldPath, newPath);
  if (result != 0) addResult(msgMain(83) + label + ": " + oldPath + msgMain(84) + newPath + errorReason(result));
  return result;
}

std::optional<std::string> Pipeline::readFileLogged(const std::string& path, std::uint64_t start,
                                                    std::uint64_t length) {
  std::optional<std::string> data = readBits(path, start, length);
  if (!data) addResult(msgMain(85) + path);
  return data;
}

int Pipeline::checkDriveForRecycle(ToolForm* form, const std::string& path) {
  agreement_.reset();
  const bool recycling = Val(getSet("sendDeleted")) == 0 || Val(getSet("sendContent")) == 0;
  if (!recycling || fixedDrive(path)) return 1;
  const std::string mountPoint = mountPointOf(path);
  if (host_.respond(form, "", msgMain(112) + (mountPoint.empty() ? path : mountPoint), "W") != kAnswerYes) return 0;
  agreement_ = TrashlessAgreement{form, mountPoint};
  return 1;
}

int Pipeline::checkFolderWritable(const std::string& folder) {
  // The probe has the temporary files' name: should the program die before it is removed, the
  // next run in that folder takes it away.
  platform::ReplacementFile probe;
  if (probe.create(AddSlash(folder) + "probe") == 0 && probe.discard() == 0) return 0;
  // Shown as it stands: names are case-sensitive here, a lower-cased path would name another folder.
  host_.respond(nullptr, "O", msgMain(96) + folder + msgMain(97), "N");
  return 7;
}

int Pipeline::saveTextFile(ToolForm* caller, const std::string& path, std::string_view text) {
  bool append = false;
  const platform::FileStatus st = platform::fileStatus(path, true);
  if (st.type != platform::FileType::Missing) {
    const RespondAnswer answer = host_.respond(caller, "OAC", msgMain(86), "W");
    if (answer != kAnswerFirst && answer != kAnswerSecond) return 1;
    append = answer == kAnswerSecond;
  }
  enum { kSaved = 0, kSaveCancelled = -1, kSaveFailed = -3 };
  int code = kSaveFailed;
  // The new contents are assembled in a temporary file beside the target, which replaces the
  // target only once complete: Cancel or a failure leaves the old file untouched.
  platform::ReplacementFile out;
  const bool targetUsable = st.type == platform::FileType::Missing || st.type == platform::FileType::Regular;
  if (targetUsable && out.create(path, st.type == platform::FileType::Missing ? 0666 : 0600) == 0) {
    // An old file's permission bits and attributes stay; one that cannot take them all still saves.
    if (st.type == platform::FileType::Regular) (void)out.keepMetadataOf(path);
    bool ok = true;
    for (std::uint64_t offset = 0; append && ok && offset < st.size; offset += kPiece) {
      const platform::ReadResult old = platform::readRange(path, offset, kPiece);
      ok = old.error == 0 && !old.data.empty() && out.write(old.data) == 0;
    }
    if (ok && text.size() <= kPiece) {
      code = out.write(text) == 0 ? kSaved : kSaveFailed;
    } else if (ok) {
      host_.showProgress(caller);
      setProgressCaption(msgMain(87));
      const std::uint64_t pieces = (text.size() + kPiece - 1) / kPiece;
      resetProgress(static_cast<long long>(pieces));
      code = kSaved;
      for (std::uint64_t i = 0; i < pieces; ++i) {
        if (out.write(text.substr(i * kPiece, kPiece)) != 0) {
          code = kSaveFailed;
          break;
        }
        updateProgress(0, 1);
        if (host_.isCancel() == CancelState::Cancelled) {
          code = kSaveCancelled;
          break;
        }
      }
      host_.hideProgress(caller, false);
    }
    if (code == kSaved && out.commit() != 0) code = kSaveFailed;
    if (code != kSaved) (void)out.discard();
  }
  if (code == kSaved) {
    host_.respond(caller, "O", msgMain(91), msgMain(92));
    return 0;
  }
  if (code == kSaveCancelled) {
    host_.setCancel(CancelState::Running);
    host_.respond(caller, "O", msgMain(88), msgMain(89));
  } else {
    host_.respond(caller, "O", msgMain(90), "E");
  }
  return 1;
}

std::string Pipeline::splitFileName(const std::string& path, long long& counter) {
  if (counter == 0) return {};
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::size_t dot = extensionDot(name);
  const std::string base = dot == std::string::npos ? name : name.substr(0, dot);
  const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
  for (long long n = counter;; ++n) {
    std::string candidate = folder + base + std::to_string(n) + ext;
    if (FileExist(candidate) == 0) {
      counter = n;
      return candidate;
    }
  }
}

}  // namespace core
