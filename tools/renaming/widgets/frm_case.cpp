#include "tools/renaming/widgets/frm_case.h"

#include "core/vb.h"
#include "main_window/widgets/file_list_controller.h"
#include "main_window/widgets/filter_panel.h"
#include "main_window/widgets/main_form.h"
#include "main_window/widgets/tool_launcher.h"
#include "tools/renaming/case_preview.h"
#include "tools/renaming/widgets/case_trim_controls.h"
#include "tools/renaming/widgets/case_tool.h"
#include "ui_kit/ctrl_check_box.h"
#include "ui_kit/ctrl_cmd.h"
#include "ui_kit/look.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tools {

namespace {

QGroupBox* frame(QWidget* parent, const char* name, const char* caption) {
  auto* g = new QGroupBox(QString::fromUtf8(caption), parent);
  g->setObjectName(QString::fromLatin1(name));
  return g;
}

// The design captions of the styles, in the order of CaseStyle (the language file replaces them).
constexpr const char* kNameCaptions[5] = {"Aaa aaa", "AAA AAA", "aaa aaa", "Default", "Aaa Aaa"};
constexpr const char* kExtCaptions[5] = {".Aaa aaa", ".AAA AAA", ".aaa aaa", ".Default", ".Aaa Aaa"};

// The style of the chosen option of a group (Default when none is chosen).
CaseStyle chosenStyle(const std::array<QRadioButton*, 5>& group) {
  for (int i = 0; i < 5; ++i) {
    if (group[static_cast<std::size_t>(i)]->isChecked()) return static_cast<CaseStyle>(i + 1);
  }
  return CaseStyle::Default;
}

}  // namespace

FrmCase::FrmCase() : ToolWindow("frmCase", "Case") {
  setWindowTitle(QStringLiteral("Change Case"));

  frame1_ = frame(this, "Frame1", "Settings");
  auto* modes = new QVBoxLayout(frame1_);
  optFile_ = addModeOption(frame1_, modes, QStringLiteral("optFile"), QStringLiteral("Rename Files"));
  optFold_ = addModeOption(frame1_, modes, QStringLiteral("optFold"), QStringLiteral("Rename Folders"));
  optContents_ = addModeOption(frame1_, modes, QStringLiteral("optContents"), QStringLiteral("Edit File Contents"));

  framName_ = frame(this, "framName", "Select Name");
  auto* names = new QVBoxLayout(framName_);
  framExt_ = frame(this, "framExt", "Select Extension");
  auto* exts = new QVBoxLayout(framExt_);
  for (int i = 0; i < 5; ++i) {
    const auto k = static_cast<std::size_t>(i);
    optName_[k] = addModeOption(framName_, names, QStringLiteral("optFile%1").arg(i + 1), QString::fromUtf8(kNameCaptions[k]));
    optExt_[k] = addModeOption(framExt_, exts, QStringLiteral("optExt%1").arg(i + 1), QString::fromUtf8(kExtCaptions[k]));
  }
  optName_[3]->setChecked(true);
  optExt_[3]->setChecked(true);

  listViewPrev_ = addPreviewList(this, QStringLiteral("New Name"), 1800, 3600);
  listViewPrev_->setMaximumHeight(QWIDGETSIZE_MAX);  // the room the user gives the window goes here
  readAs(optName_[3], {framName_, optName_[3]});  // both groups have an "Unchanged"
  readAs(optExt_[3], {framExt_, optExt_[3]});
  readAs(listViewPrev_, {{"accPreview", "Preview"}});

  cmdStart_ = addFlatButton(this, "cmdStart", "&Start");
  cmdClose_ = addFlatButton(this, "cmdClose", "&Close");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cmdStart_);
  buttons->addWidget(cmdClose_);

  auto* main = new QVBoxLayout(this);
  main->setSpacing(uikit::px(105));
  for (QWidget* w : {static_cast<QWidget*>(frame1_), static_cast<QWidget*>(framName_),
                     static_cast<QWidget*>(framExt_)}) {
    main->addWidget(w);
  }
  main->addWidget(listViewPrev_, 1);
  main->addLayout(buttons);

  for (QRadioButton* mode : {optFile_, optFold_, optContents_}) whenChosen(mode, [this] { arrangeCaseFrames(); });
  for (std::size_t k = 0; k < 5; ++k) {
    whenChosen(optName_[k], [this] { fillCasePreview(); });
    whenChosen(optExt_[k], [this] { fillCasePreview(); });
  }
  connect(cmdStart_, &uikit::CtrlCmd::Click, this, &FrmCase::cmdStartClick);
  connect(cmdClose_, &uikit::CtrlCmd::Click, this, &FrmCase::closeForm);

  optFile_->setChecked(true);  // the files mode, as a click on optFile
  resize(layout()->minimumSize());  // the design size; the user may make it larger
}

