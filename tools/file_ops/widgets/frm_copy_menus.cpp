// The copy window's menus: the insertion menus of the Find button (target folder, handles, words,
// substrings, dates) and the undo menu of the last nine runs.
#include "tools/file_ops/widgets/frm_copy.h"

#include "core/date_tokens.h"
#include "core/file_paths.h"
#include "core/shown_dates.h"
#include "core/state.h"
#include "core/undo_journal.h"
#include "core/vb.h"
#include "core/widgets/host.h"
#include "tools/file_ops/copy_journal.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/folder_dialog.h"
#include "ui_kit/substring_dialog.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>

namespace tools::file_ops {

namespace {

QMenu* subMenu(QMenu* parent, const char* name, const char* caption) {
  auto* m = new QMenu(QString::fromLatin1(caption), parent);
  m->setObjectName(QString::fromLatin1(name));
  parent->addMenu(m);
  return m;
}

QAction* item(QMenu* menu, const char* name, const QString& caption) {
  QAction* a = menu->addAction(caption);
  a->setObjectName(QString::fromLatin1(name));
  return a;
}

}  // namespace

void FrmCopy::buildMenus() {
  menuMain_ = new QMenu(QStringLiteral("Main"), this);
  menuMain_->setObjectName(QStringLiteral("menuMain"));
  connect(item(menuMain_, "menuFind", QStringLiteral("Find Target...")), &QAction::triggered, this, [this] {
    const QString start = core::PathExist(vb::bpath(txtPath_->text())) != 0 ? txtPath_->text() : QString();
    uikit::FrmBrowse2::LoadMe(this, start);
  });
  QMenu* menuAdd = subMenu(menuMain_, "menuAdd", "Insert Tags");
  const auto insert = [this](QMenu* menu, const char* name, const char* caption, const char* tag) {
    connect(item(menu, name, QString::fromLatin1(caption)), &QAction::triggered, this,
            [this, tag] { insertAtCaret(QString::fromLatin1(tag)); });
  };
  insert(menuAdd, "menuOld", "Add File Name Without .Extension", "<FileName>");
  insert(menuAdd, "menuExt", "Add File Extension (Without .)", "<FileExtension>");
  insert(menuAdd, "menuPath", "Add File Path Without / At End", "<FilePath>");
  connect(item(menuAdd, "menuUp", QStringLiteral("Up One Folder Tag")), &QAction::triggered, this,
          [this] { menuUpClick(); });
  QMenu* menuSub = subMenu(menuAdd, "menuSub", "Add File Name Sub-Text");
  for (std::size_t n = 0; n < menuWord_.size(); ++n) {
    menuWord_[n] = item(menuSub, "menuWord", QStringLiteral("Word %1").arg(n + 1));
    connect(menuWord_[n], &QAction::triggered, this,
            [this, n] { insertAtCaret(QStringLiteral("<FileWord%1>").arg(n + 1)); });
  }
  connect(item(menuSub, "menuCustSub", QStringLiteral("Custom Sub String...")), &QAction::triggered, this,
          [this] { uikit::FrmStr::LoadMe(this); });
  QMenu* menuDate = subMenu(menuAdd, "menuDate", "Add Date");
  addDateMenu(menuDate, "menuMod", "File Modified", "menuDate1", core::DateSource::Modified);
  addDateMenu(menuDate, "menuAcc", "File Last Accessed", "menuDate2", core::DateSource::Accessed);
  addDateMenu(menuDate, "menuCreate", "File Created", "menuDate3", core::DateSource::Created);
  addDateMenu(menuDate, "menuToday", "Today", "menuDate4", core::DateSource::Today);
  connect(cmdFind_, &uikit::CtrlCmd::Click, this,
          [this] { menuMain_->popup(cmdFind_->mapToGlobal(QPoint(0, cmdFind_->height()))); });

  menuUndo_ = new QMenu(QStringLiteral("&Undo"), this);
  menuUndo_->setObjectName(QStringLiteral("menuUndo"));
  menuClear_ = item(menuUndo_, "menuClear", QStringLiteral("&Clear All Previous Undo Operations"));
  menuRecent_ = item(menuUndo_, "menuRecent", QStringLiteral("Undo Most &Recent Copy Move"));
  menuSep_ = menuUndo_->addSeparator();
  menuSep_->setObjectName(QStringLiteral("menuSep"));
  for (std::size_t i = 0; i < menuUndo1_.size(); ++i) {
    menuUndo1_[i] = item(menuUndo_, "menuUndo1", QString());
    const int slot = static_cast<int>(i) + 1;
    connect(menuUndo1_[i], &QAction::triggered, this, [this, slot] { undoSlot(slot); });
  }
  connect(menuClear_, &QAction::triggered, this, [this] { clearCopyUndo(); });
  connect(menuRecent_, &QAction::triggered, this, [this] { undoSlot(copyUndoMenu().current); });
  connect(cmdUndo_, &uikit::CtrlCmd::Click, this,
          [this] { menuUndo_->popup(cmdUndo_->mapToGlobal(QPoint(0, cmdUndo_->height()))); });
}

// The handle is built from the source itself, never from the menu's caption: a translated caption
// would make a handle that no expansion recognises.
void FrmCopy::addDateMenu(QMenu* parent, const char* name, const char* caption, const char* itemName,
                          core::DateSource source) {
  QMenu* menu = subMenu(parent, name, caption);
  for (const std::string_view format : core::kDateFormatWords) {
    QAction* a = item(menu, itemName, vb::qs(format));
    const QString token = vb::qs(core::longDateToken(core::DateTokenStyle::Colon, source, format));
    connect(a, &QAction::triggered, this, [this, token] { insertAtCaret(token); });
  }
}

void FrmCopy::insertAtCaret(const QString& text) {
  txtPath_->insert(text);  // replaces the selection; the caret ends behind the text
  txtPath_->setFocus();
}

void FrmCopy::menuUpClick() {
  insertAtCaret(txtPath_->text().isEmpty() ? QStringLiteral("<FilePath><UpOneFolder>")
                                           : QStringLiteral("<UpOneFolder>"));
}

void FrmCopy::undoSlot(int slot) {
  runStart([this, slot](tools::ToolRun& run) {
    (void)undoCopyJob(run.pipe, run.form, slot, run.msg);
    rebuildUndoMenu();
    fillPreview();
  });
}

void FrmCopy::clearCopyUndo() {
  if (core::host().respond(this, "", msg(copy_msg::kConfirmClear), "W", "") != core::kAnswerYes) return;
  core::clearJournals(core::kCopyJournal);
  rebuildUndoMenu();
}

void FrmCopy::rebuildUndoMenu() {
  const CopyUndoMenu menu = copyUndoMenu();
  for (QAction* a : menuUndo1_) a->setVisible(false);
  for (const auto& [slot, caption] : menu.others) {
    QAction* a = menuUndo1_[static_cast<std::size_t>(slot - 1)];
    // A journal keeps its English month name; the entry reads in the window's language.
    a->setText(vb::qs(core::shownMonths(caption, core::coreState().langIndex)));
    a->setVisible(true);
  }
  menuRecent_->setEnabled(menu.recent);
  menuSep_->setVisible(!menu.others.empty());
  menuClear_->setEnabled(menu.recent || !menu.others.empty());
}

}  // namespace tools::file_ops
