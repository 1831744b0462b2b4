// The attribute run over files (runFiles) or folders (runFolders), both through one step that
// compares, explains what Linux cannot do, and writes the rest with SetAtt.
#include "tools/file_ops/attrib_run.h"

#include "core/file_paths.h"
#include "core/run_driver.h"
#include "core/results_log.h"
#include "platform/file_attributes.h"

namespace tools::file_ops {

namespace {

const std::string kCrLf = "\r\n";

std::uint8_t apply(std::uint8_t bits, std::uint8_t bit, AttribChange change) {
  if (change == AttribChange::Set) return bits | bit;
  if (change == AttribChange::Clear) return bits & static_cast<std::uint8_t>(~bit);
  return bits;
}

class AttribRun {
 public:
  AttribRun(core::Pipeline& pipe, const AttribOptions& options, const core::MessageTable& msg)
      : pipe_(pipe), options_(options), msg_(msg) {}

  void runFiles(core::ToolForm* form) {
    core::runFiles(pipe_, form,
                   {.withSubfolders = options_.withSubfolders, .withHidden = options_.withHidden, .caption = msg_(2)},
                   [this](core::RunItem& item) { return step(item.path(), 4); },
                   {.onStart = [this] { pipe_.resultsText().assign(msg_(3)); },
                    .onFolderEnd =
                        [this](const core::FolderInfo& f) {
                          pipe_.addToLog(pipe_.resultsText(), f.folder + options_.pattern + kCrLf);
                        }});
  }

  void runFolders(core::ToolForm* form) {
    // A folder made read-only refuses the ".hidden" entry of the folders inside it: those go first.
    const core::FolderOrder order = options_.readOnly == AttribChange::Set ? core::FolderOrder::DeepestFirst
                                                                           : core::FolderOrder::ParentsFirst;
    core::runFolders(pipe_, form,
                     {.withSubfolders = options_.withSubfolders, .withHidden = options_.withHidden, .order = order,
                      .caption = msg_(2)},
                     [this](core::RunItem& item) {
                       const std::string folder = item.folder() + item.name();
                       const core::StepResult r = step(folder, 5);
                       if (r == core::StepResult::Done) pipe_.addToLog(body_, folder + kCrLf);
                       return r;
                     },
                     {.onEnd = [this](const core::RunOutcome&) {
                       pipe_.resultsText().assign(msg_(7) + body_.text() + (body_.empty() ? msg_(6) : "\t"));
                     }});
  }

 private:
  // Done when the item changed, Skipped when it needed no change, Failed when a change failed
  // (logged with message failMessage, or 8 / 9 for what Linux cannot do).
  core::StepResult step(const std::string& path, int failMessage) {
    const std::uint8_t current = core::GetAtt(path) & static_cast<std::uint8_t>(~core::kAttrFolder);
    std::uint8_t wanted = newAttributes(current, options_);
    if (wanted == current) return core::StepResult::Skipped;
    const platform::Attributes now = platform::readAttributes(path);
    bool refused = false;
    if (now.hiddenByName && (wanted & core::kAttrHidden) == 0) {
      pipe_.addResult(msg_(8) + path);
      wanted |= core::kAttrHidden;
      refused = true;
    }
    if ((wanted & core::kAttrArchive) != (current & core::kAttrArchive) && !now.archiveSupported) {
      pipe_.addResult(msg_(9) + path);
      wanted = static_cast<std::uint8_t>((wanted & ~core::kAttrArchive) | (current & core::kAttrArchive));
      refused = true;
    }
    if (wanted == current) return core::StepResult::Failed;
    if (core::SetAtt(path, wanted) != 0) {
      pipe_.addResult(msg_(failMessage) + path);
      return core::StepResult::Failed;
    }
    return refused ? core::StepResult::Failed : core::StepResult::Done;
  }

  core::Pipeline& pipe_;
  const AttribOptions& options_;
  const core::MessageTable& msg_;
  core::ResultsLog body_;
};

}  // namespace

std::uint8_t newAttributes(std::uint8_t current, const AttribOptions& options) {
  std::uint8_t bits = current & static_cast<std::uint8_t>(~core::kAttrFolder);
  bits = apply(bits, core::kAttrArchive, options.archive);
  bits = apply(bits, core::kAttrHidden, options.hidden);
  return apply(bits, core::kAttrReadOnly, options.readOnly);
}

AttribStart runAttributes(core::Pipeline& pipe, core::ToolForm* form, const AttribOptions& options,
                          const core::MessageTable& msg) {
  if (options.archive == AttribChange::Leave && options.hidden == AttribChange::Leave &&
      options.readOnly == AttribChange::Leave) {
    pipe.host().respond(form, "O", msg(1), "N");
    return AttribStart::NothingTicked;
  }
  if (pipe.checkFolderWritable(pipe.host().dir1()) != 0) return AttribStart::NotWritable;
  AttribRun run(pipe, options, msg);
  if (options.target == AttribTarget::Folders) {
    run.runFolders(form);
  } else {
    run.runFiles(form);
  }
  return AttribStart::Ran;
}

}  // namespace tools::file_ops
