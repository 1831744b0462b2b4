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

// Hidden changes wait in a batch per folder and are written in one go when the run leaves that
// folder (files: after its files; folders: when the next folder has another parent, which in
// both orders comes before the parent itself is changed), so that ".hidden" is read once and
// written once per folder, not once per name.
class AttribRun {
 public:
  AttribRun(core::Pipeline& pipe, const AttribOptions& options, const core::MessageTable& msg)
      : pipe_(pipe), options_(options), msg_(msg) {}

  void runFiles(core::ToolForm* form) {
    failMessage_ = 4;
    core::runFiles(pipe_, form,
                   {.withSubfolders = options_.withSubfolders, .withHidden = options_.withHidden, .caption = msg_(2)},
                   [this](core::RunItem& item) { return step(item.folder(), item.name()); },
                   {.onStart = [this] { pipe_.resultsText().assign(msg_(3)); },
                    .onFolderStart = [this](const core::FolderInfo& f) { enter(f.folder); },
                    .onFolderEnd =
                        [this](const core::FolderInfo& f) {
                          flush();
                          pipe_.addToLog(pipe_.resultsText(), f.folder + options_.pattern + kCrLf);
                        }});
  }

  void runFolders(core::ToolForm* form) {
    failMessage_ = 5;
    logChanges_ = true;
    // A folder made read-only refuses the ".hidden" entry of the folders inside it: those go first.
    const core::FolderOrder order = options_.readOnly == AttribChange::Set ? core::FolderOrder::DeepestFirst
                                                                           : core::FolderOrder::ParentsFirst;
    core::runFolders(pipe_, form,
                     {.withSubfolders = options_.withSubfolders, .withHidden = options_.withHidden, .order = order,
                      .caption = msg_(2)},
                     [this](core::RunItem& item) {
                       enter(item.folder());
                       return step(item.folder(), item.name());
                     },
                     {.onEnd = [this](const core::RunOutcome&) {
                       flush();
                       pipe_.resultsText().assign(msg_(7) + body_.text() + (body_.empty() ? msg_(6) : "\t"));
                     }});
  }

 private:
  struct Pending {
    std::string name;
    bool otherChanged = false;  // the item's other attributes changed already
  };

  // Makes folder (ending "/") the batch's folder: the previous batch is written first.
  void enter(const std::string& folder) {
    if (folder == batchFolder_ && batchOpen_) return;
    flush();
    platform::FolderReader reader;
    listed_ = reader.open(folder) == 0 ? reader.hiddenNames() : std::unordered_set<std::string>{};
    batchFolder_ = folder;
    batchOpen_ = true;
  }

  // Writes the batch's hidden changes; each item is reported when that fails.
  void flush() {
    if (!pending_.empty()) {
      std::vector<std::string> names;
      for (const Pending& p : pending_) names.push_back(p.name);
      const bool ok = platform::setHiddenNames(batchFolder_, names, options_.hidden == AttribChange::Set) == 0;
      for (const Pending& p : pending_) {
        if (!ok) pipe_.addResult(msg_(failMessage_) + batchFolder_ + p.name);
        if (ok || p.otherChanged) logChanged(batchFolder_ + p.name);
      }
      pending_.clear();
    }
    batchOpen_ = false;
  }

  void logChanged(const std::string& path) {
    if (logChanges_) pipe_.addToLog(body_, path + kCrLf);
  }

  // Done when the item changed (its hidden change maybe still in the batch), Skipped when it
  // needed no change, Failed when a change failed (logged with failMessage_, or 8 / 9 for what
  // Linux cannot do).
  core::StepResult step(const std::string& folder, const std::string& name) {
    const std::string path = folder + name;
    const std::uint8_t current = core::GetAtt(path, &listed_) & static_cast<std::uint8_t>(~core::kAttrFolder);
    std::uint8_t wanted = newAttributes(current, options_);
    if (wanted == current) return core::StepResult::Skipped;
    const platform::Attributes now = platform::readAttributes(path, &listed_);
    bool refused = false;
    const auto keep = [&](std::uint8_t bit) {
      wanted = static_cast<std::uint8_t>((wanted & ~bit) | (current & bit));
    };
    if (now.hiddenByName && (wanted & core::kAttrHidden) == 0) {
      pipe_.addResult(msg_(8) + path);
      keep(core::kAttrHidden);
      refused = true;
    }
    if ((wanted & core::kAttrArchive) != (current & core::kAttrArchive) && !now.archiveSupported) {
      pipe_.addResult(msg_(9) + path);
      keep(core::kAttrArchive);
      refused = true;
    }
    bool hide = false;
    if ((wanted & core::kAttrHidden) != (current & core::kAttrHidden)) {
      // A name holding a line break cannot be a line of ".hidden": that item alone fails.
      if (name.find_first_of("\r\n") != std::string::npos) {
        pipe_.addResult(msg_(failMessage_) + path);
        refused = true;
      } else {
        hide = true;
      }
      keep(core::kAttrHidden);
    }
    bool otherChanged = false;
    if (wanted != current) {
      if (core::SetAtt(path, wanted, &listed_) != 0) {
        pipe_.addResult(msg_(failMessage_) + path);
        return core::StepResult::Failed;
      }
      otherChanged = true;
    }
    if (hide) {
      pending_.push_back({name, otherChanged});
    } else if (otherChanged) {
      logChanged(path);
    }
    return refused || (!hide && !otherChanged) ? core::StepResult::Failed : core::StepResult::Done;
  }

  core::Pipeline& pipe_;
  const AttribOptions& options_;
  const core::MessageTable& msg_;
  int failMessage_ = 4;
  bool logChanges_ = false;       // folders mode lists the folders it changed
  core::ResultsLog body_;
  std::string batchFolder_;       // the folder whose ".hidden" the batch changes (ending "/")
  bool batchOpen_ = false;
  std::unordered_set<std::string> listed_;  // that folder's ".hidden" names
  std::vector<Pending> pending_;            // its entries whose hidden attribute is to change
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
