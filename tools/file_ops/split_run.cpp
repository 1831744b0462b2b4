#include "tools/file_ops/split_run.h"

#include "core/data_files.h"
#include "core/file_content.h"
#include "core/message_table.h"
#include "core/file_paths.h"
#include "core/run_driver.h"
#include "core/state.h"
#include "tools/file_ops/split_new_file.h"
#include "tools/file_ops/split_pieces.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <vector>

namespace tools::file_ops {

namespace {

const std::string kCrLf = "\r\n";

// Linux names hold at most 255 bytes.
constexpr std::size_t kMaxNameBytes = 255;

std::uint64_t sizeOf(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
}

class SplitRun {
 public:
  SplitRun(core::Pipeline& pipe, const SplitOptions& options, const core::MessageTable& msg)
      : pipe_(pipe), options_(options), msg_(msg) {}

  core::StepResult step(core::RunItem& item);

 private:
  enum class Written { Done, Failed, Cancelled };
  Written writePieces(core::RunItem& item, const SplitPlan& plan, std::vector<std::string>& created);
  void removeCreated(const std::string& path, const std::vector<std::string>& created);
  void writeScript(const std::string& folder, const std::string& name, std::uint64_t count);
  void deleteSource(const std::string& path, std::uint64_t size, const std::vector<std::string>& pieces);

