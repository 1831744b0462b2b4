#include "main_window/widgets/main_form.h"

#include "core/file_paths.h"
#include "core/pipeline.h"
#include "core/settings.h"
#include "core/vb.h"
#include "core/widgets/host.h"
#include "main_window/folder_listing.h"
#include "main_window/widgets/favourites_dialog.h"
#include "main_window/widgets/file_list_controller.h"
#include "main_window/widgets/file_list_pane.h"
#include "main_window/widgets/filter_panel.h"
#include "main_window/widgets/main_host.h"
#include "main_window/widgets/settings_dialog.h"
#include "main_window/widgets/tool_launcher.h"
#include "main_window/widgets/window_stack.h"
#include "platform/dir_listing.h"
#include "platform/program_link.h"
#include "ui_kit/ctrl_arrow.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/ctrl_tree_dir.h"
#include "ui_kit/image_list.h"
#include "ui_kit/look.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QHBoxLayout>
#include <QMenu>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>

namespace mainwin {

namespace {

using ProgramStarter_t = MainForm::ProgramStarter;

// The tree keeps at least this width, the list at least this (twips), as the splitter's bounds.
constexpr int kTreeMinTwips = 3960;
constexpr int kListMinTwips = 3800;
// The bar's left edge is the tree's width plus the tree's own left margin.
constexpr int kTreeLeftTwips = 120;
// Smallest window the user can drag to (twips).
constexpr int kMinWidthTwips = 8925;
constexpr int kMinHeightTwips = 6300;

ProgramStarter_t& defaultStarter() {
  static ProgramStarter_t s;
  return s;
}

}  // namespace

void MainForm::setDefaultProgramStarter(ProgramStarter starter) { defaultStarter() = std::move(starter); }

MainForm::MainForm(std::optional<std::string> commandLinePath, QWidget* parent)
    : QMainWindow(parent), commandLinePath_(std::move(commandLinePath)) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("Corvane"));
  starter_ = defaultStarter();
  if (!commandLinePath_) {
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1) commandLinePath_ = QFile::encodeName(args.at(1)).toStdString();
  }
  host_ = std::make_unique<MainHost>(*this);
  runHost_ = std::make_unique<MainRunHost>(*this);
  pipeline_ = std::make_unique<core::Pipeline>(*runHost_);
  stack_ = std::make_unique<WindowStack>(this);
  stack_->setRelayout([this] { doResize(); });
  list_ = new FileListController(*this, this);

  // Registered before the menus and buttons are built: they enable only the tools that exist.
  registerToolForm("frmSettings", [this]() -> QWidget* { return frmSettings_; });
  buildWindow();
  buildMenus();
  buildButtons();

  frmSettings_ = new FrmSettings(this);
  frmFav_ = new FrmFav(this);

  core::setHost(host_.get());
  setMainPipelineOwner(this);
  qApp->installEventFilter(this);

  startLinkServers();

  timerTips_ = new QTimer(this);
  timerTips_->setInterval(300);
  connect(timerTips_, &QTimer::timeout, this, [this] {
    // The first tick lets the window settle; the second starts the tips once, then never again.
    if (++tipTicks_ < 2) return;
    // On a first start the settings dialog comes first: the tips wait until it is closed, so
    // that they never cover it.
    if (frmSettings_ && frmSettings_->isVisible()) return;
    timerTips_->stop();
    const std::string doTips = core::getSet("doTips");
    if (doTips.empty() || vb::ValInt(doTips) != 0) menuTips();
  });

  formLoad();
}

MainForm::~MainForm() {
  qApp->removeEventFilter(this);
  setMainPipelineOwner(nullptr);
  unregisterToolForm("frmSettings");
  resetToolForms();
  if (&core::host() == host_.get()) core::setHost(nullptr);
}

