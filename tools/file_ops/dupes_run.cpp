// The finder's run in its phases:
//   1. checks before the pipeline: writable folder, subfolders for the name modes, the trash
//      question or the target folder, the warning;
//   2. collecting (runFiles): each regular file of the filters, measured once; empty files are
//      listed at once (contents modes);
//   3. comparing: files grouped by size, each size's files by contents (or all files by name),
//      and each group's duplicates listed, deleted, copied or moved as they are found;
//   4. the finish.
#include "tools/file_ops/dupes_run.h"

#include "core/file_paths.h"
#include "core/run_driver.h"
#include "core/state.h"
#include "core/vb.h"
#include "platform/fd_io.h"
#include "platform/file_attributes.h"
#include "platform/file_identity.h"
#include "platform/fs.h"
#include "platform/hidden_list.h"
#include "tools/file_ops/dupes_contents.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <exception>
#include <numeric>
#include <unordered_map>

namespace tools::file_ops {

namespace {

const std::string kCrLf = "\r\n";
const std::string kIndent = "     ";
// Between yields to window events while comparing: often enough for Cancel and a moving window,
// seldom enough to cost nothing beside the reading.
constexpr std::chrono::milliseconds kYieldEvery{40};

bool byName(DupesMode mode) { return mode == DupesMode::ListByName || mode == DupesMode::DeleteByName; }

class DupesFinder {
 public:
  DupesFinder(core::Pipeline& pipe, const DupesOptions& options, const core::MessageTable& msg,
              std::string target)
      : pipe_(pipe), options_(options), msg_(msg), target_(std::move(target)) {
    reading_.poll = [this](std::uint64_t bytes) { return poll(bytes); };
    if (!target_.empty()) targetDevice_ = platform::fileStatus(target_).identity.device;
  }

  void run(core::ToolForm* form) {
    const core::RunOutcome out = core::runFiles(
        pipe_, form,
        {.withSubfolders = options_.withSubfolders, .withHidden = options_.withHidden, .caption = msg_(8),
         .finish = false, .readsOnly = options_.mode == DupesMode::ListByContents || options_.mode == DupesMode::ListByName},
        [this](core::RunItem& item) { return collect(item); },
        {.onStart = [this] {
           if (!byName(options_.mode)) pipe_.addToLog(pipe_.resultsText(), msg_(9));
         }});
    if (out.end == core::RunEnd::Error) return;  // the error report ended the run
    try {
      if (out.end == core::RunEnd::Completed) compare();
    } catch (const std::exception& e) {
      pipe_.showRunError(form, e.what());
      return;
    } catch (...) {
      pipe_.showRunError(form, "");
      return;
    }
    pipe_.addToLog(pipe_.resultsText(), "\t");
    pipe_.finishOperation(form, core::RefreshMode::ListOnly);
  }

 private:
  // Contents modes take the size the listing measured and open a file only once another file
  // has its size; the name modes measure each file (its inode decides what is one file).
  core::StepResult collect(const core::RunItem& item) {
    const std::string path = item.path();
    // Two folders' records of the Hidden flag may well be equal; neither is a duplicate to remove.
    if (platform::isHiddenFileName(item.name())) return core::StepResult::Skipped;
    if (!byName(options_.mode) && item.entry() && item.entry()->size > 0) {
      files_.push_back({.path = path, .size = item.entry()->size});
      return core::StepResult::Done;
    }
    const platform::LinkStatus st = platform::linkStatus(path);
    if (st.type == platform::FileType::Symlink || st.type == platform::FileType::Missing) {
      return core::StepResult::Skipped;
    }
    if (st.type != platform::FileType::Regular) {
      if (!byName(options_.mode)) (void)pipe_.checkFileUsable(path, {.access = core::Access::Read});  // logs it
      return core::StepResult::Skipped;
    }
    if (!byName(options_.mode) && st.size == 0) {
      pipe_.addToLog(pipe_.resultsText(), path + kCrLf);
      return core::StepResult::Skipped;
    }
    files_.push_back({.path = path, .size = st.size, .identity = st.identity, .identified = true});
    return core::StepResult::Done;
  }

