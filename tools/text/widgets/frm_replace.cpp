// The replace window's controls, their layout, the handlers of the options and the tag menu, and
// the tool's registration.
#include "tools/text/widgets/frm_replace.h"

#include "core/state.h"
#include "core/vb.h"
#include "core/widgets/form_show.h"
#include "core/widgets/host.h"
#include "main_window/widgets/tool_launcher.h"
#include "tools/text/replace_tags.h"
#include "tools/text/widgets/frm_replace_register.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/ctrl_dibber.h"
#include "ui_kit/substring_dialog.h"

#include <QAction>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace tools::text {

namespace {

constexpr int kTwipsPerPixel = 15;
constexpr int kDesignWidth = 8550 / kTwipsPerPixel;      // the window's width
constexpr int kDesignHeight = 6960 / kTwipsPerPixel;     // its least height

template <class W>
W* named(W* w, const char* name) {
  w->setObjectName(QString::fromLatin1(name));
  return w;
}

uikit::CtrlCheckBox* check(QWidget* parent, const char* name, const char* caption) {
  auto* c = named(new uikit::CtrlCheckBox(parent), name);
  c->setCaption(QString::fromUtf8(caption));
  return c;
}

uikit::CtrlCmd* button(QWidget* parent, const char* name, const char* caption) {
  auto* b = named(new uikit::CtrlCmd(parent), name);
  b->setCaption(QString::fromUtf8(caption));
  return b;
}

QRadioButton* option(QWidget* parent, const char* name, const char* caption) {
  return named(new QRadioButton(QString::fromUtf8(caption), parent), name);
}

QPlainTextEdit* textBox(QWidget* parent, const char* name) {
  auto* t = named(new QPlainTextEdit(parent), name);
  t->setTabChangesFocus(true);
  t->setLineWrapMode(QPlainTextEdit::NoWrap);
  return t;
}

}  // namespace

FrmReplace::FrmReplace() : ToolWindow("frmReplace", "Replace") {
  setWindowTitle(QStringLiteral("Search And Replace"));
  buildControls();
  buildLayout();
  connectHandlers();
  tagTarget_ = txtSearch_;
  optContent_->setChecked(true);
  optWildAst_->setChecked(true);
  updateOptionControls();
  chkMulRunChanged();
  resize(kDesignWidth, kDesignHeight);
}

void FrmReplace::buildControls() {
  lblSearch_ = named(new QLabel(QStringLiteral("Search for:"), this), "lblSearch");
  txtSearch_ = textBox(this, "txtSearch");
  lblReplace_ = named(new QLabel(QStringLiteral("Replace with:"), this), "lblReplace");
  txtReplace_ = textBox(this, "txtReplace");
  lblSearch_->setBuddy(txtSearch_);
  lblReplace_->setBuddy(txtReplace_);
  cmdSwap_ = button(this, "cmdSwap", "S&wap");

  framCtrls_ = named(new QFrame(this), "framCtrls");
  frame1_ = named(new QGroupBox(QStringLiteral("Replace in"), framCtrls_), "Frame1");
  optContent_ = option(frame1_, "optContent", "File &contents");
  optFile_ = option(frame1_, "optFile", "File &names");
  optFold_ = option(frame1_, "optFold", "F&older names");

  frame2_ = named(new QGroupBox(QStringLiteral("Options"), framCtrls_), "Frame2");
  chkCase_ = check(frame2_, "chkCase", "&Match case");
  chkWildCards_ = check(frame2_, "chkWildCards", "&Use wildcards");
  framWild_ = named(new QFrame(frame2_), "framWild");
  optWildAst_ = option(framWild_, "optWildAst", "* (any text)");
  optWildQuest_ = option(framWild_, "optWildQuest", "? (one character)");
  chkSpan_ = check(framWild_, "chkSpan", "* may span &lines");
  chkTags_ = check(frame2_, "chkTags", "Use &tags");
  cmdTags_ = button(frame2_, "cmdTags", "T&ags...");

  menuIndex_ = named(new QMenu(this), "menuIndex");
  const std::pair<const char*, const char*> items[] = {
      {"menuSerText", "The found text <search-text>"}, {"menuName", "File name without extension"},
      {"menuExt", "File extension"},                     {"menuPath", "Folder path"},
      {"menuFold", "Folder name"},                       {"menuFileSub", "Part of the file name..."},
      {"menuFoldSub", "Part of the folder name..."}};
  for (const auto& [name, caption] : items) named(menuIndex_->addAction(QString::fromUtf8(caption)), name);

  chkMulRun_ = check(framCtrls_, "chkMulRun", "Several &runs");
  framMul_ = named(new QFrame(framCtrls_), "framMul");
  lblMultRuns_ = named(new QLabel(framMul_), "lblMultRuns");
  cmdMultPrevious_ = button(framMul_, "cmdMultPrevious", "< &Previous");
  cmdMultNext_ = button(framMul_, "cmdMultNext", "N&ext >");
  cmdMultInsert_ = button(framMul_, "cmdMultInsert", "&Insert");
  cmdMultRemove_ = button(framMul_, "cmdMultRemove", "Remo&ve");
  cmdMultLoad_ = button(framMul_, "cmdMultLoad", "&Load...");
  cmdMultSave_ = button(framMul_, "cmdMultSave", "&Save...");

  cmdHelp_ = button(framCtrls_, "cmdHelp", "&Help");
  cmdStart_ = button(framCtrls_, "cmdStart", "&Start");
  cmdClose_ = button(framCtrls_, "cmdClose", "Cl&ose");
  ctrlDibber1_ = named(new uikit::CtrlDibber(this), "CtrlDibber1");
  timerChkVis_ = named(new QTimer(this), "timerChkVis");
  timerChkVis_->setInterval(300);
  timerChkVis_->setSingleShot(true);
}

