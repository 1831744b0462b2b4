// The extraction run: the three sources on the run driver, the keyword lists they write.
#include "tools/text/extract_run.h"

#include "core/state.h"
#include "core/vb.h"
#include "tools/text/extract_scanner.h"

#include <algorithm>
#include <functional>

namespace tools::text {

namespace {

constexpr std::size_t kYieldEvery = 5000;     // bytes scanned between two yields
constexpr std::size_t kListPart = 15000;      // a list longer than this is written out
constexpr std::size_t kNamesPart = 64 * 1024; // names-mode keywords written at a time
constexpr std::string_view kBlankLine = "\r\n\r\n";

// One keyword list of the contents modes: the words joined by the separator, after a head (the
// path, for a list per file). A list that grows past kListPart characters is written to the
// results text in parts, so memory stays small for any file; its first part then carries the
// note given at begin.
class KeywordList {
 public:
  KeywordList(core::Pipeline& pipe, std::string separator) : pipe_(pipe), sep_(std::move(separator)) {}

  void begin(std::string head, std::string note) {
    head_ = std::move(head);
    note_ = std::move(note);
    buffer_ = sep_;
    written_ = false;
  }
  void add(std::string_view word) {
    buffer_ += word;
    buffer_ += sep_;
  }
  void addText(std::string_view text) { buffer_ += text; }
  void writeIfLong() {
    if (buffer_.size() > kListPart) writePart();
  }
  // Ends the list; an empty one shows emptyText, or nothing at all when that is "".
  void end(std::string_view emptyText) {
    std::string_view rest = buffer_;
    if (!written_) rest = withoutLeadingSep(rest);
    rest = withoutTrailingSep(rest);
    if (written_) {
      log(std::string(rest) + std::string(kBlankLine));
    } else if (!rest.empty()) {
      log(head_ + std::string(rest) + std::string(kBlankLine));
    } else if (!emptyText.empty()) {
      log(head_ + std::string(emptyText) + std::string(kBlankLine));
    }
    buffer_ = sep_;
    written_ = false;
  }

 private:
  void writePart() {
    std::string out;
    std::string_view part = buffer_;
    if (!written_) {
      out = note_ + head_;
      part = withoutLeadingSep(part);
      written_ = true;
    }
    out += withoutTrailingSep(part);
    log(out);
    buffer_ = sep_;
  }
  std::string_view withoutLeadingSep(std::string_view s) const {
    return s.substr(0, sep_.size()) == sep_ ? s.substr(sep_.size()) : s;
  }
  std::string_view withoutTrailingSep(std::string_view s) const {
    return s.size() >= sep_.size() && s.substr(s.size() - sep_.size()) == sep_ ? s.substr(0, s.size() - sep_.size())
                                                                              : s;
  }
  void log(std::string_view text) { pipe_.addToLog(pipe_.resultsText(), text); }

