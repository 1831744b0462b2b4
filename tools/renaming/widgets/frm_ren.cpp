#include "tools/renaming/widgets/frm_ren.h"

#include "core/date_tokens.h"
#include "core/file_paths.h"
#include "core/settings.h"
#include "core/state.h"
#include "core/text_routines.h"
#include "core/vb.h"
#include "core/widgets/text_controls.h"
#include "main_window/widgets/file_list_controller.h"
#include "main_window/widgets/filter_panel.h"
#include "main_window/widgets/main_form.h"
#include "tools/renaming/rename_messages.h"
#include "tools/renaming/rename_run.h"
#include "tools/renaming/widgets/frm_ren_tool.h"
#include "main_window/widgets/tool_launcher.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace tools::ren {

namespace {

constexpr int kTwipsPerPixel = 15;
// The characters a rule box drops as they are typed ("<" and ">" stay for the tokens).
constexpr std::string_view kRuleInvalid = "/\\|:*?\"";
constexpr std::string_view kDigits = "0123456789";

template <class W>
W* named(W* w, const char* name) {
  w->setObjectName(QString::fromLatin1(name));
  return w;
}

int savedPixels(const char* key) { return static_cast<int>(vb::ValInt(core::getSet(key)) / kTwipsPerPixel); }

}  // namespace

FrmRen::FrmRen() : ToolWindow("frmRen", "Ren") {
  buildControls();
  buildMenus();
  connectControls();
  designWidth_ = std::max(560, sizeHint().width());
  setMinimumWidth(designWidth_);
  resize(designWidth_, std::max(430, sizeHint().height()));
  if (const int w = savedPixels("frmrenwidth"); w > 0) resize(std::max(w, designWidth_), height());
  for (int c = 0; c < 2; ++c) {
    if (const int w = savedPixels(c == 0 ? "frmrencol1width" : "frmrencol2width"); w > 0) ListViewPrev->setColumnWidth(c, w);
  }
  ready_ = true;
  // As a form load: the ticks' states applied once.
  ruleTicked(chkStart, txtStart, bbbTxtStart, cmdIns1);
  ruleTicked(chkEnd, txtEnd, bbbTxtEnd, cmdIns2);
  sequenceTicked();
}

