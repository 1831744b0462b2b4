// The batch builder's job commands: compile, compile and run, launch, edit, and the help text.
#include "tools/file_ops/widgets/frm_cmd.h"

#include "core/data_files.h"
#include "core/file_content.h"
#include "core/file_paths.h"
#include "core/state.h"
#include "core/widgets/host.h"
#include "main_window/widgets/filter_panel.h"
#include "main_window/widgets/main_form.h"
#include "platform/widgets/window_effects.h"
#include "ui_kit/ctrl_check_box.h"

namespace tools::file_ops {

namespace {

JobLauncher& jobLauncher() {
  static JobLauncher launcher;
  return launcher;
}

FrmCmd::EditorOpener& editorOpener() {
  static FrmCmd::EditorOpener opener;
  return opener;
}

int ask(QWidget* caller, std::string_view style, const std::string& text, std::string_view title) {
  return core::host().respond(caller, style, text, title, "");
}

}  // namespace

void FrmCmd::setJobLauncher(JobLauncher launcher) { jobLauncher() = std::move(launcher); }
void FrmCmd::setEditorOpener(EditorOpener opener) { editorOpener() = std::move(opener); }

JobLaunch FrmCmd::launchJob() const {
  if (jobLauncher()) return jobLauncher()(jobPath_);
  return launchBatchJob(jobPath_, core::coreState().tempPath + std::string(kJobLogName));
}

void FrmCmd::compile(bool runAfter) {
  const core::CoreState& st = core::coreState();
  const mainwin::MainForm* main = mainForm();
  BatchJobOptions options{
      .code = code(),
      .withSubfolders = main && main->panel()->chkInclude->Value() != 0,
      .withHidden = main && main->panel()->chkIncHidden->Value() != 0,
      .jobPath = jobPath_,
      .endText = core::readCapped(core::dataFile(kEndTextName)).data.value_or(std::string()),
      .wendlePath = st.exeDir + "Wendle",
      .todayStamp = todayStamp_,
      .pattern = main ? main->myPattern() : std::string("*"),
      .runAfter = runAfter,
      .launch = [this](const std::string&) { return launchJob(); },
  };
  (void)runStart([&](ToolRun& run) { (void)compileBatchJob(run.pipe, run.form, options, run.msg); });
  enableJobMenus();
}

void FrmCmd::menuCompile() { compile(false); }

void FrmCmd::menuRun() { compile(true); }

void FrmCmd::menuLaunch() {
  if (core::FileExist(jobPath_) == 0) {
    reportNoJob();
    return;
  }
  if (ask(this, "", message(17) + jobPath_ + "\r\n", "W") != core::kAnswerYes) return;
  const JobLaunch started = launchJob();
  if (!started.started) {
    (void)ask(this, "O", message(39) + jobPath_, "E");
  } else if (!started.inTerminal) {
    (void)ask(this, "O", message(38) + started.logPath, "I");
  }
}

void FrmCmd::menuEdit() {
  if (core::FileExist(jobPath_) == 0) {
    reportNoJob();
    return;
  }
  const bool opened = editorOpener() ? editorOpener()(jobPath_) : platform::openInTextEditor(jobPath_);
  if (!opened) (void)ask(this, "O", message(16), "I");
}

void FrmCmd::menuContents() { (void)ask(this, "O", message(40), "I"); }

}  // namespace tools::file_ops