void FrmReplace::buildLayout() {
  auto* wild = new QGridLayout(framWild_);
  wild->setContentsMargins(18, 0, 0, 0);
  wild->addWidget(optWildAst_, 0, 0);
  wild->addWidget(optWildQuest_, 0, 1);
  wild->addWidget(chkSpan_, 1, 0, 1, 2);

  auto* targets = new QVBoxLayout(frame1_);
  for (QWidget* w : {static_cast<QWidget*>(optContent_), static_cast<QWidget*>(optFile_), static_cast<QWidget*>(optFold_)})
    targets->addWidget(w);
  targets->addStretch(1);

  auto* opts = new QGridLayout(frame2_);
  opts->addWidget(chkCase_, 0, 0, 1, 2);
  opts->addWidget(chkWildCards_, 1, 0, 1, 2);
  opts->addWidget(framWild_, 2, 0, 1, 2);
  opts->addWidget(chkTags_, 3, 0);
  opts->addWidget(cmdTags_, 3, 1, Qt::AlignLeft);
  opts->setColumnStretch(1, 1);
  opts->setRowStretch(4, 1);

  auto* mul = new QGridLayout(framMul_);
  mul->setContentsMargins(0, 0, 0, 0);
  mul->addWidget(lblMultRuns_, 0, 0, 1, 3);
  mul->addWidget(cmdMultPrevious_, 1, 0);
  mul->addWidget(cmdMultNext_, 1, 1);
  mul->addWidget(cmdMultInsert_, 1, 2);
  mul->addWidget(cmdMultRemove_, 1, 3);
  mul->addWidget(cmdMultLoad_, 1, 4);
  mul->addWidget(cmdMultSave_, 1, 5);
  mul->setColumnStretch(6, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(cmdHelp_);
  buttons->addStretch(1);
  buttons->addWidget(cmdStart_);
  buttons->addWidget(cmdClose_);

  auto* ctrls = new QGridLayout(framCtrls_);
  ctrls->setContentsMargins(0, 0, 0, 0);
  ctrls->addWidget(frame1_, 0, 0);
  ctrls->addWidget(frame2_, 0, 1);
  ctrls->setColumnStretch(1, 1);
  ctrls->addWidget(chkMulRun_, 1, 0, 1, 2);
  ctrls->addWidget(framMul_, 2, 0, 1, 2);
  ctrls->addLayout(buttons, 3, 0, 1, 2);

  auto* swapRow = new QHBoxLayout;
  swapRow->addWidget(lblReplace_);
  swapRow->addStretch(1);
  swapRow->addWidget(cmdSwap_);

  // The two texts share the height the controls leave.
  auto* main = new QVBoxLayout(this);
  main->addWidget(lblSearch_);
  main->addWidget(txtSearch_, 1);
  main->addLayout(swapRow);
  main->addWidget(txtReplace_, 1);
  main->addWidget(framCtrls_);
  ctrlDibber1_->raise();
}

void FrmReplace::connectHandlers() {
  for (QRadioButton* o : {optContent_, optFile_, optFold_, optWildAst_, optWildQuest_})
    tools::whenChosen(o, [this] { updateOptionControls(); });
  connect(chkWildCards_, &uikit::CtrlCheckBox::Click, this, &FrmReplace::updateOptionControls);
  connect(chkTags_, &uikit::CtrlCheckBox::Click, this, &FrmReplace::updateOptionControls);
  connect(chkMulRun_, &uikit::CtrlCheckBox::Click, this, &FrmReplace::chkMulRunChanged);
  connect(cmdSwap_, &uikit::CtrlCmd::Click, this, &FrmReplace::cmdSwapClick);
  connect(cmdTags_, &uikit::CtrlCmd::Click, this,
          [this] { menuIndex_->popup(cmdTags_->mapToGlobal(QPoint(0, cmdTags_->height()))); });
  const auto item = [this](const char* name) { return menuIndex_->findChild<QAction*>(QString::fromLatin1(name)); };
  connect(item("menuSerText"), &QAction::triggered, this, [this] {
    tagTarget_ = txtReplace_;
    insertAtCursor(vb::qs(kTagMatched));
  });
  const std::pair<const char*, std::string_view> plain[] = {
      {"menuName", kTagBase}, {"menuExt", kTagExtension}, {"menuPath", kTagFolderPath}, {"menuFold", kTagFolderName}};
  for (const auto& [name, tag] : plain)
    connect(item(name), &QAction::triggered, this, [this, tag] { insertAtCursor(vb::qs(tag)); });
  for (const auto& [name, ofFile] : {std::pair{"menuFileSub", true}, std::pair{"menuFoldSub", false}}) {
    connect(item(name), &QAction::triggered, this, [this, ofFile] {
      substringOfFile_ = ofFile;
      uikit::FrmStr::LoadMe(this);
    });
  }
  connect(cmdMultNext_, &uikit::CtrlCmd::Click, this, &FrmReplace::cmdMultNextClick);
  connect(cmdMultPrevious_, &uikit::CtrlCmd::Click, this, &FrmReplace::cmdMultPreviousClick);
  connect(cmdMultInsert_, &uikit::CtrlCmd::Click, this, &FrmReplace::cmdMultInsertClick);
  connect(cmdMultRemove_, &uikit::CtrlCmd::Click, this, &FrmReplace::cmdMultRemoveClick);
  connect(cmdMultSave_, &uikit::CtrlCmd::Click, this, &FrmReplace::cmdMultSaveClick);
  connect(cmdMultLoad_, &uikit::CtrlCmd::Click, this, &FrmReplace::cmdMultLoadClick);
  connect(cmdStart_, &uikit::CtrlCmd::Click, this, &FrmReplace::cmdStartClick);
  connect(cmdClose_, &uikit::CtrlCmd::Click, this, &FrmReplace::closeForm);
  connect(cmdHelp_, &uikit::CtrlCmd::Click, this,
          [this] { (void)core::host().respond(this, "O", msg(kMsgHelp), "I", ""); });
  // After a list is loaded the controls' frame is shown afresh, so that it repaints at once.
  connect(timerChkVis_, &QTimer::timeout, this, [this] {
    framCtrls_->hide();
    framCtrls_->show();
  });
  for (QPlainTextEdit* box : {txtSearch_, txtReplace_}) box->installEventFilter(this);
}

// "*" over line breaks is an option of "*" in contents only.
void FrmReplace::updateOptionControls() {
  framWild_->setVisible(chkWildCards_->Value() != 0);
  chkSpan_->setVisible(optContent_->isChecked());
  chkSpan_->setEnabledFlag(optWildAst_->isChecked());
  cmdTags_->setVisible(chkTags_->Value() != 0);
}

void FrmReplace::chkMulRunChanged() {
  if (chkMulRun_->Value() != 0) {
    showRunState();
    framMul_->setVisible(true);
  } else {
    core::enableControls(this, "Mult", false);
    framMul_->setVisible(false);
  }
}

void FrmReplace::showRunState() {
  lblMultRuns_->setText(vb::qs(msg(kMsgRun) + std::to_string(runs_.current()) + msg(kMsgOf) +
                               std::to_string(runs_.count())));
  for (QWidget* w : {static_cast<QWidget*>(lblMultRuns_), static_cast<QWidget*>(cmdMultLoad_),
                     static_cast<QWidget*>(cmdMultSave_)})
    w->setEnabled(true);
  cmdMultPrevious_->setEnabledFlag(runs_.current() != 1);
  cmdMultNext_->setEnabledFlag(runs_.current() != runs_.count());
  cmdMultInsert_->setEnabledFlag(runs_.count() != kMaxRuns);
  cmdMultRemove_->setEnabledFlag(runs_.count() != 1);
}

void FrmReplace::cmdSwapClick() {
  const QString search = txtSearch_->toPlainText();
  txtSearch_->setPlainText(txtReplace_->toPlainText());
  txtReplace_->setPlainText(search);
}

void FrmReplace::insertAtCursor(const QString& tag) {
  tagTarget_->insertPlainText(tag);  // replaces a selection; the cursor lands after the tag
  tagTarget_->setFocus(Qt::OtherFocusReason);
}

void FrmReplace::loadHandleFrmStr(const QString& myData) {
  insertAtCursor(vb::qs(substringOfFile_ ? kTagBaseSub : kTagFolderSub) + myData + QStringLiteral(">"));
}

ReplaceOptions FrmReplace::readOptions() const {
  ReplaceOptions o;
  o.search = vb::bs(txtSearch_->toPlainText());
  o.replacement = vb::bs(txtReplace_->toPlainText());
  o.target = optFile_->isChecked()      ? ReplaceTarget::FileNames
             : optContent_->isChecked() ? ReplaceTarget::Contents
                                        : ReplaceTarget::FolderNames;
  o.exactCase = chkCase_->Value() != 0;
  if (chkWildCards_->Value() != 0) {
    if (optWildAst_->isChecked()) o.wildcards = WildcardMode::Star;
    else if (optWildQuest_->isChecked()) o.wildcards = WildcardMode::Question;
  }
  o.spanLines = chkSpan_->Value() != 0;
  o.tags = chkTags_->Value() != 0;
  return o;
}

bool FrmReplace::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::FocusIn && (watched == txtSearch_ || watched == txtReplace_)) {
    auto* box = static_cast<QPlainTextEdit*>(watched);
    tagTarget_ = box;
    // A box the user moves into shows its whole text selected; one the tag menu just wrote into
    // keeps its cursor after the tag.
    if (static_cast<QFocusEvent*>(e)->reason() != Qt::OtherFocusReason) box->selectAll();
  }
  return ToolWindow::eventFilter(watched, e);
}

void FrmReplace::showEvent(QShowEvent* e) {
  ToolWindow::showEvent(e);
  if (!loaded_) {
    loaded_ = true;
    formLoad();
  }
}

void FrmReplace::closing() {
  formUnload();
  loaded_ = false;
}

void FrmReplace::doResize() {
  if (isMinimized()) return;
  ctrlDibber1_->setVisible(!isMaximized());
  const int width = std::max(kDesignWidth, minimumSizeHint().width());
  const int height = std::max({kDesignHeight, minimumSizeHint().height(), this->height()});
  if (!isMaximized() && (this->width() != width || this->height() != height)) resize(width, height);
  placeGrip();
}

void FrmReplace::resizeEvent(QResizeEvent* e) {
  ToolWindow::resizeEvent(e);
  placeGrip();  // at once: doResize comes only after a burst of resizes has settled
}

void FrmReplace::placeGrip() {
  const QSize grip = ctrlDibber1_->sizeHint();
  ctrlDibber1_->setGeometry(width() - grip.width(), height() - grip.height(), grip.width(), grip.height());
  ctrlDibber1_->raise();
}

void registerReplaceTool() {
  mainwin::registerToolForm("frmReplace", [] { return new FrmReplace(); });
}

}  // namespace tools::text