void FrmRen::buildControls() {
  auto* v = new QVBoxLayout(this);
  menuBar = named(new QMenuBar(this), "barRen");
  v->setMenuBar(menuBar);

  // The mode options first: a restored state then sets the mode before the rules of that mode.
  auto* framMode = named(new QFrame(this), "framMode");
  optFile = named(new QRadioButton(QStringLiteral("Rename Files"), framMode), "optFile");
  optFold = named(new QRadioButton(QStringLiteral("Rename Folders"), framMode), "optFold");
  optFile->setChecked(true);
  auto* modeRow = new QHBoxLayout(framMode);
  modeRow->setContentsMargins(0, 0, 0, 0);
  modeRow->addWidget(optFile);
  modeRow->addWidget(optFold);
  modeRow->addStretch();

  auto* rules = new QGridLayout();
  const auto ruleRow = [&](int row, uikit::CtrlCheckBox*& tick, const char* tickName, const QString& caption,
                           QFrame*& frame, const char* frameName, QLineEdit*& box, const char* boxName,
                           std::string_view text, uikit::CtrlCmd*& insert, const char* insertName,
                           const char* insertCaption) {
    tick = named(new uikit::CtrlCheckBox(this), tickName);
    tick->setCaption(caption);
    tick->setValue(1);
    frame = named(new QFrame(this), frameName);
    auto* inside = new QHBoxLayout(frame);
    inside->setContentsMargins(2, 2, 2, 2);
    box = named(new QLineEdit(frame), boxName);
    box->setText(vb::qs(text));
    inside->addWidget(box);
    insert = named(new uikit::CtrlCmd(this), insertName);
    insert->setCaption(QString::fromLatin1(insertCaption));
    rules->addWidget(tick, row, 0);
    rules->addWidget(frame, row, 1);
    rules->addWidget(insert, row, 2);
  };
  ruleRow(0, chkStart, "chkStart", QStringLiteral("Start Text"), bbbTxtStart, "bbbTxtStart", txtStart, "txtStart",
          kDefaultStartRule, cmdIns1, "cmdIns1", "&Insert");

  chkSeq = named(new uikit::CtrlCheckBox(this), "chkSeq");
  chkSeq->setCaption(QStringLiteral("Sequence Number"));
  framSeq = named(new QFrame(this), "framSeq");
  auto* seq = new QGridLayout(framSeq);
  seq->setContentsMargins(2, 0, 2, 0);
  auto* lblFirst = named(new QLabel(QStringLiteral("Start At"), framSeq), "lblFirst");
  txtFirst = named(new QLineEdit(QStringLiteral("1"), framSeq), "txtFirst");
  auto* lblZeros = named(new QLabel(QStringLiteral("Digits"), framSeq), "lblZeros");
  txtZeros = named(new QLineEdit(QStringLiteral("0"), framSeq), "txtZeros");
  for (QLineEdit* box : {txtFirst, txtZeros}) box->setMaximumWidth(90);
  optNewFoldRestart = named(new QRadioButton(framSeq), "optNewFoldRestart");
  optNewFoldContinue = named(new QRadioButton(framSeq), "optNewFoldContinue");
  optNewFoldContinue->setChecked(true);
  seq->addWidget(lblFirst, 0, 0);
  seq->addWidget(txtFirst, 0, 1);
  seq->addWidget(lblZeros, 0, 2);
  seq->addWidget(txtZeros, 0, 3);
  seq->setColumnStretch(4, 1);
  seq->addWidget(optNewFoldRestart, 1, 0, 1, 5);
  seq->addWidget(optNewFoldContinue, 2, 0, 1, 5);
  rules->addWidget(chkSeq, 1, 0, Qt::AlignTop);
  rules->addWidget(framSeq, 1, 1, 1, 2);

  ruleRow(2, chkEnd, "chkEnd", QStringLiteral("End Text"), bbbTxtEnd, "bbbTxtEnd", txtEnd, "txtEnd", kDefaultEndRule,
          cmdIns2, "cmdIns2", "I&nsert");
  rules->setColumnStretch(1, 1);

  // Each mode keeps its own pair of rules; the other mode's pair waits here.
  txtStartHold = named(new QLineEdit(vb::qs(kDefaultFolderStartRule), this), "txtStartHold");
  txtEndHold = named(new QLineEdit(vb::qs(kDefaultFolderEndRule), this), "txtEndHold");
  txtStartHold->hide();
  txtEndHold->hide();

  ListViewPrev = named(new QTreeWidget(this), "ListViewPrev");
  ListViewPrev->setColumnCount(2);
  ListViewPrev->setRootIsDecorated(false);
  ListViewPrev->setUniformRowHeights(true);
  ListViewPrev->setSelectionMode(QAbstractItemView::NoSelection);
  ListViewPrev->setColumnWidth(0, 250);
  ListViewPrev->header()->setStretchLastSection(true);

  auto* buttons = new QHBoxLayout();
  cmdStart = named(new uikit::CtrlCmd(this), "cmdStart");
  cmdStart->setCaption(QStringLiteral("&Start"));
  cmdUndo = named(new uikit::CtrlCmd(this), "cmdUndo");
  cmdUndo->setCaption(QStringLiteral("&Undo"));
  cmdClose = named(new uikit::CtrlCmd(this), "cmdClose");
  cmdClose->setCaption(QStringLiteral("&Close"));
  for (uikit::CtrlCmd* b : {cmdStart, cmdUndo, cmdClose}) b->setDesignSize(QSize(96, 28));
  buttons->addWidget(cmdStart);
  buttons->addWidget(cmdUndo);
  buttons->addStretch();
  buttons->addWidget(cmdClose);

  v->addLayout(rules);
  v->addWidget(framMode);
  v->addWidget(ListViewPrev, 1);
  v->addLayout(buttons);

  readAs(txtStart, {chkStart});
  readAs(cmdIns1, {chkStart, cmdIns1});
  readAs(txtFirst, {lblFirst});
  readAs(txtZeros, {lblZeros});
  readAs(txtEnd, {chkEnd});
  readAs(cmdIns2, {chkEnd, cmdIns2});
  readAs(ListViewPrev, {{"accPreview", "Preview"}});
  // Tab follows the rows as they stand, top to bottom (the mode options were made first).
  QWidget* previous = chkStart;
  for (QWidget* next : std::initializer_list<QWidget*>{txtStart, cmdIns1, chkSeq, txtFirst, txtZeros, optNewFoldRestart,
                                                       optNewFoldContinue, chkEnd, txtEnd, cmdIns2, optFile, optFold,
                                                       ListViewPrev, cmdStart, cmdUndo, cmdClose}) {
    setTabOrder(previous, next);
    previous = next;
  }
}