  // A file that could not be compared: not a duplicate, and said so.
  void logUnreadable(const std::string& path, int error) {
    pipe_.addResult(error == EINVAL ? core::msgMain(23) + path : core::msgMain(85) + path);
  }

  void compare() {
    pipe_.resetProgress(static_cast<long long>(files_.size()));
    pipe_.setProgressCaption(msg_(10));
    pipe_.addToLog(pipe_.resultsText(), kCrLf + kCrLf + msg_(11));
    reading_.unreadable = [this](std::size_t i, int error) { logUnreadable(files_[i].path, error); };
    if (byName(options_.mode)) {
      compareByName();
    } else {
      compareByContents();
    }
  }

  // Files of one size are a class; the files of all classes are read together, and each class's
  // duplicates are then listed or acted on in the order of the sizes.
  void compareByContents() {
    std::vector<std::size_t> order(files_.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [this](std::size_t a, std::size_t b) { return files_[a].size < files_[b].size; });
    std::vector<SizeClass> classes;
    std::size_t alone = 0;  // files no other file has the size of: compared at once
    for (std::size_t from = 0; from < order.size();) {
      std::size_t to = from + 1;
      while (to < order.size() && files_[order[to]].size == files_[order[from]].size) ++to;
      if (to - from > 1) classes.emplace_back(order.data() + from, to - from);
      else ++alone;
      from = to;
    }
    advance(alone);
    ContentReading reading = reading_;
    reading.looked = [this](std::size_t members) { advance(members); };
    // The run's steps are scoped to its folder (when it has one); the readers keep to it too.
    if (!pipe_.host().dir1().empty()) reading.scopeRoot = core::AddSlash(pipe_.host().dir1());
    (void)groupSameContentsEach(files_, classes, reading, [this](std::size_t, std::vector<DupesGroup>& groups) {
      for (const DupesGroup& g : groups) {
        if (!actOnGroup(g)) return false;
      }
      return !stopped_;
    });
  }

  void compareByName() {
    std::vector<DupesGroup> groups;
    std::unordered_map<std::string, std::size_t> groupOf;
    for (std::size_t i = 0; i < files_.size(); ++i) {
      const auto [it, added] = groupOf.try_emplace(vb::LCase(platform::nameOf(files_[i].path)), groups.size());
      if (added) {
        groups.push_back({.kept = i, .copies = {}});
      } else if (files_[i].identity != files_[groups[it->second].kept].identity) {
        groups[it->second].copies.push_back(i);
      }
    }
    for (const DupesGroup& g : groups) {
      if (!g.copies.empty() && !actOnGroup(g)) return;
      advance(g.copies.size() + 1);
      if (stopped_) return;
    }
  }

  // Lists or acts on each duplicate of g; false when the run was cancelled.
  bool actOnGroup(const DupesGroup& g) {
    const DupesFile& kept = files_[g.kept];
    bool headed = false;
    for (std::size_t c : g.copies) {
      const DupesFile& copy = files_[c];
      if (dupesModeRemoves(options_.mode)) {
        const Compared still = stillDuplicate(kept, copy);
        if (still == Compared::Stopped) return false;
        if (still != Compared::Same) {
          if (still == Compared::Different) pipe_.addResult(msg_(21) + copy.path);
          continue;
        }
      }
      if (!headed) pipe_.addToLog(pipe_.resultsText(), kept.path + kCrLf);
      headed = true;
      actOn(copy);
      if (!poll(0)) return false;
    }
    if (headed) pipe_.addToLog(pipe_.resultsText(), kCrLf);
    return true;
  }

