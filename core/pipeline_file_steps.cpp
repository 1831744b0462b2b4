// Per-file checks and logged file steps: checkFileUsable, removeFile, renameLogged, the chunked
// copy, saveTextFile and the folder and drive checks. Failures become lines of the results log.
#include "core/pipeline.h"

#include "core/file_content.h"
#include "core/file_paths.h"
#include "core/file_times.h"
#include "core/settings.h"
#include "core/state.h"
#include "core/vb.h"
#include "platform/file_head.h"
#include "platform/fs.h"
#include "platform/mounts.h"

#include <QSaveFile>

#include <algorithm>
#include <optional>

namespace core {

using vb::qpath;
using vb::Val;

namespace {

constexpr std::uint64_t kPiece = 1000000;          // bytes per copy piece, characters per save piece
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
    case Access::ReadWrite: break;
  }
  return platform::OpenAccess::ReadWrite;
}

std::string withBlank(std::string text) { return text.empty() ? text : " " + text; }

}  // namespace

int Pipeline::checkFileUsable(const std::string& path, bool binaryTest, bool skipEmpty,
                              bool systemTest, bool log, Access access) {
  recordFileSize(0);
  // One open and at most 35 bytes read per file: runs call this for every file they touch.
  const bool wantHead = binaryTest && flags_.protectOn;
  platform::FileHead file;
  const int err = platform::openAndReadHead(path, openAccessFor(access), wantHead ? kBinaryProbe : 0, file);
  // FIFOs, devices, sockets and links count as system files: refused before anything opens them
  // (a FIFO would hang the run), protection or not. The System attribute means nothing else here,
  // so systemTest adds no test of its own.
  (void)systemTest;
  if (file.type != platform::FileType::Regular && file.type != platform::FileType::Missing) {
    if (log) addResult(msgMain(23) + path);
    return 0;
  }
  if (err != 0) {
    addResult(path + msgMain(102));
    return 0;
  }
  recordFileSize(file.size);
  if (file.size == 0 && skipEmpty) {
    if (log) addResult(msgMain(115) + path);
    return 0;
  }
  if (!wantHead) return 1;
  if (looksBinary(file.head)) {
    if (log) addResult(msgMain(23) + path);
    return 0;
  }
  return 1;
}

int Pipeline::recycleFile(const std::string& path) { return platform::moveToTrash(path); }

int Pipeline::removeFile(const std::string& path, std::string label, std::string note, int kind) {
  if (kind == kRemoveDeleted && !flags_.useRecycle) kind = kRemoveDelete;
  if (kind == kRemoveReplaced) kind = flags_.recycleContent ? kRemoveDeleted : kRemoveDelete;
  if (label == "_t") {
    kind = kRemoveDelete;
    label = msgMain(78);
  }
  label = withBlank(std::move(label));
  note = withBlank(std::move(note));
  // A file meant for the trash goes there or stays: off a fixed drive the trash is still tried,
  // and where it does not work the file is kept and logged, never deleted for good.
  const int failed = kind != kRemoveDelete ? recycleFile(path) : KillFile(path);
  if (failed != 0) {
    addResult(msgMain(79) + label + msgMain(80) + path + note);
    return 1;
  }
  return 0;
}

int Pipeline::renameLogged(const std::string& oldPath, const std::string& newPath, std::string label,
                           bool isFile) {
  if (oldPath == newPath) return 58;
  label = withBlank(std::move(label)) + msgMain(isFile ? 81 : 82);
  const int result = Rename(oldPath, newPath);
  if (result != 0) addResult(msgMain(83) + label + ": " + oldPath + msgMain(84) + newPath);
  return result;
}

std::string Pipeline::readFileLogged(const std::string& path, std::uint64_t start,
                                     std::uint64_t length) {
  const platform::ReadResult r = platform::readRange(path, start > 0 ? start - 1 : 0, length);
  if (r.error != 0) {
    addResult(msgMain(85) + path);
    return std::string(kErr);
  }
  return r.data;
}

