// One run after another over the run driver. Each run: its rule (patterns compiled once, or per
// item when tags make them depend on the item), the driver's loop with the target's step, and the
// summary; around the driver the report of the runs before is carried over the folder list's
// rebuild, which would otherwise clear it.
#include "tools/text/replace_run.h"

#include "core/contents_rewrite.h"
#include "core/file_times.h"
#include "core/run_driver.h"
#include "core/state.h"
#include "tools/text/replace_messages.h"
#include "tools/text/replace_tags.h"

#include <memory>

namespace tools::text {

namespace {

const std::string kCrLf = "\r\n";
const std::string kQuote = "\"";

// The pattern and replacement of one item: fixed for the run without tags, else filled per item.
class RunRule {
 public:
  explicit RunRule(const ReplaceOptions& o) : o_(o), setup_(matchSetup(o)) {
    if (!o.tags) compile({{o.search, true}}, {{o.replacement, true}});
  }
  // False when the item is to be left alone: the search text is empty, or wildcards alone, once
  // its tags are filled in.
  bool prepare(const TagValues& values) {
    if (o_.tags) compile(substituteTags(o_.search, values), substituteTags(o_.replacement, values));
    return !pattern_.empty() && !pattern_.matchesEverything();
  }
  [[nodiscard]] const SearchPattern& pattern() const { return pattern_; }
  [[nodiscard]] const ReplacementText& replacement() const { return replacement_; }
  [[nodiscard]] std::optional<std::string> apply(std::string_view text) const {
    return replaceInText(pattern_, replacement_, text);
  }
  // Counts the compilations: a matcher made for one stays good until the next.
  [[nodiscard]] unsigned generation() const { return generation_; }

 private:
  void compile(const PieceList& search, const PieceList& replacement) {
    pattern_ = makeSearchPattern(search, setup_.kind, setup_.pattern);
    replacement_ = makeReplacementText(replacement, setup_.matchedTag);
    ++generation_;
  }
  unsigned generation_ = 0;
  const ReplaceOptions& o_;
  MatchSetup setup_;
  SearchPattern pattern_;
  ReplacementText replacement_;
};

// The matcher as the contents rewrite drives it.
class ReplaceTransform : public core::ContentTransform {
 public:
  explicit ReplaceTransform(std::size_t holdLimit) : holdLimit_(holdLimit) {}
  // A new matcher only when the rule changed (its tags filled in for this item): otherwise the
  // run's one matcher and the buffers it grew serve every file.
  void use(const RunRule& rule) {
    if (scan_ && generation_ == rule.generation()) return;
    scan_ = std::make_unique<ReplaceScanner>(rule.pattern(), rule.replacement(), holdLimit_);
    generation_ = rule.generation();
  }
  void begin(std::uint64_t) override { scan_->reset(); }
  void piece(std::string_view in, std::uint64_t, std::string& out) override { scan_->feed(in, out); }
  void finish(std::string& out) override { scan_->finish(out); }
  [[nodiscard]] bool changed() const override { return scan_->replaced(); }
  [[nodiscard]] bool heldTooLong() const { return scan_->heldTooLong(); }