  // Just before a duplicate is deleted or moved away: both files still as measured, and (by
  // contents) still of equal bytes, so that the kept file is never the last copy lost.
  Compared stillDuplicate(const DupesFile& kept, const DupesFile& copy) {
    if (!byName(options_.mode)) {
      const Compared c = sameContents(kept, copy, {.poll = reading_.poll, .unreadable = [&](std::size_t which, int error) {
                                                     logUnreadable((which == 0 ? kept : copy).path, error);
                                                   }});
      if (c == Compared::Stopped) stopped_ = true;
      return c;
    }
    const platform::LinkStatus k = platform::linkStatus(kept.path);
    const platform::LinkStatus d = platform::linkStatus(copy.path);
    const bool same = k.type == platform::FileType::Regular && k.identity == kept.identity &&
                      d.type == platform::FileType::Regular && d.identity == copy.identity;
    return same ? Compared::Same : Compared::Different;
  }

  void actOn(const DupesFile& copy) {
    const std::string& b = copy.path;
    switch (options_.mode) {
      case DupesMode::ListByContents:
      case DupesMode::ListByName:
        pipe_.addToLog(pipe_.resultsText(), kIndent + b + kCrLf);
        return;
      case DupesMode::DeleteByContents:
      case DupesMode::DeleteByName:
        if (pipe_.removeFile(b, "", "", core::RemoveKind::Deleted) == 0) {
          pipe_.addToLog(pipe_.resultsText(), kIndent + msg_(12) + b + kCrLf);
        }
        return;
      case DupesMode::CopyByContents: {
        const std::string target = freeTarget(b);
        switch (pipe_.copyFileChunked(b, target)) {
          case core::kCopyDone: pipe_.addToLog(pipe_.resultsText(), kIndent + msg_(14) + b + " -> " + target + kCrLf); break;
          case core::kCopyStopped: break;  // the run reports the Cancel
          default: pipe_.addResult(msg_(13) + b + " -> " + target);
        }
        return;
      }
      case DupesMode::MoveByContents:
        moveTo(copy, freeTarget(b));
        return;
    }
  }

  // Within one file system a rename; across file systems a copy with what mv keeps (permission
  // bits, owner, extended attributes, times, the Hidden flag), synced and its size checked, then
  // the duplicate deleted (the kept file still holds the same bytes should the copy be lost).
  void moveTo(const DupesFile& copy, const std::string& target) {
    const std::string& b = copy.path;
    if (copy.identity.device == targetDevice_) {
      if (pipe_.rename(b, target) == 0) {
        pipe_.addToLog(pipe_.resultsText(), kIndent + msg_(16) + b + " -> " + target + kCrLf);
      } else {
        pipe_.addResult(msg_(15) + b + " -> " + target);
      }
      return;
    }
    const platform::FileStatus before = platform::fileStatus(b, false);
    const std::uint8_t attributes = core::GetAtt(b);  // a rename would keep them
    switch (pipe_.copyFileChunked(b, target, {.durable = true, .keepMetadata = true})) {
      case core::kCopyDone: break;
      case core::kCopyStopped: return;  // the run reports the Cancel
      default:
        pipe_.addResult(msg_(13) + b + " -> " + target);
        return;
    }
    if (before.modified.known) (void)platform::setFileTimes(target, before.accessed.known ? &before.accessed : nullptr, &before.modified);
    if (core::GetAtt(target) != attributes) (void)core::SetAtt(target, attributes);
    const platform::LinkStatus made = platform::linkStatus(target);
    if (made.type != platform::FileType::Regular || made.size != copy.size || core::KillFile(b) != 0) {
      pipe_.addResult(msg_(15) + b);
      return;
    }
    pipe_.addToLog(pipe_.resultsText(), kIndent + msg_(16) + b + " -> " + target + kCrLf);
  }

  // The target folder and the duplicate's name, or the next free numbered name when it is taken.
  std::string freeTarget(const std::string& path) {
    const std::string target = target_ + platform::nameOf(path);
    if (core::FileExist(target) == 0) return target;
    return core::Pipeline::splitFileName(target, freeNameCounter_);
  }

