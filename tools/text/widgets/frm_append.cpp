#include "tools/text/widgets/frm_append.h"

#include "core/date_tokens.h"
#include "core/vb.h"
#include "main_window/widgets/tool_launcher.h"
#include "tools/text/append_tags.h"
#include "tools/text/widgets/frm_list_find_append_controls.h"
#include "tools/text/widgets/frm_list_find_append_tools.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QShowEvent>
#include <QVBoxLayout>

namespace tools::text {

namespace {

QAction* menuItem(QMenu* menu, const char* name, const char* caption) {
  QAction* a = menu->addAction(QString::fromUtf8(caption));
  a->setObjectName(QString::fromLatin1(name));
  return a;
}

QMenu* subMenu(QMenu* parent, const char* name, const char* caption) {
  QMenu* m = parent->addMenu(QString::fromUtf8(caption));
  m->setObjectName(QString::fromLatin1(name));
  return m;
}

}  // namespace

FrmAppend::FrmAppend() : ToolWindow("frmAppend", "Append") {
  setWindowTitle(QStringLiteral("Append Data To File Contents"));
  auto* main = new QVBoxLayout(this);

  auto* lbl1 = new QLabel(QStringLiteral("Append Text:"), this);
  lbl1->setObjectName(QStringLiteral("lbl1"));
  main->addWidget(lbl1);
  txtAppend_ = new QPlainTextEdit(this);
  txtAppend_->setObjectName(QStringLiteral("txtAppend"));
  txtAppend_->setTabChangesFocus(true);
  txtAppend_->setMinimumHeight(80);
  lbl1->setBuddy(txtAppend_);
  main->addWidget(txtAppend_, 1);

  auto* where = new QWidget(this);
  auto* whereCol = new QVBoxLayout(where);
  whereCol->setContentsMargins(0, 0, 0, 0);
  optStart_ = makeOption(where, whereCol, "optStart", "Append To The Start");
  optEnd_ = makeOption(where, whereCol, "optEnd", "Append To The End");
  optEnd_->setChecked(true);
  main->addWidget(where);

  auto* tagRow = new QHBoxLayout;
  chkTags_ = makeCheck(this, tagRow, "chkTags", "Use Tags");
  cmdTags_ = makeButton(this, "cmdTags", "Add &Tag...");
  tagRow->addWidget(cmdTags_);
  tagRow->addStretch(1);
  main->addLayout(tagRow);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  cmdStart_ = makeButton(this, "cmdStart", "&Start");
  cmdClose_ = makeButton(this, "cmdClose", "&Close");
  buttons->addWidget(cmdStart_);
  buttons->addWidget(cmdClose_);
  main->addLayout(buttons);

  buildMenu();
  connect(chkTags_, &uikit::CtrlCheckBox::Click, this, &FrmAppend::follow);
  connect(cmdTags_, &uikit::CtrlCmd::Click, this,
          [this] { menuIndex_->popup(cmdTags_->mapToGlobal(QPoint(0, cmdTags_->height()))); });
  connect(cmdStart_, &uikit::CtrlCmd::Click, this, &FrmAppend::start);
  connect(cmdClose_, &uikit::CtrlCmd::Click, this, &FrmAppend::closeForm);
  follow();
  resize(440, 300);
}

// The tag menu. Date items insert the long token with its fixed English words whatever the
// captions say in the language shown, so that the tags work in every language.
void FrmAppend::buildMenu() {
  menuIndex_ = new QMenu(QStringLiteral("Add..."), this);
  menuIndex_->setObjectName(QStringLiteral("menuIndex"));
  connect(menuItem(menuIndex_, "menuName", "Add File Name Without Extension"), &QAction::triggered, this,
          [this] { insertTag(kTagNameLong); });
  connect(menuItem(menuIndex_, "menuExt", "Add File Extension Without Dot"), &QAction::triggered, this,
          [this] { insertTag(kTagExtLong); });
  connect(menuItem(menuIndex_, "menuPath", "Add File Path"), &QAction::triggered, this,
          [this] { insertTag(kTagPathLong); });
  QMenu* menuDate = subMenu(menuIndex_, "menuDate", "Add Date");
  struct Source {
    const char* menu;
    const char* items;
    core::DateSource source;
  };
  for (const Source& s : {Source{"menuMod", "menuDate1", core::DateSource::Modified},
                          Source{"menuAcc", "menuDate2", core::DateSource::Accessed},
                          Source{"menuCreate", "menuDate3", core::DateSource::Created},
                          Source{"menuToday", "menuDate4", core::DateSource::Today}}) {
    const std::string_view caption = core::dateSourceCaption(s.source);
    QMenu* sourceMenu = subMenu(menuDate, s.menu, std::string(caption).c_str());
    for (const std::string_view format : core::kDateFormatWords) {
      QAction* item = menuItem(sourceMenu, s.items, std::string(format).c_str());
      const std::string token = core::longDateToken(core::DateTokenStyle::Semicolon, s.source, format);
      connect(item, &QAction::triggered, this, [this, token] { insertTag(token); });
    }
  }
}

void FrmAppend::insertTag(std::string_view tag) {
  txtAppend_->insertPlainText(vb::qs(tag));  // replaces the selection, the caret after the tag
  txtAppend_->setFocus();
}

void FrmAppend::follow() { cmdTags_->setVisible(chkTags_->Value() != 0); }

void FrmAppend::showEvent(QShowEvent* e) {
  // "Today" is when the window was opened: the same for every file of the runs that follow.
  if (!e->spontaneous()) today_ = core::nowDateStamp();
  ToolWindow::showEvent(e);
  follow();
}

AppendOptions FrmAppend::readOptions() const {
  const MainBoxes boxes = mainBoxes(mainForm());
  return {.text = vb::bs(txtAppend_->toPlainText()),
          .tags = chkTags_->Value() != 0,
          .where = optStart_->isChecked() ? AppendWhere::Start : AppendWhere::End,
          .withSubfolders = boxes.withSubfolders,
          .withHidden = boxes.withHidden,
          .todayStamp = today_.empty() ? core::nowDateStamp() : today_};
}

void FrmAppend::start() {
  runStart([this](tools::ToolRun& run) {
    if (appendText(run.pipe, run.form, readOptions(), run.msg) == AppendStart::EmptyText) txtAppend_->setFocus();
  });
}

void registerAppendTool() {
  mainwin::registerToolForm("frmAppend", [] { return new FrmAppend(); });
}

}  // namespace tools::text
