#include "tools/file_ops/join_run.h"

#include "core/file_paths.h"
#include "core/message_table.h"
#include "core/state.h"
#include "core/run_driver.h"
#include "platform/fd_io.h"
#include "platform/file_head.h"
#include "platform/fs.h"
#include "platform/new_file.h"
#include "tools/file_ops/split_pieces.h"

#include <cerrno>

#include <algorithm>
#include <map>
#include <set>
#include <vector>

namespace tools::file_ops {

namespace {

const std::string kCrLf = "\r\n";

// The size of a regular file (not through a link); nullopt when there is none.
std::optional<std::uint64_t> regularSize(const std::string& path) {
  const platform::FileStatus st = platform::fileStatus(path, false);
  if (st.type != platform::FileType::Regular) return std::nullopt;
  return st.size;
}

bool taken(const std::string& path) { return platform::fileStatus(path, false).type != platform::FileType::Missing; }

std::optional<std::uint64_t> digitsValue(std::string_view s) {
  if (s.empty() || s.size() > 9) return std::nullopt;
  std::uint64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return v;
}

enum class Appended { Done, Failed, Cancelled };

// The output being built: a temporary file that takes the output's name when complete.
struct Building {
  std::string output{};
  platform::NewFile temp{};
  std::vector<std::string> sources{};  // joined so far (deleted after a complete join when chosen)
  bool failed = false;
};

class JoinRun {
 public:
  JoinRun(core::Pipeline& pipe, const JoinOptions& options, const core::MessageTable& msg)
      : pipe_(pipe), options_(options), msg_(msg) {}

  core::StepResult splitPiecesStep(core::RunItem& item);
  core::StepResult numberedStep(core::RunItem& item);
  core::StepResult allFilesStep(core::RunItem& item);
  // Join-all: the output of a folder (or of the run) before its first file and after its last.
  bool openAllFilesOutput(const std::string& folder);
  void closeAllFilesOutput();
  [[nodiscard]] bool spanRefused() const { return spanRefused_; }

 private:
  bool startTemp(Building& b, const std::string& folder);
  // Puts an output that cannot take its name under a free name of the folder ("TempFile" ...),
  // where it stays: a temporary file's name would be taken away by the next run. Its path.
  std::string keepPartial(Building& b, const std::string& folder);
  // Appends source, open in held when its check kept it (else opened here).
  Appended append(core::RunItem* item, const std::string& source, Building& b, bool lineBreak,
                  const platform::HeldFile* held = nullptr);
  // Puts a complete temporary file in the output's place; false when it could not (the line is
  // written; the temporary file is removed unless the failure left it as the only copy).
  bool complete(Building& b, int removeLabel);
  void deleteSources(const Building& b);
  core::StepResult joinList(core::RunItem& item, Building& b, const std::vector<std::string>& pieces);

