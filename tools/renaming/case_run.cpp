#include "tools/renaming/case_run.h"

#include "core/file_paths.h"
#include "core/state.h"

#include <algorithm>
#include <cstring>

namespace tools {

namespace {

const std::string kCrLf = "\r\n";

// Whether the styles can change anything in this mode ("Default" keeps every name as it is;
// folders and contents have no extension style).
bool stylesChangeSomething(const CaseRunOptions& o) {
  if (o.mode == CaseMode::Files) return o.styles.name != CaseStyle::Default || o.styles.extension != CaseStyle::Default;
  return o.styles.name != CaseStyle::Default;
}

// The checks and the question before the run; false when the run is not to start.
bool mayStart(core::Pipeline& pipe, core::ToolForm* form, const CaseRunOptions& o, const std::string& folder,
              const core::MessageTable& msg) {
  const bool contents = o.mode == CaseMode::Contents;
  if (contents && pipe.checkDriveForRecycle(form, folder) == 0) return false;
  if (pipe.checkFolderWritable(folder) != 0) return false;
  if (!stylesChangeSomething(o)) {
    (void)pipe.host().respond(form, "O", msg(case_msg::kNothingToDo), "N");
    return false;
  }
  const std::string question =
      (o.withSubfolders ? msg(case_msg::kWithSubfolders) : std::string()) + core::msgMain(contents ? 104 : 24);
  return pipe.host().respond(form, "", question, "W") != core::kAnswerNo;
}

core::RunOptions driverOptions(const CaseRunOptions& o, const std::string& folder, const core::MessageTable& msg) {
  return {.startFolder = folder,
          .withSubfolders = o.withSubfolders,
          .withHidden = o.withHidden,
          .caption = msg(case_msg::kProgressCaption)};
}

core::RunOutcome renameFiles(core::Pipeline& pipe, core::ToolForm* form, const CaseRunOptions& o,
                             const std::string& folder, const core::MessageTable& msg) {
  const CaseConverter conv(o.styles);
  core::RunOptions run = driverOptions(o, folder, msg);
  run.cadence = {.every = 61};
  core::ResultsLog& text = pipe.resultsText();
  return core::runFiles(
      pipe, form, run,
      [&](core::RunItem& item) {
        const std::string newName = conv.convertName(item.name(), false);
        if (newName == item.name()) return core::StepResult::Skipped;
        // FIFOs, devices and sockets are system files, renamed by no tool.
        if (pipe.checkFileUsable(item.path(), {.access = core::Access::None}) == 0) return core::StepResult::Skipped;
        if (pipe.renameLogged(item.path(), item.folder() + newName, "", core::ItemKind::File) != 0)
          return core::StepResult::Failed;
        pipe.addToLog(text, "  " + item.name() + " -> " + newName + kCrLf);
        return core::StepResult::Done;
      },
      {.onStart = [&] { pipe.addToLog(text, msg(case_msg::kFilesHeading)); },
       .onFolderStart = [&](const core::FolderInfo& f) { pipe.addToLog(text, f.folder + kCrLf); },
       .onFolderEnd = [&](const core::FolderInfo&) { pipe.addToLog(text, kCrLf); }});
}

core::RunOutcome renameFolders(core::Pipeline& pipe, core::ToolForm* form, const CaseRunOptions& o,
                               const std::string& folder, const core::MessageTable& msg) {
  const CaseConverter conv(o.styles);
  core::RunOptions run = driverOptions(o, folder, msg);
  // A folder before its parent: a renamed parent would leave the paths below it stale.
  run.order = core::FolderOrder::DeepestFirst;
  core::ResultsLog& text = pipe.resultsText();
  return core::runFolders(
      pipe, form, run,
      [&](core::RunItem& item) {
        const std::string newName = conv.convertName(item.name(), true);
        if (newName == item.name()) return core::StepResult::Skipped;
        if (pipe.renameLogged(item.path(), item.folder() + newName, "", core::ItemKind::Folder) != 0)
          return core::StepResult::Failed;
        pipe.addToLog(text, item.path() + kCrLf);
        return core::StepResult::Done;
      },
      {.onStart = [&] { pipe.addToLog(text, msg(case_msg::kFoldersHeading)); },
       .onEnd = [&](const core::RunOutcome&) { pipe.addToLog(text, "\t"); }});
}

core::RunOutcome convertContents(core::Pipeline& pipe, core::ToolForm* form, const CaseRunOptions& o,
                                 const std::string& folder, const core::MessageTable& msg) {
  CaseContentTransform transform(o.styles.name);
  const core::RewriteOptions rewrite{.pieceSize = o.pieceSize,
                                     .messages = {.readFailed = case_msg::kReadFailed,
                                                  .writeFailed = case_msg::kWriteFailed,
                                                  .renameLabel = case_msg::kRenameLabel,
                                                  .restoreAfter = case_msg::kNotRestored}};
  return runContentsOverFiles(pipe, form, driverOptions(o, folder, msg), msg(case_msg::kContentsHeading),
                              [&](core::RunItem& item) {
                                return rewriteStepResult(core::rewriteContents(pipe, item.path(),
                                                                               static_cast<long long>(item.index()),
                                                                               transform, rewrite)
                                                             .outcome);
                              });
}

}  // namespace

core::RunOutcome runContentsOverFiles(core::Pipeline& pipe, core::ToolForm* form, core::RunOptions run,
                                      const std::string& heading,
                                      const std::function<core::StepResult(core::RunItem&)>& step) {
  run.cadence = {.every = 0, .showEachItem = true};
  core::ResultsLog& text = pipe.resultsText();
  return core::runFiles(
      pipe, form, run,
      [&](core::RunItem& item) {
        if (pipe.checkFileUsable(item.path(), {.binaryTest = true, .skipEmpty = true}) == 0)
          return core::StepResult::Skipped;
        return step(item);
      },
      {.onStart = [&] { pipe.addToLog(text, heading); },
       .onEnd = [&](const core::RunOutcome&) { pipe.addToLog(text, "\t"); }});
}

core::StepResult rewriteStepResult(core::RewriteOutcome outcome) {
  switch (outcome) {
    case core::RewriteOutcome::Rewritten: return core::StepResult::Done;
    case core::RewriteOutcome::Failed: return core::StepResult::Failed;
    case core::RewriteOutcome::Unchanged:
    case core::RewriteOutcome::Skipped:
    case core::RewriteOutcome::Cancelled: break;  // a Cancel ends the run after the file
  }
  return core::StepResult::Skipped;
}

std::optional<core::RunOutcome> runCaseChanger(core::Pipeline& pipe, core::ToolForm* form,
                                               const CaseRunOptions& options, const core::MessageTable& msg) {
  const std::string folder = core::AddSlash(options.folder.empty() ? pipe.host().dir1() : options.folder);
  if (!mayStart(pipe, form, options, folder, msg)) return std::nullopt;
  switch (options.mode) {
    case CaseMode::Files: return renameFiles(pipe, form, options, folder, msg);
    case CaseMode::Folders: return renameFolders(pipe, form, options, folder, msg);
    case CaseMode::Contents: return convertContents(pipe, form, options, folder, msg);
  }
  return std::nullopt;
}

void CaseContentTransform::begin(std::uint64_t) {
  stream_.reset();
  held_.clear();
  changed_ = false;
}

void CaseContentTransform::piece(std::string_view in, std::uint64_t, std::string& out) {
  const std::size_t from = out.size();
  stream_.convert(in, out);
  if (changed_) return;
  // The conversion keeps every byte position: output byte k answers input byte k. What the
  // stream held back is compared once it comes out.
  const std::string_view produced = std::string_view(out).substr(from);
  const std::size_t fromHeld = std::min(held_.size(), produced.size());
  const std::size_t fromIn = produced.size() - fromHeld;
  changed_ = produced.substr(0, fromHeld) != std::string_view(held_).substr(0, fromHeld) ||
             produced.substr(fromHeld) != in.substr(0, fromIn);
  held_.erase(0, fromHeld);
  held_.append(in.substr(fromIn));
}

void CaseContentTransform::finish(std::string& out) {
  const std::size_t from = out.size();
  stream_.finish(out);
  if (!changed_ && std::string_view(out).substr(from) != held_) changed_ = true;
  held_.clear();
}

}  // namespace tools
