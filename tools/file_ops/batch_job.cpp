// The compile run: set-up (question, old job, temporary file), the walk (folder texts in the
// folder hook or step, file texts in the file step, written out in pieces), and the end (summary,
// closing lines, tail, the job put in place, the start).
#include "tools/file_ops/batch_job.h"

#include "core/date_tokens.h"
#include "core/file_content.h"
#include "core/file_paths.h"
#include "core/file_times.h"
#include "platform/replacement_file.h"
#include "platform/terminal_run.h"
#include "tools/file_ops/batch_template.h"

#include <optional>
#include <string>
#include <vector>

namespace tools::file_ops {

namespace {

constexpr std::size_t kWriteEvery = 64 * 1024;

// Head, folder and file texts end with a line break.
std::string completed(std::string text) {
  if (!text.empty() && text.back() != '\n') text += '\n';
  return text;
}

int messageOfRefusal(core::QuoteError e) { return e == core::QuoteError::ControlCharacter ? 34 : 35; }

// The template lines that hand a name to a second shell, each as "<tab caption><msg 42><n>: line".
std::vector<std::string> secondShellNotes(const BatchCode& code, const core::MessageTable& msg) {
  std::vector<std::string> notes;
  const auto note = [&](const std::string& text, TemplateKind kind, int caption) {
    for (const SecondShellLine& l : secondShellLines(withoutCarriageReturns(text), kind)) {
      notes.push_back(msg(caption) + msg(42) + std::to_string(l.line) + ": " + l.text);
    }
  };
  note(code.templates.fold, TemplateKind::Folder, 30);
  if (code.filter != BatchFilter::Folders) note(code.templates.file, TemplateKind::File, 31);
  return notes;
}

// One compile: the job being built, where it goes, and why it stopped.
class Compile {
 public:
  Compile(core::Pipeline& pipe, const BatchJobOptions& o, const core::MessageTable& msg)
      : pipe_(pipe), o_(o), msg_(msg) {
    const BatchTemplates& t = o.code.templates;
    foldText_ = parseTemplate(completed(withoutCarriageReturns(t.fold)), TemplateKind::Folder);
    if (o.code.filter != BatchFilter::Folders) {
      const std::string file = core::shortenDateTokens(withoutCarriageReturns(t.file), core::DateTokenStyle::Semicolon);
      fileText_ = parseTemplate(completed(file), TemplateKind::File);
    }
    job_.appendCode(completed(withoutCarriageReturns(t.head)));
  }

  // The run's start: the template lines a second shell reads are listed, the old job goes, the
  // new one is begun beside it.
  void start() {
    for (const std::string& note : secondShellNotes(o_.code, msg_)) pipe_.addResult(msg_(41) + note);
    if (core::FileExist(o_.jobPath) != 0 && core::KillFile(o_.jobPath) != 0) {
      pipe_.addResult(msg_(4) + o_.jobPath);
      stopped_ = true;
    } else if (out_.create(o_.jobPath) != 0) {
      notSaved();
    }
  }

  [[nodiscard]] bool stopped() const { return stopped_; }

  // A folder's text; false when the folder is to be left out with its files, or the run stops.
  bool folder(const std::string& path) {
    skipFolder_ = false;
    if (stopped_ || foldText_.empty()) return !stopped_;
    const core::QuoteError e = appendTemplate(job_, foldText_, folderValues(path, false), noDates);
    if (e != core::QuoteError::None) {
      pipe_.addResult(msg_(36) + path);
      skipFolder_ = true;
      return false;
    }
    return writeSome();
  }

  core::StepResult file(core::RunItem& item) {
    if (stopped_) return core::StepResult::Stop;
    if (skipFolder_ || fileText_.empty() || !chosen(item.path())) return core::StepResult::Skipped;
    std::optional<bool> timesRead;
    const StampOf stampOf = [&](core::DateSource source) -> std::string {
      if (source == core::DateSource::Today) return o_.todayStamp;
      if (!timesRead) timesRead = core::readFileTimes(item.path()) == 0;
      if (!*timesRead) return {};
      if (source == core::DateSource::Modified) return core::formatModified();
      return source == core::DateSource::Created ? core::formatCreated() : core::formatAccessed();
    };
    const core::QuoteError e = appendTemplate(job_, fileText_, fileValues(item.folder(), item.name()), stampOf);
    if (e != core::QuoteError::None) {
      pipe_.addResult(msg_(messageOfRefusal(e)) + item.path());
      return core::StepResult::Skipped;
    }
    return writeSome() ? core::StepResult::Done : core::StepResult::Stop;
  }

  // The run's end (before the results are shown).
  void end(const core::RunOutcome& run, BatchJobResult& r) {
    r.files = run.done;
    r.folders = run.folders;
    if (stopped_ || run.end != core::RunEnd::Completed) return;  // out_ removes what it holds
    const std::string folders = std::to_string(run.folders);
    pipe_.addToLog(pipe_.resultsText(), o_.code.filter == BatchFilter::Folders
                                            ? msg_(7) + folders + msg_(8)
                                            : msg_(9) + o_.pattern + msg_(10) + std::to_string(run.done) + msg_(11) +
                                                  folders + msg_(12));
    if (!appendEndText(job_, withoutCarriageReturns(o_.endText), o_.wendlePath)) pipe_.addResult(msg_(37) + o_.wendlePath);
    job_.appendCode(withoutCarriageReturns(o_.code.templates.tail));
    if (out_.write(job_.takeText()) != 0 || out_.commit() != 0) {
      notSaved();
      return;
    }
    r.written = true;
    pipe_.addToLog(pipe_.resultsText(), "\r\n\t\r\n" + o_.jobPath + msg_(15));
    if (o_.runAfter && o_.launch) launch(r);
  }