void MainForm::buildWindow() {
  framMain_ = new QWidget(this);
  framMain_->setObjectName(QStringLiteral("framMain"));
  setCentralWidget(framMain_);

  splitter_ = new QSplitter(Qt::Horizontal, framMain_);
  splitter_->setObjectName(QStringLiteral("splitMain"));
  splitter_->setChildrenCollapsible(false);
  dir1_ = new uikit::CtrlTreeDir(splitter_);
  dir1_->setObjectName(QStringLiteral("dir1"));
  dir1_->setMinimumWidth(uikit::px(kTreeMinTwips));
  pane_ = list_->createPane(splitter_);
  pane_->setMinimumWidth(uikit::px(kListMinTwips));
  splitter_->addWidget(dir1_);
  splitter_->addWidget(pane_);
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);

  panel_ = list_->createPanel(framMain_);

  framOpers_ = new QWidget(framMain_);
  framOpers_->setObjectName(QStringLiteral("framOpers"));
  auto* bar = new QHBoxLayout(framOpers_);
  bar->setContentsMargins(0, 0, 0, 0);
  bar->setSpacing(2);  // seventeen buttons and the arrow label's longest caption fit a default window
  auto* arrEn = new uikit::CtrlArrow(framOpers_);
  arrEn->setObjectName(QStringLiteral("arrEnFilts"));
  arrEn->setCaption(QStringLiteral("Show Filters"));
  connect(arrEn, &uikit::CtrlArrow::Click, this, [this] { panel_->enableFilters(); });
  bar->addWidget(arrEn);
  if (!panel_->findChild<QWidget*>(QStringLiteral("arrDisFilts"))) {
    auto* arrDis = new uikit::CtrlArrow(framOpers_);
    arrDis->setObjectName(QStringLiteral("arrDisFilts"));
    arrDis->setCaption(QStringLiteral("Hide Filters"));
    connect(arrDis, &uikit::CtrlArrow::Click, this, [this] { panel_->disableFilters(); });
    bar->addWidget(arrDis);
  }
  bar->addStretch(1);

  auto* v = new QVBoxLayout(framMain_);
  v->setContentsMargins(4, 4, 4, 4);
  v->addWidget(splitter_, 1);
  v->addWidget(panel_);
  v->addWidget(framOpers_);

  imgSet_ = new uikit::ImageList(this);
  imgSet_->setObjectName(QStringLiteral("imgSet"));
  for (int i = 1; i <= kButtonCount; ++i) imgSet_->add(buttonIcon(i));

  connect(dir1_, &uikit::CtrlTreeDir::Change, this, [this] {
    if (list_->hasLoaded()) list_->updateFiles(true);
  });
  connect(dir1_, &uikit::CtrlTreeDir::RightClick, this, [this] {
    for (const char* n : {"menuSep9", "menuQuickRen", "menuQuickDel"}) {
      if (QAction* a = action(QString::fromLatin1(n))) a->setVisible(false);
    }
    if (QMenu* m = menu(QStringLiteral("menuList"))) m->popup(QCursor::pos());
  });

  setMinimumSize(uikit::px(kMinWidthTwips), uikit::px(kMinHeightTwips));
  resize(uikit::px(12000), uikit::px(8400));
}

QAction* MainForm::action(const QString& name) const {
  if (QAction* a = actions_.value(name)) return a;
  if (QMenu* m = menus_.value(name)) return m->menuAction();
  return nullptr;
}

QMenu* MainForm::menu(const QString& name) const { return menus_.value(name); }

uikit::CtrlCmd* MainForm::button(int i) const {
  return i >= 1 && i <= kButtonCount ? cmdButtons_[static_cast<std::size_t>(i)] : nullptr;
}

FrmSettings* MainForm::settingsForm() const { return frmSettings_; }
FrmFav* MainForm::favForm() const { return frmFav_; }

int MainForm::treeWidth() const { return splitter_->sizes().value(0); }

std::string MainForm::myPattern() const { return list_->myPattern(); }

int MainForm::heightDiff() const {
  const int frame = frameGeometry().height() - geometry().height();
  return static_cast<int>(uikit::twips(frame > 0 ? frame : 0));
}

int MainForm::hasLoaded() const { return list_->hasLoaded(); }

// ------------------------------------------------------------------ layout and splitter