void FrmRen::connectControls() {
  connect(chkStart, &uikit::CtrlCheckBox::Click, this, [this] { ruleTicked(chkStart, txtStart, bbbTxtStart, cmdIns1); });
  connect(chkEnd, &uikit::CtrlCheckBox::Click, this, [this] { ruleTicked(chkEnd, txtEnd, bbbTxtEnd, cmdIns2); });
  connect(chkSeq, &uikit::CtrlCheckBox::Click, this, [this] { sequenceTicked(); });
  connect(txtStart, &QLineEdit::textChanged, this, [this] { ruleEdited(txtStart); });
  connect(txtEnd, &QLineEdit::textChanged, this, [this] { ruleEdited(txtEnd); });
  connect(txtFirst, &QLineEdit::textChanged, this, [this] { numberEdited(txtFirst, kStartNumberCharacters, false); });
  connect(txtZeros, &QLineEdit::textChanged, this, [this] { numberEdited(txtZeros, kDigits, true); });
  for (QLineEdit* box : {txtFirst, txtZeros}) box->installEventFilter(this);
  tools::whenChosen(optFile, [this] { modeChosen(); });
  tools::whenChosen(optFold, [this] { modeChosen(); });
  for (QRadioButton* o : {optNewFoldRestart, optNewFoldContinue}) tools::whenChosen(o, [this] { buildPreview(); });
  connect(cmdStart, &uikit::CtrlCmd::Click, this, [this] { cmdStartClick(); });
  connect(cmdClose, &uikit::CtrlCmd::Click, this, [this] { closeForm(); });
}

RenameMode FrmRen::mode() const { return optFold->isChecked() ? RenameMode::Folders : RenameMode::Files; }

void FrmRen::doResize() {
  // Layouts widen the rule boxes, the preview and the buttons' row; only the floor is ours.
  if (width() < minimumWidth()) resize(minimumWidth(), height());
}

// ------------------------------------------------------------------ the boxes

void FrmRen::ruleEdited(QLineEdit* box) {
  const std::string typed = vb::bs(box->text());
  const std::string kept = core::RemInvalid(typed, kRuleInvalid);
  if (kept != typed) {
    const int caret = box->cursorPosition();
    box->setText(vb::qs(kept));  // comes back here with the clean text
    box->setCursorPosition(std::min(caret, static_cast<int>(box->text().size())));
    return;
  }
  if (!checkRuleSample(kept, mode())) {
    box->clear();  // a rule that does not expand cleanly is refused
    return;
  }
  box->setToolTip(box->text());
  buildPreview();
}

