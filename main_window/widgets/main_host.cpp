#include "main_window/widgets/main_host.h"

#include "main_window/widgets/file_list_controller.h"
#include "main_window/widgets/filter_panel.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/window_stack.h"
#include "ui_kit/ctrl_tree_dir.h"
#include "ui_kit/message_box.h"
#include "ui_kit/tool_tip.h"

#include <QAction>
#include <QApplication>

namespace mainwin {

namespace {

MainForm* g_main = nullptr;

class ToolTipObject : public core::TipObject {
 public:
  ToolTipObject() : tip_(std::make_unique<uikit::clsToolTip>()) {}
  uikit::clsToolTip& tip() { return *tip_; }

 private:
  std::unique_ptr<uikit::clsToolTip> tip_;
};

}  // namespace

// ------------------------------------------------------------------ core::Host

int MainHost::respond(QWidget* caller, std::string_view style, std::string_view text, std::string_view title,
                      std::string_view dontAskKey) {
  return uikit::respond(caller, style, text, title, dontAskKey);
}

std::unique_ptr<core::TipObject> MainHost::makeTip(QWidget* control, QWidget* form, std::string_view tip,
                                                   std::uint32_t foreColour, std::uint32_t backColour,
                                                   std::string_view fontName) {
  if (!control && !form) return nullptr;
  auto t = std::make_unique<ToolTipObject>();
  t->tip().makeTip(control, form, QString::fromUtf8(tip.data(), static_cast<int>(tip.size())), foreColour,
                   backColour, QString::fromUtf8(fontName.data(), static_cast<int>(fontName.size())));
  return t;
}

void MainHost::setTreeHiddenColour(QWidget* folderTree, std::uint32_t colour) {
  if (auto* tree = qobject_cast<uikit::CtrlTreeDir*>(folderTree)) tree->setHiddenColor(colour);
}

QWidget* MainHost::mainForm() { return &form_; }
void MainHost::addForm(QWidget* form) { (void)form_.stack().addForm(form); }
void MainHost::remForm(QWidget* form) { form_.stack().remForm(form); }
QWidget* MainHost::getForm() { return form_.stack().getForm(); }
void MainHost::minForm() { form_.stack().minForm(); }

bool MainHost::sMenuOpa() {
  QAction* a = form_.action(QStringLiteral("sMenuOpa"));
  return a && a->isChecked();
}

bool MainHost::sMenuAuto() {
  QAction* a = form_.action(QStringLiteral("sMenuAuto"));
  return a && a->isChecked();
}

QWidget* MainHost::framMain() { return form_.framMain(); }

QIcon MainHost::icon() {
  const QIcon own = form_.windowIcon();
  return own.isNull() ? QApplication::windowIcon() : own;
}

// ------------------------------------------------------------------ core::RunHost

void MainRunHost::showProgress(core::ToolForm* owner) {
  if (!progressRun_) progressRun_.emplace(form_);
  uikit::DialogRunHost::showProgress(owner);
}

void MainRunHost::hideProgress(core::ToolForm* owner, bool reEnableOwner) {
  uikit::DialogRunHost::hideProgress(owner, reEnableOwner);
  progressRun_.reset();
}

void MainRunHost::endOfStart(core::ToolForm* owner) {
  if (progressRun_) hideProgress(owner, true);
}

core::UpdateFilesResult MainRunHost::updateFiles(bool visibleList, const std::string& folder) {
  return static_cast<core::UpdateFilesResult>(form_.list().updateFiles(visibleList, folder));
}

const std::vector<core::ListEntry>& MainRunHost::listViewRoot() const { return form_.list().jobEntries(); }

int MainRunHost::listCount() const { return static_cast<int>(form_.list().listCount()); }

std::string MainRunHost::dir1() const { return form_.currentFolder(); }

void MainRunHost::refreshMain(core::RefreshMode mode) {
  if (mode == core::RefreshMode::ListAndTree) {
    (void)form_.Wendle(1);
  } else if (mode == core::RefreshMode::ListOnly) {
    (void)form_.Wendle(0);
  }
}

void MainRunHost::addExt() { form_.panel()->addExt(); }

core::Pipeline* mainPipeline() { return g_main ? &g_main->pipeline() : nullptr; }

void setMainPipelineOwner(MainForm* form) { g_main = form; }

}  // namespace mainwin
