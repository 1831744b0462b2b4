#include "tools/renaming/widgets/frm_trim.h"

#include "core/settings.h"
#include "core/text_routines.h"
#include "core/vb.h"
#include "main_window/widgets/file_list_controller.h"
#include "main_window/widgets/filter_panel.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/tool_launcher.h"
#include "tools/renaming/case_preview.h"
#include "tools/renaming/widgets/case_trim_controls.h"
#include "tools/renaming/widgets/trim_tool.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/look.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace tools {

namespace {

// A drop-down list in a borderless frame of its own (the frame carries the name the form's
// layout code knows).
QComboBox* listInFrame(QWidget* parent, QLayout* row, const char* frameName, const char* listName) {
  auto* f = new QFrame(parent);
  f->setObjectName(QString::fromLatin1(frameName));
  auto* l = new QHBoxLayout(f);
  l->setContentsMargins(0, 0, 0, 0);
  auto* c = new QComboBox(f);
  c->setObjectName(QString::fromLatin1(listName));
  c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  l->addWidget(c);
  row->addWidget(f);
  return c;
}

// Sets the items of a drop-down list to texts, keeping the chosen index where it still exists.
void setItems(QComboBox* c, const QStringList& texts) {
  if (c->count() == texts.size()) {
    for (int i = 0; i < texts.size(); ++i) c->setItemText(i, texts[i]);
    return;
  }
  const int keep = c->currentIndex();
  c->clear();
  c->addItems(texts);
  c->setCurrentIndex(keep >= 0 && keep < texts.size() ? keep : 0);
}

// The text of message n, or fallback while the window's messages are not read yet.
QString textOf(const ToolWindow& w, int n, const char* fallback) {
  return w.msg(n).empty() ? QString::fromUtf8(fallback) : vb::qs(w.msg(n));
}

// Settings of the window's width and the preview's columns, in twips.
constexpr const char* kWidthKey = "frmtrimwidth";
constexpr const char* kColumnKeys[2] = {"frmtrimcol1width", "frmtrimcol2width"};
constexpr int kColumnTwips[2] = {2600, 2680};

}  // namespace

FrmTrim::FrmTrim() : ToolWindow("frmTrim", "Trim") {
  setWindowTitle(QStringLiteral("Truncate"));
  auto* main = new QVBoxLayout(this);

  optFile_ = addModeOption(this, main, QStringLiteral("optFile"), QStringLiteral("Trim File Names"));
  optFold_ = addModeOption(this, main, QStringLiteral("optFold"), QStringLiteral("Trim Folder Names"));
  optContents_ = addModeOption(this, main, QStringLiteral("optContents"), QStringLiteral("Trim File Contents"));

  auto* row = new QHBoxLayout;
  lblDelete_ = new QLabel(QStringLiteral("Remove:"), this);
  lblDelete_->setObjectName(QStringLiteral("lblDelete"));
  txtDelete_ = new QLineEdit(this);
  txtDelete_->setObjectName(QStringLiteral("txtDelete"));
  txtDelete_->setMaxLength(18);
  txtDelete_->setFixedWidth(uikit::px(900));
  txtDelete_->setAlignment(Qt::AlignRight);
  lblDelete_->setBuddy(txtDelete_);
  row->addWidget(lblDelete_);
  row->addWidget(txtDelete_);
  comDelType_ = listInFrame(this, row, "framComDelType", "comDelType");
  comDelWhat_ = listInFrame(this, row, "framComDelWhat", "comDelWhat");
  row->addStretch(1);
  main->addLayout(row);
  comDelType_->addItem(QStringLiteral("Characters"));
  comDelWhat_->addItems({QStringLiteral("From the Start"), QStringLiteral("From the End")});

  chkExt_ = new uikit::CtrlCheckBox(this);
  chkExt_->setObjectName(QStringLiteral("chkExt"));
  chkExt_->setCaption(QStringLiteral("Include Extension"));
  main->addWidget(chkExt_);

  listViewPrev_ = addPreviewList(this, QStringLiteral("Trimmed Name"), kColumnTwips[0], 5295);
  readAs(comDelType_, {lblDelete_, {"accUnit", "Unit"}});
  readAs(comDelWhat_, {lblDelete_, {"accSide", "Side"}});
  readAs(listViewPrev_, {{"accPreview", "Preview"}});
  main->addWidget(listViewPrev_, 1);

  cmdStart_ = addFlatButton(this, "cmdStart", "&Start");
  cmdClose_ = addFlatButton(this, "cmdClose", "&Close");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cmdStart_);
  buttons->addWidget(cmdClose_);
  main->addLayout(buttons);

  for (QRadioButton* mode : {optFile_, optFold_, optContents_}) whenChosen(mode, [this] { arrangeMode(); });
  connect(txtDelete_, &QLineEdit::textChanged, this, &FrmTrim::txtDeleteChanged);
  connect(comDelWhat_, &QComboBox::currentIndexChanged, this, &FrmTrim::previewTrim);
  connect(chkExt_, &uikit::CtrlCheckBox::Click, this, &FrmTrim::previewTrim);
  connect(cmdStart_, &uikit::CtrlCmd::Click, this, &FrmTrim::cmdStartClick);
  connect(cmdClose_, &uikit::CtrlCmd::Click, this, &FrmTrim::closeForm);

  optFile_->setChecked(true);
}

