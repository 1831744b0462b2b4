#include "tools/renaming/trim_run.h"

#include "core/file_paths.h"
#include "core/state.h"
#include "platform/fs.h"
#include "tools/renaming/case_run.h"

namespace tools {

namespace {

const std::string kCrLf = "\r\n";

bool mayStart(core::Pipeline& pipe, core::ToolForm* form, const TrimRunOptions& o, const std::string& folder,
              const core::MessageTable& msg) {
  if (o.count == 0) {
    (void)pipe.host().respond(form, "O", msg(trim_msg::kNoCount), "I");
    return false;
  }
  if (pipe.checkFolderWritable(folder) != 0) return false;
  std::string question = o.withSubfolders ? msg(trim_msg::kWithSubfolders) : std::string();
  if (o.mode == TrimMode::Contents) {
    if (pipe.checkDriveForRecycle(form, folder) == 0) return false;
    question += msg(trim_msg::kContentsQuestion);
  } else {
    question += core::msgMain(24);
  }
  return pipe.host().respond(form, "", question, "W") != core::kAnswerNo;
}

core::RunOptions driverOptions(const TrimRunOptions& o, const std::string& folder, const core::MessageTable& msg) {
  return {.startFolder = folder,
          .withSubfolders = o.withSubfolders,
          .withHidden = o.withHidden,
          .caption = msg(trim_msg::kProgressCaption)};
}

NameTrim nameTrim(const TrimRunOptions& o) {
  return {.count = o.count, .where = o.where, .includeExtension = o.includeExtension};
}

// The line of a name left as it is; Skipped, or Done/Failed after the rename.
core::StepResult renameTrimmed(core::Pipeline& pipe, core::RunItem& item, const TrimmedName& trimmed,
                               core::ItemKind kind, const std::string& tooShortLine, const core::MessageTable& msg) {
  switch (trimmed.outcome) {
    case NameTrimOutcome::TooShort: pipe.addResult(tooShortLine); return core::StepResult::Skipped;
    case NameTrimOutcome::Refused: pipe.addResult(msg(trim_msg::kNameRefused) + item.path()); return core::StepResult::Skipped;
    case NameTrimOutcome::Trimmed: break;
  }
  return pipe.renameLogged(item.path(), item.folder() + trimmed.name, "", kind) == 0 ? core::StepResult::Done
                                                                                       : core::StepResult::Failed;
}

core::RunOutcome trimFileNames(core::Pipeline& pipe, core::ToolForm* form, const TrimRunOptions& o,
                               const std::string& folder, const core::MessageTable& msg) {
  const NameTrim trim = nameTrim(o);
  const std::string count = std::to_string(o.count);
  core::RunOptions run = driverOptions(o, folder, msg);
  run.cadence = {.every = 61};
  core::ResultsLog& text = pipe.resultsText();
  return core::runFiles(
      pipe, form, run,
      [&](core::RunItem& item) {
        // A rename reads and writes nothing of the file itself.
        if (pipe.checkFileUsable(item.path(), {.access = core::Access::None}) == 0) return core::StepResult::Skipped;
        const std::string tooShort = msg(trim_msg::kNameTooShort) + item.path() + msg(trim_msg::kNameTooShortCount) +
                                     count + msg(trim_msg::kNameTooShortEnd);
        return renameTrimmed(pipe, item, trimName(item.name(), false, trim), core::ItemKind::File, tooShort, msg);
      },
      {.onStart = [&] { pipe.addToLog(text, msg(trim_msg::kFilesHeading)); },
       .onFolderEnd = [&](const core::FolderInfo& f) { pipe.addToLog(text, f.folder + o.pattern + kCrLf); }});
}

core::RunOutcome trimFolderNames(core::Pipeline& pipe, core::ToolForm* form, const TrimRunOptions& o,
                                 const std::string& folder, const core::MessageTable& msg) {
  const NameTrim trim = nameTrim(o);
  const std::string count = std::to_string(o.count);
  core::RunOptions run = driverOptions(o, folder, msg);
  // A folder before its parent: a renamed parent would leave the paths below it stale.
  run.order = core::FolderOrder::DeepestFirst;
  core::ResultsLog& text = pipe.resultsText();
  return core::runFolders(
      pipe, form, run,
      [&](core::RunItem& item) {
        const std::string tooShort = msg(trim_msg::kFolderTooShort) + item.path() +
                                     msg(trim_msg::kFolderTooShortCount) + count + msg(trim_msg::kFolderTooShortEnd);
        const core::StepResult result =
            renameTrimmed(pipe, item, trimName(item.name(), true, trim), core::ItemKind::Folder, tooShort, msg);
        pipe.addToLog(text, item.path() + kCrLf);
        return result;
      },
      {.onStart = [&] { pipe.addToLog(text, msg(trim_msg::kFoldersHeading)); },
       .onEnd = [&](const core::RunOutcome&) { pipe.addToLog(text, "\t"); }});
}

// The file as the end scan saw it: a write, truncation or another file at its path since then
// makes the scanned cut meaningless.
bool sameFile(const platform::FileStatus& a, const platform::FileStatus& b) {
  const auto same = [](const platform::FileTime& x, const platform::FileTime& y) {
    return x.sec == y.sec && x.nsec == y.nsec;
  };
  return a.error == 0 && b.error == 0 && a.type == b.type && a.identity == b.identity && a.size == b.size &&
         same(a.modified, b.modified) && same(a.changed, b.changed);
}

// One file trimmed at its end: the scan for the cut, then the rewrite keeping what precedes it.
core::StepResult trimEnd(core::Pipeline& pipe, core::RunItem& item, const ContentTrim& trim,
                         const core::RewriteOptions& rewrite, const core::MessageTable& msg) {
  const std::string path = item.path();
  const platform::FileStatus scanned = platform::fileStatus(path, false);
  const EndCut cut = findEndCut(
      scanned.size, trim, rewrite.pieceSize,
      [&](std::uint64_t offset, std::uint64_t length) { return pipe.readFileLogged(path, offset + 1, length); },
      [&] { return item.yieldAndPoll() == core::Poll::GoOn; });
  if (cut.end == ScanEnd::Cancelled) return core::StepResult::Skipped;
  if (cut.end == ScanEnd::ReadFailed) {
    pipe.addResult(msg(trim_msg::kScanReadFailed) + path);
    return core::StepResult::Failed;
  }
  TrimEndTransform transform(cut.keep, [&] { return sameFile(platform::fileStatus(path, false), scanned); });
  const core::RewriteOutcome outcome =
      core::rewriteContents(pipe, path, static_cast<long long>(item.index()), transform, rewrite).outcome;
  if (outcome == core::RewriteOutcome::Unchanged && transform.stale()) {
    pipe.addResult(core::msgMain(core::kMsgRewriteChangedWhileRead) + path);
    return core::StepResult::Skipped;
  }
  return rewriteStepResult(outcome);
}

core::RunOutcome trimContents(core::Pipeline& pipe, core::ToolForm* form, const TrimRunOptions& o,
                              const std::string& folder, const core::MessageTable& msg) {
  const ContentTrim trim{.count = o.count, .where = o.where, .unit = o.unit};
  TrimStartTransform fromStart(trim);
  const core::RewriteOptions rewrite{.pieceSize = o.pieceSize,
                                     .messages = {.readFailed = trim_msg::kReadFailed,
                                                  .writeFailed = trim_msg::kWriteFailed,
                                                  .renameLabel = trim_msg::kRenameLabel,
                                                  .restoreBefore = trim_msg::kNotRestored,
                                                  .restoreAfter = trim_msg::kNotRestoredEnd}};
  // Characters are UTF-8 characters, not bytes: the results say so, as the unit's name cannot.
  const std::string heading =
      msg(trim_msg::kContentsHeading) + (o.unit == TrimUnit::Characters ? msg(trim_msg::kCharacterNote) : "");
  return runContentsOverFiles(
      pipe, form, driverOptions(o, folder, msg), heading, [&](core::RunItem& item) {
        if (trim.where == TrimWhere::End) return trimEnd(pipe, item, trim, rewrite, msg);
        return rewriteStepResult(
            core::rewriteContents(pipe, item.path(), static_cast<long long>(item.index()), fromStart, rewrite).outcome);
      });
}

}  // namespace

std::optional<core::RunOutcome> runTrimmer(core::Pipeline& pipe, core::ToolForm* form, const TrimRunOptions& options,
                                           const core::MessageTable& msg) {
  const std::string folder = core::AddSlash(options.folder.empty() ? pipe.host().dir1() : options.folder);
  if (!mayStart(pipe, form, options, folder, msg)) return std::nullopt;
  switch (options.mode) {
    case TrimMode::Files: return trimFileNames(pipe, form, options, folder, msg);
    case TrimMode::Folders: return trimFolderNames(pipe, form, options, folder, msg);
    case TrimMode::Contents: return trimContents(pipe, form, options, folder, msg);
  }
  return std::nullopt;
}

}  // namespace tools
