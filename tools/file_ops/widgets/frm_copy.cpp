// The copy window's controls, their handlers, the load on showing and the run's start. The menus
// (insertion of handles, undo) are in frm_copy_menus.cpp.
#include "tools/file_ops/widgets/frm_copy.h"

#include "core/date_tokens.h"
#include "core/file_paths.h"
#include "core/settings.h"
#include "core/vb.h"
#include "core/widgets/host.h"
#include "main_window/widgets/file_list_controller.h"
#include "main_window/widgets/filter_panel.h"
#include "main_window/widgets/main_form.h"
#include "tools/file_ops/copy_journal.h"
#include "tools/file_ops/copy_pattern.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/look.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tools::file_ops {

namespace {

template <class W>
W* named(W* w, const char* name) {
  w->setObjectName(QString::fromLatin1(name));
  return w;
}

uikit::CtrlCheckBox* checkBox(QWidget* parent, const char* name, const char* caption) {
  auto* c = named(new uikit::CtrlCheckBox(parent), name);
  c->setCaption(QString::fromLatin1(caption));
  return c;
}

// A coloured background behind a box ("bak" frames take the scheme's back colour).
QFrame* background(QWidget* parent, const char* name, QWidget* box) {
  auto* f = named(new QFrame(parent), name);
  auto* l = new QHBoxLayout(f);
  l->setContentsMargins(2, 2, 2, 2);
  box->setParent(f);
  l->addWidget(box);
  return f;
}

// The setting's width in twips as pixels, or 0 when it holds none.
int savedPixels(std::string_view key) {
  const double twips = vb::Val(core::getSet(key));
  return twips > 0 ? uikit::px(twips) : 0;
}

}  // namespace

FrmCopy::FrmCopy() : ToolWindow("frmCopy", "Copy") {
  setWindowTitle(QStringLiteral("Copy Or Move Files"));
  buildControls();
  buildMenus();
  resize(620, 480);
}

void FrmCopy::buildControls() {
  auto* lblPath = named(new QLabel(QStringLiteral("&Target folder of each file:"), this), "lblPath");
  txtPath_ = named(new QLineEdit(this), "txtPath");
  lblPath->setBuddy(txtPath_);
  cmdFind_ = uikit::CtrlCmd::make(this, "cmdFind", QStringLiteral("..."), 0);
  cmdFind_->setDesignSize({40, 24});
  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(background(this, "bakTxtPath", txtPath_), 1);
  pathRow->addWidget(cmdFind_);

  comCopyMove_ = named(new QComboBox(this), "comCopyMove");
  comDup_ = named(new QComboBox(this), "comDup");
  auto* framComCopyMove = named(new QGroupBox(QStringLiteral("Action"), this), "framComCopyMove");
  (new QHBoxLayout(framComCopyMove))->addWidget(background(framComCopyMove, "bakComCopyMove", comCopyMove_));
  auto* framComDup = named(new QGroupBox(QStringLiteral("When The Target File Exists"), this), "framComDup");
  (new QHBoxLayout(framComDup))->addWidget(background(framComDup, "bakComDup", comDup_));
  auto* comboRow = new QHBoxLayout;
  comboRow->addWidget(framComCopyMove, 1);
  comboRow->addWidget(framComDup, 2);

  chkPreserve_ = checkBox(this, "chkPreserve", "Copy &Folder Structure");
  chkEmpty_ = checkBox(this, "chkEmpty", "&Include Empty Folders");
  chkContents_ = checkBox(this, "chkContents", "&Only Work On Files That Contain Specific Text");
  auto* emptyRow = new QHBoxLayout;
  emptyRow->addSpacing(20);
  emptyRow->addWidget(chkEmpty_, 1);

  framText_ = named(new QGroupBox(QStringLiteral("Text To Look For"), this), "framText");
  txtTargWords_ = named(new QPlainTextEdit(framText_), "txtTargWords");
  txtTargWords_->setTabChangesFocus(true);
  txtTargWords_->setFixedHeight(64);
  optTargAny_ = named(new QRadioButton(QStringLiteral("Find Any"), framText_), "optTargAny");
  optTargAll_ = named(new QRadioButton(QStringLiteral("Find All"), framText_), "optTargAll");
  optTargAny_->setChecked(true);
  chkSens_ = checkBox(framText_, "chkSens", "Case Se&nsitive");
  chkPhrase_ = checkBox(framText_, "chkPhrase", "Recognize Phrases");
  auto* textLayout = new QVBoxLayout(framText_);
  textLayout->addWidget(background(framText_, "bakTargWords", txtTargWords_));
  auto* textOptions = new QHBoxLayout;
  for (QWidget* w : std::initializer_list<QWidget*>{optTargAny_, optTargAll_, chkSens_, chkPhrase_})
    textOptions->addWidget(w);
  textOptions->addStretch(1);
  textLayout->addLayout(textOptions);
  framText_->hide();

  listViewPrev_ = named(new QTreeWidget(this), "ListViewPrev");
  listViewPrev_->setColumnCount(2);
  listViewPrev_->setRootIsDecorated(false);
  listViewPrev_->setSelectionMode(QAbstractItemView::NoSelection);
  listViewPrev_->setMinimumHeight(90);

  auto* framEndForm = named(new QFrame(this), "framEndForm");
  cmdUndo_ = uikit::CtrlCmd::make(framEndForm, "cmdUndo", QStringLiteral("&Undo"));
  cmdStart_ = uikit::CtrlCmd::make(framEndForm, "cmdStart", QStringLiteral("&Start"));
  cmdClose_ = uikit::CtrlCmd::make(framEndForm, "cmdClose", QStringLiteral("&Close"));
  auto* endRow = new QHBoxLayout(framEndForm);
  endRow->setContentsMargins(0, 0, 0, 0);
  endRow->addWidget(cmdUndo_);
  endRow->addStretch(1);
  endRow->addWidget(cmdStart_);
  endRow->addWidget(cmdClose_);

  auto* v = new QVBoxLayout(this);
  v->addWidget(lblPath);
  v->addLayout(pathRow);
  v->addLayout(comboRow);
  v->addWidget(chkPreserve_);
  v->addLayout(emptyRow);
  v->addWidget(chkContents_);
  v->addWidget(framText_);
  v->addWidget(listViewPrev_, 1);
  v->addWidget(framEndForm);
  chkEmpty_->hide();

  readAs(txtPath_, {lblPath});
  readAs(comCopyMove_, {framComCopyMove});
  readAs(comDup_, {framComDup});
  readAs(txtTargWords_, {framText_});
  readAs(listViewPrev_, {{"accPreview", "Preview"}});

  connect(txtPath_, &QLineEdit::textChanged, this, [this] { txtPathChanged(); });
  connect(chkContents_, &uikit::CtrlCheckBox::Click, this, [this] { chkContentsClick(); });
  connect(chkPreserve_, &uikit::CtrlCheckBox::Click, this, [this] { chkPreserveClick(); });
  connect(chkPreserve_, &uikit::CtrlCheckBox::NotAbled, this,
          [this] { core::host().respond(this, "O", msg(copy_msg::kNeedsSubfolders), "I", ""); });
  connect(cmdStart_, &uikit::CtrlCmd::Click, this, [this] { cmdStartClick(); });
  connect(cmdClose_, &uikit::CtrlCmd::Click, this, [this] { closeForm(); });
}