 private:
  static std::string noDates(core::DateSource) { return {}; }

  bool chosen(const std::string& path) const {
    switch (o_.code.filter) {
      case BatchFilter::ReadOnly: return (core::GetAtt(path) & core::kAttrReadOnly) != 0;
      case BatchFilter::Archive: return (core::GetAtt(path) & core::kAttrArchive) != 0;
      case BatchFilter::All:
      case BatchFilter::Folders: break;
    }
    return true;
  }

  // Writes the job so far once it is large; false when that failed (the run then ends).
  bool writeSome() {
    if (job_.text().size() < kWriteEvery) return true;
    if (out_.write(job_.takeText()) == 0) return true;
    pipe_.addResult(msg_(5) + o_.jobPath + msg_(6));
    pipe_.host().setCancel(core::CancelState::Cancelled);
    stopped_ = true;
    return false;
  }

  void notSaved() {
    pipe_.addResult(msg_(13) + o_.jobPath + msg_(14));
    stopped_ = true;
  }

  void launch(BatchJobResult& r) {
    const JobLaunch l = o_.launch(o_.jobPath);
    if (!l.started) {
      pipe_.addResult(msg_(39) + o_.jobPath);
      return;
    }
    r.launched = true;
    std::string line = "\r\n" + msg_(27) + o_.jobPath + msg_(28) + "\r\n";
    if (!l.inTerminal) line += msg_(38) + l.logPath + "\r\n";
    pipe_.addToLog(pipe_.resultsText(), line);
  }

  core::Pipeline& pipe_;
  const BatchJobOptions& o_;
  const core::MessageTable& msg_;
  ParsedTemplate foldText_, fileText_;
  core::ShellScriptBuilder job_;
  platform::ReplacementFile out_;
  bool stopped_ = false;
  bool skipFolder_ = false;
};

}  // namespace

JobLaunch launchBatchJob(const std::string& jobPath, const std::string& logPath) {
  const platform::ScriptRun run = platform::runScriptInTerminal(jobPath, {.workDir = {}, .logPath = logPath});
  return {.started = run.outcome == platform::StartOutcome::Started, .inTerminal = !run.terminal.empty(),
          .logPath = logPath};
}

bool appendEndText(core::ShellScriptBuilder& job, std::string_view endText, const std::string& wendlePath) {
  const auto before = job.checkpoint();
  std::size_t from = 0;
  for (std::size_t at = endText.find(kTriggerToken); at != std::string_view::npos;
       at = endText.find(kTriggerToken, from)) {
    job.appendCode(endText.substr(from, at - from));
    if (job.appendValue(wendlePath) != core::QuoteError::None) {
      job.rollback(before);
      return false;
    }
    from = at + kTriggerToken.size();
  }
  job.appendCode(endText.substr(from));
  return true;
}

BatchJobResult compileBatchJob(core::Pipeline& pipe, core::ToolForm* form, const BatchJobOptions& options,
                               const core::MessageTable& msg) {
  BatchJobResult r;
  if (options.runAfter) {
    r.asked = true;
    std::string question = msg(26) + msg(17) + options.jobPath + "\r\n";
    if (options.withSubfolders) question += "\r\n" + msg(33);
    if (const std::vector<std::string> notes = secondShellNotes(options.code, msg); !notes.empty()) {
      question += "\r\n\r\n" + msg(43);
      for (const std::string& n : notes) question += n + "\r\n";
    }
    if (pipe.host().respond(form, "", question, "W") != core::kAnswerYes) {
      r.declined = true;
      return r;
    }
  }
  Compile compile(pipe, options, msg);
  core::RunOptions run{.startFolder = options.startFolder,
                       .withSubfolders = options.withSubfolders,
                       .withHidden = options.withHidden,
                       .order = core::FolderOrder::DeepestFirst,
                       .withStartFolder = true,
                       .caption = msg(3),
                       .refresh = core::RefreshMode::None,
                       .readsOnly = true};
  const core::RunHooks hooks{.onStart = [&] { compile.start(); },
                             .onFolderStart = [&](const core::FolderInfo& f) { (void)compile.folder(f.folder); },
                             .onEnd = [&](const core::RunOutcome& out) { compile.end(out, r); }};
  core::RunOutcome out;
  if (options.code.filter == BatchFilter::Folders) {
    out = core::runFolders(pipe, form, run, [&](core::RunItem& item) {
      if (compile.folder(item.path())) return core::StepResult::Done;
      return compile.stopped() ? core::StepResult::Stop : core::StepResult::Skipped;
    }, {.onStart = hooks.onStart, .onEnd = hooks.onEnd});
  } else {
    out = core::runFiles(pipe, form, run, [&](core::RunItem& item) { return compile.file(item); }, hooks);
  }
  r.end = out.end;
  return r;
}

}  // namespace tools::file_ops
