#include "tools/frame/widgets/tool_window.h"

#include "core/language_file.h"
#include "core/pipeline.h"
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/form_show.h"
#include "core/widgets/host.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/main_host.h"
#include "ui_kit/ctrl_resize.h"
#include "ui_kit/form_texts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QShowEvent>

#include <exception>
#include <optional>

namespace tools {

namespace {

core::Pipeline* g_pipeline = nullptr;
// Starts in progress, across every tool window (a run yields to events, so another window's
// Start can be pressed meanwhile).
int g_starts = 0;
QPointer<QWidget> g_busyWindow;

// The window the user should look at while a run is in progress: its progress window when one is
// up, else the window whose Start runs.
QWidget* busyWindow() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible() && w->objectName() == QLatin1String("frmProgress")) return w;
  }
  return g_busyWindow;
}

// A Start in progress for its lifetime, however the worker ends: the window counts as running,
// the main window holds a run scope, and a progress window the run left up closes at the end.
class StartGuard {
 public:
  StartGuard(ToolWindow* window, bool& running, mainwin::MainForm* main) : window_(window), running_(running) {
    ++g_starts;
    g_busyWindow = window;
    running_ = true;
    if (main) {
      main_ = main;
      scope_.emplace(*main);
    }
  }
  ~StartGuard() {
    running_ = false;
    g_busyWindow = nullptr;
    --g_starts;
    if (main_) main_->mainRunHost().endOfStart(window_.data());
    scope_.reset();  // the last scope applies what waited for the run
  }
  StartGuard(const StartGuard&) = delete;
  StartGuard& operator=(const StartGuard&) = delete;

 private:
  QPointer<ToolWindow> window_;
  bool& running_;
  QPointer<mainwin::MainForm> main_;
  std::optional<mainwin::RunScope> scope_;
};

}  // namespace

ToolWindow::ToolWindow(std::string_view formName, std::string_view shortName, QWidget* parent)
    : QWidget(parent ? parent : core::host().mainForm(), Qt::Window),
      shortName_(shortName),
      ctrlResize_(new uikit::CtrlResize(this)) {
  setObjectName(vb::qs(std::string(formName)));
}

ToolWindow::~ToolWindow() = default;

mainwin::MainForm* ToolWindow::mainForm() { return qobject_cast<mainwin::MainForm*>(core::host().mainForm()); }

bool ToolWindow::runInProgress() {
  if (g_starts > 0) return true;
  const mainwin::MainForm* main = mainForm();
  return main && main->runInProgress();
}

void ToolWindow::usePipeline(core::Pipeline* pipeline) { g_pipeline = pipeline; }

bool ToolWindow::runStart(const Worker& worker) {
  core::Pipeline* pipe = g_pipeline ? g_pipeline : mainwin::mainPipeline();
  if (runInProgress() || !pipe) {
    QApplication::beep();
    if (QWidget* busy = busyWindow()) {
      busy->raise();
      busy->activateWindow();
    }
    return false;
  }
  StartGuard guard(this, running_, mainForm());
  const core::MessageTable table = messages_;
  // Code that reads the shared form table sees this window's, as at its showing.
  core::setFormMessages(table);
  ToolRun run{*pipe, this, table};
  try {
    worker(run);
  } catch (const std::exception& e) {
    const std::string what = e.what();
    pipe->showRunError(this, what.empty() ? std::string() : core::msgMain(103) + "\r\n\r\n" + what);
  } catch (...) {
    pipe->showRunError(this, {});
  }
  return true;
}

void ToolWindow::closeForm() {
  if (running_) return;
  closing();
  core::hideForm(this, core::host().mainForm(), 1, 1);
}

bool ToolWindow::event(QEvent* e) {
  const bool handled = QWidget::event(e);
  // After every showEvent of the window's classes has set its texts.
  if (e->type() == QEvent::Show) applyReaderNames();
  return handled;
}

void ToolWindow::applyReaderNames() { readerNames_.apply(uikit::formSection(shortName_)); }

void ToolWindow::showEvent(QShowEvent* e) {
  messages_ = core::readFormMessages(shortName_);
  QWidget::showEvent(e);
  // A tool opened from a menu takes the keyboard, whether or not a window manager hands new
  // windows the focus.
  if (!e->spontaneous()) activateWindow();
}

void ToolWindow::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  if (!isMinimized()) ctrlResize_->doSize();
}

void ToolWindow::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (e->type() == QEvent::WindowStateChange && isMinimized()) core::host().minForm();
}

void ToolWindow::keyPressEvent(QKeyEvent* e) {
  // Esc closes on its press: text boxes keep the release to themselves, and a press that closes a
  // drop-down list or a menu goes to that list, not here. The release that follows lands on the
  // main window, which ignores a release whose press it did not see.
  if (e->key() == Qt::Key_Escape && !e->isAutoRepeat()) {
    closeForm();
    return;
  }
  QWidget::keyPressEvent(e);
}

void ToolWindow::closeEvent(QCloseEvent* e) {
  // hideForm hides the window; letting Qt close it as well would skip the saved state.
  e->ignore();
  closeForm();
}

void whenChosen(QAbstractButton* option, std::function<void()> handler) {
  QObject::connect(option, &QAbstractButton::toggled, option, [handler = std::move(handler)](bool on) {
    if (on) handler();
  });
}

}  // namespace tools
