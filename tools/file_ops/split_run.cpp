#include "tools/file_ops/split_run.h"

#include "core/data_files.h"
#include "core/file_content.h"
#include "core/message_table.h"
#include "core/file_paths.h"
#include "core/run_driver.h"
#include "core/state.h"
#include "platform/file_head.h"
#include "platform/fs.h"
#include "platform/new_file.h"
#include "tools/file_ops/split_pieces.h"

#include <cerrno>

#include <vector>

namespace tools::file_ops {

namespace {

const std::string kCrLf = "\r\n";

// Linux names hold at most 255 bytes.
constexpr std::size_t kMaxNameBytes = 255;

// The size of the regular file path names itself (not through a link); 0 when there is none.
std::uint64_t sizeOf(const std::string& path) {
  const platform::FileStatus st = platform::fileStatus(path, false);
  return st.type == platform::FileType::Regular ? st.size : 0;
}

bool taken(const std::string& path) { return platform::fileStatus(path, false).type != platform::FileType::Missing; }

class SplitRun {
 public:
  SplitRun(core::Pipeline& pipe, const SplitOptions& options, const core::MessageTable& msg)
      : pipe_(pipe), options_(options), msg_(msg) {}

  core::StepResult step(core::RunItem& item);

 private:
  enum class Written { Done, Failed, Cancelled };
  Written writePieces(core::RunItem& item, int source, const SplitPlan& plan, std::vector<std::string>& created);
  // The pieces and the script are the only copy of the file once it is deleted: then, and only
  // then, they are synced before they take their names.
  [[nodiscard]] platform::Durability durability() const {
    return options_.deleteOriginal ? platform::Durability::OnlyCopyAtStake : platform::Durability::SourceStays;
  }
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
  // The file stays open from its check: the pieces are cut from that very file (reached through a
  // link to a regular file, as readers are), never from whatever holds its name later.
  platform::HeldFile source;
  if (pipe_.checkFileUsable(path, {.access = core::Access::Read, .keep = &source, .listed = item.entry()}) == 0)
    return core::StepResult::Skipped;
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
    if (taken(folder + piece)) {
      pipe_.addResult(msg_(11) + piece + msg_(12));
      return core::StepResult::Failed;
    }
  }

  std::vector<std::string> created;
  switch (writePieces(item, source.fd(), plan, created)) {
    case Written::Done: break;
    case Written::Failed: return core::StepResult::Failed;
    case Written::Cancelled:
      removeCreated(path, created);
      return core::StepResult::Failed;
  }
  source.reset();
  pipe_.addToLog(pipe_.resultsText(), path + kCrLf);
  if (options_.rejoinScript) writeScript(folder, name, plan.count);
  if (options_.deleteOriginal) deleteSource(path, size, created);
  return core::StepResult::Done;
}

SplitRun::Written SplitRun::writePieces(core::RunItem& item, int source, const SplitPlan& plan,
                                        std::vector<std::string>& created) {
  const std::uint64_t size = (plan.count - 1) * options_.pieceSize + plan.lastLength;
  std::uint64_t pos = 0;  // 0-based
  for (std::uint64_t index = 1; index <= plan.count; ++index) {
    const std::string name = splitPieceName(item.name(), plan.count, index);
    platform::NewFile piece;
    if (piece.create(item.folder() + name) != 0) {
      pipe_.addResult(msg_(15) + item.folder() + name);
      return Written::Failed;
    }
    const std::uint64_t length = index == plan.count ? plan.lastLength : options_.pieceSize;
    // Room for the whole piece first, where that helps the file system (a refusal shows again,
    // and is reported, where the bytes are appended).
    (void)piece.reserveFor(source, length);
    // In chunks, with a look at Cancel after each: memory stays small and the window answers.
    for (std::uint64_t done = 0; done < length;) {
      const std::uint64_t chunk = std::min(kSplitChunk, length - done);
      if (const int err = piece.appendFrom(source, pos, chunk)) {
        // EIO: the file is shorter than when it was measured. The partial piece goes either way.
        pipe_.addResult((err == EIO ? msg_(13) : msg_(15)) + item.folder() + name);
        return Written::Failed;
      }
      done += chunk;
      pos += chunk;
      item.showProgressWithin(static_cast<double>(pos) / static_cast<double>(size));
      if (item.yieldAndPoll() != core::Poll::GoOn) return Written::Cancelled;  // piece abandoned
    }
    // Named only when whole; synced first when the source goes next.
    if (piece.finish(durability()) != 0) {
      pipe_.addResult(msg_(15) + item.folder() + name);
      return Written::Failed;
    }
    created.push_back(piece.path());
  }
  return Written::Done;
}

void SplitRun::removeCreated(const std::string& path, const std::vector<std::string>& created) {
  bool failed = false;
  for (const std::string& piece : created) {
    const int err = platform::removeFile(piece);
    failed |= err != 0 && err != ENOENT;
  }
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
  // Runnable like any script the user writes (the umask decides who else may run it), from its
  // creation on: no mode is set by name once it has its name, where a link could stand by then.
  platform::NewFile file;
  if (file.create(target, 0755) != 0 || file.write(*script) != 0 || file.finish(durability()) != 0) {
    pipe_.addResult(msg_(19) + target);
    return;
  }
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