 private:
  std::size_t holdLimit_;
  std::unique_ptr<ReplaceScanner> scan_;
  unsigned generation_ = 0;
};

// What one run of the list needs.
struct RunContext {
  core::Pipeline& pipe;
  const core::MessageTable& msg;
  const ReplaceRunSetup& setup;
  const ReplaceOptions& options;
  long long count = 0;
  std::string log;  // the run's own lines, after its count
  std::string heldTooLong;  // files where a "*" match reached the hold limit, one a line
  core::RewriteSession* session = nullptr;  // the contents run's
};

// Counts and logs a rewritten file: the step's result for it.
core::StepResult noteRewrite(RunContext& rc, const std::string& path, const core::RewriteResult& r) {
  switch (r.outcome) {
    case core::RewriteOutcome::Rewritten:
      ++rc.count;
      if (r.attributesRestored) rc.log += path + kCrLf;
      return core::StepResult::Done;
    case core::RewriteOutcome::Unchanged:
    case core::RewriteOutcome::Skipped: return core::StepResult::Skipped;
    case core::RewriteOutcome::Failed:
    case core::RewriteOutcome::Cancelled: break;
  }
  return core::StepResult::Failed;
}

core::StepResult contentsStep(RunContext& rc, RunRule& rule, ReplaceTransform& transform, core::RunItem& item) {
  core::Pipeline& pipe = rc.pipe;
  const std::string path = item.path();
  if (!pipe.checkFileUsable(path, {.binaryTest = true, .skipEmpty = true, .access = core::Access::ReadWrite}))
    return core::StepResult::Skipped;
  if (!rule.prepare(fileTagValues(item.folder(), item.name()))) return core::StepResult::Skipped;
  transform.use(rule);
  const core::RewriteOptions options{
      .pieceSize = rc.setup.pieceSize,
      .messages = {.writeFailed = kMsgWriteFailed, .renameLabel = kMsgRenameLabel,
                   .restoreBefore = kMsgFileWord, .restoreAfter = kMsgNotRestored},
      .logRewritten = false,
      .onStep = {},
      .session = rc.session,
  };
  const core::RewriteResult r =
      core::rewriteContents(pipe, path, static_cast<long long>(item.index()), transform, options);
  if (transform.heldTooLong()) rc.heldTooLong += path + kCrLf;
  // A file held for the session's batch is counted when it is committed (noteRewrite).
  return r.deferred ? core::StepResult::Done : noteRewrite(rc, path, r);
}

// The new name of an item, or nullopt when it keeps its name (a refused one is reported).
std::optional<std::string> newNameOf(RunContext& rc, const RunRule& rule, const std::string& name,
                                     const std::string& path) {
  std::optional<std::string> renamed = rule.apply(name);
  if (!renamed || *renamed == name) return std::nullopt;
  if (!usableNewName(*renamed)) {
    rc.pipe.addResult(rc.msg(kMsgBadNewName) + path);
    return std::nullopt;
  }
  return renamed;
}

core::StepResult fileNameStep(RunContext& rc, RunRule& rule, std::string& folderLines, core::RunItem& item) {
  core::Pipeline& pipe = rc.pipe;
  const std::string path = item.path();
  // A rename needs no access to the file itself.
  if (!pipe.checkFileUsable(path, {.access = core::Access::None})) return core::StepResult::Skipped;
  if (!rule.prepare(fileTagValues(item.folder(), item.name()))) return core::StepResult::Skipped;
  const std::optional<std::string> renamed = newNameOf(rc, rule, item.name(), path);
  if (!renamed) return core::StepResult::Skipped;
  if (pipe.renameLogged(path, item.folder() + *renamed, "", core::ItemKind::File) != 0) return core::StepResult::Failed;
  ++rc.count;
  folderLines += "  " + rc.msg(kMsgFileWord) + kQuote + item.name() + kQuote + rc.msg(kMsgRenamedTo) + kQuote +
                 *renamed + kQuote + kCrLf;
  return core::StepResult::Done;
}

core::StepResult folderNameStep(RunContext& rc, RunRule& rule, core::RunItem& item) {
  const std::string path = item.path();
  if (!rule.prepare(folderTagValues(item.name()))) return core::StepResult::Skipped;
  const std::optional<std::string> renamed = newNameOf(rc, rule, item.name(), path);
  if (!renamed) return core::StepResult::Skipped;
  const std::string target = item.folder() + *renamed;
  if (rc.pipe.renameLogged(path, target, "", core::ItemKind::Folder) != 0) return core::StepResult::Failed;
  item.folderRenamed(path, target);
  ++rc.count;
  rc.log += rc.msg(kMsgFolderWord) + kQuote + path + kQuote + rc.msg(kMsgFolderRenamedTo) + kQuote + target +
            kQuote + kCrLf;
  return core::StepResult::Done;
}

// The report of the runs so far, carried over a folder list that is built again.
struct CarriedReport {
  std::string text, lines;
  bool creationNotice = false;