CaseMode FrmCase::mode() const {
  if (optContents_->isChecked()) return CaseMode::Contents;
  if (optFold_->isChecked()) return CaseMode::Folders;
  return CaseMode::Files;
}

CaseStyles FrmCase::styles() const { return {.name = chosenStyle(optName_), .extension = chosenStyle(optExt_)}; }

CaseRunOptions FrmCase::readOptions() const {
  CaseRunOptions o{.mode = mode(), .styles = styles()};
  if (const mainwin::MainForm* main = mainForm()) {
    o.folder = main->currentFolder();
    o.withSubfolders = main->panel()->chkInclude->Value() != 0;
    o.withHidden = main->panel()->chkIncHidden->Value() != 0;
  }
  return o;
}

void FrmCase::cmdStartClick() {
  runStart([this](ToolRun& run) { (void)runCaseChanger(run.pipe, run.form, readOptions(), run.msg); });
}

void FrmCase::arrangeCaseFrames() {
  const CaseMode m = mode();
  const bool files = m == CaseMode::Files;
  // "Default" would change nothing in a folder name and rewrite every file unchanged.
  if (!files && optName_[3]->isChecked()) optName_[0]->setChecked(true);
  optName_[3]->setEnabled(files);
  optName_[3]->setVisible(files);
  framExt_->setVisible(files);
  listViewPrev_->setVisible(m != CaseMode::Contents);
  fitMode(m);
  applyMessages();
  fillCasePreview();
}

void FrmCase::fitMode(CaseMode m) {
  // With the preview the window grows and the preview with it; without (contents) nothing can use
  // more room, so the window keeps the height of its options.
  layout()->activate();
  const int least = layout()->minimumSize().height();
  if (m == CaseMode::Contents) {
    setFixedHeight(least);
  } else {
    setMinimumHeight(least);
    setMaximumHeight(QWIDGETSIZE_MAX);
    if (height() < least || !previewShown_) resize(std::max(width(), layout()->minimumSize().width()), least);
  }
  previewShown_ = m != CaseMode::Contents;
}

void FrmCase::applyMessages() {
  const int frameMessage = mode() == CaseMode::Contents ? case_msg::kStyleFrame : case_msg::kNameFrame;
  if (!msg(frameMessage).empty()) framName_->setTitle(vb::qs(msg(frameMessage)));
  if (!msg(case_msg::kColumnName).empty()) {
    listViewPrev_->setHeaderLabels({vb::qs(msg(case_msg::kColumnName)), vb::qs(msg(case_msg::kColumnNewName))});
  }
  if (isVisible()) applyReaderNames();  // the frame's title is part of its options' names
}

std::vector<std::string> FrmCase::collectCaseSamples() const {
  const mainwin::MainForm* main = mainForm();
  std::vector<std::string> samples;
  if (mode() == CaseMode::Folders) {
    if (main) samples = listSubFolders(main->currentFolder(), main->panel()->chkIncHidden->Value() != 0);
  } else {
    if (main) samples = main->list().firstVisibleNames(5);
    if (samples.empty()) samples.push_back(msg(case_msg::kSampleName));
  }
  return samples;
}

void FrmCase::fillCasePreview() {
  listViewPrev_->clear();
  if (mode() == CaseMode::Contents) return;
  for (const PreviewRow& row : casePreview(collectCaseSamples(), styles(), mode() == CaseMode::Folders)) {
    auto* item = new QTreeWidgetItem(listViewPrev_);
    item->setText(0, vb::qpath(row.sample));
    item->setText(1, vb::qpath(row.result));
  }
}

void FrmCase::showEvent(QShowEvent* e) {
  ToolWindow::showEvent(e);  // this window's messages, read from its language file
  applyMessages();
  fillCasePreview();
}

void registerCaseTool() {
  mainwin::registerToolForm("frmCase", [] { return new FrmCase(); });
}

}  // namespace tools
