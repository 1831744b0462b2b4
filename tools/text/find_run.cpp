// The finder's run: the targets and their checks, then one of three walks (file contents and file
// names over the files of each folder, folder names over the folders), each sorting paths into a
// hit list and a miss list, and at the end the report: the targets, then each list with its count.
#include "tools/text/find_run.h"

#include "core/contents_rewrite.h"
#include "core/run_driver.h"
#include "core/state.h"
#include "core/vb.h"
#include "platform/file_head.h"
#include "tools/text/find_read_ahead.h"
#include "tools/text/find_targets.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>

namespace tools::text {

namespace {

const std::string kCrLf = "\r\n";
constexpr int kNameCadence = 1001;  // names tested between two looks at Cancel

class WordFinder {
 public:
  WordFinder(core::Pipeline& pipe, const FindOptions& options, const core::MessageTable& msg,
             std::vector<std::string> targets, MatchMode mode)
      : pipe_(pipe), options_(options), msg_(msg), targets_(std::move(targets)), mode_(mode),
        matcher_(targets_, mode, options.matchCase) {}

  void run(core::ToolForm* form) {
    core::RunOptions run{.withSubfolders = options_.withSubfolders,
                         .withHidden = options_.withHidden,
                         .refreshFirst = true,
                         .caption = msg_(3),
                         .refresh = core::RefreshMode::None,
                         .readsOnly = true};
    core::RunHooks hooks{.onEnd = [this](const core::RunOutcome&) { report(); }};
    switch (options_.in) {
      case FindIn::Contents:
        run.cadence = {.every = 0, .showEachItem = true};
        // Helpers read and search each folder's next files while this thread checks and logs
        // (they stop when the run ends).
        if (options_.readAheadHelpers > 0) {
          ahead_.emplace(ReadAhead::Limits{.helpers = options_.readAheadHelpers}, matcher_);
          // The start folder, as the run's own scope holds it (the walk is done by now).
          hooks.onStart = [this] {
            if (!pipe_.dirList().empty()) root_ = pipe_.dirList().front();
            if (options_.readAheadAtOnce) startReadAhead();
          };
          hooks.onFolderStart = [this](const core::FolderInfo& info) { readAhead(info.folder); };
        }
        core::runFiles(pipe_, form, run, [this](core::RunItem& item) { return searchContents(item); }, hooks);
        ahead_.reset();
        if (options_.judgedAhead) *options_.judgedAhead = judgedAhead_;
        break;
      case FindIn::FileNames:
        run.cadence = {.every = kNameCadence};
        core::runFiles(pipe_, form, run, [this](core::RunItem& item) {
          sort(item.path(), nameMatches(item.name()));
          return core::StepResult::Done;
        }, hooks);
        break;
      case FindIn::FolderNames:
        core::runFolders(pipe_, form, run, [this](core::RunItem& item) {
          sort(item.folder() + item.name() + "/", nameMatches(item.name()));
          return core::StepResult::Done;
        }, hooks);
        break;
    }
  }

 private:
  [[nodiscard]] bool nameMatches(const std::string& name) const {
    const std::string tested = options_.matchCase ? name : vb::LCase(name);
    const auto holds = [&](const std::string& t) { return tested.find(t) != std::string::npos; };
    return mode_ == MatchMode::Any ? std::any_of(targets_.begin(), targets_.end(), holds)
                                   : std::all_of(targets_.begin(), targets_.end(), holds);
  }

  void sort(const std::string& path, bool hit) {
    core::ResultsLog& list = hit ? hits_ : misses_;
    pipe_.addToLog(list, path);
    pipe_.addToLog(list, kCrLf);
    ++(hit ? hitCount_ : missCount_);
  }

  void startReadAhead() {
    if (!root_.empty()) ahead_->start(root_);
  }

  // A read slower than memory (under 200 MB/s, and long enough to notice) came from the disk, or
  // the run lost the processor meanwhile: once a few come close together (each counts 4, each
  // fast read takes 1 off), the helpers read ahead from then on. On a tree in memory they would
  // only take the processor from the run, which then waits for their findings.
  void startReadAheadIfSlow(std::chrono::steady_clock::duration took, std::size_t bytes) {
    constexpr auto kNoticeable = std::chrono::microseconds(50);
    constexpr int kStartAt = 12;
    const bool slow =
        took >= kNoticeable && static_cast<double>(bytes) / std::chrono::duration<double>(took).count() < 200e6;
    slowReads_ = slow ? slowReads_ + 4 : std::max(slowReads_ - 1, 0);
    if (slowReads_ >= kStartAt) startReadAhead();
  }

  // The folder's files, as the run will take them (not the entries it never opens).
  void readAhead(const std::string& folder) {
    names_.clear();
    for (const core::ListEntry& e : pipe_.host().listViewRoot())
      if ((e.attributes & (core::kAttrFolder | core::kAttrSystem)) == 0) names_.push_back(e.name);
    ahead_->enterFolder(folder, names_);
  }

