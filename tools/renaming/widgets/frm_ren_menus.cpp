// The rename window's menus: the token menu the two Insert buttons pop up, the undo menu of the
// journals, and the rule-set files.
#include "tools/renaming/widgets/frm_ren.h"

#include "core/date_tokens.h"
#include "core/file_paths.h"
#include "core/settings.h"
#include "core/shown_dates.h"
#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/form_loader.h"
#include "core/widgets/host.h"
#include "tools/renaming/rename_journal.h"
#include "tools/renaming/rename_messages.h"
#include "tools/renaming/rename_rule_sets.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/file_dialog.h"
#include "ui_kit/substring_dialog.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>

namespace tools::ren {

namespace {

QAction* namedAction(QMenu* menu, const char* name, const QString& caption) {
  QAction* a = menu->addAction(caption);
  a->setObjectName(QString::fromLatin1(name));
  return a;
}

QMenu* namedMenu(QWidget* owner, const char* name, const QString& title) {
  auto* m = new QMenu(title, owner);
  m->setObjectName(QString::fromLatin1(name));
  return m;
}

constexpr std::array<core::DateSource, 4> kDateSources = {core::DateSource::Modified, core::DateSource::Accessed,
                                                          core::DateSource::Created, core::DateSource::Today};
constexpr std::array<const char*, 4> kDateSourceMenus = {"menuMod", "menuAcc", "menuCreate", "menuToday"};
constexpr std::array<const char*, 4> kDateItemNames = {"menuDate1", "menuDate2", "menuDate3", "menuDate4"};

}  // namespace

void FrmRen::buildMenus() {
  menuPresets = namedMenu(this, "menuPresets", QStringLiteral("Rule Sets"));
  menuLoad = namedAction(menuPresets, "menuLoad", QStringLiteral("Load..."));
  menuSave = namedAction(menuPresets, "menuSave", QStringLiteral("Save..."));
  menuBar->addMenu(menuPresets);
  connect(menuLoad, &QAction::triggered, this,
          [this] { uikit::FrmBrowse::LoadMe(this, QStringLiteral("Load"), QString(), QStringLiteral("*.Ren")); });
  connect(menuSave, &QAction::triggered, this, [this] {
    uikit::FrmBrowse::LoadMe(this, QStringLiteral("Save"), QStringLiteral("Rename.Ren"), QStringLiteral("*.Ren"));
  });

  menuUndo = namedMenu(this, "menuUndo", QStringLiteral("Undo"));
  menuClear = namedAction(menuUndo, "menuClear", QStringLiteral("Clear Undo History"));
  menuRecent = namedAction(menuUndo, "menuRecent", QStringLiteral("Undo Last Rename"));
  menuSep = menuUndo->addSeparator();
  menuSep->setObjectName(QStringLiteral("menuSep"));
  for (std::size_t n = 0; n < menuUndo1.size(); ++n) {
    menuUndo1[n] = namedAction(menuUndo, "menuUndo1", QString());
    connect(menuUndo1[n], &QAction::triggered, this, [this, n] { undoSlot(static_cast<int>(n) + 1); });
  }
  connect(menuClear, &QAction::triggered, this, [this] { menuClearClick(); });
  connect(menuRecent, &QAction::triggered, this, [this] { undoSlot(undoMenuState().current); });
  connect(cmdUndo, &uikit::CtrlCmd::Click, this, [this] {
    refreshUndoMenu();
    popUnder(menuUndo, cmdUndo);
  });

  menuAdd = namedMenu(this, "menuAdd", QStringLiteral("Add Stuff"));
  const auto inserting = [this](QAction* a, QString token) {
    connect(a, &QAction::triggered, this, [this, token] { insertAtCursor(token); });
  };
  menuOld = namedAction(menuAdd, "menuOld", QStringLiteral("Add Old File Name"));
  inserting(menuOld, QStringLiteral("<oldFileNameNoExt>"));
  menuExt = namedAction(menuAdd, "menuExt", QStringLiteral("Add Old Extension"));
  inserting(menuExt, QStringLiteral("<oldFileExtension>"));
  menuFold = namedAction(menuAdd, "menuFold", QStringLiteral("Add Folder Name"));
  inserting(menuFold, QStringLiteral("<oldFolderName>"));
  menuRand = namedAction(menuAdd, "menuRand", QStringLiteral("Random Character"));
  inserting(menuRand, QStringLiteral("<RandChar>"));

  menuSub = namedMenu(this, "menuSub", QStringLiteral("Add File Name Sub-Text"));
  menuAdd->addMenu(menuSub);
  for (std::size_t n = 0; n < menuWord.size(); ++n) {
    menuWord[n] = namedAction(menuSub, "menuWord", QStringLiteral("Word"));
    inserting(menuWord[n], QStringLiteral("<FileWord%1>").arg(n + 1));
  }
  menuDash1 = namedAction(menuSub, "menuDash1", QStringLiteral("Text Before Hyphen (Dash)"));
  inserting(menuDash1, QStringLiteral("<TextBeforeDash>"));
  menuDash2 = namedAction(menuSub, "menuDash2", QStringLiteral("Text After Hyphen (Dash)"));
  inserting(menuDash2, QStringLiteral("<TextAfterDash>"));
  menuCustSub = namedAction(menuSub, "menuCustSub", QStringLiteral("Custom Sub String..."));
  connect(menuCustSub, &QAction::triggered, this, [this] { uikit::FrmStr::LoadMe(this); });

  // The date items: every format word under each source. The token names its source in English
  // whatever the menus' language, so that it is a token in any language.
  menuDate = namedMenu(this, "menuDate", QStringLiteral("Add Date"));
  menuAdd->addMenu(menuDate);
  for (std::size_t s = 0; s < kDateSources.size(); ++s) {
    dateSources[s] = namedMenu(this, kDateSourceMenus[s], vb::qs(core::dateSourceCaption(kDateSources[s])));
    menuDate->addMenu(dateSources[s]);
    for (const std::string_view format : core::kDateFormatWords) {
      QAction* a = namedAction(dateSources[s], kDateItemNames[s], vb::qs(format));
      inserting(a, vb::qs(core::longDateToken(core::DateTokenStyle::Semicolon, kDateSources[s], format)));
    }
  }

  connect(cmdIns1, &uikit::CtrlCmd::Click, this, [this] {
    setInsertTarget(txtStart);
    popUnder(menuAdd, cmdIns1);
  });
  connect(cmdIns2, &uikit::CtrlCmd::Click, this, [this] {
    setInsertTarget(txtEnd);
    popUnder(menuAdd, cmdIns2);
  });
}

void FrmRen::popUnder(QMenu* menu, QWidget* button) {
  menu->popup(button->mapToGlobal(QPoint(0, button->height())));
}

void FrmRen::insertAtCursor(const QString& text) {
  QLineEdit* box = target_ ? target_.data() : txtStart;
  if (!box->isEnabled()) return;
  const int from = box->hasSelectedText() ? box->selectionStart() : box->cursorPosition();
  const int length = box->hasSelectedText() ? static_cast<int>(box->selectedText().size()) : 0;
  QString now = box->text();
  now.replace(from, length, text);
  box->setText(now);
  box->setCursorPosition(from + static_cast<int>(text.size()));
  box->setFocus();
}

void FrmRen::loadHandleFrmStr(const QString& myData) {
  insertAtCursor(QStringLiteral("<CustSub;") + myData + QLatin1Char('>'));
}

// ------------------------------------------------------------------ undo menu

void FrmRen::refreshUndoMenu() {
  const UndoMenuState state = undoMenuState();
  for (QAction* item : menuUndo1) {
    item->setVisible(false);
    item->setText(QString());
  }
  for (const auto& [slot, caption] : state.history) {
    QAction* item = menuUndo1[static_cast<std::size_t>(slot) - 1];
    // A journal keeps its English month name; the entry reads in the window's language.
    item->setText(vb::qs(core::shownMonths(caption, core::coreState().langIndex)));
    item->setVisible(true);
  }
  menuSep->setVisible(!state.history.empty());
  menuRecent->setEnabled(state.recent);
  menuClear->setEnabled(state.clear);
}

void FrmRen::undoSlot(int slot) {
  runStart([this, slot](ToolRun& run) { (void)undoRename(run.pipe, run.form, slot, run.msg); });
  refreshUndoMenu();
  refreshPreviewSource();
  buildPreview();
}

void FrmRen::menuClearClick() {
  if (core::host().respond(this, "YN", msg(msg::kClearQuestion), "W", "") != core::kAnswerYes) return;
  clearRenameJournals();
  refreshUndoMenu();
}

// ------------------------------------------------------------------ rule sets

std::uint8_t FrmRen::saveHandle(const QString& myFile) {
  const std::string path = vb::bpath(myFile);
  if (core::FileExist(path) != 0 &&
      core::host().respond(this, "YN", core::msgMain(117), "W", "") != core::kAnswerYes) {
    return 1;
  }
  if (core::saveFormState(this, std::string_view(path), 1) != 0) {
    (void)core::host().respond(this, "O", core::msgMain(118), "E", "");
    return 1;
  }
  (void)core::host().respond(this, "O", core::msgMain(119), "I", "");
  return 0;
}

std::uint8_t FrmRen::loadHandle(const QString& myFile) {
  const std::string path = vb::bpath(myFile);
  bool tooLarge = false;
  const std::optional<std::string> text = readRuleSet(path, &tooLarge);
  if (!text) {
    (void)core::host().respond(this, "O", tooLarge ? core::msgMain(161) + path : core::msgMain(116), "E", "");
    return 1;
  }
  int mode = 3;  // the text itself, text boxes included
  core::loadForm(this, mode, *text, {});
  core::saveSet("vardtlf", path);
  return 0;
}

}  // namespace tools::ren