  void take(core::Pipeline& pipe, bool linesToo) {
    text = pipe.resultsText().readBack();
    lines.clear();
    if (linesToo) {
      lines = pipe.resultsLog().readBack() + pipe.resultLines();
      creationNotice = core::takeCreationTimeNotice() || creationNotice;
    }
  }
  void putBack(core::Pipeline& pipe) const {
    pipe.addToLog(pipe.resultsText(), text);
    if (!lines.empty()) pipe.addToLog(pipe.resultsLog(), lines);
  }
};

// The closing note of a contents run with an acting "*": over line breaks, how far a match may
// reach; in any mode, the files where a match would have reached further and was not made.
std::string starNote(const ReplaceOptions& o, const std::string& heldTooLong, const core::MessageTable& msg) {
  if (o.target != ReplaceTarget::Contents || matchSetup(o).kind != PatternKind::AnyRun) return {};
  std::string note;
  if (o.spanLines) note += kCrLf + msg(kMsgStarBound) + kCrLf;
  if (!heldTooLong.empty()) note += kCrLf + msg(kMsgStarBoundReached) + kCrLf + heldTooLong;
  return note;
}

}  // namespace

bool usableNewName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

ReplaceRunsOutcome runReplace(core::Pipeline& pipe, core::ToolForm* form, const std::vector<ReplaceOptions>& runs,
                              const ReplaceRunSetup& setup, const core::MessageTable& msg) {
  ReplaceRunsOutcome outcome;
  const int total = static_cast<int>(runs.size());
  CarriedReport carried;
  bool previousWalkedFiles = false;
  for (int i = 1; i <= total; ++i) {
    const ReplaceOptions& o = runs[static_cast<std::size_t>(i - 1)];
    const bool walksFiles = o.target != ReplaceTarget::FolderNames;
    // A list of files stays valid after a run over files; after a folder run, or for one, it is
    // built again (the folder list of a folder run is its own, and its names may have changed).
    const bool keepList = i > 1 && previousWalkedFiles && walksFiles;
    if (i > 1) carried.take(pipe, !keepList);
    RunContext rc{pipe, msg, setup, o, 0, {}, {}, nullptr};
    // The contents run commits its rewrites in batches: each is counted once it is in place.
    core::RewriteSession session(pipe, [&rc](const std::string& path, const core::RewriteResult& r) {
      (void)noteRewrite(rc, path, r);
    });
    rc.session = &session;
    RunRule rule(o);
    ReplaceTransform transform(setup.holdLimit);
    std::string folderLines, summary;

    core::RunOptions options{
        .withSubfolders = setup.withSubfolders,
        .withHidden = setup.withHidden,
        .keepList = keepList,
        // Renaming a folder before the folders inside it would leave their listed paths stale;
        // contents and file names keep the list's own order, parents first.
        .order = o.target == ReplaceTarget::FolderNames ? core::FolderOrder::DeepestFirst
                                                        : core::FolderOrder::ParentsFirst,
        .cadence = o.target == ReplaceTarget::Contents ? core::Cadence{.every = 0, .showEachItem = true}
                                                        : core::Cadence{.every = 61, .yieldEachItem = true},
        .caption = setup.multiRun ? msg(kMsgCaptionOfRun) + std::to_string(i) + msg(kMsgOf) + std::to_string(total)
                                  : msg(kMsgCaption),
        .finish = false,
    };
    core::RunHooks hooks;
    hooks.onStart = [&] {
      if (i > 1) carried.putBack(pipe);
      const std::string header =
          setup.multiRun ? msg(kMsgRun) + std::to_string(i) + msg(kMsgOf) + std::to_string(total) + kCrLf + kCrLf
                         : kCrLf + kCrLf;
      pipe.addToLog(pipe.resultsText(), header + msg(kMsgHeading));
    };
    int countMessage = kMsgFilesChanged;
    if (o.target == ReplaceTarget::FileNames) {
      countMessage = kMsgNamesChanged;
      hooks.onFolderStart = [&](const core::FolderInfo&) { folderLines.clear(); };
      hooks.onFolderEnd = [&](const core::FolderInfo& f) {
        if (!folderLines.empty()) summary += f.folder + setup.extensionPattern + kCrLf + folderLines + kCrLf;
      };
    } else if (o.target == ReplaceTarget::FolderNames) {
      countMessage = kMsgFoldersChanged;
    } else {
      hooks.onFolderEnd = [&](const core::FolderInfo&) { session.syncFolders(); };
    }
    hooks.onEnd = [&](const core::RunOutcome&) {
      session.syncFolders();  // the count below includes every file of the last batch
      pipe.addToLog(pipe.resultsText(), std::to_string(rc.count) + msg(countMessage) + rc.log + summary +
                                            starNote(o, rc.heldTooLong, msg));
    };

    core::RunOutcome out;
    switch (o.target) {
      case ReplaceTarget::Contents:
        out = core::runFiles(pipe, form, options,
                             [&](core::RunItem& item) { return contentsStep(rc, rule, transform, item); }, hooks);
        break;
      case ReplaceTarget::FileNames:
        out = core::runFiles(pipe, form, options,
                             [&](core::RunItem& item) { return fileNameStep(rc, rule, folderLines, item); }, hooks);
        break;
      case ReplaceTarget::FolderNames:
        out = core::runFolders(pipe, form, options, [&](core::RunItem& item) { return folderNameStep(rc, rule, item); },
                               hooks);
        break;
    }
    ++outcome.runsStarted;
    outcome.changed += rc.count;
    previousWalkedFiles = walksFiles;
    if (out.end == core::RunEnd::Error) {
      outcome.error = true;
      return outcome;
    }
    if (out.end == core::RunEnd::Cancelled) {
      outcome.cancelled = true;
      break;
    }
  }
  if (carried.creationNotice) core::raiseCreationTimeNotice();
  pipe.finishOperation(form, core::RefreshMode::ListAndTree);
  return outcome;
}

}  // namespace tools::text
