// The main window's load (Form_Load): geometry, texts, favourites, first-run settings, the
// properties editor, columns and sort, the command line, wipe leftovers and the first fill. Steps
// that must happen once (the start folder, the command line, starting Properties, the tips) are
// skipped when a language change loads the window again.
#include "main_window/widgets/main_form.h"

#include "core/appearance.h"
#include "core/file_paths.h"
#include "core/file_times.h"
#include "core/settings.h"
#include "core/shell.h"
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/form_loader.h"
#include "core/widgets/host.h"
#include "main_window/startup_steps.h"
#include "main_window/widgets/file_list_controller.h"
#include "main_window/widgets/file_list_model.h"
#include "main_window/widgets/file_list_pane.h"
#include "main_window/widgets/filter_panel.h"
#include "main_window/widgets/settings_dialog.h"
#include "main_window/widgets/tool_launcher.h"
#include "ui_kit/ctrl_arrow.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/ctrl_tree_dir.h"
#include "ui_kit/form_texts.h"
#include "ui_kit/look.h"
#include "platform/program_paths.h"

#include <QAction>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QStringList>
#include <QTimer>
#include <QTreeView>

namespace mainwin {

namespace {

int whole(const std::string& name) { return static_cast<int>(vb::ValInt(core::getSet(name))); }

}  // namespace

void MainForm::formLoad() {
  const bool first = firstLoad_;
  core::CoreState& st = core::coreState();
  escCloses_ = true;
  list_->setHasLoaded(0);

  // Extension history, newest first as stored.
  QStringList history;
  for (int i = 1; i <= 10; ++i) {
    const std::string e = core::getSet("ext" + std::to_string(i));
    if (!e.empty()) history << vb::qs(e);
  }
  panel_->setHistory(history);

  for (int i = 0; i < 5; ++i) menuLang_[static_cast<std::size_t>(i)]->setChecked(i == st.langIndex);
  panel_->setDates(QDate::currentDate());
  if (first) setCurrentFolder(platform::homeDir());

  if (core::getSet("smartProtect") == "2") core::saveSet("smartProtect", "1");

  // Geometry in twips; positions outside the screen bounds fall back to 200.
  const int h = whole("frmMainH");
  const int w = whole("frmMainW");
  if (first && (h > 0 || w > 0)) resize(w > 0 ? uikit::px(w) : width(), h > 0 ? uikit::px(h) : height());
  bool replaced = false;
  const int top = boundedPosition(whole("frmMainT"), 10000, replaced);
  if (replaced) core::saveSet("frmMainT", "200");
  const int left = boundedPosition(whole("frmMainL"), 14000, replaced);
  if (replaced) core::saveSet("frmMainL", "200");
  if (first && (top != 0 || left != 0)) move(uikit::px(left), uikit::px(top));

  // Texts and the saved control state (menu ticks included); fills the common messages.
  int stateMode = 1;
  core::loadForm(this, stateMode, {}, "Main");
  panel_->retranslate();
  list_->model()->retranslate();
  dir1_->setWords(uikit::treeWordsFor("Main"));
  // Screen readers name the tree, the list and the filter panel in the language shown.
  const std::string section = uikit::formSection("Main");
  dir1_->setAccessibleName(uikit::formText(section, "treeFolders", "Folders"));
  pane_->setListName(uikit::formText(section, "listFiles", "Files"));
  panel_->setAccessibleName(QString(action(QStringLiteral("menuFilter"))->text()).remove(QLatin1Char('&')));
  // The tool buttons show pictures only: screen readers read the caption of the entry each runs.
  for (int i = 1; i <= kButtonCount; ++i) {
    if (QAction* a = action(QString::fromLatin1(std::string(buttonMenu(i)).c_str()))) {
      uikit::applyAccessibleName(button(i), a->text());
    }
  }

  if (action(QStringLiteral("sMenuIcons"))->isChecked()) list_->setView(0);
  if (action(QStringLiteral("sMenuList3"))->isChecked()) list_->setView(2);
  if (action(QStringLiteral("sMenuDetail"))->isChecked()) list_->setView(3);
  action(QStringLiteral("menuProp2"))->setText(action(QStringLiteral("menuProp"))->text());
  action(QStringLiteral("menuTips"))->setVisible(st.langIndex == 0);
  const int colMsgs[5] = {46, 0, 66, 67, 109};
  for (int i = 1; i <= 5; ++i) {
    QString caption = i == 2 ? panel_->chkSiz->Caption() : vb::qs(core::msgMain(colMsgs[i - 1]));
    if (caption.isEmpty()) continue;
    action(QStringLiteral("sMenuViewCol%1").arg(i))->setText(caption);
    action(QStringLiteral("sMenuViewSort%1").arg(i))->setText(caption);
  }

  refreshFav();

  // First run: the settings dialog; afterwards the desktop entry of Properties when wanted.
  const std::string vardfilt = core::getSet("vardfilt");
  if (first && vardfilt.empty()) {
    core::saveSet("vardfilt", "0");
    // Opened once the main window is up, so that the dialog has its owner on screen.
    QTimer::singleShot(0, this, [this] { launch("menuSettings"); });
  } else if (first) {
    const std::string isShell = core::getSet("isShell");
    (void)syncPropertiesEntry(propertiesProgramPath(), isShell.empty() || isShell == "1");
  }

  panelShown_ = vb::ValInt(vardfilt) != 0;
  list_->setPanelShown(panelShown_);
  if (panelShown_) {
    layoutPanels(true);
  } else {
    layoutPanels(false);
    for (auto* c : {panel_->chkExtension, panel_->chkDat, panel_->chkSiz, panel_->chkHidden}) c->setValue(0);
  }

  if (first && core::getSet("isProp") == "1") menuProp();

  action(QStringLiteral("menuHiddenFolds2"))->setChecked(action(QStringLiteral("sMenuHiddenFolds"))->isChecked());
  loadColumns();
  setCaptionText();
  if (first) dir1_->setShowHidden(action(QStringLiteral("sMenuHiddenFolds"))->isChecked());

  panel_->chkExtensionClick();
  panel_->chkSizClick();
  panel_->chkDatClick();

  if (first) applyCommandLine();
  for (auto* arrow : findChildren<uikit::CtrlArrow*>()) (void)arrow->changeSet();
  loadButtonTips();
  if (first) cleanWipeLeftovers();
  if (first) dir1_->Initialize();

  firstLoad_ = false;
  list_->setHasLoaded(1);
  list_->columnTimer().start();
  doResize();
  list_->updateFiles(true);
  if (first) timerTips_->start();
}

void MainForm::setCaptionText() {
  // The form's caption entry of the language file names the program; the version and the
  // description (message 57) follow.
  static QString programName;
  const QString loaded = windowTitle();
  if (!loaded.contains(QLatin1Char(' '))) programName = loaded;
  setWindowTitle(programName + QLatin1Char(' ') + vb::qs(core::getAppVersion() + core::msgMain(57)));
}

void MainForm::loadColumns() {
  // Design widths in twips, used until the user's own are saved: name, size and date modified
  // show; the created time and the attributes cost a lookup per file and start hidden.
  static constexpr int kDesignTwips[5] = {3200, 1300, 2500, 0, 0};
  for (int i = 1; i <= 5; ++i) {
    const std::string wText = core::getSet("col" + std::to_string(i) + "width");
    const int w = wText.empty() ? kDesignTwips[i - 1] : static_cast<int>(vb::ValInt(wText));
    pane_->setColumnTwips(i, w);
    if (w != 0) action(QStringLiteral("sMenuViewCol%1").arg(i))->setChecked(true);
    const int pos = whole("col" + std::to_string(i) + "pos");
    if (pos > 0 && pos <= 5 && pane_->header()) pane_->header()->moveSection(pane_->header()->visualIndex(i - 1), pos - 1);
  }
  SortState sort = list_->sort();
  const int column = whole("sortcolumn");
  if (column >= 1 && column <= 5) sort.column = column;
  if (pane_->columnTwips(1) < 50) {
    pane_->setColumnTwips(1, 2200);
    action(QStringLiteral("sMenuViewCol1"))->setChecked(true);
  }
  sort.descending = whole("ascending") != 0;
  list_->setSort(sort);
  pane_->showSortArrow(pane_->columnTwips(sort.column) > 310 ? sort : SortState{});
}

void MainForm::applyCommandLine() {
  if (!commandLinePath_ || commandLinePath_->empty()) return;
  const CommandLineTarget t = commandLineTarget(*commandLinePath_, QFile::encodeName(QDir::currentPath()).toStdString());
  if (!t.present) return;
  setCurrentFolder(t.folder);
  if (!t.isFile) {
    panel_->setExtensionText(QStringLiteral("*"));
    return;
  }
  panel_->chkHidden->setValue(0);
  panel_->chkSiz->setValue(0);
  panel_->chkDat->setValue(0);
  panel_->chkExtension->setValue(1);
  panel_->setExtensionText(vb::qs(t.pattern));
  panel_->chkExtensionClick();
}

}  // namespace mainwin