  core::Pipeline& pipe_;
  std::string sep_, head_, note_, buffer_;
  bool written_ = false;
};

// True the first time compared is seen (always true without no-repeats).
bool firstTime(const ExtractSetup& setup, WordSet& seen, std::string_view compared) {
  if (!setup.noRepeats) return true;
  if (seen.find(compared) != seen.end()) return false;
  seen.emplace(compared);
  return true;
}

core::RunOptions runOptions(const ExtractWalk& walk, const core::MessageTable& msg) {
  return {.startFolder = walk.startFolder,
          .withSubfolders = walk.withSubfolders,
          .withHidden = walk.withHidden,
          .caption = msg(2),
          .refresh = core::RefreshMode::None,
          .readsOnly = true};
}

// What became of a file read in pieces.
enum class FileEnd { Read, Unreadable, Skipped, Cancelled };

// Feeds the first size bytes of the file at item's path to scanner in pieces, yielding after
// every kYieldEvery bytes; afterEach runs after each yield that lets the file go on.
FileEnd scanFile(core::RunItem& item, std::uint64_t size, WordScanner& scanner,
                 const std::function<void()>& afterEach) {
  core::Pipeline& pipe = item.pipe();
  const std::string path = item.path();
  const std::uint64_t pieces = size == 0 ? 0 : (size + kExtractPiece - 1) / kExtractPiece;
  for (std::uint64_t k = 0; k < pieces; ++k) {
    const std::uint64_t start = k * kExtractPiece;
    const std::optional<std::string> piece =
        pipe.readFileLogged(path, start + 1, std::min(kExtractPiece, size - start));
    if (!piece) return FileEnd::Unreadable;
    for (std::size_t at = 0; at < piece->size(); at += kYieldEvery) {
      scanner.feed(std::string_view(*piece).substr(at, kYieldEvery));
      switch (item.yieldAndPoll()) {
        case core::Poll::GoOn: break;
        case core::Poll::EndFile: return FileEnd::Skipped;
        case core::Poll::EndRun: return FileEnd::Cancelled;
      }
      afterEach();
    }
    item.showProgressWithin(static_cast<double>(k + 1) / static_cast<double>(pieces));
  }
  return FileEnd::Read;
}

core::RunOutcome runContents(core::Pipeline& pipe, core::ToolForm* form, const ExtractSetup& setup,
                             const core::MessageTable& msg, const ExtractWalk& walk) {
  KeywordList list(pipe, setup.separator);
  WordSet seen;
  WordScanner scanner(setup, [&](std::string_view spelled, std::string_view compared) {
    if (firstTime(setup, seen, compared)) list.add(spelled);
  });
  const std::string note = setup.noRepeats ? msg(3) : std::string();
  core::RunOptions options = runOptions(walk, msg);
  options.cadence = {.every = 0, .showEachItem = true};
  options.skip = core::SkipMode::EndsFile;

  const auto step = [&](core::RunItem& item) {
    const std::string path = item.path();
    if (pipe.checkFileUsable(path, {.access = core::Access::Read}) == 0) return core::StepResult::Skipped;
    const double measured = core::coreState().fileSize;
    const auto size = measured > 0 ? static_cast<std::uint64_t>(measured) : std::uint64_t{0};
    if (setup.perFile) {
      list.begin(path + "\r\n", note.empty() ? note : note + msg(7));
      seen.clear();
    }
    scanner.dropWord();
    const FileEnd end = scanFile(item, size, scanner, [&] { list.writeIfLong(); });
    if (end == FileEnd::Read || end == FileEnd::Unreadable) {
      scanner.endWord();
    } else {
      scanner.dropWord();  // a word cut short by Skip or Cancel is not a word of the file
    }
    if (setup.perFile) {
      if (end == FileEnd::Skipped) list.addText(msg(5));
      list.end(setup.listEmpty ? msg(6) : std::string());
    }
    return end == FileEnd::Unreadable ? core::StepResult::Failed : core::StepResult::Done;
  };
  return core::runFiles(pipe, form, options, step,
                        {.onStart =
                             [&] {
                               pipe.host().showSkip(true);
                               pipe.addToLog(pipe.resultsText(), setup.heading + msg(4));
                               if (!setup.perFile) list.begin({}, note.empty() ? note : note + msg(8));
                             },
                         .onEnd =
                             [&](const core::RunOutcome&) {
                               if (!setup.perFile) list.end(msg(6));
                               pipe.host().showSkip(false);
                             }});
}

// File or folder names: every name is one text of its own, and ">" always ends a word.
core::RunOutcome runNames(core::Pipeline& pipe, core::ToolForm* form, const ExtractSetup& setup,
                          const core::MessageTable& msg, const ExtractWalk& walk) {
  std::string pending;
  const auto writePending = [&] {
    pipe.addToLog(pipe.resultsText(), pending);
    pending.clear();
  };
  WordSet seen;
  WordScanner scanner(setup, [&](std::string_view spelled, std::string_view compared) {
    if (!firstTime(setup, seen, compared)) return;
    pending += setup.lowerCase ? vb::LCase(spelled) : std::string(spelled);
    pending += setup.separator;
    if (pending.size() > kNamesPart) writePending();
  });
  scanner.delimit(U'>');
  const auto step = [&](core::RunItem& item) {
    scanner.feed(item.name());
    scanner.endWord();
    return core::StepResult::Done;
  };
  const bool folders = setup.source == ExtractSource::FolderNames;
  const core::RunHooks hooks{
      .onStart = [&] { pipe.addToLog(pipe.resultsText(), msg(folders ? 9 : 10) + setup.heading); },
      .onEnd =
          [&](const core::RunOutcome&) {
            pending += "\r\n";
            writePending();
          }};
  core::RunOptions options = runOptions(walk, msg);
  return folders ? core::runFolders(pipe, form, options, step, hooks)
                 : core::runFiles(pipe, form, options, step, hooks);
}

}  // namespace

core::RunOutcome runExtract(core::Pipeline& pipe, core::ToolForm* form, const ExtractSetup& setup,
                            const core::MessageTable& msg, const ExtractWalk& walk) {
  return setup.source == ExtractSource::Contents ? runContents(pipe, form, setup, msg, walk)
                                                 : runNames(pipe, form, setup, msg, walk);
}

}  // namespace tools::text
