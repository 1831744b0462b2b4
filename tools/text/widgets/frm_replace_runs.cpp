// The replace window's runs: the checks with their messages, the run list's buttons, run-list
// files and the scratch list, and Start.
#include "tools/text/widgets/frm_replace.h"

#include "core/answer_codes.h"
#include "core/file_content.h"
#include "core/file_paths.h"
#include "core/pipeline.h"
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/form_loader.h"
#include "core/widgets/host.h"
#include "main_window/widgets/filter_panel.h"
#include "main_window/widgets/main_form.h"
#include "tools/text/replace_run.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/file_dialog.h"

#include <QPlainTextEdit>
#include <QTimer>

#include <algorithm>

namespace tools::text {

std::string FrmReplace::scratchPath() { return core::coreState().tempPath + "tmpSch.run"; }

// ------------------------------------------------------------------ load and unload

void FrmReplace::formLoad() {
  runs_ = RunList();
  tagTarget_ = txtSearch_;
  if (core::FileExist(scratchPath())) (void)loadRunListFile(scratchPath(), true);
  chkMulRunChanged();
}

void FrmReplace::formUnload() {
  if (validateInput(false)) {
    storeRun(runs_.current());
  } else if (runs_.count() > 1) {
    runs_.remove(runs_.current());
  } else {
    return;  // the only run cannot run: the scratch list keeps what it held
  }
  (void)core::OutputFile(scratchPath(), runs_.fileText());
}

// ------------------------------------------------------------------ checks

void FrmReplace::showProblem(const InputProblem& problem, const ReplaceOptions& options, int runNumber) {
  std::string text;
  if (problem.nameNotice) {
    text = core::msgMain(options.target == ReplaceTarget::FolderNames ? 101 : 40) + core::msgMain(98) +
           msg(problem.message);
  } else {
    text = problemText(problem, messages(), {.multiRun = chkMulRun_->Value() != 0, .runNumber = runNumber});
  }
  (void)core::host().respond(this, "O", text, "I", "");
  if (problem.focus == InputField::Search) txtSearch_->setFocus();
  if (problem.focus == InputField::Replacement) txtReplace_->setFocus();
}

bool FrmReplace::validateInput(bool showMessages) {
  const ReplaceOptions options = readOptions();
  const std::optional<InputProblem> problem = checkReplaceInput(options);
  if (problem && showMessages) showProblem(*problem, options, runs_.current());
  return !problem;
}

std::optional<std::vector<ReplaceOptions>> FrmReplace::checkedRuns() {
  std::vector<ReplaceOptions> out;
  for (int k = 1; k <= runs_.count(); ++k) {
    const std::optional<std::string> state = runs_.state(k);
    const std::optional<ReplaceOptions> options = state ? replaceOptionsFromState(*state) : std::nullopt;
    if (!options) {
      (void)core::host().respond(this, "O", msg(kMsgRun) + std::to_string(k) + ":\r\n" + msg(kMsgRunDamaged), "E", "");
      return std::nullopt;
    }
    if (const std::optional<InputProblem> problem = checkReplaceInput(*options)) {
      moveTo(k);  // the run shows, so that the message's focus lands in it
      showProblem(*problem, *options, k);
      return std::nullopt;
    }
    out.push_back(*options);
  }
  return out;
}

// ------------------------------------------------------------------ the run list

void FrmReplace::storeRun(int k) { runs_.store(k, core::formStateText(this, 1)); }

bool FrmReplace::loadRun(int k) {
  const std::optional<std::string> state = runs_.state(k);
  if (!state) {
    (void)core::host().respond(this, "O", msg(kMsgRunMissing) + std::to_string(k), "E", "");
    return false;
  }
  int mode = 3;
  core::loadForm(this, mode, *state, {});
  chkMulRun_->setValue(1);
  return true;
}

void FrmReplace::moveTo(int k) {
  if (k == runs_.current()) return;
  storeRun(runs_.current());
  if (!loadRun(k)) return;
  runs_.setCurrent(k);
  showRunState();
}

void FrmReplace::cmdMultNextClick() {
  if (!validateInput(true)) return;
  moveTo(runs_.current() + 1);
}

void FrmReplace::cmdMultPreviousClick() {
  if (!validateInput(true)) return;
  moveTo(runs_.current() - 1);
}

void FrmReplace::cmdMultInsertClick() {
  if (runs_.count() >= kMaxRuns || !validateInput(true)) return;
  storeRun(runs_.current());
  runs_.insertAfterCurrent();  // the new run keeps the other settings of the one before it
  txtSearch_->clear();
  txtReplace_->clear();
  showRunState();
}

void FrmReplace::cmdMultRemoveClick() {
  if (runs_.count() == 1) return;
  runs_.remove(runs_.current());
  (void)loadRun(runs_.current());
  showRunState();
}

void FrmReplace::cmdMultSaveClick() {
  if (!validateInput(true)) return;
  storeRun(runs_.current());
  uikit::FrmBrowse::LoadMe(this, QString(), QStringLiteral("S&R.Run"), QStringLiteral("*.Run"));
}

void FrmReplace::cmdMultLoadClick() {
  uikit::FrmBrowse::LoadMe(this, QStringLiteral("Load"), QString(), QStringLiteral("*.Run"));
}

std::uint8_t FrmReplace::saveHandle(const QString& myFile) {
  const std::string path = vb::bpath(myFile);
  if (core::FileExist(path) && core::host().respond(this, "YN", msg(kMsgOverwrite), "W", "") == core::kAnswerNo)
    return 1;
  if (core::OutputFile(path, runs_.fileText()) != 0) {
    (void)core::host().respond(this, "O", msg(kMsgSaveFailed), "E", "");
    return 1;
  }
  (void)core::host().respond(this, "O", msg(kMsgSaved), msg(kMsgSaved), "");
  return 0;
}

std::uint8_t FrmReplace::loadHandle(const QString& myFile) {
  (void)loadRunListFile(vb::bpath(myFile), false);
  return 0;
}

bool FrmReplace::loadRunListFile(const std::string& path, bool quiet) {
  const core::CappedRead text = core::readCapped(path, kRunListFileLimit);
  RunListLoad load;
  if (text.data) load = parseRunList(*text.data);
  else load.error = RunListError::NotRunList;
  if (!load.list) {
    if (!quiet) {
      const std::string message = load.error == RunListError::MissingRun ? msg(kMsgRunMissing) + std::to_string(load.run)
                                  : text.tooLarge                        ? core::msgMain(161) + path
                                                                         : msg(kMsgNotRunList) + path;
      (void)core::host().respond(this, "O", message, "E", "");
    }
    return false;
  }
  runs_ = std::move(*load.list);
  showRunState();
  (void)loadRun(1);
  timerChkVis_->start();
  if (load.multiRunOff) chkMulRun_->setValue(0);
  return true;
}

// ------------------------------------------------------------------ Start

void FrmReplace::cmdStartClick() {
  (void)runStart([this](tools::ToolRun& run) {
    const bool multi = chkMulRun_->Value() != 0;
    const std::string folder = run.pipe.host().dir1();
    if (run.pipe.checkFolderWritable(folder) != 0) return;
    if (!validateInput(true)) return;
    storeRun(runs_.current());  // the list always holds what the window shows
    std::vector<ReplaceOptions> runs{readOptions()};
    if (multi) {
      std::optional<std::vector<ReplaceOptions>> all = checkedRuns();
      if (!all) return;
      runs = std::move(*all);
    }
    const bool contents = std::any_of(runs.begin(), runs.end(),
                                      [](const ReplaceOptions& o) { return o.target == ReplaceTarget::Contents; });
    if (contents && run.pipe.checkDriveForRecycle(run.form, folder) == 0) return;
    ReplaceRunSetup setup{.multiRun = multi};
    if (const mainwin::MainForm* main = mainForm()) {
      setup.withSubfolders = main->panel()->chkInclude->Value() != 0;
      setup.withHidden = main->panel()->chkIncHidden->Value() != 0;
      setup.extensionPattern = main->myPattern();
    }
    const std::string question = confirmationText(runs, setup.withSubfolders, run.msg);
    if (run.pipe.host().respond(run.form, "", question, "W") == core::kAnswerNo) return;
    (void)runReplace(run.pipe, run.form, runs, setup, run.msg);
  });
}

}  // namespace tools::text