void FrmCopy::txtPathChanged() {
  const QString text = txtPath_->text();
  const QString cleaned = vb::qpath(cleanTargetPattern(vb::bpath(text)));
  if (cleaned != text) {
    // The characters a path box may not hold go at once; the caret stays behind what was typed.
    const int caret = vb::qpath(cleanTargetPattern(vb::bpath(text.left(txtPath_->cursorPosition())))).size();
    txtPath_->setText(cleaned);  // raises this handler again, with nothing left to remove
    txtPath_->setCursorPosition(caret);
    return;
  }
  fillPreview();
}

void FrmCopy::chkContentsClick() {
  const bool show = chkContents_->Value() != 0;
  if (framText_->isHidden() != show) return;
  const int delta = framText_->sizeHint().height() + layout()->spacing();
  framText_->setVisible(show);
  // The window grows by the frame and gives the room back, as long as it is on screen.
  if (isVisible()) resize(width(), height() + (show ? delta : -delta));
}

void FrmCopy::chkPreserveClick() {
  // A tick on the disabled box is taken back: the structure below a folder needs its subfolders.
  if (!chkPreserve_->Enabled() && chkPreserve_->Value() != 0) {
    chkPreserve_->setValue(0);
    return;
  }
  chkEmpty_->setVisible(chkPreserve_->Value() != 0);
}

void FrmCopy::fillCombos() {
  const auto fill = [](QComboBox* box, std::initializer_list<std::string> items) {
    int i = 0;
    for (const std::string& item : items) {
      if (box->count() > i) box->setItemText(i, vb::qs(item));
      else box->addItem(vb::qs(item));
      ++i;
    }
  };
  fill(comCopyMove_, {msg(copy_msg::kCopyItem), msg(copy_msg::kMoveItem)});
  fill(comDup_, {msg(copy_msg::kExistsSkip), msg(copy_msg::kExistsNumber), msg(copy_msg::kExistsReplace)});
  listViewPrev_->setHeaderLabels({vb::qs(msg(copy_msg::kColumnSource)), vb::qs(msg(copy_msg::kColumnTarget))});
  for (std::size_t n = 0; n < menuWord_.size(); ++n)
    menuWord_[n]->setText(vb::qs(msg(copy_msg::kWord) + " " + std::to_string(n + 1)));
}