void FrmRen::numberEdited(QLineEdit* box, std::string_view allowed, bool emptyIsZero) {
  const std::string typed = vb::bs(box->text());
  std::string kept = core::FilterTxt(typed, allowed);
  if (kept.empty() && emptyIsZero) kept = "0";
  if (kept != typed) {
    box->setText(vb::qs(kept));
    return;
  }
  buildPreview();
}

void FrmRen::ruleTicked(uikit::CtrlCheckBox* tick, QLineEdit* box, QFrame* frame, uikit::CtrlCmd* insert) {
  const bool on = tick->Value() != 0;
  const core::CoreState& st = core::coreState();
  box->setEnabled(on);
  if (on) {
    core::enableText(box);
  } else {
    core::disableText(box);
  }
  core::setBackColour(frame, on ? st.backColor : st.disabledColor);
  insert->setEnabledFlag(on);
  buildPreview();
}

void FrmRen::sequenceTicked() {
  const bool on = chkSeq->Value() != 0;
  if (framSeq->isVisible() != on && isVisible()) {
    // The window grows or shrinks by the frame, as the frames below it move.
    const int delta = framSeq->sizeHint().height() + layout()->spacing();
    framSeq->setVisible(on);
    layout()->activate();
    resize(width(), std::max(minimumSizeHint().height(), height() + (on ? delta : -delta)));
  } else {
    framSeq->setVisible(on);
  }
  setNewFolderOptions();
  buildPreview();
}

void FrmRen::modeChosen() {
  const bool folders = mode() == RenameMode::Folders;
  setNewFolderOptions();
  applyMessageTexts();
  // Folders have no file dates, no old name without extension and no extension.
  for (QMenu* source : {dateSources[0], dateSources[1], dateSources[2]}) source->menuAction()->setVisible(!folders);
  menuOld->setVisible(!folders);
  menuExt->setVisible(!folders);
  if (folders != folderMode_) {
    folderMode_ = folders;
    syncHoldTexts();
  }
  refreshPreviewSource();
  buildPreview();
}

void FrmRen::syncHoldTexts() {
  const QString start = txtStart->text(), end = txtEnd->text();
  txtStart->setText(txtStartHold->text());
  txtEnd->setText(txtEndHold->text());
  txtStartHold->setText(start);
  txtEndHold->setText(end);
}

void FrmRen::setNewFolderOptions() {
  mainwin::MainForm* main = mainForm();
  const bool offered = main && main->panel()->chkInclude->Value() != 0 && chkSeq->Value() != 0;
  optNewFoldRestart->setEnabled(offered);
  optNewFoldContinue->setEnabled(offered);
  const bool folders = mode() == RenameMode::Folders;
  optNewFoldRestart->setText(vb::qs(msg(folders ? msg::kDeepestFirst : msg::kRestartFiles)));
  optNewFoldContinue->setText(vb::qs(msg(folders ? msg::kListOrder : msg::kContinueFiles)));
}

// The texts that come from the messages, which are read as the window shows.
void FrmRen::applyMessageTexts() {
  ListViewPrev->setHeaderLabels({vb::qs(msg(msg::kColumnOld)), vb::qs(msg(msg::kColumnNew))});
  menuFold->setText(vb::qs(msg(mode() == RenameMode::Folders ? msg::kAddOwnFolderName : msg::kAddFolderName)));
  setNewFolderOptions();
  for (std::size_t n = 0; n < menuWord.size(); ++n) {
    QString caption = menuWord[n]->text();
    const QString number = QLatin1Char(' ') + QString::number(n + 1);
    if (caption.endsWith(number)) caption.chop(number.size());
    menuWord[n]->setText(caption + number);
  }
}

void FrmRen::showEvent(QShowEvent* e) {
  ToolWindow::showEvent(e);  // reads this window's messages
  applyMessageTexts();
  // The design width, or what the captions of this language need.
  layout()->activate();
  setMinimumWidth(std::max(designWidth_, layout()->minimumSize().width()));
  if (width() < minimumWidth()) resize(minimumWidth(), height());
  refreshUndoMenu();
  refreshPreviewSource();
  buildPreview();
}

