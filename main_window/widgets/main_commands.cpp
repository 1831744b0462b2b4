// The main window's own commands: clearing history and settings, quick delete and rename, the
// properties editor and the other companion programs, results and printing, the language, the
// tool-tip switch and the about box.
#include "main_window/widgets/main_form.h"

#include "core/file_times.h"
#include "core/settings.h"
#include "core/shell.h"
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/form_loader.h"
#include "core/widgets/host.h"
#include "main_window/file_removal.h"
#include "main_window/widgets/file_list_controller.h"
#include "main_window/widgets/file_list_model.h"
#include "main_window/widgets/file_list_pane.h"
#include "main_window/widgets/filter_panel.h"
#include "platform/process.h"
#include "ui_kit/ctrl_tree_dir.h"
#include "ui_kit/results_viewer.h"

#include <QAction>

namespace mainwin {

void MainForm::startProgram(const std::string& program, const std::string& argument, bool tied) {
  if (starter_) {
    starter_(program, argument);
    return;
  }
  // Companions start from the folder of this executable; the result is not looked at.
  const std::string path = core::coreState().exeDir + program;
  if (tied) {
    (void)platform::startTiedProgram(path, {argument});
    return;
  }
  (void)core::ShellRun(path, argument, 0, 0);
}

void MainForm::menuClear() {
  if (core::host().respond(this, "", core::msgMain(120), "W", "") != core::kAnswerYes) return;
  const std::string& app = core::coreState().appPath;
  deleteMatchingFiles(app, {"Results*.txt", "RenUndo *.txt", "frm*.txt", "CopyUndo *.txt"});
  core::clearSettings();
  panel_->setHistory({});
  core::host().respond(this, "O", core::msgMain(121), "W", "");
}

void MainForm::menuQuickDel() {
  const std::vector<int> rows = pane_->selectedRows();
  const bool toTrash = vb::ValInt(core::getSet("sendDeleted")) == 0;
  // The question says where the files go: the trash (114) or nowhere (129).
  const std::string question = std::to_string(rows.size()) + core::msgMain(toTrash ? 114 : 129);
  if (core::host().respond(this, "", question, "W", "") != core::kAnswerYes) return;
  const std::string folder = currentFolder();
  if (folder.empty()) return;
  const auto& entries = list_->model()->entries();
  std::vector<std::string> names;
  for (int row : rows) {
    if (row >= 0 && row < static_cast<int>(entries.size())) names.push_back(entries[static_cast<std::size_t>(row)].name);
  }
  const int kept = removeFiles(folder, names, toTrash);
  list_->updateFiles(true);
  if (kept > 0) core::host().respond(this, "O", std::to_string(kept) + core::msgMain(126), "W", "");
}

void MainForm::menuQuickRen() {
  if (pane_->startRename()) escCloses_ = false;
}

void MainForm::menuProp() {
  std::string parameter;
  const auto& entries = list_->model()->entries();
  if (!entries.empty()) {
    int row = pane_->currentRow();
    if (row < 0 || row >= static_cast<int>(entries.size())) row = 0;
    parameter = "?" + currentFolder() + entries[static_cast<std::size_t>(row)].name;
  }
  startProgram("Properties", parameter);
}

void MainForm::menuFont() { startProgram("Brannock", "Quarrow"); }

void MainForm::menuCol() { startProgram("Huelark", "Quarrow"); }

void MainForm::menuTips() {
  if (core::coreState().langIndex != 0) return;
  // The tips belong to this program's session: they close when it ends.
  startProgram("Tipsome", "Quarrow", /*tied=*/true);
}

void MainForm::menuResults() { (void)uikit::FrmResults::showCurrent(this); }

void MainForm::menuPrint() {
  menuResults();
  if (uikit::FrmResults* r = uikit::FrmResults::current()) r->cmdPrint_Click();
}

void MainForm::menuLang(int index) {
  core::CoreState& st = core::coreState();
  if (index < 0 || index > 4) return;
  if (index == st.langIndex) {
    menuLang_[static_cast<std::size_t>(index)]->setChecked(true);
    return;
  }
  if (runInProgress()) {
    // The window reloads only after the run, so that no run loses its window mid-file.
    pendingLanguage_ = index;
    return;
  }
  hide();
  formUnload(true);
  core::saveSet("myLang", std::to_string(index));
  st.langIndex = index;
  formLoad();
  core::loadToolTips(this);
  loadButtonTips();
  show();
}

void MainForm::sMenuAutoClick() {
  core::loadToolTips(this);
  loadButtonTips();
}

void MainForm::menuAbout() {
  QAction* about = action(QStringLiteral("menuAbout"));
  core::host().respond(this, "O", core::msgMain(56) + core::getAppVersion() + "\r\n" + core::msgMain(110),
                       about ? vb::bs(about->text()) : std::string(), "");
}

void MainForm::sMenuHiddenFoldsClick() {
  QAction* a = action(QStringLiteral("sMenuHiddenFolds"));
  a->setChecked(!a->isChecked());
  action(QStringLiteral("menuHiddenFolds2"))->setChecked(a->isChecked());
  dir1_->setShowHidden(a->isChecked());
}

}  // namespace mainwin
