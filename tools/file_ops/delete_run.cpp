#include "tools/file_ops/delete_run.h"

#include "core/file_paths.h"
#include "core/state.h"
#include "tools/file_ops/delete_messages.h"
#include "tools/file_ops/wipe_files.h"
#include "tools/file_ops/wipe_free_space.h"

namespace tools::file_ops {

namespace m = delete_msg;

namespace {

int confirmationOf(DeleteMode mode) {
  switch (mode) {
    case DeleteMode::Delete: return m::kConfirmDelete;
    case DeleteMode::Recycle: return m::kConfirmRecycle;
    case DeleteMode::WipeFiles: return m::kConfirmWipe;
    case DeleteMode::WipeFreeSpace: return m::kConfirmFreeSpace;
  }
  return m::kConfirmDelete;
}

bool linesLogged(core::Pipeline& pipe) { return !pipe.resultLines().empty() || !pipe.resultsLog().text().empty(); }

}  // namespace

DeleteOutcome deleteStart(core::Pipeline& pipe, core::ToolForm* form, const DeleteOptions& given,
                          const core::MessageTable& msg) {
  DeleteOptions options = given;
  if (options.folder.empty()) options.folder = pipe.host().dir1();
  options.folder = core::AddSlash(options.folder);
  // The free-space wipe writes into a folder of its own making; making it is its write test.
  if (options.mode != DeleteMode::WipeFreeSpace && pipe.checkFolderWritable(options.folder) != 0) return {};
  if (pipe.host().respond(form, "", msg(confirmationOf(options.mode)), "W") != core::kAnswerYes) return {};
  if (options.mode == DeleteMode::Recycle && !pipe.fixedDrive(options.folder)) {
    const std::string mount = pipe.mountPointOf(options.folder);
    pipe.host().respond(form, "O", core::msgMain(112) + (mount.empty() ? options.folder : mount), "N");
    return {};
  }
  switch (options.mode) {
    case DeleteMode::Delete:
    case DeleteMode::Recycle: return removeFiles(pipe, form, options, msg);
    case DeleteMode::WipeFiles: return wipeFiles(pipe, form, options, msg);
    case DeleteMode::WipeFreeSpace: {
      const FreeSpaceOutcome out = wipeFreeSpace(pipe, form, options, msg);
      return {.started = out.started, .end = out.end, .tally = {}};
    }
  }
  return {};
}

DeleteOutcome removeFiles(core::Pipeline& pipe, core::ToolForm* form, const DeleteOptions& options,
                          const core::MessageTable& msg) {
  const bool recycle = options.mode == DeleteMode::Recycle;
  // In the trash mode a file the trash cannot take is kept: its line says so.
  const std::string note = recycle ? msg(m::kKeptNoTrash) : std::string();
  DeleteOutcome out;
  out.started = true;
  const core::RunOutcome run = core::runFiles(
      pipe, form,
      {.startFolder = options.folder,
       .withSubfolders = options.withSubfolders,
       .withHidden = options.withHidden,
       .cadence = {.every = 11},
       .caption = msg(recycle ? m::kRecycling : m::kDeleting)},
      [&](core::RunItem& item) {
        const std::string path = item.path();
        // Removing takes only the folder's permission; a link goes as itself, with its own size.
        if (pipe.checkFileUsable(path, {.access = core::Access::None}) == 0) return core::StepResult::Skipped;
        const auto size = static_cast<std::uint64_t>(core::coreState().fileSize);
        if (pipe.removeFile(path, "", note, recycle ? core::RemoveKind::Recycle : core::RemoveKind::Delete) != 0)
          return core::StepResult::Failed;
        ++out.tally.removed;
        out.tally.bytesRemoved += size;
        return core::StepResult::Done;
      },
      {.onEnd = [&](const core::RunOutcome&) {
        out.tally.folders = pipe.dirList().size();
        pipe.addToLog(pipe.resultsText(), deleteSummary(msg, options.pattern, out.tally, linesLogged(pipe)));
      }});
  out.end = run.end;
  return out;
}

}  // namespace tools::file_ops
