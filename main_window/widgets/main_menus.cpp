// The main window's menus, the tool button bar and the launcher's entry points.
#include "main_window/widgets/main_form.h"

#include "core/data_files.h"
#include "core/file_content.h"
#include "core/language_file.h"
#include "core/settings.h"
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/host.h"
#include "main_window/widgets/file_list_controller.h"
#include "main_window/widgets/file_list_pane.h"
#include "main_window/widgets/filter_panel.h"
#include "main_window/widgets/selection_commands.h"
#include "main_window/widgets/tool_launcher.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/look.h"

#include <QAbstractItemView>
#include <QAction>
#include <QActionGroup>
#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>

namespace mainwin {

QAction* MainForm::addItem(QMenu* parent, const char* name, const char* caption) {
  auto* a = new QAction(QString::fromUtf8(caption), parent);
  a->setObjectName(QString::fromLatin1(name));
  parent->addAction(a);
  actions_.insert(a->objectName(), a);
  return a;
}

QMenu* MainForm::addMenu(QMenu* parent, const char* name, const char* caption) {
  QMenu* m = parent ? parent->addMenu(QString::fromUtf8(caption)) : menuBar()->addMenu(QString::fromUtf8(caption));
  m->setObjectName(QString::fromLatin1(name));
  menus_.insert(m->objectName(), m);
  return m;
}

void MainForm::buildMenus() {
  auto checkable = [](QAction* a, bool on) {
    a->setCheckable(true);
    a->setChecked(on);
    return a;
  };
  auto sep = [this](QMenu* m, const char* name) {
    QAction* s = m->addSeparator();
    if (name) {
      s->setObjectName(QString::fromLatin1(name));
      actions_.insert(s->objectName(), s);
    }
  };
  auto launcher = [this](QMenu* m, const LaunchEntry& e) {
    QAction* a = addItem(m, std::string(e.menu).c_str(), std::string(e.caption).c_str());
    const std::string name(e.menu);
    a->setEnabled(launchAvailable(name));
    // A tool registered after the menus were built enables its entries then.
    connect(&toolRegistry(), &ToolRegistry::changed, a, [a, name] { a->setEnabled(launchAvailable(name)); });
    connect(a, &QAction::triggered, this, [this, name] { launch(name); });
  };

  // File
  QMenu* file = addMenu(nullptr, "menuFile", "&File");
  connect(addItem(file, "menuPrint", "&Print..."), &QAction::triggered, this, &MainForm::menuPrint);
  connect(addItem(file, "menuClear", "Clear All History And Settings"), &QAction::triggered, this, &MainForm::menuClear);
  sep(file, nullptr);
  connect(addItem(file, "menuExit", "E&xit"), &QAction::triggered, this, &MainForm::menuExit);

  // Operations, with the two submenus first
  QMenu* opers = addMenu(nullptr, "menuOpers", "&Operations");
  QMenu* cont = addMenu(opers, "menuCont", "&Edit File Contents");
  QMenu* ren = addMenu(opers, "menuRenFiles", "&Rename");
  sep(opers, nullptr);
  QMenu* quick = nullptr;
  QMenu* view = nullptr;
  for (const LaunchEntry& e : launchTable()) {
    if (e.parent == "menuCont") launcher(cont, e);
    if (e.parent == "menuRenFiles") launcher(ren, e);
    if (e.parent == "menuOpers") {
      if (e.menu == "menuDelete2") sep(opers, nullptr);
      launcher(opers, e);
    }
  }

  // View
  view = addMenu(nullptr, "menuView", "&View");
  checkable(addItem(view, "sMenuOpa", "Transparency"), true);
  connect(checkable(addItem(view, "menuHiddenFolds2", "Show Hidden Folders"), true), &QAction::triggered, this,
          &MainForm::sMenuHiddenFoldsClick);
  connect(addItem(view, "menuFont", "Change Font..."), &QAction::triggered, this, &MainForm::menuFont);
  connect(addItem(view, "menuCol", "&Color Scheme..."), &QAction::triggered, this, &MainForm::menuCol);
  for (const LaunchEntry& e : launchTable()) {
    if (e.parent == "menuView") launcher(view, e);
  }
  connect(addItem(view, "menuProp", "Properties Editor"), &QAction::triggered, this, &MainForm::menuProp);
  QAction* results = addItem(view, "menuResults", "Res&ults...");
  results->setShortcut(Qt::Key_F3);
  connect(results, &QAction::triggered, this, &MainForm::menuResults);
  QAction* refresh = addItem(view, "menuRefresh", "&Refresh");
  refresh->setShortcut(Qt::Key_F5);
  connect(refresh, &QAction::triggered, this, &MainForm::menuRefresh);

  // Targets (also the context menu of the tree and the list)
  QMenu* targets = addMenu(nullptr, "menuList", "Targets");
  connect(targets, &QMenu::aboutToShow, this, &MainForm::targetsMenuOpened);
  connect(addItem(targets, "menuRefresh2", "&Refresh"), &QAction::triggered, this, &MainForm::menuRefresh);
  sep(targets, nullptr);
  connect(checkable(addItem(targets, "sMenuHiddenFolds", "Show Hidden Folders"), true), &QAction::triggered, this,
          [this] {
            // The action toggled its own mark already; undo that so the command inverts once.
            QAction* a = action(QStringLiteral("sMenuHiddenFolds"));
            a->setChecked(!a->isChecked());
            sMenuHiddenFoldsClick();
          });
  QMenu* cols = addMenu(targets, "menuViewCol", "&Columns");
  QMenu* sorts = addMenu(targets, "menuViewSort", "S&ort By");
  const char* colCaptions[5] = {"Name", "Size", "Date Modified", "Date Created", "Attributes"};
  for (int i = 1; i <= 5; ++i) {
    const std::string cn = "sMenuViewCol" + std::to_string(i);
    QAction* c = checkable(addItem(cols, cn.c_str(), colCaptions[i - 1]), i == 1);
    connect(c, &QAction::triggered, this, [this, i, c] {
      list_->whenIdle([this, i, shown = c->isChecked()] { list_->setColumnShown(i, shown); });
    });
    const std::string sn = "sMenuViewSort" + std::to_string(i);
    QAction* s = addItem(sorts, sn.c_str(), colCaptions[i - 1]);
    connect(s, &QAction::triggered, this, [this, i] { list_->whenIdle([this, i] { list_->sortMenu(i); }); });
  }
  QMenu* views = addMenu(targets, "menuViewType", "&View");
  auto* viewGroup = new QActionGroup(this);
  const struct {
    const char* name;
    const char* caption;
    int view;
  } kViews[] = {{"sMenuDetail", "&Details", 3}, {"sMenuIcons", "Large &Icons", 0}, {"sMenuList3", "&List", 2}};
  for (const auto& v : kViews) {
    QAction* a = checkable(addItem(views, v.name, v.caption), v.view == 3);
    viewGroup->addAction(a);
    connect(a, &QAction::triggered, this, [this, view = v.view] { list_->setView(view); });
  }
  sep(targets, nullptr);
  QAction* filter = checkable(addItem(targets, "menuFilter", "Filter Files"), false);
  connect(filter, &QAction::triggered, this, [this] {
    if (panelShown_) {
      panel_->disableFilters();
    } else {
      panel_->enableFilters();
    }
  });
  addItem(targets, "menuSel", "Target &Selected Files Only");
  addItem(targets, "menuTargNot", "Remove Selected &Files");
  addItem(targets, "menuTargExt", "Target Selected File &Extensions");
  sep(targets, "menuSep9");
  connect(addItem(targets, "menuQuickRen", "Rename"), &QAction::triggered, this, &MainForm::menuQuickRen);
  connect(addItem(targets, "menuQuickDel", "Delete Selected Files"), &QAction::triggered, this,
          &MainForm::menuQuickDel);
  sep(targets, nullptr);
  connect(addItem(targets, "menuProp2", "Properties Editor"), &QAction::triggered, this, &MainForm::menuProp);
  sep(targets, nullptr);
  addItem(targets, "menuAll", "Target &All Files")->setShortcut(Qt::Key_F4);
  connectSelectionCommands();

  // Quick-Find
  quick = addMenu(nullptr, "menuQuik", "&Quick-Find");
  for (const LaunchEntry& e : launchTable()) {
    if (e.parent == "menuQuik") launcher(quick, e);
  }

  // Favorites
  QMenu* fav = addMenu(nullptr, "menuFav", "Favorites");
  for (int n = 1; n <= 20; ++n) {
    auto* a = new QAction(fav);
    a->setObjectName(QStringLiteral("menuFav1"));  // one control array: captions come from the store
    a->setVisible(false);
    fav->addAction(a);
    connect(a, &QAction::triggered, this, [this, n] { openFavourite(n); });
    menuFav1_[static_cast<std::size_t>(n)] = a;
  }
  sep(fav, "menuSep2");
  connect(addItem(fav, "menuAddFav", "Add..."), &QAction::triggered, this, &MainForm::menuAddFav);
  connect(addItem(fav, "menuOrgFav", "Organize..."), &QAction::triggered, this, &MainForm::menuOrgFav);

  // Language: the entries keep their own names in every language
  QMenu* lang = addMenu(nullptr, "menuLanguage", "&Language");
  const char* langNames[5] = {"English", "Français", "Deutsch", "Español", "Nederlands"};
  auto* langGroup = new QActionGroup(this);
  for (int i = 0; i < 5; ++i) {
    auto* a = new QAction(QString::fromUtf8(langNames[i]), lang);
    a->setObjectName(QStringLiteral("langItem%1").arg(i));
    a->setCheckable(true);
    langGroup->addAction(a);
    lang->addAction(a);
    connect(a, &QAction::triggered, this, [this, i] { menuLang(i); });
    menuLang_[static_cast<std::size_t>(i)] = a;
  }

  // Help: no maker's web pages here; Contents opens the README shipped with the program.
  QMenu* help = addMenu(nullptr, "menuHelp", "&Help");
  connect(addItem(help, "menuAbout", "&About"), &QAction::triggered, this, &MainForm::menuAbout);
  connect(checkable(addItem(help, "sMenuAuto", "&Tool Tips"), true), &QAction::triggered, this,
          &MainForm::sMenuAutoClick);
  sep(help, nullptr);
  connect(addItem(help, "menuTips", "Ti&ps"), &QAction::triggered, this, &MainForm::menuTips);
}

void MainForm::connectSelectionCommands() {
  // The selection-to-pattern commands change the filters, so during a run they wait for its end.
  const auto wire = [this](const char* name, std::function<void(FileListController&)> command) {
    QAction* a = action(QString::fromLatin1(name));
    if (!a) return;
    connect(a, &QAction::triggered, this, [this, command] {
      list().whenIdle([this, command] { command(list()); });
    });
  };
  wire("menuSel", [](FileListController& c) { (void)targetSelected(c); });
  wire("menuTargNot", [](FileListController& c) { (void)targetNotSelected(c); });
  wire("menuTargExt", [](FileListController& c) { (void)targetExtensions(c); });
  wire("menuAll", [](FileListController& c) { targetAll(c); });
}

void MainForm::buildButtons() {
  auto* bar = qobject_cast<QHBoxLayout*>(framOpers_->layout());
  for (int i = 1; i <= kButtonCount; ++i) {
    auto* b = new uikit::CtrlCmd(framOpers_);
    b->setObjectName(QStringLiteral("cmdButtons"));
    b->setProperty("Index", i);
    b->setIcon(buttonIcon(i));
    b->setIconSize(QSize(24, 24));
    b->setFixedSize(uikit::px(518) - 2, uikit::px(518) - 2);
    b->setBackColor(static_cast<uint>((226 - 4 * i) << 16 | (255 - 4 * i) << 8 | (255 - 4 * i)));
    b->setEnabledFlag(launchAvailable(buttonMenu(i)));
    connect(&toolRegistry(), &ToolRegistry::changed, b, [b, i] { b->setEnabledFlag(launchAvailable(buttonMenu(i))); });
    connect(b, &uikit::CtrlCmd::Click, this, [this, i] { buttonClick(i); });
    bar->addWidget(b);
    cmdButtons_[static_cast<std::size_t>(i)] = b;
  }
  bar->addStretch(1);
}

void MainForm::launch(std::string_view menu) {
  const LaunchEntry* target = resolvedEntry(menu);
  if (!target || !toolFormAvailable(target->form)) return;
  (void)launchTool(menu, this);
}

void MainForm::buttonClick(int i) {
  if (i < 1 || i > kButtonCount) return;
  int answer = core::kAnswerYes;
  if (core::getSet("frmMainCheckSel").empty()) {
    const std::size_t selected = pane_->selectedRows().size();
    const int total = pane_->currentView() && pane_->currentView()->model() ? pane_->currentView()->model()->rowCount() : 0;
    if (selected >= 2 && static_cast<int>(selected) < total) {
      answer = core::host().respond(this, "YN", core::msgMain(113), "W", "frmMainCheckSel");
    }
  }
  if (answer == core::kAnswerYes || answer == core::kAnswerSuppressed) launch(buttonMenu(i));
}

void MainForm::loadButtonTips() {
  buttonTips_.clear();
  const core::CoreState& st = core::coreState();
  const std::string text =
      core::readCapped(core::dataFile(core::tipFileName("frmMain", st.langIndex))).data.value_or(std::string());
  if (text.size() > 5 && core::host().sMenuAuto()) {
    for (int i = 1; i <= kButtonCount; ++i) {
      const std::string key = "cmdButtons" + std::to_string(i);
      const auto tip = core::sectionEntry(text, key);
      if (!tip) continue;
      if (auto t = core::host().makeTip(cmdButtons_[static_cast<std::size_t>(i)], this, *tip, st.foreColor,
                                        st.backColor, st.fontName)) {
        buttonTips_.push_back(std::move(t));
      }
    }
  }
}

int MainForm::buttonTipCount() const { return static_cast<int>(buttonTips_.size()); }

void MainForm::popupTargetsMenu(const QPoint& globalPos) {
  for (const char* n : {"menuSep9", "menuQuickRen", "menuQuickDel"}) {
    if (QAction* a = action(QString::fromLatin1(n))) a->setVisible(true);
  }
  if (QMenu* m = menu(QStringLiteral("menuList"))) m->popup(globalPos);
}

void MainForm::targetsMenuOpened() {
  for (int i = 1; i <= 5; ++i) {
    QAction* a = action(QStringLiteral("sMenuViewCol%1").arg(i));
    if (!a) continue;
    const int w = pane_->columnTwips(i);
    if (a->isChecked() && w < 310) a->setChecked(false);
    if (!a->isChecked() && w > 310) a->setChecked(true);
  }
}

}  // namespace mainwin