void FrmRen::closing() {
  core::saveSet("frmrencol1width", static_cast<long long>(ListViewPrev->columnWidth(0)) * kTwipsPerPixel);
  core::saveSet("frmrencol2width", static_cast<long long>(ListViewPrev->columnWidth(1)) * kTwipsPerPixel);
  core::saveSet("frmrenwidth", static_cast<long long>(width()) * kTwipsPerPixel);
}

bool FrmRen::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::FocusIn && (watched == txtFirst || watched == txtZeros)) {
    auto* box = static_cast<QLineEdit*>(watched);
    QTimer::singleShot(0, box, &QLineEdit::selectAll);  // after the click that placed the caret
  }
  return ToolWindow::eventFilter(watched, e);
}

// ------------------------------------------------------------------ preview and Start

std::string FrmRen::currentFolder() const {
  mainwin::MainForm* main = mainForm();
  return main ? core::AddSlash(main->currentFolder()) : std::string();
}

void FrmRen::refreshPreviewSource() {
  if (!ready_) return;
  mainwin::MainForm* main = mainForm();
  samples_.clear();
  if (main && mode() == RenameMode::Folders) {
    samples_ = listFolderItems(currentFolder(), main->panel()->chkIncHidden->Value() != 0);
  } else if (main && mode() == RenameMode::Files) {
    samples_ = main->list().firstVisibleNames(static_cast<int>(kPreviewSamples));
  }
  if (samples_.empty() && mode() == RenameMode::Files) samples_ = {msg(msg::kSample)};
}

void FrmRen::buildPreview() {
  if (!ready_) return;
  const PreviewOptions options{
      .mode = mode(),
      .startRule = chkStart->Value() != 0 ? shortenTokens(vb::bs(txtStart->text())) : std::string(),
      .endRule = chkEnd->Value() != 0 ? shortenTokens(vb::bs(txtEnd->text())) : std::string(),
      .sequence = chkSeq->Value() != 0,
      .startNumber = startNumberOf(vb::bs(txtFirst->text())),
      .width = widthOf(vb::bs(txtZeros->text())),
      .folder = currentFolder(),
      .runStamp = core::nowDateStamp(),
  };
  rows_ = tools::ren::buildPreview(samples_, options);
  ListViewPrev->clear();
  QList<QTreeWidgetItem*> items;
  for (const PreviewRow& row : rows_) items << new QTreeWidgetItem(QStringList{vb::qpath(row.oldName), vb::qpath(row.newName)});
  ListViewPrev->addTopLevelItems(items);
}

void FrmRen::cmdStartClick() {
  runStart([this](ToolRun& run) {
    buildPreview();
    mainwin::MainForm* main = mainForm();
    const RenameRunOptions options{
        .mode = mode(),
        .startRule = chkStart->Value() != 0 ? vb::bs(txtStart->text()) : std::string(),
        .endRule = chkEnd->Value() != 0 ? vb::bs(txtEnd->text()) : std::string(),
        .sequence = chkSeq->Value() != 0,
        .startNumber = startNumberOf(vb::bs(txtFirst->text())),
        .width = widthOf(vb::bs(txtZeros->text())),
        .restart = optNewFoldRestart->isEnabled() && optNewFoldRestart->isChecked(),
        .withSubfolders = main && main->panel()->chkInclude->Value() != 0,
        .withHidden = main && main->panel()->chkIncHidden->Value() != 0,
        .pattern = main ? main->myPattern() : std::string("*"),
    };
    (void)renameRun(run.pipe, run.form, options, run.msg);
  });
  refreshUndoMenu();
  refreshPreviewSource();
  buildPreview();
}

void registerRenameTool() {
  mainwin::registerToolForm("frmRen", [] { return new FrmRen(); });
}

}  // namespace tools::ren
