// The attribute run over files (runFiles) or folders (runFolders), both through one step that
// compares, explains what Linux cannot do, and writes the rest with SetAtt.
#include "tools/file_ops/attrib_run.h"

#include "core/file_paths.h"
#include "core/run_driver.h"
#include "core/results_log.h"
#include "platform/dir_listing.h"
#include "platform/file_attributes.h"

#include <unordered_set>
#include <vector>

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

  // Files: the folder's ".hidden" names are read once per folder and its hidden changes written
  // once after its files, so that a large folder is not rewritten for every name.
  void runFiles(core::ToolForm* form) {
    core::runFiles(pipe_, form,
                   {.withSubfolders = options_.withSubfolders, .withHidden = options_.withHidden, .caption = msg_(2)},
                   [this](core::RunItem& item) { return step(item.path(), 4, &item.name()); },
                   {.onStart = [this] { pipe_.resultsText().assign(msg_(3)); },
                    .onFolderStart =
                        [this](const core::FolderInfo& f) {
                          platform::FolderReader reader;
                          listed_ = reader.open(f.folder) == 0 ? reader.hiddenNames() : std::unordered_set<std::string>{};
                          pendingHidden_.clear();
                        },
                    .onFolderEnd =
                        [this](const core::FolderInfo& f) {
                          writeHidden(f.folder);
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
  // name: in files mode the file's name, whose hidden change waits for the folder's end.
  core::StepResult step(const std::string& path, int failMessage, const std::string* name = nullptr) {
    const std::unordered_set<std::string>* listed = name ? &listed_ : nullptr;
    const std::uint8_t current = core::GetAtt(path, listed) & static_cast<std::uint8_t>(~core::kAttrFolder);
    std::uint8_t wanted = newAttributes(current, options_);
    if (wanted == current) return core::StepResult::Skipped;
    const platform::Attributes now = platform::readAttributes(path, listed);
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
    if (name && (wanted & core::kAttrHidden) != (current & core::kAttrHidden)) {
      // A name holding a line break cannot be a line of ".hidden": that file alone fails.
      if (name->find_first_of("\r\n") != std::string::npos) {
        pipe_.addResult(msg_(failMessage) + path);
        refused = true;
      } else {
        pendingHidden_.push_back(*name);
      }
      wanted = static_cast<std::uint8_t>((wanted & ~core::kAttrHidden) | (current & core::kAttrHidden));
      if (wanted == current) return refused ? core::StepResult::Failed : core::StepResult::Done;
    }
    if (core::SetAtt(path, wanted, listed) != 0) {
      pipe_.addResult(msg_(failMessage) + path);
      return core::StepResult::Failed;
    }
    return refused ? core::StepResult::Failed : core::StepResult::Done;
  }

  // The hidden changes of the folder's files in one write; each file is reported when it fails.
  void writeHidden(const std::string& folder) {
    if (pendingHidden_.empty()) return;
    if (platform::setHiddenNames(folder, pendingHidden_, options_.hidden == AttribChange::Set) != 0) {
      for (const std::string& name : pendingHidden_) pipe_.addResult(msg_(4) + folder + name);
    }
    pendingHidden_.clear();
  }

  core::Pipeline& pipe_;
  const AttribOptions& options_;
  const core::MessageTable& msg_;
  core::ResultsLog body_;
  std::unordered_set<std::string> listed_;   // the current folder's ".hidden" names (files mode)
  std::vector<std::string> pendingHidden_;   // its files whose hidden attribute is to change
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