TrimMode FrmTrim::mode() const {
  if (optContents_->isChecked()) return TrimMode::Contents;
  if (optFold_->isChecked()) return TrimMode::Folders;
  return TrimMode::Files;
}

std::uint64_t FrmTrim::count() const {
  return static_cast<std::uint64_t>(std::max<std::int64_t>(0, vb::ValInt(vb::bs(txtDelete_->text()))));
}

TrimRunOptions FrmTrim::readOptions() const {
  const TrimMode m = mode();
  TrimRunOptions o{.mode = m,
                   .count = count(),
                   .where = comDelWhat_->currentIndex() > 0 ? TrimWhere::End : TrimWhere::Start,
                   .unit = m == TrimMode::Contents && comDelType_->currentIndex() == 1 ? TrimUnit::Lines
                                                                                         : TrimUnit::Characters,
                   .includeExtension = m == TrimMode::Files && chkExt_->Value() != 0};
  if (const mainwin::MainForm* main = mainForm()) {
    o.folder = main->currentFolder();
    o.withSubfolders = main->panel()->chkInclude->Value() != 0;
    o.withHidden = main->panel()->chkIncHidden->Value() != 0;
    o.pattern = main->myPattern();
  }
  return o;
}

void FrmTrim::cmdStartClick() {
  runStart([this](ToolRun& run) {
    const TrimRunOptions options = readOptions();
    if (!runTrimmer(run.pipe, run.form, options, run.msg) && options.count == 0) txtDelete_->setFocus();
  });
}

void FrmTrim::arrangeMode() {
  const TrimMode m = mode();
  fillUnits();
  if (m == TrimMode::Contents) comDelType_->setCurrentIndex(0);
  chkExt_->setVisible(m == TrimMode::Files);
  listViewPrev_->setVisible(m != TrimMode::Contents);
  // The height follows what the mode shows; only the width is the user's.
  layout()->activate();
  setFixedHeight(layout()->sizeHint().height());
  previewTrim();
}

void FrmTrim::fillUnits() {
  QStringList units{textOf(*this, trim_msg::kCharacters, "Characters")};
  if (mode() == TrimMode::Contents) units << textOf(*this, trim_msg::kLines, "Lines");
  setItems(comDelType_, units);
}

void FrmTrim::applyMessages() {
  fillUnits();
  setItems(comDelWhat_, {textOf(*this, trim_msg::kFromStart, "From the Start"),
                         textOf(*this, trim_msg::kFromEnd, "From the End")});
  listViewPrev_->setHeaderLabels(
      {textOf(*this, trim_msg::kColumnName, "Name"), textOf(*this, trim_msg::kColumnNewName, "Trimmed Name")});
}

void FrmTrim::txtDeleteChanged() {
  const std::string typed = vb::bs(txtDelete_->text());
  const std::string digits = core::FilterTxt(typed, std::string_view("0123456789"));
  if (digits != typed) {
    txtDelete_->setText(vb::qs(digits));  // comes back here with the digits alone
    return;
  }
  previewTrim();
}

std::vector<std::string> FrmTrim::collectTrimSamples() const {
  const mainwin::MainForm* main = mainForm();
  std::vector<std::string> samples;
  if (main && mode() == TrimMode::Folders) {
    samples = listSubFolders(main->currentFolder(), main->panel()->chkIncHidden->Value() != 0);
  } else if (main) {
    samples = main->list().firstVisibleNames(5);
  }
  if (samples.empty()) samples.push_back(msg(trim_msg::kSampleName).empty() ? "sample" : msg(trim_msg::kSampleName));
  return samples;
}

void FrmTrim::previewTrim() {
  listViewPrev_->clear();
  const TrimRunOptions o = readOptions();
  if (o.mode == TrimMode::Contents) return;
  const NameTrim trim{.count = o.count, .where = o.where, .includeExtension = o.includeExtension};
  for (const PreviewRow& row : trimPreview(collectTrimSamples(), o.mode == TrimMode::Folders, trim)) {
    auto* item = new QTreeWidgetItem(listViewPrev_);
    item->setText(0, vb::qpath(row.sample));
    item->setText(1, vb::qpath(row.result));
  }
}

void FrmTrim::doResize() {
  const int least = minimumSizeHint().width();
  if (width() < least) resize(least, height());
}

void FrmTrim::restoreWidths() {
  if (widthsRestored_) return;
  widthsRestored_ = true;
  const double width = vb::Val(core::getSet(kWidthKey));
  if (width > 0) resize(std::max(uikit::px(width), minimumSizeHint().width()), height());
  for (int c = 0; c < 2; ++c) {
    const double twips = vb::Val(core::getSet(kColumnKeys[c]));
    if (twips > 0) listViewPrev_->setColumnWidth(c, uikit::px(twips));
  }
}

void FrmTrim::showEvent(QShowEvent* e) {
  ToolWindow::showEvent(e);  // this window's messages, read from its language file
  applyMessages();
  restoreWidths();
  previewTrim();
}

void FrmTrim::closing() {
  core::saveSet(kWidthKey, std::to_string(static_cast<long long>(uikit::twips(width()))));
  for (int c = 0; c < 2; ++c) {
    core::saveSet(kColumnKeys[c], std::to_string(static_cast<long long>(uikit::twips(listViewPrev_->columnWidth(c)))));
  }
}

void registerTrimTool() {
  mainwin::registerToolForm("frmTrim", [] { return new FrmTrim(); });
}

}  // namespace tools