int Pipeline::copyFileChunked(const std::string& source, const std::string& destination) {
  const platform::FileStatus st = platform::fileStatus(source, true);
  if (st.type != platform::FileType::Regular) return 1;
  // Claimed exclusively: a destination that exists (or appears meanwhile) is never written into.
  if (platform::createExclusive(destination) != 0) return 1;
  recordFileSize(st.size);
  for (std::uint64_t offset = 0; offset < st.size; offset += kPiece) {
    const std::uint64_t length = std::min(kPiece, st.size - offset);
    const platform::ReadResult piece = platform::readRange(source, offset, length);
    bool ok = piece.error == 0 && piece.data.size() == length &&
              platform::writeAt(destination, offset, piece.data) == 0;
    if (ok) {
      host_.doEvents();
      ok = host_.isCancel() == kRunning;
    }
    if (!ok) {
      (void)KillFile(destination);
      return 1;
    }
  }
  return 0;
}

int Pipeline::checkDriveForRecycle(const std::string& path) {
  const bool recycling = Val(getSet("sendDeleted")) == 0 || Val(getSet("sendContent")) == 0;
  if (!recycling || platform::isFixedDrive(path)) return 1;
  const std::optional<platform::MountEntry> mount = platform::mountOf(path);
  const std::string drive = mount ? mount->mountPoint : path;
  return host_.respond(opForm_, "", msgMain(112) + drive, "W") == kAnswerYes ? 1 : 0;
}

int Pipeline::checkFolderWritable(const std::string& folder) {
  const std::string probe = TmpFileName(AddSlash(folder));
  if (!probe.empty() && KillFile(probe) == 0) return 0;
  if (!probe.empty()) (void)KillFile(probe);
  // Shown as it stands: names are case-sensitive here, a lower-cased path would name another folder.
  host_.respond(nullptr, "O", msgMain(96) + folder + msgMain(97), "N");
  return 7;
}

int Pipeline::saveTextFile(ToolForm* caller, const std::string& path, std::string_view text) {
  bool append = false;
  const platform::FileStatus st = platform::fileStatus(path, true);
  if (st.type != platform::FileType::Missing) {
    const int answer = host_.respond(caller, "OAC", msgMain(86), "W");
    if (answer != kAnswerFirst && answer != kAnswerSecond) return 1;
    append = answer == kAnswerSecond;
  }
  enum { kSaved = 0, kSaveCancelled = -1, kSaveFailed = -3 };
  int code = kSaveFailed;
  // The new contents are assembled in a temporary file beside the target, which replaces the
  // target only once complete: Cancel or a failure leaves the old file untouched.
  QSaveFile out(qpath(path));
  out.setDirectWriteFallback(false);
  const bool targetUsable = st.type == platform::FileType::Missing || st.type == platform::FileType::Regular;
  if (targetUsable && out.open(QIODevice::WriteOnly)) {
    bool ok = true;
    for (std::uint64_t offset = 0; append && ok && offset < st.size; offset += kPiece) {
      const platform::ReadResult old = platform::readRange(path, offset, kPiece);
      ok = old.error == 0 && !old.data.empty() &&
           out.write(old.data.data(), static_cast<qint64>(old.data.size())) ==
               static_cast<qint64>(old.data.size());
    }
    if (ok && text.size() <= kPiece) {
      ok = out.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
      code = ok ? kSaved : kSaveFailed;
    } else if (ok) {
      host_.showProgress(caller);
      setProgressCaption(msgMain(87));
      const std::uint64_t pieces = (text.size() + kPiece - 1) / kPiece;
      resetProgress(static_cast<long long>(pieces));
      code = kSaved;
      for (std::uint64_t i = 0; i < pieces; ++i) {
        const std::string_view piece = text.substr(i * kPiece, kPiece);
        if (out.write(piece.data(), static_cast<qint64>(piece.size())) != static_cast<qint64>(piece.size())) {
          code = kSaveFailed;
          break;
        }
        updateProgress(0, 1);
        if (host_.isCancel() == kCancelled) {
          code = kSaveCancelled;
          break;
        }
      }
      host_.hideProgress(caller, false);
    }
    if (code == kSaved && !out.commit()) code = kSaveFailed;
    if (code != kSaved) out.cancelWriting();
  }
  if (code == kSaved) {
    host_.respond(caller, "O", msgMain(91), msgMain(92));
    return 0;
  }
  if (code == kSaveCancelled) {
    host_.setCancel(kRunning);
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
  const std::size_t dot = name.rfind('.');
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