  core::Pipeline& pipe_;
  const JoinOptions& options_;
  const core::MessageTable& msg_;
  std::set<std::string> reportedOutputs_;
  std::optional<Building> all_;  // join-all's output in progress
  bool spanRefused_ = false;
};

bool JoinRun::startTemp(Building& b, const std::string&) {
  if (b.temp.create(b.output) != 0) {
    pipe_.addResult(msg_(26) + b.output);
    return false;
  }
  return true;
}

std::string JoinRun::keepPartial(Building& b, const std::string& folder) {
  const std::string kept = core::TmpFileName(folder);
  if (!kept.empty() && b.temp.keepAs(kept) == 0) return kept;
  if (!kept.empty()) (void)core::KillFile(kept);
  return b.temp.temporaryPath();
}

Appended JoinRun::append(core::RunItem* item, const std::string& source, Building& b, bool lineBreak,
                         const platform::HeldFile* held) {
  platform::HeldFile own;
  if (held == nullptr) {
    if (const int err = platform::openSource(source, own); err != 0) {
      pipe_.addResult(err == ENOENT ? msg_(25) + source : core::msgMain(85) + source);
      return Appended::Failed;
    }
    held = &own;
  }
  if (held->seen() == nullptr) {
    pipe_.addResult(core::msgMain(85) + source);
    return Appended::Failed;
  }
  const auto size = static_cast<std::uint64_t>(held->seen()->st_size);
  const auto failed = [&](int message, const std::string& path) {
    pipe_.addResult(msg_(message) + path);
    return Appended::Failed;
  };
  // Room for the whole file first, where that spares the kernel finding it block by block (only a
  // help: a refusal shows again, and is reported, where the bytes are appended).
  (void)b.temp.reserveFor(held->fd(), size);
  // In blocks, with a look at Cancel after each: a large piece must not hold the window.
  for (std::uint64_t at = 0; at < size;) {
    const std::uint64_t length = std::min(kJoinBlock, size - at);
    if (b.temp.appendFrom(held->fd(), at, length) != 0) return failed(26, b.output);
    at += length;
    if (item && item->yieldAndPoll() != core::Poll::GoOn) return Appended::Cancelled;
  }
  if (lineBreak && size > 2) {
    char tail[2] = {};
    std::size_t got = 0;
    if (held->read(size - 2, 2, tail, got) != 0 || got != 2) return failed(26, b.output);
    if ((tail[0] != '\r' || tail[1] != '\n') && b.temp.write(kCrLf) != 0) return failed(26, b.output);
  }
  b.sources.push_back(source);
  return Appended::Done;
}

bool JoinRun::complete(Building& b, int removeLabel) {
  const bool replacing = taken(b.output);
  // Synced before anything it replaces goes (the old output, the pieces), and only then: an output
  // whose pieces stay is no only copy.
  const platform::Durability durability = replacing || options_.deletePieces
                                              ? platform::Durability::OnlyCopyAtStake
                                              : platform::Durability::SourceStays;
  if (durability == platform::Durability::OnlyCopyAtStake && b.temp.sync() != 0) {
    pipe_.addResult(msg_(26) + b.output);
    return false;
  }
  // The temporary file goes with b when the old output stays.
  if (replacing && pipe_.removeFile(b.output, msg_(removeLabel), "", core::RemoveKind::Deleted) != 0) return false;
  if (b.temp.finish(durability) == 0) return true;
  // After the old output is gone it is the only copy: kept under a name of its own, and the rename
  // tried once more, which says why it fails.
  const std::string kept = keepPartial(b, platform::folderOf(b.output));
  return pipe_.renameLogged(kept, b.output, msg_(7), core::ItemKind::File) == 0;
}

void JoinRun::deleteSources(const Building& b) {
  if (!options_.deletePieces) return;
  for (const std::string& source : b.sources) (void)pipe_.removeFile(source, "", "", core::RemoveKind::Deleted);
}

core::StepResult JoinRun::joinList(core::RunItem& item, Building& b, const std::vector<std::string>& pieces) {
  if (!startTemp(b, item.folder())) return core::StepResult::Failed;
  for (const std::string& piece : pieces) {
    switch (append(&item, piece, b, false)) {
      case Appended::Done: break;
      case Appended::Cancelled: (void)b.temp.abandon(); return core::StepResult::Failed;
      case Appended::Failed:
        // What was joined so far stays, under the free name the line gives.
        pipe_.addResult(msg_(3) + piece + msg_(4) + keepPartial(b, item.folder()));
        return core::StepResult::Failed;
    }
  }
  return core::StepResult::Done;
}

core::StepResult JoinRun::splitPiecesStep(core::RunItem& item) {
  const auto first = parseSplitPieceName(item.name());
  if (!first || first->index != 1) return core::StepResult::Skipped;
  const std::string& folder = item.folder();
  Building b;
  b.output = folder + first->output;
  if (taken(b.output) && !options_.overwrite) {
    pipe_.addResult(b.output + msg_(2));
    return core::StepResult::Skipped;
  }
  // Every piece is there and the sizes fit a split before anything is written.
  std::vector<std::string> pieces;
  std::uint64_t full = 0;
  for (std::uint64_t i = 1; i <= first->count; ++i) {
    const std::string piece = folder + siblingPieceName(*first, i);
    const auto size = regularSize(piece);
    if (!size) {
      pipe_.addResult(msg_(25) + piece);
      return core::StepResult::Failed;
    }
    if (i == 1) full = *size;
    if (*size == 0 || *size > full || (i < first->count && *size != full)) {
      pipe_.addResult(msg_(31) + item.path());
      return core::StepResult::Failed;
    }
    pieces.push_back(piece);
  }
  pipe_.showProgressFile(b.output, static_cast<long long>(item.index()));
  const core::StepResult joined = joinList(item, b, pieces);
  if (joined != core::StepResult::Done) return joined;
  if (!complete(b, 0)) return core::StepResult::Failed;
  pipe_.addToLog(pipe_.resultsText(), kCrLf + b.output + msg_(8) + item.name() + kCrLf);
  deleteSources(b);
  return core::StepResult::Done;
}

core::StepResult JoinRun::numberedStep(core::RunItem& item) {
  const std::string& name = item.name();
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return core::StepResult::Skipped;
  const std::string base = name.substr(0, dot);
  const auto index = digitsValue(std::string_view(name).substr(dot + 1));
  if (!index || *index != 1) return core::StepResult::Skipped;
  const std::string& folder = item.folder();
  Building b;
  b.output = folder + base;
  if (taken(b.output) && !options_.overwrite) {
    if (reportedOutputs_.insert(b.output).second) pipe_.addResult(b.output + msg_(2));
    return core::StepResult::Skipped;
  }
  // The siblings base.N in numeric order, up to the first index without a piece.
  std::map<std::uint64_t, std::string> byIndex;
  for (const std::string& sibling : platform::listDirectory(folder).names) {
    if (sibling.size() <= base.size() + 1 || sibling.compare(0, base.size() + 1, base + ".") != 0) continue;
    const auto n = digitsValue(std::string_view(sibling).substr(base.size() + 1));
    if (n && *n >= 1 && regularSize(folder + sibling)) byIndex.emplace(*n, sibling);
  }
  byIndex[1] = name;
  std::vector<std::string> pieces;
  for (std::uint64_t i = 1; byIndex.count(i) != 0; ++i) pieces.push_back(folder + byIndex[i]);
  if (pieces.size() < 2) {
    pipe_.addResult(msg_(12) + name);
    return core::StepResult::Skipped;
  }
  const core::StepResult joined = joinList(item, b, pieces);
  if (joined != core::StepResult::Done) return joined;
  if (!complete(b, 13)) return core::StepResult::Failed;
  pipe_.addToLog(pipe_.resultsText(), b.output + kCrLf);
  deleteSources(b);
  return core::StepResult::Done;
}

bool JoinRun::openAllFilesOutput(const std::string& folder) {
  all_.reset();
  Building& b = all_.emplace();
  b.output = folder + options_.allFilesName;
  if (taken(b.output) && !options_.overwrite) {
    pipe_.addResult(msg_(19) + b.output + msg_(20));
    all_.reset();
    return false;
  }
  if (!startTemp(b, folder)) {
    all_.reset();
    return false;
  }
  return true;
}

void JoinRun::closeAllFilesOutput() {
  if (!all_) return;
  Building& b = *all_;
  if (b.failed || b.sources.empty()) {
    (void)b.temp.abandon();
  } else if (complete(b, 18)) {
    pipe_.addToLog(pipe_.resultsText(), b.output + kCrLf);
    deleteSources(b);
  }
  all_.reset();
}

core::StepResult JoinRun::allFilesStep(core::RunItem& item) {
  if (!all_ || all_->failed) return core::StepResult::Skipped;
  Building& b = *all_;
  const std::string path = item.path();
  if (path == b.output || path == b.temp.temporaryPath()) return core::StepResult::Skipped;  // never itself
  platform::HeldFile held;  // the very file the check looked at
  if (pipe_.checkFileUsable(path, {.access = core::Access::Read, .keep = &held, .listed = item.entry()}) == 0)
    return core::StepResult::Skipped;
  // No break after the last file of an output that ends with its folder.
  const bool lastOfOutput = !options_.span && item.index() == item.count();
  switch (append(&item, path, b, options_.lineBreaks && !lastOfOutput, &held)) {
    case Appended::Done: return core::StepResult::Done;
    case Appended::Cancelled:
      b.failed = true;
      return core::StepResult::Failed;
    case Appended::Failed: break;
  }
  pipe_.addResult(msg_(21) + path + msg_(22) + b.output);
  b.failed = true;  // an output missing a file is not written
  return core::StepResult::Failed;
}

}  // namespace

JoinStart joinFiles(core::Pipeline& pipe, core::ToolForm* form, const JoinOptions& options,
                    const core::MessageTable& msg) {
  const std::string folder = core::AddSlash(pipe.host().dir1());
  if (pipe.checkFolderWritable(folder) != 0) return JoinStart::Refused;
  if (options.mode == JoinMode::AllFiles && options.allFilesName.empty()) {
    pipe.host().respond(form, "O", msg(32), "I");  // else Start would seem to do nothing
    return JoinStart::Invalid;
  }
  if (options.deletePieces) {
    if (pipe.host().respond(form, "", msg(27), "W") == core::kAnswerNo) return JoinStart::Declined;
    if (pipe.checkDriveForRecycle(form, folder) == 0) return JoinStart::Refused;
  }
  if (options.mode == JoinMode::Numbered && pipe.host().respond(form, "", msg(10), "W") == core::kAnswerNo) {
    return JoinStart::Declined;
  }

  JoinRun run(pipe, options, msg);
  core::RunOptions runOptions{.withSubfolders = options.withSubfolders,
                              .withHidden = options.withHidden,
                              .cadence = {.every = 61, .showEachItem = options.mode == JoinMode::AllFiles},
                              .refresh = core::RefreshMode::ListOnly};
  core::RunHooks hooks;
  core::FileStep step;
  std::string heading, none, tail;
  switch (options.mode) {
    case JoinMode::SplitPieces:
      runOptions.caption = msg(1);
      step = [&](core::RunItem& item) { return run.splitPiecesStep(item); };
      // A heading before the tab that opens the list: the report does not start with a bare tab
      // line, and the list keeps the tabs around it that the results viewer looks for.
      heading = msg(14), none = msg(9), tail = "\t";
      if (heading.ends_with(kCrLf)) heading.resize(heading.size() - kCrLf.size());
      heading += "\t";
      break;
    case JoinMode::Numbered:
      runOptions.caption = msg(11);
      step = [&](core::RunItem& item) { return run.numberedStep(item); };
      heading = msg(14), none = msg(15), tail = "\t";
      break;
    case JoinMode::AllFiles:
      runOptions.caption = msg(17);
      step = [&](core::RunItem& item) { return run.allFilesStep(item); };
      heading = msg(23), none = msg(24), tail = "\t";
      if (!options.span) {
        hooks.onFolderStart = [&](const core::FolderInfo& info) { run.openAllFilesOutput(info.folder); };
        hooks.onFolderEnd = [&](const core::FolderInfo&) { run.closeAllFilesOutput(); };
      }
      break;
  }
  bool anyOutput = false;
  hooks.onStart = [&] {
    pipe.addToLog(pipe.resultsText(), heading);
    // One output for the whole run, in the main folder: prepared once, before the first folder.
    if (options.mode == JoinMode::AllFiles && options.span && !run.openAllFilesOutput(folder)) {
      pipe.host().setCancel(core::CancelState::Cancelled);
    }
  };
  hooks.onEnd = [&](const core::RunOutcome& out) {
    if (options.mode == JoinMode::AllFiles && options.span) run.closeAllFilesOutput();
    const std::string& text = pipe.resultsText().text();
    anyOutput = options.mode == JoinMode::AllFiles ? text.size() > heading.size() : out.done > 0;
    if (!anyOutput) {
      pipe.resultsText().assign(none);
    } else {
      pipe.addToLog(pipe.resultsText(), tail);
    }
  };
  core::runFiles(pipe, form, runOptions, step, hooks);
  return JoinStart::Ran;
}

}  // namespace tools::file_ops