  // Yields to window events at most every kYieldEvery while comparing. False once the user
  // cancelled.
  bool poll(std::uint64_t) {
    if (stopped_) return false;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastYield_ < kYieldEvery) return true;
    lastYield_ = now;
    pipe_.host().doEvents();
    stopped_ = pipe_.host().isCancel() != core::CancelState::Running;
    return !stopped_;
  }

  // Counts items as compared; the bar moves (with a yield) as often as poll yields.
  void advance(std::size_t items) {
    pending_ += items;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastYield_ < kYieldEvery) return;
    lastYield_ = now;
    pipe_.updateProgress(0, static_cast<double>(pending_));
    pending_ = 0;
    if (pipe_.host().isCancel() != core::CancelState::Running) stopped_ = true;
  }

  core::Pipeline& pipe_;
  const DupesOptions& options_;
  const core::MessageTable& msg_;
  const std::string target_;
  std::uint64_t targetDevice_ = 0;
  ContentReading reading_;
  std::vector<DupesFile> files_;
  long long freeNameCounter_ = 1;
  std::chrono::steady_clock::time_point lastYield_ = std::chrono::steady_clock::now();
  std::size_t pending_ = 0;
  bool stopped_ = false;
};

// Checks before the pipeline starts; the target folder (with "/") for the copy and move modes.
// nullopt when the run is refused.
std::optional<std::string> checkStart(core::Pipeline& pipe, core::ToolForm* form, const DupesOptions& options,
                                      const core::MessageTable& msg, const std::string& mainFolder) {
  core::RunHost& host = pipe.host();
  const DupesMode mode = options.mode;
  if (dupesModeRemoves(mode) && pipe.checkFolderWritable(mainFolder) != 0) return std::nullopt;
  if (byName(mode) && !options.withSubfolders) {
    host.respond(form, "O", msg(18), "N");
    return std::nullopt;
  }
  std::string target;
  if (mode == DupesMode::DeleteByContents || mode == DupesMode::DeleteByName) {
    if (pipe.checkDriveForRecycle(form, mainFolder) == 0) return std::nullopt;
  } else if (dupesModeNeedsTarget(mode)) {
    target = core::AddSlash(options.targetFolder);
    // A relative folder would land wherever the program happened to start.
    const bool absolute = !options.targetFolder.empty() && options.targetFolder.front() == '/';
    bool ready = absolute && core::PathExist(target) != 0;
    if (absolute && !ready &&
        platform::linkStatus(core::withoutTrailingSlashes(target)).type == platform::FileType::Missing) {
      ready = core::MakeDir(target) == 0;
    }
    if (!ready) {
      host.respond(form, "O", msg(5) + target, "E");
      return std::nullopt;
    }
  }
  std::string warning = options.withSubfolders ? msg(6) + kCrLf + kCrLf : "";
  // Files that only share a name are no duplicates: the warning says their contents go unseen.
  if (dupesModeRemoves(mode)) warning = msg(mode == DupesMode::DeleteByName ? 22 : 7) + warning;
  if (!warning.empty() && host.respond(form, "", warning, "W") == core::kAnswerNo) return std::nullopt;
  return target;
}

}  // namespace

bool dupesModeRemoves(DupesMode mode) {
  return mode == DupesMode::DeleteByContents || mode == DupesMode::MoveByContents || mode == DupesMode::DeleteByName;
}

bool dupesModeNeedsTarget(DupesMode mode) {
  return mode == DupesMode::CopyByContents || mode == DupesMode::MoveByContents;
}

DupesStart findDuplicates(core::Pipeline& pipe, core::ToolForm* form, const DupesOptions& options,
                          const core::MessageTable& msg) {
  const std::string mainFolder = pipe.host().dir1();
  const std::optional<std::string> target = checkStart(pipe, form, options, msg, mainFolder);
  if (!target) return DupesStart::Refused;
  DupesFinder(pipe, options, msg, *target).run(form);
  return DupesStart::Ran;
}

}  // namespace tools::file_ops