void MainForm::doResize() {
  if (isMinimized()) return;
  layoutPanels(panelShown_);
  applySplitter();
}

void MainForm::layoutPanels(bool show) {
  panelShown_ = show;
  panel_->setVisible(show);
  if (QAction* a = action(QStringLiteral("menuFilter"))) a->setChecked(show);
  if (auto* en = findChild<QWidget*>(QStringLiteral("arrEnFilts"))) en->setVisible(!show);
  if (auto* dis = framOpers_->findChild<QWidget*>(QStringLiteral("arrDisFilts"))) dis->setVisible(show);
}

void MainForm::applySplitter() {
  // The saved position is applied once, on the first layout after start-up: once the window is
  // shown and the splitter has its real width (before that it would be clamped to the minimum).
  if (!splitterFromSettings_ || !isVisible() || splitter_->width() <= 0) return;
  splitterFromSettings_ = false;
  const long long d = vb::ValInt(core::getSet("frmMainBPos"));
  int tree = static_cast<int>(4390 + d - kTreeLeftTwips);
  if (tree < kTreeMinTwips) tree = kTreeMinTwips;
  const int total = splitter_->width();
  int treePx = uikit::px(tree);
  const int maxTree = total - uikit::px(kListMinTwips) - splitter_->handleWidth();
  if (treePx > maxTree) treePx = std::max(uikit::px(kTreeMinTwips), maxTree);
  splitter_->setSizes({treePx, std::max(1, total - treePx - splitter_->handleWidth())});
}

void MainForm::saveSplitter() {
  const QList<int> sizes = splitter_->sizes();
  const int barLeft = static_cast<int>(uikit::twips(sizes.value(0))) + kTreeLeftTwips;
  // A window that never got its layout keeps the stored position rather than its design width.
  if (!isMinimized() && !splitterFromSettings_) core::saveSet("frmMainBPos", static_cast<long long>(barLeft - 4390));
  core::saveSet("vardule3", static_cast<long long>(barLeft - 3120));
}

void MainForm::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  if (!isMinimized() && list_->hasLoaded()) applySplitter();
}

void MainForm::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  applySplitter();
}

void MainForm::changeEvent(QEvent* e) {
  QMainWindow::changeEvent(e);
  if (e->type() == QEvent::WindowStateChange && !isMinimized() && stack_->stackHidden()) stack_->restore();
}

// ------------------------------------------------------------------ FileListHost

std::string MainForm::currentFolder() const {
  const QByteArray p = dir1_->pathBytes();
  if (p.isEmpty() || !p.startsWith('/')) return {};
  return core::AddSlash(p.toStdString());
}

void MainForm::setCurrentFolder(const std::string& folder) {
  dir1_->setPathBytes(QByteArray::fromStdString(folder));
  // The tree stops at the last folder it can open; a folder that is there but cannot be read
  // leaves the list on its parent, which must not pass for the folder asked for.
  const std::string wanted = normalizeFolder(folder);
  if (currentFolder().empty() || currentFolder() == wanted || core::PathExist(wanted) == 0) return;
  platform::FolderReader reader;
  if (const int error = reader.open(wanted); error != 0) list_->noteFolderProblem(wanted, error);
}

int MainForm::Wendle(int doDirTree) {
  if (doDirTree != 0) {
    list_->setHasLoaded(0);
    dir1_->Refresh();
    list_->setHasLoaded(1);
  }
  return list_->updateFiles(true);
}

RunScope::RunScope(MainForm& main) : main_(&main) { ++main.openRuns_; }

RunScope::~RunScope() {
  if (!main_ || --main_->openRuns_ > 0) return;
  try {
    main_->runEnded();
  } catch (const std::exception& e) {
    qWarning("after a run: %s", e.what());  // a destructor must not throw; the state has ended anyway
  } catch (...) {
    qWarning("after a run: an unknown exception");
  }
}

core::RunHost* MainForm::runHost() { return runHost_.get(); }

void MainForm::addResult(const std::string& line) { pipeline_->addResult(line); }

}  // namespace mainwin