  core::Pipeline& pipe_;
  const SplitOptions& options_;
  const core::MessageTable& msg_;
  std::string folderPassedOver_;  // a piece name was too long here: the rest of the folder waits
};

core::StepResult SplitRun::step(core::RunItem& item) {
  const std::string& folder = item.folder();
  const std::string& name = item.name();
  const std::string path = item.path();
  if (folder == folderPassedOver_) return core::StepResult::Skipped;
  if (pipe_.checkFileUsable(path, {.access = core::Access::Read}) == 0) return core::StepResult::Skipped;
  const std::uint64_t size = static_cast<std::uint64_t>(core::coreState().fileSize);
  if (size <= options_.pieceSize) {
    pipe_.addResult(msg_(4) + path + msg_(5));
    return core::StepResult::Skipped;
  }
  const SplitPlan plan = planSplit(size, options_.pieceSize);
  if (plan.count > kSplitMaxPieces) {
    pipe_.addResult(msg_(6) + path + msg_(7));
    return core::StepResult::Skipped;
  }
  // Every piece name has the same length, and every one must be free before the first is
  // written: a new piece beside an older split's pieces would join into a wrong file.
  const std::string longest = splitPieceName(name, plan.count, plan.count);
  if (longest.size() > kMaxNameBytes) {
    pipe_.addResult(msg_(8) + path + msg_(9) + longest + msg_(10));
    folderPassedOver_ = folder;
    return core::StepResult::Failed;
  }
  for (std::uint64_t i = 1; i <= plan.count; ++i) {
    const std::string piece = splitPieceName(name, plan.count, i);
    struct stat st {};
    if (::lstat((folder + piece).c_str(), &st) == 0) {
      pipe_.addResult(msg_(11) + piece + msg_(12));
      return core::StepResult::Failed;
    }
  }

  std::vector<std::string> created;
  switch (writePieces(item, plan, created)) {
    case Written::Done: break;
    case Written::Failed: return core::StepResult::Failed;
    case Written::Cancelled:
      removeCreated(path, created);
      return core::StepResult::Failed;
  }
  pipe_.addToLog(pipe_.resultsText(), path + kCrLf);
  if (options_.rejoinScript) writeScript(folder, name, plan.count);
  if (options_.deleteOriginal) deleteSource(path, size, created);
  return core::StepResult::Done;
}

SplitRun::Written SplitRun::writePieces(core::RunItem& item, const SplitPlan& plan,
                                        std::vector<std::string>& created) {
  const std::string path = item.path();
  const std::uint64_t size = (plan.count - 1) * options_.pieceSize + plan.lastLength;
  // Read through a link to a regular file, as the usability check allowed; never wait on a FIFO.
  const int source = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat st {};
  if (source < 0 || ::fstat(source, &st) != 0 || !S_ISREG(st.st_mode)) {
    if (source >= 0) ::close(source);
    pipe_.addResult(core::msgMain(85) + path);
    return Written::Failed;
  }
  const auto result = [&](Written w) {
    ::close(source);
    return w;
  };
  std::uint64_t pos = 0;  // 0-based
  for (std::uint64_t index = 1; index <= plan.count; ++index) {
    const std::string name = splitPieceName(item.name(), plan.count, index);
    NewFile piece;
    if (piece.create(item.folder() + name) != 0) {
      pipe_.addResult(msg_(15) + item.folder() + name);
      return result(Written::Failed);
    }
    const std::uint64_t length = index == plan.count ? plan.lastLength : options_.pieceSize;
    // In chunks, with a look at Cancel after each: memory stays small and the window answers.
    for (std::uint64_t done = 0; done < length;) {
      const std::uint64_t chunk = std::min(kSplitChunk, length - done);
      if (const int err = piece.appendFrom(source, pos, chunk)) {
        // EIO: the file is shorter than when it was measured. The partial piece goes either way.
        pipe_.addResult((err == EIO ? msg_(13) : msg_(15)) + item.folder() + name);
        return result(Written::Failed);
      }
      done += chunk;
      pos += chunk;
      item.showProgressWithin(static_cast<double>(pos) / static_cast<double>(size));
      if (item.yieldAndPoll() != core::Poll::GoOn) return result(Written::Cancelled);  // piece abandoned
    }
    // Synced and then named: a piece is whole under its name, also before the source goes.
    if (piece.finish() != 0) {
      pipe_.addResult(msg_(15) + item.folder() + name);
      return result(Written::Failed);
    }
    created.push_back(piece.path());
  }
  return result(Written::Done);
}

void SplitRun::removeCreated(const std::string& path, const std::vector<std::string>& created) {
  bool failed = false;
  for (const std::string& piece : created) failed |= ::unlink(piece.c_str()) != 0 && errno != ENOENT;
  if (failed) pipe_.addResult(msg_(14) + path + " *" + std::string(kSplitMarker) + "*");
}

void SplitRun::writeScript(const std::string& folder, const std::string& name, std::uint64_t count) {
  const auto templateText = core::readBits(core::dataFile("BatTempl.txt"));
  if (!templateText) {
    pipe_.addResult(msg_(17) + name + msg_(18));
    return;
  }
  const auto script = rejoinScript(name, count, *templateText);
  if (!script) {
    pipe_.addResult(msg_(26) + folder + name);
    return;
  }
  // Never replaces a file (the source itself among them): a taken name gets a number.
  std::string target = folder + rejoinScriptName(name);
  long long counter = 1;
  if (core::FileExist(target) != 0 || target == folder + name) target = core::Pipeline::splitFileName(target, counter);
  NewFile file;
  if (file.create(target) != 0 || file.write(*script) != 0 || file.finish() != 0) {
    pipe_.addResult(msg_(19) + target);
    return;
  }
  // Runnable like any script the user writes: the umask decides who else may run it.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::chmod(target.c_str(), 0755 & ~mask);
}

void SplitRun::deleteSource(const std::string& path, std::uint64_t size, const std::vector<std::string>& pieces) {
  std::uint64_t total = 0;
  for (const std::string& piece : pieces) total += sizeOf(piece);
  if (total != size || sizeOf(path) != size) {
    pipe_.addResult(msg_(27) + path);
    return;
  }
  if (pipe_.checkFileUsable(path, {.log = false, .access = core::Access::None}) == 0) {
    pipe_.addResult(msg_(25) + path);
    return;
  }
  (void)pipe_.removeFile(path, "", "", core::RemoveKind::Deleted);
}

}  // namespace

SplitStart splitFiles(core::Pipeline& pipe, core::ToolForm* form, const SplitOptions& options,
                      const core::MessageTable& msg) {
  const std::string folder = pipe.host().dir1();
  if (pipe.checkFolderWritable(folder) != 0) return SplitStart::Refused;
  if (options.pieceSize == 0) {
    pipe.host().respond(form, "O", msg(1), "I");
    return SplitStart::ZeroSize;
  }
  if (options.deleteOriginal && pipe.checkDriveForRecycle(form, folder) == 0) return SplitStart::Refused;

  SplitRun run(pipe, options, msg);
  const std::string tab = options.deleteOriginal ? std::string() : "\t";
  core::runFiles(
      pipe, form,
      {.withSubfolders = options.withSubfolders,
       .withHidden = options.withHidden,
       .cadence = {.every = 61, .showEachItem = true},
       .caption = msg(3),
       .refresh = core::RefreshMode::ListOnly},
      [&](core::RunItem& item) { return run.step(item); },
      {.onStart = [&] { pipe.addToLog(pipe.resultsText(), msg(24) + msg(22) + tab + kCrLf); },
       .onEnd =
           [&](const core::RunOutcome& out) {
             if (out.done == 0) {
               pipe.resultsText().assign(msg(24) + msg(23));
             } else {
               pipe.addToLog(pipe.resultsText(), tab);
             }
           }});
  return SplitStart::Ran;
}

}  // namespace tools::file_ops