void FrmCopy::applySavedWidths() {
  if (const int w = savedPixels("frmcopywidth"); w > 0) resize(w, height());
  const int half = std::max(listViewPrev_->width() / 2, 120);
  listViewPrev_->setColumnWidth(0, savedPixels("frmcopycol1width") > 0 ? savedPixels("frmcopycol1width") : half);
  listViewPrev_->setColumnWidth(1, savedPixels("frmcopycol2width") > 0 ? savedPixels("frmcopycol2width") : half);
}

void FrmCopy::showEvent(QShowEvent* e) {
  ToolWindow::showEvent(e);  // this window's messages, read from its language file
  fillCombos();
  if (!loaded_) {
    loaded_ = true;
    applySavedWidths();
  }
  // The folder structure below the main folder exists only with its subfolders.
  const mainwin::MainForm* main = mainForm();
  const bool withSubfolders = main && main->panel()->chkInclude->Value() != 0;
  chkPreserve_->setEnabledFlag(withSubfolders);
  if (!withSubfolders) chkPreserve_->setValue(0);
  chkPreserveClick();
  chkContentsClick();
  rebuildUndoMenu();
  fillPreview();
}

void FrmCopy::closing() {
  core::saveSet("frmcopywidth", static_cast<long long>(uikit::twips(width())));
  core::saveSet("frmcopycol1width", static_cast<long long>(uikit::twips(listViewPrev_->columnWidth(0))));
  core::saveSet("frmcopycol2width", static_cast<long long>(uikit::twips(listViewPrev_->columnWidth(1))));
}

void FrmCopy::fillPreview() {
  listViewPrev_->clear();
  const mainwin::MainForm* main = mainForm();
  const std::vector<std::string> samples = main ? main->list().firstVisibleNames(5) : std::vector<std::string>{};
  if (samples.empty()) {
    listViewPrev_->addTopLevelItem(new QTreeWidgetItem(QStringList{vb::qs(msg(copy_msg::kNoSamples))}));
    return;
  }
  const std::string folder = core::AddSlash(main->currentFolder());
  for (const CopyPreviewRow& row : previewTargets(folder, samples, vb::bpath(txtPath_->text()), core::nowDateStamp()))
    listViewPrev_->addTopLevelItem(new QTreeWidgetItem(QStringList{vb::qpath(row.source), vb::qpath(row.target)}));
}

CopyJobOptions FrmCopy::readOptions() const {
  const mainwin::MainForm* main = mainForm();
  return {
      .pattern = vb::bpath(txtPath_->text()),
      .mode = comCopyMove_->currentIndex() == 1 ? CopyMode::Move : CopyMode::Copy,
      .exists = comDup_->currentIndex() == 2   ? TargetExists::Overwrite
                : comDup_->currentIndex() == 1 ? TargetExists::Numbered
                                               : TargetExists::Skip,
      .keepStructure = chkPreserve_->Enabled() && chkPreserve_->Value() != 0,
      .emptyFolders = chkEmpty_->Value() != 0,
      .content = {.on = chkContents_->Value() != 0,
                  .text = vb::bs(txtTargWords_->toPlainText()),
                  .words = {.phrases = chkPhrase_->Value() != 0, .matchCase = chkSens_->Value() != 0},
                  .match = optTargAll_->isChecked() ? WordMatch::All : WordMatch::Any},
      .withSubfolders = main && main->panel()->chkInclude->Value() != 0,
      .withHidden = main && main->panel()->chkIncHidden->Value() != 0,
  };
}

void FrmCopy::cmdStartClick() {
  runStart([this](tools::ToolRun& run) {
    // Without phrases the whole text is one word: "all" and "any" are the same, and any shows.
    if (chkContents_->Value() != 0 && chkPhrase_->Value() == 0) optTargAny_->setChecked(true);
    const CopyJobResult result = runCopyJob(run.pipe, run.form, readOptions(), run.msg);
    if (result.end == CopyJobEnd::PatternRefused) txtPath_->setFocus();
    rebuildUndoMenu();
    fillPreview();
  });
}

void FrmCopy::browseClose(const QString& myPath) {
  if (core::PathExist(vb::bpath(myPath)) == 0) {
    core::host().respond(nullptr, "O", msg(copy_msg::kNoFolder) + vb::bs(myPath), "E", "");
    return;
  }
  txtPath_->setText(myPath);
}

void FrmCopy::loadHandleFrmStr(const QString& myData) {
  insertAtCaret(QStringLiteral("<CustSub;") + myData + QStringLiteral(">"));
}

}  // namespace tools::file_ops