  core::StepResult searchContents(core::RunItem& item) {
    path_.assign(item.folder()).append(item.name());  // one buffer for every path of the run
    const std::string& path = path_;
    // Taken before the check, so that the helper's look at the file comes before the check's.
    const std::optional<AheadFinding> finding = ahead_ ? ahead_->take(path) : std::nullopt;
    // The file the check opened is the one read: one look-up (the listing's type passed on), and a
    // small file is one read into the run's buffer.
    platform::HeldFile file;
    if (pipe_.checkFileUsable(path, {.access = core::Access::Read, .keep = &file, .listed = item.entry()}) == 0)
      return core::StepResult::Skipped;
    const auto size = static_cast<std::uint64_t>(core::coreState().fileSize);
    const core::PiecePlan plan = core::planPieces(size, kFindPieceSize);
    const bool judged = finding && file.seen() != nullptr && finding->judges(*file.seen());
    if (judged) ++judgedAhead_;
    if (!piece_ && !judged) piece_ = std::make_unique_for_overwrite<char[]>(kFindPieceSize);
    if (!judged) matcher_.begin();
    bool matched = false, cutShort = false;
    for (std::uint64_t k = 1; k <= plan.count; ++k) {
      const bool last = k == plan.count;
      const std::size_t want = last ? static_cast<std::size_t>(plan.lastLength) : kFindPieceSize;
      std::size_t got = want;
      if (judged) {
        // The helper read this very file, unchanged since: its finding, piece by piece, with the
        // same progress and the same looks at Cancel as a read here.
        matched = k == finding->matchedInPiece;
      } else {
        const auto before = std::chrono::steady_clock::now();
        if (file.read((k - 1) * kFindPieceSize, want, piece_.get(), got) != 0) {
          pipe_.addResult(core::msgMain(85) + path);
          break;  // the file is a miss unless a piece before matched
        }
        if (ahead_) startReadAheadIfSlow(std::chrono::steady_clock::now() - before, got);
        matched = matcher_.feed(std::string_view(piece_.get(), got));
      }
      item.showProgressWithin(static_cast<double>(k) / static_cast<double>(plan.count));
      const core::Poll poll = item.yieldAndPoll();
      // A file that shrank while it was read ends where its bytes do.
      if (matched || got < want) break;
      if (poll != core::Poll::GoOn) {
        cutShort = !last;
        break;
      }
    }
    // A file the user's Cancel cut short is in neither list: whether it holds the targets is unknown.
    if (cutShort) return core::StepResult::Skipped;
    sort(path, matched);
    return core::StepResult::Done;
  }

  [[nodiscard]] std::string block(const core::ResultsLog& list, long long count) const {
    return count > 0 ? "\t" + kCrLf + list.text() + "\t" : msg_(10);
  }

  void report() {
    std::string heading = msg_(4);
    for (const std::string& t : targets_) heading += "\"" + t + "\"" + kCrLf;
    const std::string& title = msg_(options_.in == FindIn::Contents ? 5 : options_.in == FindIn::FolderNames ? 6 : 7);
    const std::string& modeText = msg_(mode_ == MatchMode::Any ? 8 : 9);
    pipe_.resultsText().assign(heading + kCrLf + title + msg_(11) + modeText + msg_(12) + std::to_string(hitCount_) +
                               msg_(13) + kCrLf + block(hits_, hitCount_) + kCrLf + kCrLf + kCrLf + title +
                               msg_(14) + modeText + msg_(15) + std::to_string(missCount_) + msg_(16) + kCrLf +
                               block(misses_, missCount_));
  }

  core::Pipeline& pipe_;
  const FindOptions& options_;
  const core::MessageTable& msg_;
  const std::vector<std::string> targets_;
  const MatchMode mode_;
  ContentMatcher matcher_;
  std::unique_ptr<char[]> piece_;  // the run's read buffer, of one piece
  std::optional<ReadAhead> ahead_;  // contents searches only
  long long judgedAhead_ = 0;       // files the helpers' findings judged
  int slowReads_ = 0;               // how many of the run's last reads waited, by the rule above
  std::string root_;                // the run's start folder, where the helpers may read
  std::string path_;
  std::vector<std::string> names_;  // the folder's files, for the helpers
  core::ResultsLog hits_, misses_;
  long long hitCount_ = 0, missCount_ = 0;
};

}  // namespace

FindStart findWords(core::Pipeline& pipe, core::ToolForm* form, const FindOptions& options,
                    const core::MessageTable& msg) {
  std::vector<std::string> targets =
      parseTargets(options.text, {.phrases = options.phrases, .matchCase = options.matchCase});
  if (targets.empty()) {
    pipe.host().respond(form, "O", msg(1), "I");
    return FindStart::NoTargets;
  }
  if (options.in != FindIn::Contents) {
    if (const std::optional<std::string> bad = firstImpossibleName(targets)) {
      pipe.showFindMessage(msg(2) + *bad, options.in == FindIn::FolderNames);
      return FindStart::ImpossibleName;
    }
  }
  const MatchMode mode = options.phrases ? options.mode : MatchMode::Any;
  WordFinder(pipe, options, msg, std::move(targets), mode).run(form);
  return FindStart::Searched;
}

}  // namespace tools::text
