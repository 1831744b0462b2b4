#include "tools/text/append_run.h"

#include "core/contents_rewrite.h"
#include "core/date_tokens.h"
#include "core/file_times.h"
#include "core/run_driver.h"
#include "core/state.h"
#include "tools/text/append_tags.h"

#include <optional>

namespace tools::text {

namespace {

const std::string kCrLf = "\r\n";

// Puts the text before the first piece or after the last one; every piece passes unchanged.
class AppendTransform : public core::ContentTransform {
 public:
  AppendTransform(const std::string& text, AppendWhere where) : text_(text), where_(where) {}
  void begin(std::uint64_t) override { placed_ = false; }
  void piece(std::string_view in, std::uint64_t, std::string& out) override {
    placeAtStart(out);
    out += in;
  }
  void finish(std::string& out) override {
    placeAtStart(out);  // a file read without any piece
    if (where_ == AppendWhere::End) out += text_;
  }

 private:
  void placeAtStart(std::string& out) {
    if (where_ != AppendWhere::Start || placed_) return;
    out += text_;
    placed_ = true;
  }
  const std::string& text_;
  const AppendWhere where_;
  bool placed_ = false;
};

// The stamps of one file's times, read when a date token first asks for one.
class FileStamps {
 public:
  FileStamps(std::string path, const std::string& today) : path_(std::move(path)), today_(today) {}
  std::string operator()(core::DateSource source) {
    if (source == core::DateSource::Today) return today_;
    if (!times_) {
      times_ = core::readFileTimes(path_) == 0 ? std::optional(core::coreState().fileTimes) : std::nullopt;
      if (!times_) times_ = core::FileTimeRecords{{.known = false}, {.known = false}, {.known = false}};
    }
    switch (source) {
      case core::DateSource::Modified: return core::dateStamp(times_->modified);
      case core::DateSource::Created: return core::dateStamp(times_->created);
      case core::DateSource::Accessed:
      case core::DateSource::Today: break;
    }
    return core::dateStamp(times_->accessed);
  }

 private:
  std::string path_;
  const std::string& today_;
  std::optional<core::FileTimeRecords> times_;
};

}  // namespace

AppendStart appendText(core::Pipeline& pipe, core::ToolForm* form, const AppendOptions& options,
                       const core::MessageTable& msg) {
  const std::string shortText = options.tags ? shortenAppendTags(options.text) : options.text;
  const std::string folder = pipe.host().dir1();
  if (pipe.checkFolderWritable(folder) != 0 || pipe.checkDriveForRecycle(form, folder) == 0) {
    return AppendStart::Refused;
  }
  if (shortText.empty()) {
    pipe.host().respond(form, "O", msg(1), "I");
    return AppendStart::EmptyText;
  }
  const std::string question = core::msgMain(104) + (options.withSubfolders ? kCrLf + msg(3) : std::string());
  if (pipe.host().respond(form, "", question, "W") == core::kAnswerNo) return AppendStart::Declined;

  const core::RewriteOptions rewrite{
      .pieceSize = kAppendPieceSize,
      .messages = {.readFailed = 6, .writeFailed = 7, .renameLabel = 8, .restoreBefore = 9, .restoreAfter = 10}};
  core::runFiles(
      pipe, form,
      {.withSubfolders = options.withSubfolders,
       .withHidden = options.withHidden,
       .refreshFirst = true,
       .cadence = {.every = 0, .showEachItem = true},
       .caption = msg(4),
       // Sizes and times in the main list change with the contents: the list shows them anew.
       .refresh = core::RefreshMode::ListOnly},
      [&](core::RunItem& item) {
        const std::string path = item.path();
        if (pipe.checkFileUsable(path, {.binaryTest = true}) == 0) return core::StepResult::Skipped;
        FileStamps stamps(path, options.todayStamp);
        const std::string text =
            options.tags ? expandAppendTags(shortText, {.folder = item.folder(), .name = item.name()}, std::ref(stamps))
                         : shortText;
        AppendTransform transform(text, options.where);
        const core::RewriteResult done =
            core::rewriteContents(pipe, path, static_cast<long long>(item.index()), transform, rewrite);
        return done.outcome == core::RewriteOutcome::Rewritten ? core::StepResult::Done : core::StepResult::Failed;
      },
      {.onStart = [&] { pipe.addToLog(pipe.resultsText(), msg(5)); },
       .onEnd = [&](const core::RunOutcome&) { pipe.addToLog(pipe.resultsText(), "\t"); }});
  return AppendStart::Appended;
}

}  // namespace tools::text
